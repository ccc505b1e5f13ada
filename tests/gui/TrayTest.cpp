#include "GuiApplication.h"
#include "TrayFixtures.h"
#include "gui/common/Trays.h"
#include "gui/trays/MTray.h"
#include "gui/trays/TrayButton.h"
#include "gui/trays/TrayFile.h"
#include "gui/trays/TrayItem.h"
#include "gui/trays/TrayItemList.h"
#include "interaction/TrayTargets.h"
#include "scene/Brush.h"
#include "scene/SceneServices.h"
#include "scene/camera/Camera.h"
#include "support/RecordingShell.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLayout>
#include <QScrollArea>
#include <QTabWidget>
#include <QTest>

#include <map>

#include <gtest/gtest.h>

#include <set>

#include <unistd.h>

namespace {

using guitest::ScriptedDrag;
using guitest::ScriptedModals;

// An item that counts how often it was applied.
class CountingItem : public GUI::TrayItem {
public:
    CountingItem(const QString &name, int &count) : GUI::TrayItem(name, QString(), name), m_rCount(count)
    {
        SetType(QStringLiteral("Tool"));
    }
    void Activate() override { ++m_rCount; }

private:
    int &m_rCount;
};

// The view camera the bookmarks capture and restore.
class CameraScene : public SceneServices {
public:
    CameraScene() { Install(this); }
    ~CameraScene() override { Install(nullptr); }
    Camera *GetViewCamera() const override { return const_cast<Camera *>(&camera); }
    Camera camera;
};

class TrayTest : public testing::Test {
protected:
    void SetUp() override
    {
        guitest::Application();
        GUI::InitTrayItemTypes();
        CreateDefaultFalloffs();
    }

    // A shown tray wide enough for one row of `names`.
    std::unique_ptr<GUI::MTray> Tray(const QString &name, const QStringList &names = {})
    {
        auto tray = std::make_unique<GUI::MTray>(nullptr, name);
        for (const QString &item : names)
            tray->AddItem(std::make_unique<CountingItem>(item, m_iApplied));
        tray->resize(600, 120);
        tray->show();
        QApplication::processEvents();
        return tray;
    }

    static QStringList Names(const GUI::MTray &tray)
    {
        QStringList names;
        for (const GUI::TrayItem *item : tray.GetItems())
            names << item->GetName();
        return names;
    }

    static GUI::QTrayItem *Button(const GUI::MTray &tray, int index) { return tray.GetGrid()->ButtonAt(index); }

    // Drags button `index` of `from` to `at` in the grid of `to` (a cancelled drag with drop off).
    static void Drag(ScriptedDrag &drag, GUI::MTray &from, int index, GUI::MTray &to, QPoint at)
    {
        drag.target = to.GetGrid();
        drag.at = at;
        QTest::mousePress(Button(from, index), Qt::MiddleButton, {}, QPoint(5, 5));
    }

    guitest::TrayFolder m_folder;
    int m_iApplied = 0;
};

TEST_F(TrayTest, TheFactoryMakesEachKindAndRefusesOthers)
{
    auto stamp = GUI::CreateTrayItem(QStringLiteral("Stamp"), QStringLiteral("/s/a.png"), QStringLiteral("/s/a.png"),
                                     QStringLiteral("a"));
    ASSERT_TRUE(stamp);
    EXPECT_EQ(stamp->GetType(), QStringLiteral("Stamp"));
    EXPECT_TRUE(stamp->GetLabel().isEmpty());
    EXPECT_TRUE(stamp->GetExtra().isEmpty());
    auto bookmark = GUI::CreateTrayItem(QStringLiteral("Camera Bookmark"), QStringLiteral("Front"),
                                        QStringLiteral("x.png"), QString());
    EXPECT_EQ(bookmark->GetIcon(), QStringLiteral("Icons/object_camera.png"));
    const int curves = int(Brush::Falloffs().size());
    auto last = GUI::CreateTrayItem(QStringLiteral("Falloff"), QString(), QString(), QString());
    EXPECT_EQ(static_cast<GUI::FalloffItem &>(*last).GetIndex(), curves - 1);
    EXPECT_EQ(last->GetName(), QString::number(curves - 1));
    EXPECT_TRUE(last->GetLabel().isEmpty());
    auto third = GUI::CreateTrayItem(QStringLiteral("Falloff"), QStringLiteral("3"), QString(), QString());
    EXPECT_EQ(static_cast<GUI::FalloffItem &>(*third).GetIndex(), 3);
    EXPECT_EQ(third->GetLabel(), QStringLiteral("3"));

    Recorder().ExpectAssertionFailures();
    EXPECT_FALSE(GUI::CreateTrayItem(QStringLiteral("Brush"), QStringLiteral("x"), QString(), QString()));
    EXPECT_FALSE(GUI::CreateTrayItem(QStringLiteral("Stamp\n"), QStringLiteral("x"), QString(), QString()));
    EXPECT_EQ(Recorder().AssertionFailures(), 2);
}

TEST_F(TrayTest, AToolItemOfAnUnknownNameAddsOneUserTool)
{
    const size_t tools = Brush::Tools().size();
    GUI::BrushItem first(QStringLiteral("My Own Tool"), QString(), QString(), QString());
    GUI::BrushItem second(QStringLiteral("My Own Tool"), QString(), QString(), QString());
    ASSERT_EQ(Brush::Tools().size(), tools + 1);
    EXPECT_TRUE(Brush::Tools().back()->m_bHidden);
    Brush::Tools().pop_back();
}

TEST_F(TrayTest, DuplicateNamesAreRefusedWithAMessageButEmptyNamesNever)
{
    auto tray = Tray(QStringLiteral("t"), {QStringLiteral("Soft")});
    EXPECT_FALSE(tray->AddItem(std::make_unique<CountingItem>(QStringLiteral("Soft"), m_iApplied)));
    EXPECT_EQ(tray->GetItems().size(), 1u);
    EXPECT_TRUE(Recorder().statusMessages.contains(QStringLiteral("The tray already has an item with this name")));
    EXPECT_TRUE(tray->AddItem(std::make_unique<CountingItem>(QString(), m_iApplied)));
    EXPECT_TRUE(tray->AddItem(std::make_unique<CountingItem>(QString(), m_iApplied)));
    EXPECT_EQ(tray->GetItems().size(), 3u);
}

TEST_F(TrayTest, ClicksKeepOneCheckedButtonAndReapplyTheCheckedOne)
{
    auto tray = Tray(QStringLiteral("t"), {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    EXPECT_FALSE(tray->GetDeleteAction()->isEnabled());
    EXPECT_FALSE(tray->GetRenameAction()->isEnabled());
    QTest::mouseClick(Button(*tray, 0), Qt::LeftButton);
    QTest::mouseClick(Button(*tray, 2), Qt::LeftButton);
    EXPECT_EQ(m_iApplied, 2);
    EXPECT_FALSE(Button(*tray, 0)->isChecked());
    EXPECT_TRUE(Button(*tray, 2)->isChecked());
    EXPECT_EQ(tray->GetCurrentButton(), Button(*tray, 2));
    QTest::mouseClick(Button(*tray, 2), Qt::LeftButton);
    EXPECT_TRUE(Button(*tray, 2)->isChecked());
    EXPECT_EQ(m_iApplied, 3);
    EXPECT_TRUE(tray->GetDeleteAction()->isEnabled());
    EXPECT_TRUE(tray->GetRenameAction()->isEnabled());
}

TEST_F(TrayTest, ASelectionMarkedTemporaryIsRestoredOnce)
{
    auto tray = Tray(QStringLiteral("My Tools"), {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    GUI::SelectTrayItem(QStringLiteral("My Tools"), 1);
    GUI::SelectTrayItem(QStringLiteral("My Tools"), 3);
    EXPECT_TRUE(Button(*tray, 2)->isDown());
    EXPECT_FALSE(Button(*tray, 0)->isDown());
    GUI::RestoreTraySelection(QStringLiteral("My Tools"));
    EXPECT_TRUE(Button(*tray, 2)->isDown()) << "no mark, no return";
    GUI::MarkTraySelectionTemporary(QStringLiteral("My Tools"));
    GUI::RestoreTraySelection(QStringLiteral("My Tools"));
    EXPECT_TRUE(Button(*tray, 0)->isDown());
    EXPECT_TRUE(Button(*tray, 0)->isChecked());
    EXPECT_FALSE(Button(*tray, 2)->isChecked());
    GUI::SelectTrayItem(QStringLiteral("My Tools"), 2);
    GUI::RestoreTraySelection(QStringLiteral("My Tools"));
    EXPECT_TRUE(Button(*tray, 1)->isDown()) << "a second restore without a new mark does nothing";
}

TEST_F(TrayTest, CheckingByNameMarksTheItemInEveryTray)
{
    auto one = Tray(QStringLiteral("one"), {QStringLiteral("a"), QStringLiteral("b")});
    auto two = Tray(QStringLiteral("two"), {QStringLiteral("b")});
    GUI::CheckTrayItemByName(QStringLiteral("Tool"), QStringLiteral("b"));
    EXPECT_TRUE(Button(*one, 1)->isChecked());
    EXPECT_TRUE(Button(*two, 0)->isChecked());
    EXPECT_FALSE(Button(*one, 0)->isDown());
}

TEST_F(TrayTest, RenameChecksTheNameAndKeepsTheNewLabel)
{
    ScriptedModals modals;
    {
        auto tray = Tray(QStringLiteral("Renamed"), {QStringLiteral("a"), QStringLiteral("b")});
        QTest::mouseClick(Button(*tray, 0), Qt::LeftButton);
        modals.texts = {QStringLiteral("b")};
        tray->slotRename();
        EXPECT_EQ(Names(*tray), QStringList({"a", "b"}));
        EXPECT_EQ(Recorder().statusMessages.last(), QStringLiteral("The tray already has an item with this name"));
        modals.texts = {QStringLiteral("z")};
        tray->slotRename();
        EXPECT_EQ(Button(*tray, 0)->text(), QStringLiteral("z"));
        EXPECT_EQ(Button(*tray, 0)->objectName(), QStringLiteral("z"));
        tray->slotRename();  // cancelled
        EXPECT_EQ(Names(*tray), QStringList({"z", "b"}));
    }
    const std::vector<GUI::TrayLine> lines =
        GUI::ReadTrayFile(GUI::TrayFilePath(m_folder.Path(), QStringLiteral("Renamed")));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].name, QStringLiteral("z"));
    EXPECT_EQ(lines[0].label, QStringLiteral("z"));
}

TEST_F(TrayTest, DeleteTakesTheCheckedItem)
{
    auto tray = Tray(QStringLiteral("t"), {QStringLiteral("a"), QStringLiteral("b")});
    tray->slotDelete();
    EXPECT_EQ(tray->GetItems().size(), 2u);
    QTest::mouseClick(Button(*tray, 1), Qt::LeftButton);
    tray->slotDelete();
    EXPECT_EQ(Names(*tray), QStringList({"a"}));
    EXPECT_FALSE(tray->GetCurrentButton());
    EXPECT_FALSE(tray->GetDeleteAction()->isEnabled());
}

TEST_F(TrayTest, AddingImagesKeepsTheFolderOfTheChosenFile)
{
    struct Folders : GUI::TrayServices {
        QString GetImageFolder(const QString &kind) const override { return kind + QStringLiteral("-folder"); }
        void SetImageFolder(const QString &kind, const QString &folder) override { set << kind + ":" + folder; }
        QStringList set;
    } folders;
    GUI::TrayServices::Install(&folders);
    ScriptedModals modals;
    modals.files = {QStringLiteral("/data/stamps/ring.png")};
    auto tray = Tray(QStringLiteral("Stamp"));
    tray->slotAdd(QStringLiteral("Stamp"));
    GUI::TrayServices::Install(nullptr);
    EXPECT_EQ(modals.folders, QStringList({"Stamp-folder"}));
    EXPECT_EQ(folders.set, QStringList({"Stamp:/data/stamps"}));
    ASSERT_EQ(tray->GetItems().size(), 1u);
    EXPECT_EQ(tray->GetItems()[0]->GetName(), QStringLiteral("/data/stamps/ring.png"));
    // Without a controller the click reaches no stamp, and nothing breaks.
    QTest::mouseClick(Button(*tray, 0), Qt::LeftButton);
    EXPECT_TRUE(TrayTargets::CurrentStamp().isEmpty());
}

TEST_F(TrayTest, TheAddMenuMakesEachKind)
{
    ScriptedModals modals;
    auto tray = Tray(QStringLiteral("t"));
    const size_t curves = Brush::Falloffs().size();
    tray->slotAdd(QStringLiteral("Falloff"));
    ASSERT_EQ(Brush::Falloffs().size(), curves + 1);
    modals.texts = {QStringLiteral("Soft")};
    tray->slotAdd(QStringLiteral("Tool"));
    tray->slotAdd(QStringLiteral("Camera Bookmark"));  // cancelled
    EXPECT_EQ(modals.titles.last(), QStringLiteral("Camera Bookmark Name"));
    ASSERT_EQ(Names(*tray), QStringList({QString::number(curves), "Soft"}));
    EXPECT_TRUE(tray->GetItems()[0]->GetLabel().isEmpty());
    EXPECT_EQ(tray->GetItems()[1]->GetLabel(), QStringLiteral("Soft"));
    tray.reset();
    Brush::Falloffs().pop_back();
}

TEST_F(TrayTest, FilesComeBackInOrderAndSkipBookmarks)
{
    CameraScene scene;
    {
        auto tray = Tray(QStringLiteral("Mixed"));
        tray->AddItem(GUI::CreateTrayItem(QStringLiteral("Stamp"), QStringLiteral("OFF"), GUI::OffIcon(), QString()));
        tray->AddItem(GUI::CreateTrayItem(QStringLiteral("Camera Bookmark"), QStringLiteral("Front"), QString(),
                                          QString()));
        tray->AddItem(GUI::CreateTrayItem(QStringLiteral("Falloff"), QStringLiteral("2"), QString(),
                                          QStringLiteral("a;b\nc")));
        auto only = Tray(QStringLiteral("Views"));
        only->AddItem(std::make_unique<GUI::BookmarkItem>(QStringLiteral("Top"), QString()));
    }
    const std::vector<GUI::TrayLine> lines =
        GUI::ReadTrayFile(GUI::TrayFilePath(m_folder.Path(), QStringLiteral("Mixed")));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].icon, QStringLiteral("Icons/Off.png"));
    EXPECT_EQ(lines[1].label, QStringLiteral("a;b\nc"));
    EXPECT_EQ(TempDir::Read(GUI::TrayFilePath(m_folder.Path(), QStringLiteral("Views"))),
              QByteArray(GUI::TrayFileMarker()) + '\n');
    auto again = Tray(QStringLiteral("Mixed"));
    EXPECT_EQ(Names(*again), QStringList({"OFF", "2"}));
    EXPECT_EQ(again->GetItems()[1]->GetLabel(), QStringLiteral("a;b\nc"));
}

TEST_F(TrayTest, ARefusedTrayFileIsToldAndNotReplacedAtClose)
{
    const QString path = GUI::TrayFilePath(m_folder.Path(), QStringLiteral("Big"));
    QDir().mkpath(QFileInfo(path).absolutePath());
    TempDir::Write(path, QByteArray(GUI::TrayFileMarker()) + "\nTool;Soft;;Soft\n");
    ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), 2LL << 30), 0);
    Recorder().Clear();
    {
        auto tray = Tray(QStringLiteral("Big"));
        EXPECT_TRUE(tray->GetItems().empty());
        ASSERT_EQ(Recorder().boxes.size(), 1);
        EXPECT_TRUE(Recorder().boxes.front().contains(path));
    }
    EXPECT_EQ(QFileInfo(path).size(), 2LL << 30) << "the empty tray shown did not replace the file";
}

TEST_F(TrayTest, ATrayWhoseNameCannotNameAFileWritesNone)
{
    { auto tray = Tray(QStringLiteral("../evil"), {QStringLiteral("a")}); }
    EXPECT_FALSE(QFileInfo::exists(m_folder.Path() + QStringLiteral("/evil.txt")));
    EXPECT_TRUE(QDir(m_folder.Path() + QStringLiteral("/trays")).entryList(QDir::Files).isEmpty());
}

// --- drag and drop -------------------------------------------------------------------

TEST_F(TrayTest, DropsInsideOneTrayLandWhereTheyPoint)
{
    ScriptedDrag drag;
    const QStringList abcd = {"a", "b", "c", "d"};
    struct Case {
        const char *what;
        int from;
        int onto;       // button under the drop; -1: left of the first button
        bool rightHalf;
        QStringList expected;
    };
    const Case cases[] = {
        {"right half inserts after", 0, 2, true, {"b", "c", "a", "d"}},
        {"left half inserts before", 3, 1, false, {"a", "d", "b", "c"}},
        {"left of the first button inserts first", 2, -1, false, {"c", "a", "b", "d"}},
        {"onto itself changes nothing", 1, 1, false, {"a", "b", "c", "d"}},
    };
    int run = 0;
    for (const Case &c : cases) {
        auto tray = Tray(QStringLiteral("drops %1").arg(++run), abcd);
        GUI::TrayItem *moved = tray->GetItems()[size_t(c.from)];
        const QRect onto = c.onto >= 0 ? Button(*tray, c.onto)->geometry() : QRect();
        QPoint at = c.onto < 0 ? QPoint(Button(*tray, 0)->x() - 1, 10)
                               : QPoint(c.rightHalf ? onto.right() - 2 : onto.left() + 2, onto.center().y());
        if (c.onto < 0 && at.x() < 0) {
            // The grid starts at its first button: drop a pixel left of it inside a wider grid.
            tray->GetGrid()->layout()->setContentsMargins(4, 0, 0, 0);
            tray->GetGrid()->layout()->activate();
            at = QPoint(1, Button(*tray, 0)->geometry().center().y());
        }
        Drag(drag, *tray, c.from, *tray, at);
        EXPECT_EQ(Names(*tray), c.expected) << c.what;
        EXPECT_NE(std::find(tray->GetItems().begin(), tray->GetItems().end(), moved), tray->GetItems().end())
            << c.what << ": the item itself moves";
        EXPECT_EQ(tray->GetGrid()->Count(), 4) << c.what;
    }
}

TEST_F(TrayTest, ACancelledOrRefusedDragLeavesBothTraysAsTheyWere)
{
    ScriptedDrag drag;
    auto from = Tray(QStringLiteral("from"), {QStringLiteral("a"), QStringLiteral("b")});
    auto to = Tray(QStringLiteral("to"), {QStringLiteral("b")});
    drag.drop = false;
    Drag(drag, *from, 0, *to, Button(*to, 0)->geometry().center());
    drag.drop = true;
    Drag(drag, *from, 1, *to, Button(*to, 0)->geometry().center());  // "b" is there already
    drag.target = nullptr;
    QTest::mousePress(Button(*from, 0), Qt::MiddleButton, {}, QPoint(5, 5));
    EXPECT_EQ(drag.runs, 3);
    EXPECT_EQ(Names(*from), QStringList({"a", "b"}));
    EXPECT_EQ(Names(*to), QStringList({"b"}));
    EXPECT_TRUE(Button(*from, 0)->isVisible());
    EXPECT_EQ(Recorder().statusMessages.last(), QStringLiteral("The tray already has an item with this name"));
}

TEST_F(TrayTest, ABookmarkMovedToAnotherTrayKeepsItsCamera)
{
    CameraScene scene;
    ScriptedDrag drag;
    scene.camera.SetTranslate(General::Vector(1, 2, 3));
    auto from = Tray(QStringLiteral("from"));
    auto to = Tray(QStringLiteral("to"), {QStringLiteral("x")});
    from->AddItem(std::make_unique<GUI::BookmarkItem>(QStringLiteral("Saved"), QString()));
    QTest::mouseClick(Button(*from, 0), Qt::LeftButton);
    GUI::TrayItem *bookmark = from->GetItems()[0];
    scene.camera.SetTranslate(General::Vector(9, 9, 9));
    Drag(drag, *from, 0, *to, QPoint(Button(*to, 0)->geometry().right() - 2, 10));
    ASSERT_EQ(Names(*to), QStringList({"x", "Saved"}));
    EXPECT_TRUE(from->GetItems().empty());
    EXPECT_FALSE(from->GetCurrentButton()) << "the moved button is no longer the old tray's";
    EXPECT_EQ(to->GetItems()[1], bookmark);
    // The moved button answers its new tray: applying it restores the saved view.
    QTest::mouseClick(Button(*to, 1), Qt::LeftButton);
    EXPECT_EQ(to->GetCurrentButton(), Button(*to, 1));
    EXPECT_FLOAT_EQ(scene.camera.m_aTranslate.GetValue().x, 1.0f);
    EXPECT_FLOAT_EQ(scene.camera.m_aTranslate.GetValue().z, 3.0f);
}

TEST_F(TrayTest, ATrayWithoutButtonsTakesTheDropAsItsOnlyButton)
{
    ScriptedDrag drag;
    auto from = Tray(QStringLiteral("from"), {QStringLiteral("a")});
    auto to = Tray(QStringLiteral("to"));
    Drag(drag, *from, 0, *to, QPoint(20, 20));
    EXPECT_EQ(Names(*to), QStringList({"a"}));
    EXPECT_TRUE(from->GetItems().empty());
}

// How many columns the tray's buttons stand in, and how many would fit its scroll area.
std::pair<int, int> Columns(const GUI::MTray &tray)
{
    std::set<int> xs;
    for (int i = 0; i < int(tray.GetItems().size()); ++i)
        xs.insert(tray.GetGrid()->ButtonAt(i)->x());
    const int spacing = tray.GetGrid()->layout()->spacing();
    const int room = tray.findChild<QScrollArea *>()->viewport()->width();
    return {int(xs.size()), (room + spacing) / (tray.GetGrid()->ButtonAt(0)->width() + spacing)};
}

TEST_F(TrayTest, ButtonsWrapIntoAsManyColumnsAsTheTrayIsWide)
{
    // A tray on a tab shown after start, as the dock's second page, and one on the first page.
    QTabWidget tabs;
    QStringList names;
    for (int i = 0; i < 20; ++i)
        names << QStringLiteral("t%1").arg(i);
    auto *first = new GUI::MTray(nullptr, QStringLiteral("first"));
    auto *later = new GUI::MTray(nullptr, QStringLiteral("later"));
    for (GUI::MTray *tray : {first, later}) {
        for (const QString &name : names)
            tray->AddItem(std::make_unique<CountingItem>(name, m_iApplied));
        tabs.addTab(tray, tray->objectName());
    }
    tabs.resize(620, 160);
    tabs.show();
    QApplication::processEvents();
    for (const int width : {620, 900, 400})
        for (GUI::MTray *tray : {first, later}) {
            SCOPED_TRACE(testing::Message() << tray->objectName().toStdString() << " at " << width);
            tabs.resize(width, 160);
            tabs.setCurrentWidget(tray);
            QApplication::processEvents();
            const auto [columns, fit] = Columns(*tray);
            EXPECT_GT(fit, 2);
            EXPECT_EQ(columns, fit);
        }
}

// A tray held at its smallest (a dock shrunk to its minimum) shows two whole rows of
// buttons, not a row and a half.
TEST_F(TrayTest, ATrayAtItsSmallestShowsTwoWholeRows)
{
    GUI::MTray tray(nullptr, QStringLiteral("rows"));
    for (int i = 0; i < 30; ++i)
        tray.AddItem(std::make_unique<CountingItem>(QStringLiteral("t%1").arg(i), m_iApplied));
    tray.resize(620, 300);
    tray.show();
    QApplication::processEvents();
    tray.resize(620, tray.minimumSizeHint().height());
    QApplication::processEvents();
    auto *scroll = tray.findChild<QScrollArea *>();
    ASSERT_NE(scroll, nullptr);
    // The rows by their tops: the second row's lowest edge must be in view.
    std::map<int, int> rowBottoms;
    for (QWidget *button : scroll->widget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        rowBottoms[button->y()] = std::max(rowBottoms[button->y()], button->y() + button->height());
    ASSERT_GE(rowBottoms.size(), 3u) << "the buttons take fewer than three rows";
    const int secondRowBottom = std::next(rowBottoms.begin())->second;
    EXPECT_GE(scroll->viewport()->height(), secondRowBottom);
}

}  // namespace
