#include "GuiApplication.h"
#include "TrayFixtures.h"
#include "gui/dialogs/DialogFactory.h"
#include "gui/panels/FloatingPanel.h"
#include "gui/panels/Frame.h"
#include "gui/panels/ScrollWrap.h"
#include "gui/panels/TabBar.h"
#include "gui/panels/TabPanel.h"
#include "gui/trays/MTray.h"
#include "gui/trays/TrayItem.h"
#include "scene/camera/Camera.h"
#include "support/RecordingShell.h"
#include "viewport/view/SceneView.h"

#include <QAction>
#include <QFileInfo>
#include <QPointer>
#include <QMainWindow>
#include <QMenu>
#include <QScrollArea>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using guitest::ScriptedDrag;
using guitest::ScriptedModals;

class TabPanelTest : public testing::Test {
protected:
    void SetUp() override
    {
        guitest::Application();
        GUI::InitTrayItemTypes();
        GUI::DialogFactory::Clear();
        GUI::DialogFactory::Register(std::make_unique<GUI::MTray::Factory>(), QStringLiteral("MTray"),
                                     QStringLiteral("Tray"));
        m_window.resize(900, 600);
        m_window.show();
    }
    void TearDown() override { GUI::DialogFactory::Clear(); }

    // A panel in the window with pages titled `titles`.
    GUI::TabPanel *Panel(const QStringList &titles)
    {
        auto *panel = new GUI::TabPanel(&m_window, "tab");
        for (const QString &title : titles) {
            auto *page = new QWidget;
            page->setObjectName(title);
            panel->AddTab(page, title);
        }
        panel->resize(600, 200);
        panel->show();
        QApplication::processEvents();
        return panel;
    }

    static QStringList Titles(const GUI::TabPanel &panel)
    {
        QStringList titles;
        for (int i = 0; i < panel.count(); ++i)
            titles << panel.tabText(i);
        return titles;
    }

    // Middle-drags tab `index` of `from` onto `target` at `at`.
    static void DragTab(ScriptedDrag &drag, GUI::TabPanel &from, int index, QWidget *target, QPoint at)
    {
        drag.target = target;
        drag.at = at;
        QTest::mousePress(from.tabBar(), Qt::MiddleButton, {}, from.tabBar()->tabRect(index).center());
    }

    static QAction *Find(QMenu &menu, const QString &text)
    {
        for (QAction *action : menu.findChildren<QAction *>())
            if (action->text() == text)
                return action;
        return nullptr;
    }

    QMainWindow m_window;
    guitest::TrayFolder m_folder;
};

TEST_F(TabPanelTest, ATabDroppedOnAnotherTabGoesToItsIndexAndTheCurrentPageStays)
{
    ScriptedDrag drag;
    GUI::TabPanel *from = Panel({"x", "y"});
    GUI::TabPanel *to = Panel({"a", "b", "c", "d", "e"});
    to->setCurrentIndex(3);
    QWidget *moved = from->widget(1);
    DragTab(drag, *from, 1, to->tabBar(), to->tabBar()->tabRect(1).center());
    EXPECT_EQ(Titles(*to), QStringList({"a", "y", "b", "c", "d", "e"}));
    EXPECT_EQ(to->widget(1), moved);
    EXPECT_EQ(to->currentIndex(), 4);
    EXPECT_EQ(Titles(*from), QStringList({"x"}));
}

TEST_F(TabPanelTest, ADropOnTheBarsEmptyPartOrACancelledDragPutsThePageBack)
{
    ScriptedDrag drag;
    GUI::TabPanel *from = Panel({"x", "y", "z"});
    GUI::TabPanel *to = Panel({"a"});
    const QPoint empty(to->tabBar()->tabRect(0).right() + 10, to->tabBar()->tabRect(0).center().y());
    ASSERT_LT(to->tabBar()->tabAt(empty), 0);
    DragTab(drag, *from, 1, to->tabBar(), empty);
    drag.drop = false;
    DragTab(drag, *from, 2, to, QPoint(300, 150));
    EXPECT_EQ(Titles(*from), QStringList({"x", "y", "z"}));
    EXPECT_EQ(Titles(*to), QStringList({"a"}));
    EXPECT_EQ(drag.runs, 2);
    // A drop on the panel below its bar appends.
    drag.drop = true;
    DragTab(drag, *from, 0, to, QPoint(300, 150));
    EXPECT_EQ(Titles(*to), QStringList({"a", "x"}));
}

TEST_F(TabPanelTest, APageIsNeverDroppedIntoAPanelInsideItself)
{
    ScriptedDrag drag;
    GUI::TabPanel *outer = Panel({"x"});
    auto *holder = new QWidget;
    auto *inner = new GUI::TabPanel(holder, "tab");
    inner->AddTab(new QWidget, QStringLiteral("a"));
    inner->resize(300, 150);
    outer->addTab(holder, QStringLiteral("holder"));
    outer->setCurrentIndex(1);
    QApplication::processEvents();
    DragTab(drag, *outer, 1, inner->tabBar(), inner->tabBar()->tabRect(0).center());
    DragTab(drag, *outer, 1, inner, QPoint(100, 100));
    EXPECT_EQ(drag.runs, 2);
    EXPECT_EQ(Titles(*outer), QStringList({"x", "holder"}));
    EXPECT_EQ(Titles(*inner), QStringList({"a"}));
}

TEST_F(TabPanelTest, OnlyAMiddlePressOnATabStartsADrag)
{
    ScriptedDrag drag;
    GUI::TabPanel *panel = Panel({"x", "y"});
    QTest::mousePress(panel->tabBar(), Qt::LeftButton, {}, panel->tabBar()->tabRect(1).center());
    QTest::mouseRelease(panel->tabBar(), Qt::LeftButton, {}, panel->tabBar()->tabRect(1).center());
    QTest::mousePress(panel, Qt::MiddleButton, {}, QPoint(300, 150));
    EXPECT_EQ(drag.runs, 0);
}

TEST_F(TabPanelTest, ThePageCommandsAreOfferedAndTheNewTabMenuListsTheWindows)
{
    GUI::TabPanel *panel = Panel({"x"});
    auto tray = std::make_unique<GUI::MTray>(nullptr, QStringLiteral("Stamp"));
    std::unique_ptr<QMenu> menu(panel->CreateContextMenu(nullptr));
    for (const char *text : {"Close Tab", "Rename Tab", "Chip Off Tab", "New Tab", "Properties", "Material", "Custom",
                             "Stamp"})
        EXPECT_TRUE(Find(*menu, QString::fromLatin1(text))) << text;
    EXPECT_FALSE(Find(*menu, QStringLiteral("Tray"))) << "trays come from their own sub-menu";
    EXPECT_FALSE(Find(*menu, QStringLiteral("Rename Tab"))->isEnabled()) << "not a tray page";
    // "Custom" twice: two trays, two files.
    Find(*menu, QStringLiteral("Custom"))->trigger();
    Find(*menu, QStringLiteral("Custom"))->trigger();
    EXPECT_EQ(Titles(*panel), QStringList({"x", "Custom", "Custom 2"}));
    EXPECT_TRUE(GUI::FindTray(QStringLiteral("Custom 2")));
    // An open tray by name comes forward, no second one.
    Find(*menu, QStringLiteral("Stamp"))->trigger();
    EXPECT_EQ(panel->count(), 3);
    std::unique_ptr<QMenu> onTray(panel->CreateContextMenu(nullptr));
    EXPECT_TRUE(Find(*onTray, QStringLiteral("Rename Tab"))->isEnabled());
    panel->SetTabCommands(false);
    std::unique_ptr<QMenu> bare(panel->CreateContextMenu(nullptr));
    EXPECT_FALSE(Find(*bare, QStringLiteral("Close Tab")));
}

TEST_F(TabPanelTest, RenamingATrayPageRenamesTheTrayAndItsFileOnlyToAUsableName)
{
    ScriptedModals modals;
    GUI::TabPanel *panel = Panel({"x"});
    auto *tray = static_cast<GUI::MTray *>(panel->AddDialog(QStringLiteral("MTray"), QStringLiteral("Custom")));
    ASSERT_TRUE(tray);
    auto other = std::make_unique<GUI::MTray>(nullptr, QStringLiteral("Other"));
    modals.texts = {QString(), QStringLiteral("a.b"), QStringLiteral("../up"), QStringLiteral("Other"),
                    QStringLiteral("Mine")};
    for (int i = 0; i < 4; ++i)
        panel->RenameTab();
    EXPECT_EQ(tray->objectName(), QStringLiteral("Custom"));
    EXPECT_EQ(panel->tabText(1), QStringLiteral("Custom"));
    EXPECT_EQ(modals.presets.first(), QStringLiteral("Custom"));
    tray->Save();
    panel->RenameTab();
    EXPECT_EQ(tray->objectName(), QStringLiteral("Mine"));
    EXPECT_EQ(panel->tabText(1), QStringLiteral("Mine"));
    EXPECT_TRUE(QFileInfo::exists(m_folder.Path() + QStringLiteral("/trays/Mine.txt")));
    EXPECT_FALSE(QFileInfo::exists(m_folder.Path() + QStringLiteral("/trays/Custom.txt")));
}

TEST_F(TabPanelTest, TheSceneViewCannotBeClosedOrChippedOff)
{
    Camera camera;
    GUI::TabPanel *panel = Panel({});
    auto *view = new SceneView(&camera);
    panel->addTab(view, QStringLiteral("3D View"));
    panel->AddTab(new QWidget, QStringLiteral("Layers"));
    panel->setCurrentIndex(0);
    panel->CloseTab();
    panel->ChipOffTab();
    EXPECT_EQ(Recorder().messages, QStringList({"Cannot close the active scene view!"}));
    EXPECT_EQ(Titles(*panel), QStringList({"3D View", "Layers"}));
    panel->setCurrentIndex(1);
    panel->CloseTab();
    EXPECT_EQ(Titles(*panel), QStringList({"3D View"}));
}

TEST_F(TabPanelTest, ChipOffFloatsTheWindowInsteadOfDeletingIt)
{
    GUI::TabPanel *panel = Panel({"x"});
    QPointer<QWidget> tray = panel->AddDialog(QStringLiteral("MTray"), QStringLiteral("Floating"));
    ASSERT_TRUE(tray);
    panel->ChipOffTab();
    ASSERT_TRUE(tray);
    EXPECT_TRUE(tray->isWindow());
    EXPECT_TRUE(tray->isVisible());
    EXPECT_EQ(tray->windowTitle(), QStringLiteral("Floating"));
    // A tool window: the window manager keeps it above the main window.
    EXPECT_EQ(tray->windowType(), Qt::Tool);
    EXPECT_EQ(Titles(*panel), QStringList({"x"}));
    delete tray.data();
}

// The menu of a right-click on a tab that is not current acts on the clicked tab.
TEST_F(TabPanelTest, TheTabMenuActsOnTheClickedTab)
{
    struct Case {
        const char *command;
        QStringList titlesAfter;
    };
    for (const Case &c : {Case{"Close Tab", {"Falloff", "Layers"}}, Case{"Chip Off Tab", {"Falloff", "Layers"}}}) {
        GUI::TabPanel *panel = Panel({"Falloff", "Object List", "Layers"});
        panel->setCurrentIndex(0);
        QPointer<QWidget> list = GUI::HostedWindow(panel->widget(1));
        QTimer::singleShot(0, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            ASSERT_TRUE(menu);
            QAction *action = Find(*menu, QLatin1String(c.command));
            menu->close();
            ASSERT_TRUE(action);
            action->trigger();
        });
        const QPoint at = panel->tabBar()->tabRect(1).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, panel->tabBar()->mapToGlobal(at));
        QApplication::sendEvent(panel->tabBar(), &event);
        EXPECT_EQ(Titles(*panel), c.titlesAfter) << c.command;
        if (QLatin1String(c.command) == QLatin1String("Chip Off Tab")) {
            ASSERT_TRUE(list) << c.command;
            EXPECT_TRUE(list->isWindow());
            EXPECT_EQ(list->windowTitle(), QStringLiteral("Object List"));
            delete list.data();
        } else {
            EXPECT_FALSE(list) << c.command;
        }
        delete panel;
    }
}

TEST_F(TabPanelTest, NewTabAndFrameCommands)
{
    auto *frame = new GUI::Frame(&m_window, QStringLiteral("South"), QStringLiteral("Süd"));
    m_window.addDockWidget(Qt::BottomDockWidgetArea, frame);
    EXPECT_EQ(frame->objectName(), QStringLiteral("South"));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Süd"));
    GUI::TabPanel *panel = frame->GetPanel();
    EXPECT_EQ(panel->objectName(), QStringLiteral("tab"));
    EXPECT_EQ(panel->GetFrame(), frame);
    EXPECT_FALSE(frame->features() & QDockWidget::DockWidgetMovable);
    panel->NewTab();
    EXPECT_EQ(Titles(*panel), QStringList({"New"}));
    panel->ChipOffFrame();
    EXPECT_TRUE(frame->isFloating());
    EXPECT_TRUE(frame->features() & QDockWidget::DockWidgetMovable);
    panel->CloseFrame();
    EXPECT_FALSE(frame->isVisible());
}

TEST_F(TabPanelTest, AFloatingPanelScrollsItsPanel)
{
    auto *content = new QWidget;
    content->setMinimumHeight(120);
    GUI::FloatingPanel panel(&m_window, content, QStringLiteral("Camera 01"), false);
    EXPECT_EQ(panel.windowTitle(), QStringLiteral("Camera 01"));
    EXPECT_EQ(panel.width(), 300);
    EXPECT_TRUE(panel.isVisible());
    auto *area = panel.findChild<QScrollArea *>();
    ASSERT_TRUE(area);
    EXPECT_EQ(GUI::HostedWindow(area), content);
    EXPECT_EQ(area->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

}  // namespace
