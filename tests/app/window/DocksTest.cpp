#include "WindowFixture.h"
#include "app/settings/Preferences.h"
#include "gui/layers/QTvLayerList.h"
#include "gui/panels/Frame.h"
#include "gui/panels/TabPanel.h"
#include "gui/trays/MTray.h"
#include "gui/trays/TrayButton.h"
#include "gui/trays/TrayItem.h"
#include "gui/trays/TrayItemList.h"
#include "interaction/Interface.h"
#include "scene/Brush.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"
#include "viewport/view/SceneView.h"

#include <QApplication>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QScreen>
#include <QTimer>

namespace apptest {
namespace {

QStringList Tabs(const GUI::Frame &frame)
{
    QStringList titles;
    for (int i = 0; i < frame.GetPanel()->count(); ++i)
        titles << frame.GetPanel()->tabText(i);
    return titles;
}

using DocksTest = MainWindowTest;

TEST_F(DocksTest, TheWindowHasItsFramesAndTrays)
{
    REQUIRE_WINDOW_GL();
    Build();
    const struct {
        const char *name;
        Qt::DockWidgetArea area;
        QStringList tabs;
    } frames[] = {{"North",
                   Qt::BottomDockWidgetArea,
                   {"My Tools", "Sculpting Tools", "Selection Tools", "Value Paint Tools"}},
                  {"South", Qt::BottomDockWidgetArea, {"Falloff", "Stamp", "Stencil"}},
                  {"East", Qt::RightDockWidgetArea, {"Layers"}},
                  {"West", Qt::RightDockWidgetArea, {}}};
    for (const auto &f : frames) {
        GUI::Frame *frame = m_window->GetFrame(QString::fromLatin1(f.name));
        ASSERT_TRUE(frame) << f.name;
        EXPECT_EQ(m_window->dockWidgetArea(frame), f.area) << f.name;
        // Built-in trays first; trays of the user's own follow in "South".
        EXPECT_EQ(Tabs(*frame).mid(0, f.tabs.size()), f.tabs) << f.name;
    }
    GUI::MTray *mine = GUI::FindTray(QStringLiteral("My Tools"));
    ASSERT_TRUE(mine);
    EXPECT_EQ(mine->GetItems().size(), 18u);
    EXPECT_EQ(GUI::FindTray(QStringLiteral("Falloff"))->GetItems().size(), 8u);
    EXPECT_EQ(GUI::FindTray(QStringLiteral("Stamp"))->GetItems()[0]->GetName(), QStringLiteral("OFF"));
    // Loading a scene keeps the docks and their trays.
    m_window->GetScene()->Clear(true);
    EXPECT_EQ(GUI::FindTray(QStringLiteral("My Tools")), mine);
    EXPECT_TRUE(m_window->GetFrame(QStringLiteral("North")));

    // The tray slots of the controller press the tray's buttons.
    InteractionHost().SelectTrayItem(QStringLiteral("My Tools"), 4);
    EXPECT_TRUE(mine->GetGrid()->Buttons()[3]->isChecked());
    EXPECT_EQ(m_window->GetInterface()->m_pCurrentTool->m_sName, QStringLiteral("Smooth"));
    // A falloff button gives the current tool a copy of its curve.
    InteractionHost().SelectTrayItem(QStringLiteral("Falloff"), 8);
    const General::NURBSCurve &chosen = *Brush::Falloffs()[7];
    const General::NURBSCurve &given = m_window->GetInterface()->m_pCurrentTool->m_falloff;
    ASSERT_EQ(given.GetControlPointCount(), chosen.GetControlPointCount());
    for (int i = 0; i < chosen.GetControlPointCount(); ++i)
        EXPECT_FLOAT_EQ(given.GetControlPoint(i).y, chosen.GetControlPoint(i).y) << i;

    m_window->resize(1280, 1024);
    Settle();
    m_window->grab().save(QStringLiteral(TEVRIN_SCREENSHOTS "/docks.png"));
    // The Layers dock opens wide enough for all its columns: the transparency shows whole.
    auto *layers = m_window->GetFrame(QStringLiteral("East"))->findChild<GUI::QTvLayerList *>();
    ASSERT_TRUE(layers);
    EXPECT_GE(layers->header()->sectionSize(GUI::QTvLayerList::kTransparency), GUI::QTvLayerList::kTransparencyWidth);
    EXPECT_LE(layers->header()->length(), layers->viewport()->width());
}

TEST_F(DocksTest, OpeningATrayByFileNameBringsAnOpenOneForward)
{
    REQUIRE_WINDOW_GL();
    Build();
    GUI::MTray *stamp = m_window->OpenTray(QStringLiteral("Stamp.txt"));
    EXPECT_EQ(stamp, GUI::FindTray(QStringLiteral("Stamp")));
    GUI::MTray *made = m_window->OpenTray(QStringLiteral("Views.txt"));
    ASSERT_TRUE(made);
    EXPECT_EQ(made->objectName(), QStringLiteral("Views"));
    GUI::TabPanel *south = m_window->GetFrame(QStringLiteral("South"))->GetPanel();
    EXPECT_EQ(south->tabText(south->currentIndex()), QStringLiteral("Views"));
    EXPECT_EQ(m_window->OpenTray(QStringLiteral("Views")), made);
    EXPECT_FALSE(m_window->OpenTray(QStringLiteral("../x")));
}

TEST_F(DocksTest, TheLayoutFindsTheFramesByTheirNames)
{
    REQUIRE_WINDOW_GL();
    Build();
    m_window->addDockWidget(Qt::LeftDockWidgetArea, m_window->GetFrame(QStringLiteral("East")));
    ASSERT_TRUE(m_window->SaveLayout(File("ui.sav")));
    const QString trays = m_window->GetPreferences()->SettingFiles + QStringLiteral("/trays/");
    QFile::remove(trays + QStringLiteral("My Tools.txt"));
    m_window.reset();
    // The trays write their files as the window goes.
    QFile mine(trays + QStringLiteral("My Tools.txt"));
    ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
    EXPECT_TRUE(mine.readLine().startsWith("#TevrinTray"));
    EXPECT_EQ(mine.readLine(), QByteArray("Tool;Soft;Icons/tool_sculpting.png;Soft\n"));
    Build();
    ASSERT_EQ(m_window->dockWidgetArea(m_window->GetFrame(QStringLiteral("East"))), Qt::RightDockWidgetArea);
    ASSERT_TRUE(m_window->LoadLayout(File("ui.sav")));
    EXPECT_EQ(m_window->dockWidgetArea(m_window->GetFrame(QStringLiteral("East"))), Qt::LeftDockWidgetArea);
}

// Exit after floating a frame or closing one, then start again: the frames come back as
// they were when the window closed, floating ones on screen too.
TEST_F(DocksTest, ALayoutSavedAtExitShowsTheFramesThatWereShown)
{
    REQUIRE_WINDOW_GL();
    const struct {
        const char *frame;
        bool floating;
    } cases[] = {{"East", true}, {"South", true}, {"West", false}};
    const QStringList frames = {"North", "South", "East", "West"};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.frame);
        const QString name = QLatin1String(c.frame);
        Build();
        GUI::Frame *moved = m_window->GetFrame(name);
        ASSERT_TRUE(moved);
        if (c.floating)
            moved->setFloating(true);
        else
            moved->close();
        Settle();
        // As at the end of a run: Exit closes the window, which ends the event loop (and
        // the loop's end closes the other windows too); then the layout is written.
        QTimer::singleShot(0, m_window.get(), [this] { m_window->Quit(); });
        QApplication::exec();
        ASSERT_TRUE(m_window->SaveLayout(File("ui.sav")));
        m_window.reset();

        // As at start-up: the layout is read before any event has reached the new window.
        ConsoleLines([this] { m_window = std::make_unique<Tevrin>(); });
        ASSERT_TRUE(m_window->LoadLayout(File("ui.sav")));
        Settle();
        const QRect screen = m_window->screen()->availableGeometry();
        for (const QString &frame : frames) {
            SCOPED_TRACE(frame.toStdString());
            const bool shown = frame != name || c.floating;
            const GUI::Frame *restored = m_window->GetFrame(frame);
            EXPECT_EQ(restored->isVisible(), shown);
            EXPECT_EQ(restored->isFloating(), frame == name && c.floating);
            if (shown)
                EXPECT_TRUE(screen.intersects(restored->frameGeometry())) << restored->frameGeometry().x();
        }
        m_window.reset();
    }
}

TEST_F(DocksTest, BookmarksTravelWithTheSceneFile)
{
    REQUIRE_WINDOW_GL();
    Build();
    Camera *camera = m_window->GetView()->GetCamera();
    ASSERT_TRUE(camera);
    camera->SetTranslate(General::Vector(4, 5, 6));
    GUI::MTray *views = m_window->OpenTray(QStringLiteral("Bookmarks"));
    ASSERT_TRUE(views);
    views->AddItem(std::make_unique<GUI::BookmarkItem>(QStringLiteral("Side"), QString()));
    const QString file = File("views.tev");
    ASSERT_TRUE(m_window->GetScene()->Save(file, true));
    views->GetGrid()->Buttons()[0]->click();
    views->slotDelete();
    ASSERT_TRUE(views->GetItems().empty());
    camera->SetTranslate(General::Vector(0, 0, 0));

    ASSERT_TRUE(m_window->GetScene()->Load(file, false, true));
    ASSERT_EQ(views->GetItems().size(), 1u);
    EXPECT_EQ(views->GetItems()[0]->GetName(), QStringLiteral("Side"));
    camera = m_window->GetView()->GetCamera();
    ASSERT_TRUE(camera);
    camera->SetTranslate(General::Vector(0, 0, 0));
    views->GetGrid()->Buttons()[0]->click();
    EXPECT_FLOAT_EQ(camera->m_aTranslate.GetValue().x, 4.0f);
    EXPECT_FLOAT_EQ(camera->m_aTranslate.GetValue().z, 6.0f);
}

}  // namespace
}  // namespace apptest
