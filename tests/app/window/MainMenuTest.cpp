// The main window's menu bar as the program builds it: every entry's text, shortcut and
// command, the recent files, the Display marks kept in step with the view, expert mode,
// the trays of the settings folder, the Windows menu opening Preferences, the hotkeys
// file at start and close, and the save reminder restarted by a save.
#include "WindowFixture.h"

#include "app/dialogs/PreferencesDialog.h"
#include "app/settings/Preferences.h"
#include "app/startup/CommandSwitches.h"
#include "app/welcome/WelcomeDlg.h"
#include "app/window/WindowSettings.h"
#include "gui/common/HelpFiles.h"
#include "gui/panels/FloatingPanel.h"
#include "gui/panels/TabPanel.h"
#include "mapping/Mapper.h"
#include "mapping/displacement/DisplaceOperation.h"
#include "browser/ImageBrowserDialog.h"
#include "foundation/Globals.h"
#include "foundation/curves/NURBSCurve.h"
#include "gui/common/ModalDialogs.h"
#include "foundation/Diagnostics.h"
#include "foundation/LogFile.h"
#include "gui/dialogs/HotkeyEditor.h"
#include "gui/dialogs/LogWindow.h"
#include "gui/layers/LayerList.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "gui/outliner/SceneInfoDialog.h"
#include "gui/editors/TextSlider.h"
#include "gui/layouts/CollapsableFrame.h"
#include "gui/properties/BrushProperties.h"
#include "gui/properties/CameraProperties.h"
#include "gui/properties/ImagePlaneProperties.h"
#include "gui/properties/StencilProperties.h"
#include "gui/menus/QTvAction.h"
#include "gui/menus/QTvMenu.h"
#include "gui/status/Alarm.h"
#include "gui/trays/MTray.h"
#include "interaction/InteractionServices.h"
#include "interaction/Interface.h"
#include "scene/Brush.h"
#include "interaction/TrayTargets.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"
#include "viewport/view/SceneView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <QFileInfo>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

using apptest::MainWindowTest;

namespace {

QMenu *MenuNamed(QMenuBar *bar, const QString &title)
{
    for (QAction *action : bar->actions())
        if (action->menu() && action->text() == title)
            return action->menu();
    return nullptr;
}

// "text|data" per entry, "-" per separator, "<title>" for a sub-menu.
QStringList Entries(const QMenu *menu)
{
    QStringList entries;
    for (QAction *action : menu->actions()) {
        if (action->isSeparator())
            entries << QStringLiteral("-");
        else if (action->menu())
            entries << QLatin1Char('<') + action->text() + QLatin1Char('>');
        else
            entries << action->text() + QLatin1Char('|') + action->data().toString();
    }
    return entries;
}

QAction *ActionNamed(const QMenu *menu, const QString &text)
{
    for (QAction *action : menu->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

void WriteFile(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

class MainMenuTest : public MainWindowTest {
protected:
    QMenuBar *Bar() { return m_window->menuBar(); }
    QMenu *Menu(const char *title) { return MenuNamed(Bar(), QLatin1String(title)); }
    QString Settings() const { return WindowSettings::Current().settingFolder; }
    Handler *H(const char *name) { return Interface::Get()->m_cEventHandler.FindHandlerByName(name); }
};

// The help the program ships: a What's-This page for every File, Edit and Mesh entry, the
// documentation Help > Documentation opens and the About text.
TEST_F(MainMenuTest, TheShippedHelpCoversTheMenusTheDocumentationAndAbout)
{
    REQUIRE_WINDOW_GL();
    const QString current = QDir::currentPath();
    // The source tree's help folder, as the build places it beside the program.
    ASSERT_TRUE(QDir::setCurrent(QStringLiteral(TEVRIN_TEST_DATA "/../..")));
    Build();
    for (const char *title : {"File", "Edit", "Mesh"})
        for (QAction *action : Menu(title)->actions()) {
            // Exit and Export Levels have no page of their own.
            if (action->isSeparator() || action->menu() || action->text().startsWith(QStringLiteral("Exit")) ||
                action->text() == QStringLiteral("Export Levels"))
                continue;
            EXPECT_FALSE(action->whatsThis().isEmpty()) << title << " > " << action->text().toStdString();
        }
    EXPECT_TRUE(QFileInfo(WelcomeDlg::DocumentationIndex()).isFile());
    QFile about(GUI::HelpFile(QStringLiteral("about.html")));
    ASSERT_TRUE(about.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(about.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("Orvexa Tevrin 1.0.7")));
    EXPECT_TRUE(text.contains(QStringLiteral("Licence")));
    QDir::setCurrent(current);
}

// Every menu path the shipped pages name ("Display &gt; Expert Mode") is one in the menus.
TEST_F(MainMenuTest, EveryMenuPathTheHelpPagesNameIsInTheMenus)
{
    REQUIRE_WINDOW_GL();
    Build();
    const QRegularExpression path(QStringLiteral("[A-Z][\\w.']*(?: [A-Z][\\w.']*)*(?: &gt; [A-Z][\\w.']*(?: [A-Z][\\w.']*)*)+"));
    const auto entry = [](const QList<QAction *> &actions, const QString &text) -> QAction * {
        for (QAction *action : actions)
            if (action->text().section(QLatin1Char('\t'), 0, 0) == text)
                return action;
        return nullptr;
    };
    QStringList pages;
    QDirIterator it(QFileInfo(GUI::HelpFile(QStringLiteral("about.html"))).path(), {QStringLiteral("*.html")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        pages << it.next();
    ASSERT_GT(pages.size(), 2);
    int named = 0;
    for (const QString &page : pages) {
        QFile file(page);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll()).simplified();
        for (const QRegularExpressionMatch &match : path.globalMatch(text)) {
            ++named;
            QList<QAction *> actions = Bar()->actions();
            QAction *found = nullptr;
            for (const QString &step : match.captured().split(QStringLiteral(" &gt; "))) {
                found = entry(actions, step);
                if (!found)
                    break;
                actions.clear();
                if (auto *rows = qobject_cast<QTvMenu *>(found->menu()))
                    for (QTvAction *row : rows->Actions())
                        actions << row;
                else if (found->menu())
                    actions = found->menu()->actions();
            }
            EXPECT_NE(found, nullptr) << QFileInfo(page).fileName().toStdString() << ": "
                                      << match.captured().toStdString();
        }
    }
    EXPECT_GT(named, 0);
}

// The shipped base meshes and curves are listed and load wherever the program was started
// from; the documentation without a program to open it is named on the status line.
TEST_F(MainMenuTest, ShippedMeshesAndCurvesAreFoundFromAnyFolder)
{
    REQUIRE_WINDOW_GL();
    const QString current = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    Build();
    QMenu *meshes = ActionNamed(Menu("Create"), QStringLiteral("Mesh"))->menu();
    QMenu *curves = ActionNamed(Menu("Create"), QStringLiteral("Curves"))->menu();
    QStringList names;
    for (QAction *action : meshes->actions())
        names << action->text() + action->data().toString();
    names.sort();
    EXPECT_EQ(names, QStringList({"Cube.obj", "Cylinder.obj", "Plane.obj", "Sphere.obj", "Torus.obj"}));
    EXPECT_GE(curves->actions().size(), 1);

    Scene &scene = *Scene::GetCurrent();
    m_window->OnCreate(ActionNamed(meshes, QStringLiteral("Cube")));
    ASSERT_EQ(scene.GetObjectCount(), 1);
    EXPECT_EQ(Interface::Get()->m_pActiveObject, scene.m_pObjects);
    EXPECT_EQ(scene.m_pObjects->m_iFaceCount, 6u);
    EXPECT_EQ(scene.m_pObjects->m_pTCs.GetItemCount(), 24u);
    const auto curveCount = [&scene] {
        int count = 0;
        for (General::NURBSCurve *curve = scene.m_pCurves; curve; curve = curve->GetNext())
            ++count;
        return count;
    };
    for (QAction *action : curves->actions()) {
        const int before = curveCount();
        m_window->OnCreate(action);
        EXPECT_EQ(curveCount(), before + 1) << action->text().toStdString();
    }

    // No launcher on the path: the page to open by hand is named.
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", m_dir.path().toLocal8Bit());
    m_window->OnDocumentation();
    qputenv("PATH", path);
    EXPECT_TRUE(m_window->GetStatusMessage().contains(QFileInfo(WelcomeDlg::DocumentationIndex()).absoluteFilePath()))
        << m_window->GetStatusMessage().toStdString();
    QDir::setCurrent(current);
}

TEST_F(MainMenuTest, EveryEntryHasItsTextShortcutAndCommand)
{
    REQUIRE_WINDOW_GL();
    Build();
    QStringList titles;
    for (QAction *action : Bar()->actions())
        titles << action->text();
    EXPECT_EQ(titles, QStringList({"File", "Edit", "Create", "Mesh", "Curves", "Display", "Utilities", "Windows",
                                   "Help"}));

    const QStringList file = {"New Scene\tCtrl+N|New scene", "Open\tCtrl+O|Open", "Save Scene\tCtrl+S|Save scene",
                              "Save Scene As\tCtrl+Shift+S|Save scene as", "-", "Import|Import",
                              "Import As Layer|Import as layer", "Import UV|Import UV",
                              "Export Selection|Export faces", "Export Levels|Export levels", "-",
                              "<Recent Files>", "-", "Exit|"};
    const QStringList edit = {"Undo\tCtrl+Z|Undo", "Redo\tShift+Z|Redo", "-",
                              "Delete Selected\tDel|Delete faces", "Remove Hidden|Remove hidden faces",
                              "Remove Selected|Remove faces", "Unremove All|Unremove faces",
                              "Unremove Selected|Unremove selected", "-", "Select All\tCtrl+A|Select all",
                              "Invert Selection\tCtrl+Shift+I|Select invert", "Deselect All\tCtrl+D|Deselect all",
                              "Grow Selection\tCtrl+]|Grow selection", "Select Border|Select border edge", "-",
                              "Lock Selected\tShift+F|Lock selected", "Invert Locked|Invert locked",
                              "Unlock All\tCtrl+Shift+F|Unlock all", "-", "Freeze Selected\tShift+M|Freeze selected",
                              "Invert Freeze\tShift+I|Invert freeze", "Unfreeze All\tShift+U|Unfreeze all"};
    const QStringList curves = {"New Curve\tCtrl+C|Create NURBS curve", "End Curve\tEnter|Finish curve",
                                "Close Curve|Close curve", "Stroke On Curve\tShift+C|Draw on curve",
                                "Duplicate Curve|Duplicate curve"};
    const QStringList display = {
        "Hide Selected\tH|Hide selected", "Hide Unselected|Hide unselected", "Hide All|Hide all",
        "Hide All Curves\tCtrl+H|Hide curves", "-", "Show Selected\tCtrl+U|Unhide selected",
        "Show All\tU|Unhide all", "-", "Smooth Shade|Toggle shading", "Wireframe|Toggle wireframe",
        "Points|Toggle point render", "Textures|Toggle show textures", "-", "Lighting\tCtrl+L|Toggle light",
        "Light Both Sides|Toggle 2-sided light", "Show Both Sides|Toggle culling", "-", "Grid|Toggle grid display",
        "Meshes|Toggle object display", "Curves|Toggle curve display", "-",
        "Gradient Background|Toggle gradient background", "Full Screen\tCtrl+T|Full screen",
        "Expert Mode\tT|Expert mode"};
    EXPECT_EQ(Entries(Menu("File")), file);
    EXPECT_EQ(Entries(Menu("Edit")), edit);
    EXPECT_EQ(Entries(Menu("Curves")), curves);
    EXPECT_EQ(Entries(Menu("Display")), display);
    EXPECT_EQ(Entries(Menu("Create")),
              QStringList({"<Mesh>", "<Curves>", "Camera|Camera", "Light|Light", "Material|Material",
                           "Selection Set|SelectionSet"}));
    EXPECT_EQ(Entries(Menu("Utilities")), QStringList({"<Texture Baking>", "<Mesh Displacement>", "-",
                                                        "Texture Baking Window|Texture bake"}));
    EXPECT_EQ(Entries(Menu("Help")), QStringList({"Help Tool\tAlt+F1|", "Documentation\tF1|", "-", "System Info|",
                                                  "-", "About Orvexa Tevrin|"}));
    // The registered tool windows, then the Properties pages and the trays.
    const QStringList windows = Entries(Menu("Windows"));
    EXPECT_EQ(windows, QStringList({"Hotkeys|HotkeyEditor", "Image Browser|ImageBrowserDialog", "Layers|LayerList",
                                    "Log|LogWindow", "Object List|SceneInfoDialog", "Preferences|PreferencesDialog",
                                    "<Properties>", "<Trays>"}));
    QMenu *properties = ActionNamed(Menu("Windows"), QStringLiteral("Properties"))->menu();
    EXPECT_EQ(Entries(properties),
              QStringList({"Brush|PropertiesDialog", "Camera|PropertiesDialog", "Geometry|PropertiesDialog",
                           "Light|PropertiesDialog", "Material|PropertiesDialog", "Stencil|PropertiesDialog",
                           "ImagePlane|PropertiesDialog"}));

    // Only Exit has a real shortcut; every other entry's shortcut is text the handler table serves.
    for (QAction *action : Bar()->actions())
        for (QAction *entry : action->menu()->actions())
            EXPECT_EQ(entry->shortcut().isEmpty(), entry->text() != QLatin1String("Exit")) << entry->text().toStdString();
    EXPECT_EQ(ActionNamed(Menu("File"), QStringLiteral("Exit"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));

    // The Mesh menu: rows with a shown shortcut, never a bound one.
    auto *mesh = qobject_cast<QTvMenu *>(Menu("Mesh"));
    ASSERT_NE(mesh, nullptr);
    QStringList meshEntries;
    for (QTvAction *action : mesh->Actions())
        meshEntries << QStringLiteral("%1|%2|%3|%4")
                           .arg(action->text(), action->ShownShortcut().toString(),
                                action->HasOptionBox() ? QStringLiteral("box") : QString(), action->data().toString());
    EXPECT_EQ(meshEntries, QStringList({"Subdivide Selection|Shift+D|box|Subdivide faces",
                                        "Step Level Up|PgUp||Level up faces", "Step Level Down|PgDown||Level down faces",
                                        "Delete Highest Level|||Delete highest level",
                                        "Recreate Level UVs|||Recreate UVs", "Move Levels Data|||Move Levels Data",
                                        "Set Topological Axis|Ctrl+V||Set symmetry"}));
    QList<QAction *> commands;
    for (const char *title : {"File", "Edit", "Curves", "Display"})
        for (QAction *action : Menu(title)->actions())
            if (!action->isSeparator() && !action->menu() && action->text() != QLatin1String("Exit"))
                commands << action;
    for (QTvAction *action : mesh->Actions())
        commands << action;
    for (QAction *action : commands)
        EXPECT_NE(H(action->data().toString().toLatin1().constData()), nullptr) << action->text().toStdString();
}

TEST_F(MainMenuTest, EntriesRunTheirHandlersAndRecentFilesAreNewestFirst)
{
    REQUIRE_WINDOW_GL();
    Build();
    QStringList log;
    for (const char *name : {"Select all", "Subdivide faces"})
        Interface::Get()->m_cEventHandler.SetBody(name, [name, &log](int event) -> Function * {
            log << QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(event);
            return nullptr;
        });
    ActionNamed(Menu("Edit"), QStringLiteral("Select All\tCtrl+A"))->trigger();
    auto *mesh = qobject_cast<QTvMenu *>(Menu("Mesh"));
    mesh->Actions().at(0)->trigger();
    mesh->Actions().at(0)->activateOptionBox();
    EXPECT_EQ(log, QStringList({"Select all 5", "Subdivide faces 5", "Subdivide faces 6"}));

    RecentFiles &recent = m_window->GetRecentFiles();
    // Files an earlier test of this process left in the shared settings folder are not this test's.
    recent.Clear();
    for (const char *name : {"/a/first.tev", "/b/second.obj", "/c/last.tev"})
        recent.Add(QLatin1String(name));
    emit m_window->GetRecentMenu()->aboutToShow();
    EXPECT_EQ(Entries(m_window->GetRecentMenu()),
              QStringList({"1. /c/last.tev|/c/last.tev", "2. /b/second.obj|/b/second.obj",
                           "3. /a/first.tev|/a/first.tev"}));
    recent.Clear();
}

// An operation made earlier is listed above "New Operation" each time the sub-menu opens,
// and choosing it shows its page again; one deleted meanwhile is gone from the list.
TEST_F(MainMenuTest, UtilitiesListTheOperationsMadeAndOpenTheirPages)
{
    REQUIRE_WINDOW_GL();
    Build();
    const struct {
        const char *menu;
        const char *handler;
        std::function<General::Node *()> make;
    } cases[] = {
        {"Texture Baking", "", [] { return new MapExtraction::Mapper; }},
        {"Mesh Displacement", "Mesh displace", [] { return new Displacement::DisplaceOperation; }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.menu);
        QMenu *menu = ActionNamed(Menu("Utilities"), QLatin1String(c.menu))->menu();
        ASSERT_NE(menu, nullptr);
        const QString create = QStringLiteral("New Operation|") + QLatin1String(c.handler);
        emit menu->aboutToShow();
        EXPECT_EQ(Entries(menu), QStringList({create}));

        General::Node *operation = c.make();
        const QString name = operation->GetName();
        ASSERT_FALSE(name.isEmpty());
        emit menu->aboutToShow();
        EXPECT_EQ(Entries(menu), QStringList({name + QLatin1Char('|'), QStringLiteral("-"), create}));

        ActionNamed(menu, name)->trigger();
        GUI::FloatingPanel *shown = nullptr;
        for (auto *panel : m_window->findChildren<GUI::FloatingPanel *>())
            if (panel->windowTitle() == name)
                shown = panel;
        ASSERT_NE(shown, nullptr);
        EXPECT_TRUE(shown->isVisible());
        // The operation may go while its page is open.
        delete operation;
        QApplication::processEvents();
        delete shown;
        emit menu->aboutToShow();
        EXPECT_EQ(Entries(menu), QStringList({create}));
    }
}

// Texture Baking's "New Operation" makes a baking operation of its own, named in turn, shows
// its page and lists it from then on.
TEST_F(MainMenuTest, NewTextureBakingOperationsAreMadeNamedListedAndShown)
{
    REQUIRE_WINDOW_GL();
    Build();
    QMenu *menu = ActionNamed(Menu("Utilities"), QStringLiteral("Texture Baking"))->menu();
    ASSERT_NE(menu, nullptr);
    QStringList listed;
    for (const char *expected : {"Baker #0", "Baker #1"}) {
        const QString name = QLatin1String(expected);
        emit menu->aboutToShow();
        ActionNamed(menu, QStringLiteral("New Operation"))->trigger();
        General::Node *made = nullptr;
        for (General::Node *node = General::Node::GetHead(); node; node = node->GetNext())
            if (node->GetTypeInfo() == &MapExtraction::Mapper::s_typeInfo && node->GetName() == name)
                made = node;
        ASSERT_NE(made, nullptr) << expected;
        bool shown = false;
        for (auto *panel : m_window->findChildren<GUI::FloatingPanel *>())
            shown = shown || (panel->windowTitle() == name && panel->isVisible());
        EXPECT_TRUE(shown) << expected;
        listed.prepend(name + QLatin1Char('|'));  // the node list holds the newest first
        emit menu->aboutToShow();
        EXPECT_EQ(Entries(menu), listed + QStringList({QStringLiteral("-"), QStringLiteral("New Operation|")}));
    }
    // The baking window stays a command of its own.
    ActionNamed(Menu("Utilities"), QStringLiteral("Texture Baking Window"))->trigger();
    bool window = false;
    for (QWidget *widget : m_window->findChildren<QWidget *>())
        window = window || (widget->windowTitle() == QLatin1String("Texture Baking") && widget->isVisible());
    EXPECT_TRUE(window);
}

TEST_F(MainMenuTest, DisplayMarksFollowTheViewAndExpertModeKeepsAWayOut)
{
    REQUIRE_WINDOW_GL();
    Build();
    QMenu *display = Menu("Display");
    ViewToggles &toggles = m_window->GetView()->m_cToggles;
    toggles.m_bWireframe = true;
    toggles.m_bCulling = false;
    emit display->aboutToShow();
    EXPECT_TRUE(ActionNamed(display, QStringLiteral("Wireframe"))->isChecked());
    EXPECT_TRUE(ActionNamed(display, QStringLiteral("Show Both Sides"))->isChecked());
    // Choosing the entry runs its command: the flag flips and the mark follows it.
    ActionNamed(display, QStringLiteral("Wireframe"))->trigger();
    EXPECT_FALSE(toggles.m_bWireframe);
    EXPECT_FALSE(ActionNamed(display, QStringLiteral("Wireframe"))->isChecked());
    toggles = ViewToggles();

    Preferences &prefs = *m_window->GetPreferences();
    prefs.ExpertStatusBar = true;
    prefs.ExpertMenuBar = true;
    QAction *expert = ActionNamed(display, QStringLiteral("Expert Mode\tT"));
    for (const uint32_t key : {0x54u, 0u}) {
        SCOPED_TRACE(key);
        H("Expert mode")->m_iKey = key;
        expert->trigger();
        EXPECT_TRUE(m_window->IsExpertMode());
        EXPECT_TRUE(expert->isChecked());
        EXPECT_TRUE(m_window->statusBar()->isHidden());
        // Without a key to leave by, the menu stays.
        EXPECT_EQ(m_window->menuBar()->isHidden(), key != 0);
        expert->trigger();
        EXPECT_FALSE(m_window->IsExpertMode());
        EXPECT_FALSE(expert->isChecked());
        EXPECT_FALSE(m_window->statusBar()->isHidden());
        EXPECT_FALSE(m_window->menuBar()->isHidden());
    }
}

TEST_F(MainMenuTest, TraysComeFromTheSettingsFolder)
{
    REQUIRE_WINDOW_GL();
    Build();
    const QString trays = Settings() + QStringLiteral("/trays");
    m_window.reset();
    // The first window wrote its own trays; this folder holds only the ones below.
    QDir(trays).removeRecursively();
    WriteFile(trays + QStringLiteral("/Stamp.txt"), "Tool;Soft;;Soft\n");
    WriteFile(trays + QStringLiteral("/stamp.txt"), "Tool;Soft;;Soft\n");
    WriteFile(trays + QStringLiteral("/Mine.txt"), "Tool;Soft;;Soft\n");
    WriteFile(trays + QStringLiteral("/notes.dat"), "x");
    // A "Trays" folder under the current folder is not the user's.
    const QString current = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    WriteFile(m_dir.filePath(QStringLiteral("Trays/Elsewhere.txt")), "x");
    const QStringList kinds = General::TrayItemTypes();
    General::TrayItemTypes() = QStringList({"Tool", "Stamp"});
    Build();
    // The second window of the process fills the dialog registry again, Preferences included.
    EXPECT_NE(ActionNamed(Menu("Windows"), QStringLiteral("Preferences")), nullptr);
    QMenu *menu = ActionNamed(Menu("Windows"), QStringLiteral("Trays"))->menu();
    QStringList entries = Entries(menu);
    General::TrayItemTypes() = kinds;
    QDir::setCurrent(current);
    QDir(trays).removeRecursively();
    ASSERT_EQ(entries.size(), 7);
    EXPECT_EQ(entries.mid(0, 3), QStringList({"Tool|MTray", "Stamp|MTray", "-"}));
    QStringList own = entries.mid(3, 2);
    own.sort();
    EXPECT_EQ(own, QStringList({"Mine|MTray", "stamp|MTray"}));
    EXPECT_EQ(entries.mid(5), QStringList({"-", "Custom|MTray"}));
}

TEST_F(MainMenuTest, TheTraysMenuBringsAnOpenTrayForwardAndNamesASecondCustomFreely)
{
    REQUIRE_WINDOW_GL();
    Build();
    QMenu *menu = ActionNamed(Menu("Windows"), QStringLiteral("Trays"))->menu();
    auto traysNamed = [this](const QString &name) {
        int count = 0;
        for (GUI::MTray *tray : m_window->findChildren<GUI::MTray *>())
            count += tray->objectName() == name;
        return count;
    };
    ASSERT_EQ(traysNamed(QStringLiteral("Stamp")), 1);
    ActionNamed(menu, QStringLiteral("Stamp"))->trigger();
    EXPECT_EQ(traysNamed(QStringLiteral("Stamp")), 1);
    ActionNamed(menu, QStringLiteral("Custom"))->trigger();
    ActionNamed(menu, QStringLiteral("Custom"))->trigger();
    EXPECT_EQ(traysNamed(QStringLiteral("Custom")), 1);
    EXPECT_EQ(traysNamed(QStringLiteral("Custom 2")), 1);
}

TEST_F(MainMenuTest, WindowsMenuOpensPreferencesWhichPlacesTheSaveReminder)
{
    REQUIRE_WINDOW_GL();
    Build();
    m_window->GetPreferences()->SaveReminder = false;
    m_window->ShowSaveReminder(false);
    ASSERT_EQ(GUI::PreferencesDialog::First(), nullptr);
    ActionNamed(Menu("Windows"), QStringLiteral("Preferences"))->trigger();
    GUI::PreferencesDialog *dialog = GUI::PreferencesDialog::First();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->isWindow());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Preferences"));
    EXPECT_EQ(dialog->parentWidget(), m_window.get());

    auto *reminder = dialog->findChild<QCheckBox *>(QStringLiteral("SaveReminder"));
    ASSERT_NE(reminder, nullptr);
    reminder->setChecked(true);
    EXPECT_TRUE(m_window->GetPreferences()->SaveReminder);
    EXPECT_TRUE(m_window->IsSaveReminderShown());
    EXPECT_TRUE(m_window->GetSaveReminderHost()->isVisibleTo(m_window->statusBar()));
    reminder->setChecked(false);
    EXPECT_FALSE(m_window->IsSaveReminderShown());
    // The style's check boxes and gradients, for a person to look at.
    dialog->resize(420, 700);
    QTest::qWait(50);
    dialog->grab().save(QStringLiteral(TEVRIN_SCREENSHOTS "/preferences.png"));
    dialog->close();
}

TEST_F(MainMenuTest, WindowsMenuOpensAnImageBrowserWindow)
{
    REQUIRE_WINDOW_GL();
    Build();
    GUI::ImageBrowserDialog *tab = GUI::ImageBrowserDialog::First();
    ASSERT_NE(tab, nullptr);
    ActionNamed(Menu("Windows"), QStringLiteral("Image Browser"))->trigger();
    GUI::ImageBrowserDialog *opened = GUI::ImageBrowserDialog::First();
    ASSERT_NE(opened, tab);
    EXPECT_TRUE(opened->isWindow());
    EXPECT_EQ(opened->windowTitle(), QStringLiteral("Image Browser"));
    EXPECT_NE(opened->GetBrowser(), nullptr);
    opened->close();
}

TEST_F(MainMenuTest, WindowsMenuOpensTheSceneWindowsAndThePropertiesPages)
{
    REQUIRE_WINDOW_GL();
    Build();
    const auto newest = [this](auto *first) {
        EXPECT_NE(first, nullptr);
        EXPECT_TRUE(first && first->isWindow());
        EXPECT_TRUE(first && first->parentWidget() == m_window.get());
        // A tool window, kept above the main window when the main window is clicked.
        EXPECT_TRUE(first && first->windowType() == Qt::Tool);
        return first;
    };
    ActionNamed(Menu("Windows"), QStringLiteral("Object List"))->trigger();
    GUI::SceneInfoDialog *list = newest(GUI::SceneInfoDialog::First());
    ASSERT_TRUE(list);
    EXPECT_EQ(list->windowTitle(), QStringLiteral("Object List"));
    EXPECT_EQ(list->GetTree()->topLevelItem(0)->text(0), QStringLiteral("Scene"));
    // The dock has its own list, older in the chain.
    EXPECT_NE(list->GetNext(), nullptr);


    QMenu *properties = ActionNamed(Menu("Windows"), QStringLiteral("Properties"))->menu();
    ActionNamed(properties, QStringLiteral("Camera"))->trigger();
    GUI::PropertiesDialog *page = newest(GUI::PropertiesDialog::First());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->GetTypeName(), QStringLiteral("Camera"));
    EXPECT_EQ(page->GetNode(), m_window->GetScene()->m_pActiveCamera);
    EXPECT_TRUE(dynamic_cast<GUI::CameraProperties *>(page->GetPanel()));
    QTest::qWait(50);
    list->grab().save(QStringLiteral(TEVRIN_SCREENSHOTS "/object_list.png"));
    page->grab().save(QStringLiteral(TEVRIN_SCREENSHOTS "/camera_page.png"));
    for (QWidget *window : {static_cast<QWidget *>(list), static_cast<QWidget *>(page)})
        window->close();
}

// New Tab > Properties > a page type: the page shows that type's node and is locked to it.
TEST_F(MainMenuTest, ANewPropertiesTabShowsItsNodeLocked)
{
    REQUIRE_WINDOW_GL();
    Build();
    auto *page = qobject_cast<GUI::PropertiesDialog *>(
        m_window->GetTabPanel()->AddDialog(QStringLiteral("PropertiesDialog"), QStringLiteral("Camera")));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->GetNode(), m_window->GetScene()->m_pActiveCamera);
    EXPECT_TRUE(dynamic_cast<GUI::CameraProperties *>(page->GetPanel()));
    EXPECT_EQ(page->GetLockMode(), GUI::PropertiesDialog::kLockObject);
}

// A Properties window of its own grows as its groups are opened by their buttons, and what
// the screen cannot hold it scrolls.
TEST_F(MainMenuTest, AFloatingPropertiesWindowShowsTheGroupsItOpens)
{
    REQUIRE_WINDOW_GL();
    Build();
    QMenu *properties = ActionNamed(Menu("Windows"), QStringLiteral("Properties"))->menu();
    ActionNamed(properties, QStringLiteral("Brush"))->trigger();
    GUI::PropertiesDialog *page = GUI::PropertiesDialog::First();
    ASSERT_TRUE(page && page->isWindow());
    Settle();
    auto *area = page->findChild<QScrollArea *>();
    ASSERT_NE(area, nullptr);
    const auto wholePageShown = [area] { return area->viewport()->height() >= area->widget()->sizeHint().height(); };
    EXPECT_TRUE(wholePageShown());
    const int before = page->height();
    int opened = 0;
    for (GUI::CollapsableFrame *frame : page->findChildren<GUI::CollapsableFrame *>())
        if (frame->IsFoldable() && !frame->IsOpen() && frame->isVisible()) {
            QTest::mouseClick(frame->findChild<QPushButton *>(QStringLiteral("button")), Qt::LeftButton);
            ++opened;
        }
    ASSERT_GE(opened, 2);
    Settle();
    EXPECT_GT(page->height(), before);
    const QRect screen = page->screen()->availableGeometry();
    EXPECT_LE(page->frameGeometry().bottom(), screen.bottom());
    EXPECT_GE(page->frameGeometry().top(), screen.top());
    // Either all of it is in view or the rest is a scroll away.
    if (!wholePageShown()) {
        EXPECT_TRUE(area->verticalScrollBar()->isVisible());
        EXPECT_GE(area->verticalScrollBar()->maximum(), area->widget()->sizeHint().height() - area->viewport()->height());
    }
    page->grab().save(QStringLiteral(TEVRIN_SCREENSHOTS "/brush_page_open_groups.png"));
    page->close();
}

TEST_F(MainMenuTest, WindowsMenuOpensTheBrushPageWhoseSettingsTheStrokesRead)
{
    REQUIRE_WINDOW_GL();
    Build();
    Interface *controller = Interface::Get();
    // The docked Properties window shows the start-up tool's page; a tool picked from a tray
    // takes its place.
    GUI::PropertiesDialog *docked = GUI::PropertiesDialog::First();
    ASSERT_NE(docked, nullptr);
    ASSERT_NE(controller->m_pCurrentTool, nullptr);
    EXPECT_TRUE(dynamic_cast<GUI::BrushProperties *>(docked->GetPanel()));
    EXPECT_EQ(docked->GetShownName(), controller->m_pCurrentTool->m_sName);
    controller->ApplyTrayItem(Brush::Find(QStringLiteral("Soft")), true);
    EXPECT_TRUE(dynamic_cast<GUI::BrushProperties *>(docked->GetPanel()));
    EXPECT_EQ(docked->GetShownName(), QStringLiteral("Soft"));
    // A page the user chose stays when the tool changes; the brush page is not forced on it.
    docked->BuildPanel(QStringLiteral("Camera"), m_window->GetScene()->m_pActiveCamera);
    controller->ApplyTrayItem(Brush::Find(QStringLiteral("Smooth")), true);
    EXPECT_EQ(docked->GetTypeName(), QStringLiteral("Camera"));
    controller->ApplyTrayItem(Brush::Find(QStringLiteral("Soft")), true);

    QMenu *properties = ActionNamed(Menu("Windows"), QStringLiteral("Properties"))->menu();
    ActionNamed(properties, QStringLiteral("Brush"))->trigger();
    GUI::PropertiesDialog *page = GUI::PropertiesDialog::First();
    ASSERT_NE(page, nullptr);
    auto *panel = dynamic_cast<GUI::BrushProperties *>(page->GetPanel());
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(page->GetShownName(), QStringLiteral("Soft"));

    // "Local Y" and a position jitter of 30 reach the preferences the strokes read.
    panel->UpdateMirror(5);
    panel->findChild<GUI::TextSlider *>(QStringLiteral("PositionJitter"))->setValue(30.0f);
    const StrokePreferences stroke = InteractionServices::Get().GetStrokePreferences();
    EXPECT_EQ(stroke.mirrorCount, 1);
    EXPECT_EQ(stroke.mirrorAxis.y, 1.0f);
    EXPECT_FLOAT_EQ(stroke.positionJitter, 0.3f);
    EXPECT_TRUE(Preferences::Get()->MirrorLocal);

    // Choosing another tool shows it on the open page.
    controller->ApplyTrayItem(Brush::Find(QStringLiteral("Smooth")), true);
    EXPECT_EQ(page->GetShownName(), QStringLiteral("Smooth"));
    page->close();
}

TEST_F(MainMenuTest, StencilSettingsOfThePageAreKeptInThePreferencesAndReachTheStencilAtTheNextStart)
{
    REQUIRE_WINDOW_GL();
    Build();
    QImage grey(16, 16, QImage::Format_RGB32);
    grey.fill(qRgb(128, 128, 128));
    const QString file = File(QStringLiteral("grey.png"));
    ASSERT_TRUE(grey.save(file));

    QMenu *properties = ActionNamed(Menu("Windows"), QStringLiteral("Properties"))->menu();
    ActionNamed(properties, QStringLiteral("ImagePlane"))->trigger();
    GUI::PropertiesDialog *plane = GUI::PropertiesDialog::First();
    ASSERT_TRUE(plane);
    EXPECT_EQ(plane->GetNode(), m_window->GetScene()->m_pActiveCamera);
    EXPECT_TRUE(dynamic_cast<GUI::ImagePlaneProperties *>(plane->GetPanel()));
    plane->close();

    ActionNamed(properties, QStringLiteral("Stencil"))->trigger();
    GUI::PropertiesDialog *page = GUI::PropertiesDialog::First();
    ASSERT_TRUE(page);
    ASSERT_TRUE(dynamic_cast<GUI::StencilProperties *>(page->GetPanel()));
    // A stencil chosen in a tray shows on the open page.
    TrayTargets::SetStencil(file);
    StencilImage &stencil = m_window->GetInterface()->m_cStencil;
    ASSERT_TRUE(stencil.m_bState);
    EXPECT_EQ(page->GetPanel()->findChild<QLineEdit *>(QStringLiteral("ImageName"))->text(),
              QStringLiteral("grey.png"));
    EXPECT_FALSE(page->GetPanel()->findChild<QCheckBox *>(QStringLiteral("Off"))->isChecked());
    QLineEdit *multiplier = page->GetPanel()->findChild<GUI::TextSlider *>(QStringLiteral("Multiplier"))->GetEdit();
    multiplier->selectAll();
    QTest::keyClicks(multiplier, QStringLiteral("50"));
    QTest::keyClick(multiplier, Qt::Key_Return);
    QTest::mouseClick(page->GetPanel()->findChild<QCheckBox *>(QStringLiteral("FlipHorizontal")), Qt::LeftButton,
                      Qt::NoModifier, QPoint(8, 8));
    const Preferences &preferences = *m_window->GetPreferences();
    EXPECT_FLOAT_EQ(preferences.StencilMultiplier, 0.5f);
    EXPECT_TRUE(preferences.StencilFlipHorizontal);
    EXPECT_FLOAT_EQ(stencil.m_cSettings.multiplier, 0.5f);
    EXPECT_TRUE(stencil.m_cSettings.flipHorizontal);
    page->close();

    apptest::ConsoleLines([this] { m_window->Quit(); });
    m_window.reset();
    Build();
    const StencilSettings &loaded = m_window->GetInterface()->m_cStencil.m_cSettings;
    EXPECT_FLOAT_EQ(loaded.multiplier, 0.5f);
    EXPECT_TRUE(loaded.flipHorizontal);
    EXPECT_FALSE(loaded.flipVertical);
}

TEST_F(MainMenuTest, WindowsMenuOpensTheHotkeysOfTheRunningTable)
{
    REQUIRE_WINDOW_GL();
    Build();
    ActionNamed(Menu("Windows"), QStringLiteral("Hotkeys"))->trigger();
    auto *editor = m_window->findChild<GUI::HotkeyEditor *>();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isWindow());
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("Hotkeys"));
    QLineEdit *save = editor->findChild<QLineEdit *>(QStringLiteral("Save scene"));
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->text(), QStringLiteral("S"));
    save->setText(QStringLiteral("F5"));
    emit save->editingFinished();
    EXPECT_EQ(H("Save scene")->m_iKey, 0x40000u | 0x1000034u);
    editor->close();
}

TEST_F(MainMenuTest, ASaveRestartsTheReminder)
{
    REQUIRE_WINDOW_GL();
    Build();
    GUI::Alarm *alarm = m_window->GetSaveReminder();
    alarm->SetInterval([] { return 150; });
    alarm->SetIdleTime([] { return int64_t(0); });
    QTest::qWait(250);
    EXPECT_TRUE(alarm->Face().due);
    // Hiding and showing the indicator is no save: the count goes on.
    m_window->ShowSaveReminder(false);
    m_window->ShowSaveReminder(true);
    EXPECT_TRUE(alarm->Face().due);
    m_window->GetScene()->m_sFileName = File(QStringLiteral("saved.tev"));
    ASSERT_TRUE(Interface::Get()->SaveScene(false));
    EXPECT_FALSE(alarm->Face().due);
    QTest::qWait(250);
    // A failed save (no name, and the save dialog cancelled) leaves the count running.
    struct CancelledSave : GUI::ModalDialogs {
        QString GetSaveFileName(QWidget *, const QString &, const QString &, const QString &, QString &) override
        {
            return {};
        }
    } cancelled;
    GUI::ModalDialogs::Install(&cancelled);
    m_window->GetScene()->m_sFileName.clear();
    Recorder().Clear();
    EXPECT_FALSE(Interface::Get()->SaveScene(false));
    GUI::ModalDialogs::Install(nullptr);
    EXPECT_TRUE(alarm->Face().due);
}

TEST_F(MainMenuTest, HotkeysAreReadAtStartAndWrittenAtCloseUnlessABenchmarkSkippedThem)
{
    REQUIRE_WINDOW_GL();
    Build();
    const QString path = Settings() + QStringLiteral("/hotkeys.txt");
    m_window.reset();
    WriteFile(path, "Save scene: 83\nsave scene: 84\nnonsense\n");

    CommandSwitches::s_bSaveBenchmark = true;
    Build();
    CommandSwitches::s_bSaveBenchmark = false;
    EXPECT_EQ(H("Save scene")->m_iKey, 0x40053u);
    EXPECT_TRUE(m_window->close());
    m_window.reset();
    QFile kept(path);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("Save scene: 83\nsave scene: 84\nnonsense\n"));
    kept.close();

    Build();
    EXPECT_EQ(H("Save scene")->m_iKey, 83u);
    EXPECT_TRUE(Recorder().boxes.isEmpty());
    H("Undo")->m_iKey = 0x1000030;
    EXPECT_TRUE(m_window->close());
    m_window.reset();
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    const QByteArray written = kept.readAll();
    EXPECT_TRUE(written.contains("\nSave scene: 83\n"));
    EXPECT_TRUE(written.contains("\nUndo: 16777264\n"));
    EXPECT_FALSE(written.contains("nonsense"));
    QFile::remove(path);
}

TEST_F(MainMenuTest, AHotkeysFileRefusedAtStartIsNotReplacedAtClose)
{
    REQUIRE_WINDOW_GL();
    Build();
    const QString path = Settings() + QStringLiteral("/hotkeys.txt");
    m_window.reset();
    // One line past the bound: the defaults are used, and the file stays for the user.
    const QByteArray refused = "Save scene: 83\n" + QByteArray(5000, ' ') + "\n";
    WriteFile(path, refused);
    Build();
    EXPECT_EQ(H("Save scene")->m_iKey, 0x40053u);
    EXPECT_TRUE(m_window->close());
    m_window.reset();
    QFile kept(path);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), refused);
    kept.close();
    QFile::remove(path);
}

TEST_F(MainMenuTest, ScreenshotsOfAnOpenMenuInTheStyle)
{
    REQUIRE_WINDOW_GL();
    Build();
    m_window->GetView()->m_cToggles.m_bWireframe = true;
    QMenu *display = Menu("Display");
    display->popup(m_window->mapToGlobal(QPoint(120, 30)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(display));
    QTest::qWait(100);
    display->setActiveAction(ActionNamed(display, QStringLiteral("Grid")));
    QTest::qWait(100);
    const QImage menu = display->grab().toImage();
    menu.save(QStringLiteral(TEVRIN_SCREENSHOTS "/display_menu.png"));
    if (QScreen *screen = QGuiApplication::primaryScreen())
        screen->grabWindow(0).save(QStringLiteral(TEVRIN_SCREENSHOTS "/window_with_menu.png"));
    display->hide();

    auto *mesh = qobject_cast<QTvMenu *>(Menu("Mesh"));
    mesh->popup(m_window->mapToGlobal(QPoint(160, 30)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(mesh));
    QTest::qWait(100);
    mesh->grab().save(QStringLiteral(TEVRIN_SCREENSHOTS "/mesh_menu.png"));
    // The rows' own drawing: as tall as its rows, not Qt's empty menu.
    EXPECT_GE(mesh->height(), 7 * 20);
    mesh->hide();

    // The highlighted entry is shaded from the highlight colour, top lighter than bottom.
    const QRect grid = display->actionGeometry(ActionNamed(display, QStringLiteral("Grid")));
    const QColor top = menu.pixelColor(grid.center().x(), grid.top() + 2);
    const QColor bottom = menu.pixelColor(grid.center().x(), grid.bottom() - 2);
    EXPECT_GT(top.lightness(), bottom.lightness());
}

// The Log window shows the log file the program writes (its name carries the copy's suffix)
// and every line logged after; Layers opens another layer window beside the East dock's.
TEST_F(MainMenuTest, WindowsMenuOpensTheLogOfTheFileWrittenAndTheLayers)
{
    REQUIRE_WINDOW_GL();
    Build();
    const QString path = General::GetLogFilePath();
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(path.startsWith(m_window->GetPreferences()->LogFiles));
    ActionNamed(Menu("Windows"), QStringLiteral("Log"))->trigger();
    GUI::LogWindow *log = nullptr;
    for (GUI::LogWindow *window : m_window->findChildren<GUI::LogWindow *>())
        if (window->isWindow())
            log = window;
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(log->windowTitle(), QStringLiteral("Log"));
    Log("a line for the log window\n");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString written = QString::fromLocal8Bit(file.readAll());
    EXPECT_TRUE(written.endsWith(QStringLiteral("a line for the log window\n")));
    EXPECT_EQ(log->GetText(), written);
    log->close();

    ASSERT_NE(GUI::LayerList::First(), nullptr);
    const auto before = m_window->findChildren<GUI::LayerList *>().size();
    ActionNamed(Menu("Windows"), QStringLiteral("Layers"))->trigger();
    EXPECT_EQ(m_window->findChildren<GUI::LayerList *>().size(), before + 1);
}

}  // namespace
