#include "AttributeFixtures.h"
#include "GuiApplication.h"
#include "TrayFixtures.h"
#include "foundation/Globals.h"
#include "foundation/curves/NURBSCurve.h"
#include "gui/attributes/AttributeEditors.h"
#include "gui/dialogs/DialogFactory.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "gui/dialogs/PropertyList.h"
#include "gui/layouts/CollapsableContainer.h"
#include "gui/layouts/CollapsableFrame.h"
#include "gui/panels/TabPanel.h"
#include "gui/trays/MTray.h"
#include "gui/trays/TrayItem.h"
#include "mesh/ObjectFixtures.h"
#include "mesh/object/Object.h"
#include "scene/Brush.h"
#include "scene/camera/Light.h"
#include "support/RecordingShell.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <deque>
#include <memory>

namespace {

// A node whose class is named "Material", as the type lock compares class names.
class MaterialLike : public General::Node {
public:
    using General::Node::Node;
    static constexpr General::TypeInfo s_typeInfo{&General::Node::s_typeInfo, "Material", nullptr};
    const General::TypeInfo *GetTypeInfo() const override { return &s_typeInfo; }
    General::AttributeInstance<float> shine{QStringLiteral("Shine")};
};

// Rows in folding groups of six: many groups make a page taller than the screen.
class GroupedNode : public General::Node {
public:
    explicit GroupedNode(int groups) : General::Node(QStringLiteral("grouped"))
    {
        for (int g = 0; g < groups; ++g)
            for (int r = 0; r < 6; ++r) {
                rows.emplace_back(QStringLiteral("Row %1.%2").arg(g).arg(r));
                rows.back().SetGroup(QStringLiteral("Group %1").arg(g));
            }
    }
    std::deque<General::AttributeInstance<float>> rows;
};

// Posted layouts and the fits queued behind them.
void Settle()
{
    for (int i = 0; i < 4; ++i)
        QApplication::processEvents();
}

// Passes node deaths to the properties windows, as the program's shell does.
class ReleasingShell : public RecordingShell {
public:
    ReleasingShell() { General::InstallShell(this); }
    ~ReleasingShell() override { General::InstallShell(&Recorder()); }
    void ReleaseNode(General::Node *node) override { GUI::PropertiesDialog::ReleaseNodeEverywhere(node); }
};

class Properties : public ::testing::Test {
protected:
    void SetUp() override
    {
        guitest::Application();
        GUI::InstallAttributeEditors();
    }
    void TearDown() override
    {
        General::PickedNode().SetValue(nullptr, true);
        General::InstallEditorFactory(nullptr);
    }

    // A shown window with the header.
    static std::unique_ptr<GUI::PropertiesDialog> Window()
    {
        auto window = std::make_unique<GUI::PropertiesDialog>(nullptr, "props", true);
        window->show();
        return window;
    }
};

TEST_F(Properties, TheNewestWindowLeadsTheChainAndTheRegistryMakesThem)
{
    auto older = Window();
    auto newer = Window();
    EXPECT_EQ(GUI::PropertiesDialog::First(), newer.get());
    EXPECT_EQ(newer->GetNext(), older.get());
    newer.reset();
    EXPECT_EQ(GUI::PropertiesDialog::First(), older.get());

    GUI::DialogFactory::Clear();
    GUI::RegisterDialogFactories();
    std::unique_ptr<QWidget> made(
        GUI::DialogFactory::CreateByName(QStringLiteral("PropertiesDialog"), nullptr, "Properties"));
    EXPECT_NE(qobject_cast<GUI::PropertiesDialog *>(made.get()), nullptr);
    GUI::DialogFactory::Clear();
}

TEST_F(Properties, PanelsAreKeptForTheSameTypeAndRebuiltForAnother)
{
    MaterialLike first(QStringLiteral("red")), second(QStringLiteral("blue"));
    auto window = Window();
    window->BuildPanel(QStringLiteral("Material"), &first);
    QPointer<GUI::PropertyList> panel = window->GetPanel();
    ASSERT_TRUE(panel);
    EXPECT_EQ(window->GetShownName(), QStringLiteral("red"));
    window->BuildPanel(QStringLiteral("Material"), &second);
    EXPECT_EQ(window->GetPanel(), panel.data());
    EXPECT_EQ(window->GetNode(), &second);
    window->BuildPanel(QStringLiteral("Camera"), &first);
    EXPECT_TRUE(panel.isNull());
    EXPECT_NE(window->GetPanel(), nullptr);

    // An unknown type leaves no panel and an empty title.
    window->BuildPanel(QStringLiteral("Nonsense"), &first);
    EXPECT_EQ(window->GetPanel(), nullptr);
    EXPECT_EQ(window->GetShownName(), QString());
    // A null node and a hidden window change nothing.
    window->BuildPanel(QStringLiteral("Material"), nullptr);
    EXPECT_EQ(window->GetTypeName(), QStringLiteral("Nonsense"));
    window->hide();
    window->BuildPanel(QStringLiteral("Material"), &first);
    EXPECT_EQ(window->GetTypeName(), QStringLiteral("Nonsense"));
}

TEST_F(Properties, AnObjectLockKeepsTheNodeButShowNodeReachesEveryWindow)
{
    MaterialLike kept(QStringLiteral("kept")), other(QStringLiteral("other"));
    auto unlocked = Window();
    auto locked = Window();  // the chain's first
    locked->BuildPanel(QStringLiteral("Material"), &kept);
    locked->OnSetLock(GUI::PropertiesDialog::kLockObject);
    EXPECT_EQ(locked->GetLockCombo()->currentIndex(), 2);

    locked->BuildPanel(QStringLiteral("Material"), &other);
    locked->ShowAttributes(&other);
    EXPECT_EQ(locked->GetNode(), &kept);
    QPointer<GUI::PropertyList> panel = locked->GetPanel();
    locked->ShowNode(QStringLiteral("Material"), &kept);
    EXPECT_EQ(locked->GetPanel(), panel.data());

    locked->ShowNode(QStringLiteral("Material"), &other);
    EXPECT_EQ(locked->GetNode(), &kept);
    EXPECT_EQ(unlocked->GetNode(), &other);
}

TEST_F(Properties, ATypeLockTakesOnlyItsOwnType)
{
    MaterialLike material(QStringLiteral("m1")), another(QStringLiteral("m2"));
    guitest::KindsNode foreign;
    auto window = Window();
    window->BuildPanel(QStringLiteral("Material"), &material);
    window->OnSetLock(GUI::PropertiesDialog::kLockType);
    window->BuildPanel(QStringLiteral("Camera"), &foreign);
    EXPECT_EQ(window->GetNode(), &material);
    window->BuildPanel(QStringLiteral("Material"), &another);
    EXPECT_EQ(window->GetNode(), &another);
    window->ShowAttributes(&foreign);
    EXPECT_EQ(window->GetNode(), &another);
    window->ShowAttributes(&material);
    EXPECT_EQ(window->GetNode(), &material);
    ASSERT_NE(window->GetAttributePage(), nullptr);
    EXPECT_EQ(window->GetPanel(), nullptr);
}

TEST_F(Properties, ShowAttributesStopsAtALockedWindow)
{
    guitest::KindsNode node;
    auto last = Window();
    auto locked = Window();
    auto first = Window();
    locked->OnSetLock(GUI::PropertiesDialog::kLockObject);
    first->ShowAttributes(&node);
    EXPECT_EQ(first->GetNode(), &node);
    EXPECT_EQ(locked->GetNode(), nullptr);
    EXPECT_EQ(last->GetNode(), nullptr);
}

TEST_F(Properties, ThePickedNodeIsShownByEveryWindow)
{
    guitest::KindsNode node;
    auto a = Window();
    auto b = Window();
    General::PickedNode().SetValue(&node);
    for (GUI::PropertiesDialog *window : {a.get(), b.get()}) {
        EXPECT_EQ(window->GetNode(), &node);
        ASSERT_NE(window->GetAttributePage(), nullptr);
        EXPECT_EQ(window->GetAttributePage()->GetFrames().size(), 1);
    }
}

// A window opened after a pick must leave the pages of the open windows as they are.
TEST_F(Properties, ANewWindowLeavesTheOtherWindowsPages)
{
    guitest::KindsNode picked;
    MaterialLike material(QStringLiteral("steel"));
    auto docked = Window();
    General::PickedNode().SetValue(&picked);
    docked->BuildPanel(QStringLiteral("Material"), &material);
    ASSERT_EQ(docked->GetNode(), &material);
    QWidget *page = docked->GetPanel();
    ASSERT_NE(page, nullptr);

    auto opened = Window();
    opened->BuildPanel(QStringLiteral("Camera"), &material);
    EXPECT_EQ(docked->GetNode(), &material);
    EXPECT_EQ(docked->GetTypeName(), QStringLiteral("Material"));
    EXPECT_EQ(docked->GetPanel(), page);
    EXPECT_EQ(docked->GetAttributePage(), nullptr);
}

TEST_F(Properties, ANodeDeletedWhileShownLeavesEveryWindowEmpty)
{
    ReleasingShell shell;
    auto picked = std::make_unique<guitest::KindsNode>();
    auto baker = std::make_unique<MaterialLike>(QStringLiteral("baker"));
    auto a = Window();
    auto b = Window();
    General::PickedNode().SetValue(picked.get());
    b->OnSetLock(GUI::PropertiesDialog::kLockObject);
    a->BuildPanel(QStringLiteral("Displacement"), baker.get());
    ASSERT_NE(a->GetAttributePage(), nullptr);
    ASSERT_EQ(b->GetNode(), picked.get());

    picked.reset();
    EXPECT_EQ(b->GetNode(), nullptr);
    EXPECT_EQ(b->GetAttributePage(), nullptr);
    EXPECT_EQ(General::PickedNode().GetPointer(), nullptr);
    baker.reset();
    EXPECT_EQ(a->GetNode(), nullptr);
    EXPECT_EQ(a->GetAttributePage(), nullptr);
    EXPECT_EQ(a->GetShownName(), QString());

    // A window made afterwards shows nothing; a new pick reaches it.
    auto later = Window();
    EXPECT_EQ(later->GetNode(), nullptr);
    guitest::KindsNode next;
    General::PickedNode().SetValue(&next);
    EXPECT_EQ(later->GetNode(), &next);
}

TEST_F(Properties, DuplicateOpensATopLevelCopyLockedToTheNode)
{
    MaterialLike node(QStringLiteral("dup"));
    auto window = Window();
    window->resize(321, 123);
    window->BuildPanel(QStringLiteral("Material"), &node);
    std::unique_ptr<GUI::PropertiesDialog> copy(window->Duplicate());
    EXPECT_TRUE(copy->isWindow());
    EXPECT_EQ(copy->parentWidget(), nullptr);
    EXPECT_EQ(copy->GetNode(), &node);
    EXPECT_EQ(copy->GetTypeName(), QStringLiteral("Material"));
    EXPECT_EQ(copy->GetLockMode(), GUI::PropertiesDialog::kLockObject);
    EXPECT_EQ(copy->size(), window->size());
}

TEST_F(Properties, StoringAToolWithACancelledNameAddsNothing)
{
    guitest::TrayFolder folder;
    guitest::ScriptedModals modals;
    GUI::MTray tray(nullptr, QStringLiteral("Keep"));
    const size_t before = tray.GetItems().size();
    auto window = Window();
    window->RunMenuChoice(QStringLiteral("Keep"), QStringLiteral("Brush"), nullptr);
    EXPECT_EQ(modals.titles, QStringList{QStringLiteral("Tool Name")});
    EXPECT_EQ(tray.GetItems().size(), before);
    modals.texts.push_back(QStringLiteral("Mine"));
    window->RunMenuChoice(QStringLiteral("Keep"), QStringLiteral("Brush"), nullptr);
    EXPECT_EQ(tray.GetItems().size(), before + 1);
}

TEST_F(Properties, StoringAStampOrAFalloffAddsItsItemToTheTray)
{
    guitest::TrayFolder folder;
    const size_t falloffs = Brush::Falloffs().size();
    {
        GUI::MTray tray(nullptr, QStringLiteral("Keep"));
        const size_t before = tray.GetItems().size();
        auto window = Window();
        General::Node stamp(QStringLiteral("/stamps/dots.png"));
        window->RunMenuChoice(QStringLiteral("Keep"), QStringLiteral("Stamp"), &stamp);
        ASSERT_EQ(tray.GetItems().size(), before + 1);
        EXPECT_EQ(tray.GetItems().back()->GetType(), QStringLiteral("Stamp"));
        EXPECT_EQ(tray.GetItems().back()->GetName(), QStringLiteral("/stamps/dots.png"));

        // The falloff is kept as a copy at the end of the falloff list.
        General::NURBSCurve curve(3);
        for (float x : {0.0f, 0.3f, 0.7f, 1.0f})
            curve.InsertControlPoint(General::Vector(x, 1.0f - x, 0.0f), -1);
        window->RunMenuChoice(QStringLiteral("Keep"), QStringLiteral("Falloff"), &curve);
        ASSERT_EQ(Brush::Falloffs().size(), falloffs + 1);
        EXPECT_EQ(Brush::Falloffs().back()->GetControlPointCount(), 4);
        ASSERT_EQ(tray.GetItems().size(), before + 2);
        EXPECT_EQ(tray.GetItems().back()->GetType(), QStringLiteral("Falloff"));
        // Anything but a curve is not a falloff.
        window->RunMenuChoice(QStringLiteral("Keep"), QStringLiteral("Falloff"), &stamp);
        EXPECT_EQ(tray.GetItems().size(), before + 2);
    }
    Brush::Falloffs().resize(falloffs);
}

// A window of its own follows its page as groups fold and unfold, and scrolls what the
// screen cannot hold; a docked one leaves scrolling to its tab.
TEST_F(Properties, AWindowFitsItsPageAndScrollsWhatTheScreenCannotHold)
{
    GroupedNode small(3);
    auto window = Window();
    window->ShowAttributes(&small);
    Settle();
    auto *area = window->findChild<QScrollArea *>();
    ASSERT_NE(area, nullptr);
    QWidget *pages = area->widget();
    const auto wholePageShown = [&] { return area->viewport()->height() >= pages->sizeHint().height(); };
    EXPECT_TRUE(wholePageShown());
    const int closed = window->height();

    // The groups start closed; each one opened adds its rows to the window.
    const auto toggleGroups = [&window](bool open) {
        int toggled = 0;
        for (GUI::CollapsableFrame *frame : window->findChildren<GUI::CollapsableFrame *>())
            if (frame->IsFoldable() && frame->IsOpen() != open) {
                frame->Toggle();
                ++toggled;
            }
        Settle();
        return toggled;
    };
    ASSERT_EQ(toggleGroups(true), 3);
    const QRect screen = window->screen()->availableGeometry();
    EXPECT_LE(window->frameGeometry().bottom(), screen.bottom());
    EXPECT_GT(window->height(), closed + 100);
    EXPECT_TRUE(wholePageShown());
    ASSERT_EQ(toggleGroups(false), 3);
    EXPECT_EQ(window->height(), closed);

    GroupedNode tall(30);
    window->ShowAttributes(&tall);
    Settle();
    toggleGroups(true);
    EXPECT_GE(window->frameGeometry().top(), screen.top());
    EXPECT_LE(window->frameGeometry().bottom(), screen.bottom());
    EXPECT_FALSE(wholePageShown());
    EXPECT_TRUE(area->verticalScrollBar()->isVisible());
    EXPECT_GE(area->verticalScrollBar()->maximum(), pages->sizeHint().height() - area->viewport()->height());

    // Docked into a tab the page lies in the tab's scroll area; floated again it has its own.
    GUI::TabPanel panel(nullptr, "tabs");
    GUI::PropertiesDialog *docked = window.release();
    panel.AddTab(docked, QStringLiteral("Properties"));
    panel.show();
    EXPECT_EQ(docked->findChild<QScrollArea *>(), nullptr);
    EXPECT_TRUE(docked->GetAttributePage()->isVisible());
    docked->setParent(nullptr, Qt::Window);
    docked->show();
    auto *own = docked->findChild<QScrollArea *>();
    ASSERT_NE(own, nullptr);
    EXPECT_TRUE(own->isAncestorOf(docked->GetAttributePage()));
    delete docked;
}

TEST_F(Properties, TheLightPageIsTitledWithTheLightsOwnName)
{
    Light light;
    light.m_sLightName = QStringLiteral("Light 01");
    auto window = Window();
    window->BuildPanel(QStringLiteral("Light"), &light);
    EXPECT_EQ(window->GetShownName(), QStringLiteral("Light 01"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Properties: Light 01"));
}

TEST_F(Properties, AWindowWithoutItsNodeSaysWhatToSelectAndShowsIt)
{
    for (const char *type : {"Geometry", "Material"}) {
        SCOPED_TRACE(type);
        // Opened from the Windows menu with nothing selected.
        auto window = Window();
        window->MakeFloating();
        window->BuildPanel(QString::fromLatin1(type), nullptr);
        window->adjustSize();
        Settle();
        auto *hint = window->findChild<QLabel *>(QStringLiteral("hint"));
        ASSERT_NE(hint, nullptr);
        EXPECT_TRUE(hint->isVisible());
        EXPECT_TRUE(hint->text().startsWith(QStringLiteral("Select an object"))) << hint->text().toStdString();
        // The whole line shows inside the window.
        const QRect inWindow(hint->mapTo(window.get(), QPoint(0, 0)), hint->size());
        EXPECT_GE(hint->width(), hint->sizeHint().width());
        EXPECT_GE(hint->height(), hint->sizeHint().height());
        EXPECT_TRUE(window->rect().contains(inWindow)) << inWindow.x() << "," << inWindow.y() << " "
                                                        << inWindow.width() << "x" << inWindow.height();

        // The node once there takes the line's place.
        MaterialLike node(QStringLiteral("picked"));
        window->BuildPanel(QStringLiteral("Material"), &node);
        EXPECT_EQ(window->findChild<QLabel *>(QStringLiteral("hint")), nullptr);
    }
}

TEST_F(Properties, TheTabOfADeeplyHeldWindowTakesTheTitle)
{
    MaterialLike node(QStringLiteral("deep"));
    GUI::TabPanel panel(nullptr, "tabs");
    // The window sits one level below the scroll area's page: the tab panel is its fifth ancestor.
    auto *holder = new QWidget;
    auto *layout = new QVBoxLayout(holder);
    auto *window = new GUI::PropertiesDialog(nullptr, "props", true);
    window->setParent(holder);
    layout->addWidget(window);
    panel.AddTab(holder, QStringLiteral("Properties"));
    panel.show();
    ASSERT_TRUE(window->isVisible());
    window->BuildPanel(QStringLiteral("Material"), &node);
    EXPECT_EQ(panel.tabText(0), QStringLiteral("Properties: deep"));
    window->OnSetLock(GUI::PropertiesDialog::kLockObject);
    EXPECT_EQ(panel.tabText(0), QStringLiteral("Properties: deep"));
    window->ReleaseNode();
    EXPECT_EQ(panel.tabText(0), QStringLiteral("Properties: "));
}

}  // namespace

// After a subdivision the Geometry page shows the object's new level count in its title,
// and its face count is the faces the level shown holds, less its hidden ones.
TEST_F(Properties, TheGeometryPageFollowsTheLevelShown)
{
    fixtures::ModelFixture model;
    std::unique_ptr<Object> object = fixtures::MakeGridObject(2, 2);
    auto window = Window();
    window->BuildPanel(QStringLiteral("Geometry"), object.get());
    EXPECT_TRUE(window->GetShownName().endsWith(QStringLiteral("(1 levels)"))) << window->GetShownName().toStdString();
    auto *faces = window->findChild<QLabel *>(QStringLiteral("FaceCount"));
    ASSERT_NE(faces, nullptr);
    EXPECT_EQ(faces->text(), QStringLiteral("4"));

    // Subdivided: the base level's faces stand under the finer ones, which show.
    auto *finer = new SubdivLevel;
    fixtures::FillGrid(*finer, 4, 4);
    object->SetNextLevel(finer);
    object->m_pActiveLevel = finer;
    finer->m_iHiddenFaces = 3;
    window->ShowNode(QStringLiteral("Geometry"), object.get());
    EXPECT_TRUE(window->GetShownName().endsWith(QStringLiteral("(2 levels)"))) << window->GetShownName().toStdString();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Properties: ") + object->GetName());
    EXPECT_EQ(faces->text(), QStringLiteral("13"));
}
