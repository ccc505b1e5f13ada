// The main window's menu bar. Most entries carry the name of the handler they run as
// their data, so a menu entry runs exactly what the handler's hotkey runs.
#include "app/window/Tevrin.h"

#include "app/settings/Preferences.h"
#include "app/window/WindowSettings.h"
#include "foundation/Globals.h"
#include "foundation/ShippedFiles.h"
#include "gui/common/HelpFiles.h"
#include "gui/dialogs/DialogFactory.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "gui/layouts/CollapsableContainer.h"
#include "gui/menus/QTvAction.h"
#include "gui/menus/QTvMenu.h"
#include "gui/panels/FloatingPanel.h"
#include "gui/panels/PanelWindow.h"
#include "gui/trays/MTray.h"
#include "interaction/Interface.h"
#include "mapping/Mapper.h"
#include "mapping/displacement/DisplaceOperation.h"
#include "mesh/object/Object.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"
#include "scene/camera/Light.h"
#include "viewport/view/SceneView.h"

#include <QAction>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

namespace {

// One entry of a plain menu; a null text is a separator.
struct Entry {
    const char *text;
    const char *help;  // null: no What's This help
    const char *handler;
};

const Entry kFile[] = {
    {"New Scene\tCtrl+N", "File.NewScene", "New scene"},
    {"Open\tCtrl+O", "File.Open", "Open"},
    {"Save Scene\tCtrl+S", "File.SaveScene", "Save scene"},
    {"Save Scene As\tCtrl+Shift+S", "File.SaveSceneAs", "Save scene as"},
    {nullptr, nullptr, nullptr},
    {"Import", "File.Import", "Import"},
    {"Import As Layer", "File.ImportAsLayer", "Import as layer"},
    {"Import UV", "File.ImportUV", "Import UV"},
    {"Export Selection", "File.Export", "Export faces"},
    {"Export Levels", "File.ExportLevels", "Export levels"},
};

const Entry kEdit[] = {
    {"Undo\tCtrl+Z", "Edit.Undo", "Undo"},
    {"Redo\tShift+Z", "Edit.Redo", "Redo"},
    {nullptr, nullptr, nullptr},
    {"Delete Selected\tDel", "Edit.DeleteSelected", "Delete faces"},
    {"Remove Hidden", "Edit.RemoveHidden", "Remove hidden faces"},
    {"Remove Selected", "Edit.RemoveSelected", "Remove faces"},
    {"Unremove All", "Edit.UnremoveAll", "Unremove faces"},
    {"Unremove Selected", "Edit.UnremoveSelected", "Unremove selected"},
    {nullptr, nullptr, nullptr},
    {"Select All\tCtrl+A", "Edit.SelectAll", "Select all"},
    {"Invert Selection\tCtrl+Shift+I", "Edit.InvertSelection", "Select invert"},
    {"Deselect All\tCtrl+D", "Edit.DeselectAll", "Deselect all"},
    {"Grow Selection\tCtrl+]", "Edit.GrowSelection", "Grow selection"},
    {"Select Border", "Edit.SelectBorder", "Select border edge"},
    {nullptr, nullptr, nullptr},
    {"Lock Selected\tShift+F", "Edit.LockSelected", "Lock selected"},
    {"Invert Locked", "Edit.InvertLocked", "Invert locked"},
    {"Unlock All\tCtrl+Shift+F", "Edit.UnlockAll", "Unlock all"},
    {nullptr, nullptr, nullptr},
    {"Freeze Selected\tShift+M", "Edit.FreezeSelected", "Freeze selected"},
    {"Invert Freeze\tShift+I", "Edit.InvertFreeze", "Invert freeze"},
    {"Unfreeze All\tShift+U", "Edit.UnfreezeAll", "Unfreeze all"},
};

const Entry kCurves[] = {
    {"New Curve\tCtrl+C", "", "Create NURBS curve"}, {"End Curve\tEnter", "", "Finish curve"},
    {"Close Curve", "", "Close curve"},              {"Stroke On Curve\tShift+C", "", "Draw on curve"},
    {"Duplicate Curve", "", "Duplicate curve"},
};

// The Display menu: plain entries, then the thirteen checkable ones (a null handler in
// the checkable part is a separator).
const Entry kDisplay[] = {
    {"Hide Selected\tH", nullptr, "Hide selected"},
    {"Hide Unselected", nullptr, "Hide unselected"},
    {"Hide All", nullptr, "Hide all"},
    {"Hide All Curves\tCtrl+H", nullptr, "Hide curves"},
    {nullptr, nullptr, nullptr},
    {"Show Selected\tCtrl+U", nullptr, "Unhide selected"},
    {"Show All\tU", nullptr, "Unhide all"},
    {nullptr, nullptr, nullptr},
};
const Entry kDisplayToggles[] = {
    {"Smooth Shade", nullptr, "Toggle shading"},
    {"Wireframe", nullptr, "Toggle wireframe"},
    {"Points", nullptr, "Toggle point render"},
    {"Textures", nullptr, "Toggle show textures"},
    {nullptr, nullptr, nullptr},
    {"Lighting\tCtrl+L", nullptr, "Toggle light"},
    {"Light Both Sides", nullptr, "Toggle 2-sided light"},
    {"Show Both Sides", nullptr, "Toggle culling"},
    {nullptr, nullptr, nullptr},
    {"Grid", nullptr, "Toggle grid display"},
    {"Meshes", nullptr, "Toggle object display"},
    {"Curves", nullptr, "Toggle curve display"},
    {nullptr, nullptr, nullptr},
    {"Gradient Background", nullptr, "Toggle gradient background"},
    {"Full Screen\tCtrl+T", nullptr, "Full screen"},
    {"Expert Mode\tT", nullptr, "Expert mode"},
};

struct MeshEntry {
    const char *text;
    const char *shortcut;
    bool optionBox;
    const char *help;
    const char *handler;
};

const MeshEntry kMesh[] = {
    {"Subdivide Selection", "Shift+D", true, "Mesh.SubdivideSelection", "Subdivide faces"},
    {"Step Level Up", "PgUp", false, "Mesh.StepLevelUp", "Level up faces"},
    {"Step Level Down", "PgDown", false, "Mesh.StepLevelDown", "Level down faces"},
    {"Delete Highest Level", "", false, "Mesh.RemoveHighestLevel", "Delete highest level"},
    {"Recreate Level UVs", "", false, "Mesh.RecreateLevelUvs", "Recreate UVs"},
    {"Move Levels Data", "", false, "Mesh.MoveLevelData", "Move Levels Data"},
    {nullptr, nullptr, false, nullptr, nullptr},
    {"Set Topological Axis", "Ctrl+V", false, "Mesh.SetTopologicalAxis", "Set symmetry"},
};

template <size_t N>
QList<QAction *> AddEntries(QMenu *menu, const Entry (&entries)[N])
{
    QList<QAction *> added;
    for (const Entry &entry : entries) {
        if (!entry.text) {
            menu->addSeparator();
            continue;
        }
        QAction *action = menu->addAction(QString::fromLatin1(entry.text));
        action->setData(QString::fromLatin1(entry.handler));
        if (entry.help)
            action->setWhatsThis(Tevrin::ReadHelpPage(QString::fromLatin1(entry.help)));
        added << action;
    }
    return added;
}

// Files of a folder matching the pattern, by base name, in the folder's own order.
QStringList BaseNames(const QString &folder, const QString &pattern)
{
    QStringList names;
    const QDir dir(folder);
    for (const QFileInfo &info : dir.entryInfoList({pattern}, QDir::Files, QDir::Unsorted))
        names << info.completeBaseName();
    return names;
}

}  // namespace

QString Tevrin::ReadHelpPage(const QString &page)
{
    QFile file(GUI::HelpFile(QStringLiteral("whatsthis/%1.html").arg(page)));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QMenu *Tevrin::AddMenu(const QString &title)
{
    QMenu *menu = menuBar()->addMenu(title);
    menu->setObjectName(title);
    menu->setTearOffEnabled(false);
    connect(menu, &QMenu::aboutToShow, this, &Tevrin::OnShowMenu);
    connect(menu, &QMenu::aboutToHide, this, &Tevrin::OnHideMenu);
    return menu;
}

void Tevrin::BuildMainMenu()
{
    menuBar()->clear();
    m_pRecentMenu = nullptr;
    BuildFileMenu();
    BuildEditMenu();
    BuildCreateMenu();
    BuildMeshMenu();
    BuildCurvesMenu();
    BuildDisplayMenu();
    BuildUtilitiesMenu();
    BuildWindowsMenu();
    BuildHelpMenu();
}

void Tevrin::BuildFileMenu()
{
    QMenu *file = AddMenu(tr("File"));
    connect(file, &QMenu::triggered, this, &Tevrin::OnMenu);
    AddEntries(file, kFile);
    file->addSeparator();
    m_pRecentMenu = file->addMenu(tr("Recent Files"));
    m_pRecentMenu->setObjectName(QStringLiteral("Recent Files"));
    connect(m_pRecentMenu, &QMenu::aboutToShow, this, &Tevrin::OnShowRecent);
    connect(m_pRecentMenu, &QMenu::triggered, this, &Tevrin::OnRecent);
    file->addSeparator();
    QAction *exit = file->addAction(tr("Exit"), this, &Tevrin::Quit);
    exit->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
}

void Tevrin::BuildEditMenu()
{
    QMenu *edit = AddMenu(tr("Edit"));
    connect(edit, &QMenu::triggered, this, &Tevrin::OnMenu);
    AddEntries(edit, kEdit);
}

void Tevrin::BuildCreateMenu()
{
    QMenu *create = AddMenu(tr("Create"));
    connect(create, &QMenu::triggered, this, &Tevrin::OnCreate);
    QMenu *meshes = create->addMenu(tr("Mesh"));
    for (const char *suffix : {".obj", ".tev"})
        for (const QString &name :
             General::ShippedBaseNames(QStringLiteral("Meshes"), QStringLiteral("*") + QLatin1String(suffix)))
            meshes->addAction(name)->setData(QString::fromLatin1(suffix));
    QMenu *curves = create->addMenu(tr("Curves"));
    for (const QString &name : General::ShippedBaseNames(QStringLiteral("Curves"), QStringLiteral("*.tev")))
        curves->addAction(name)->setData(QStringLiteral("Spline"));
    create->addAction(tr("Camera"))->setData(QStringLiteral("Camera"));
    create->addAction(tr("Light"))->setData(QStringLiteral("Light"));
    create->addAction(tr("Material"))->setData(QStringLiteral("Material"));
    create->addAction(tr("Selection Set"))->setData(QStringLiteral("SelectionSet"));
}

void Tevrin::BuildMeshMenu()
{
    auto *mesh = new QTvMenu(this);
    mesh->setTitle(tr("Mesh"));
    mesh->setObjectName(QStringLiteral("Mesh"));
    mesh->setTearOffEnabled(false);
    menuBar()->addMenu(mesh);
    connect(mesh, &QMenu::aboutToShow, this, &Tevrin::OnShowMenu);
    connect(mesh, &QMenu::aboutToHide, this, &Tevrin::OnHideMenu);
    connect(mesh, &QMenu::triggered, this, &Tevrin::OnMenu);
    connect(mesh, &QTvMenu::optionBoxActivated, this, &Tevrin::OnMenuOption);
    for (const MeshEntry &entry : kMesh) {
        if (!entry.text) {
            mesh->AddSeparator();
            continue;
        }
        // The shortcut is shown in the row; the key itself reaches the handler table.
        auto *action = new QTvAction(QString::fromLatin1(entry.text), QString::fromLatin1(entry.shortcut),
                                     entry.optionBox, mesh);
        action->setData(QString::fromLatin1(entry.handler));
        action->setWhatsThis(ReadHelpPage(QString::fromLatin1(entry.help)));
        mesh->AddAction(action);
    }
}

void Tevrin::BuildCurvesMenu()
{
    QMenu *curves = AddMenu(tr("Curves"));
    connect(curves, &QMenu::triggered, this, &Tevrin::OnMenu);
    AddEntries(curves, kCurves);
}

void Tevrin::BuildDisplayMenu()
{
    QMenu *display = AddMenu(tr("Display"));
    connect(display, &QMenu::triggered, this, &Tevrin::OnMenu);
    // Toggles may change without the menu (keys, the view's own menu): the marks are read
    // again whenever it opens.
    connect(display, &QMenu::aboutToShow, this, &Tevrin::UpdateDisplayMenu);
    AddEntries(display, kDisplay);
    const QList<QAction *> toggles = AddEntries(display, kDisplayToggles);
    for (int i = 0; i < toggles.size() && i < 13; ++i) {
        toggles[i]->setCheckable(true);
        m_aDisplayActions[i] = toggles[i];
    }
    UpdateDisplayMenu();
}

void Tevrin::BuildUtilitiesMenu()
{
    QMenu *utilities = AddMenu(tr("Utilities"));
    connect(utilities, &QMenu::triggered, this, &Tevrin::OnMenu);
    // The operations already made are listed whenever the menu opens, so a closed window of
    // one can be opened again; only the last entry makes a new one. A new baking operation
    // is a node of its class with its page; a new displacement gets its target first.
    const struct {
        const char *title;
        const General::TypeInfo *record;
        const char *handler;
    } kinds[] = {{"Texture Baking", &MapExtraction::Mapper::s_typeInfo, nullptr},
                 {"Mesh Displacement", &Displacement::DisplaceOperation::s_typeInfo, "Mesh displace"}};
    for (const auto &kind : kinds) {
        QMenu *menu = utilities->addMenu(tr(kind.title));
        const General::TypeInfo *record = kind.record;
        const QString handler = QString::fromLatin1(kind.handler);
        connect(menu, &QMenu::aboutToShow, this, [this, menu, record, handler] {
            FillOperationMenu(menu, record, handler);
        });
        FillOperationMenu(menu, record, handler);
    }
    // The baking window sets up and runs one bake at a time without keeping an operation.
    utilities->addSeparator();
    utilities->addAction(tr("Texture Baking Window"))->setData(QStringLiteral("Texture bake"));
}

void Tevrin::FillOperationMenu(QMenu *menu, const General::TypeInfo *record, const QString &handler)
{
    menu->clear();
    bool listed = false;
    for (General::Node *node = General::Node::GetHead(); node; node = node->GetNext()) {
        if (node->GetTypeInfo() != record || node->GetName().isEmpty())
            continue;
        // No data: the menu bar's command slot leaves these to their own connection.
        QAction *entry = menu->addAction(node->GetName());
        const QString name = node->GetName();
        connect(entry, &QAction::triggered, this, [this, record, name] { OpenOperation(record, name); });
        listed = true;
    }
    if (listed)
        menu->addSeparator();
    QAction *create = menu->addAction(tr("New Operation"));
    if (!handler.isEmpty()) {
        create->setData(handler);
        return;
    }
    connect(create, &QAction::triggered, this, [this, record] {
        if (!CommandsAllowed())
            return;
        // The node lives in the node list until the window's end.
        General::Node *node = record->Create(1);
        if (!node)
            return;
        m_aOperationsMade.append({node, node->GetId()});
        OpenOperation(record, node->GetName());
    });
}

void Tevrin::OpenOperation(const General::TypeInfo *record, const QString &name)
{
    // Found again by name: the node may have gone while the menu stood open.
    if (!CommandsAllowed())
        return;
    for (General::Node *node = General::Node::GetHead(); node; node = node->GetNext()) {
        if (node->GetTypeInfo() != record || node->GetName() != name)
            continue;
        auto *page = new GUI::CollapsableContainer(nullptr, true);
        page->AddNode(node);
        auto *panel = new GUI::FloatingPanel(this, page, name, false);
        panel->setAttribute(Qt::WA_DeleteOnClose);
        return;
    }
}

void Tevrin::BuildWindowsMenu()
{
    QMenu *windows = AddMenu(tr("Windows"));
    connect(windows, &QMenu::triggered, this, &Tevrin::OnWindow);
    for (int i = 0; i < GUI::DialogFactory::GetCount(); ++i) {
        const QString title = GUI::DialogFactory::GetTitle(i);
        if (title == QLatin1String("Tray") || title == QLatin1String("Properties") ||
            title == QLatin1String("Node View"))
            continue;
        windows->addAction(title)->setData(GUI::DialogFactory::GetClassName(i));
    }
    QMenu *properties = windows->addMenu(tr("Properties"));
    for (const char *page : {"Brush", "Camera", "Geometry", "Light", "Material", "Stencil", "ImagePlane"})
        properties->addAction(tr(page))->setData(QStringLiteral("PropertiesDialog"));
    // The tray kinds, then the user's own trays from the settings folder, then a new one.
    QMenu *trays = windows->addMenu(tr("Trays"));
    const QStringList kinds = General::TrayItemTypes();
    for (const QString &kind : kinds)
        trays->addAction(kind)->setData(QStringLiteral("MTray"));
    trays->addSeparator();
    const QString folder = QDir(WindowSettings::Current().settingFolder).filePath(QStringLiteral("trays"));
    for (const QString &name : BaseNames(folder, QStringLiteral("*.txt")))
        if (!kinds.contains(name, Qt::CaseSensitive))
            trays->addAction(name)->setData(QStringLiteral("MTray"));
    trays->addSeparator();
    trays->addAction(tr("Custom"))->setData(QStringLiteral("MTray"));
}

void Tevrin::BuildHelpMenu()
{
    // Entries call their own slots; no data, no shortcuts set.
    QMenu *help = AddMenu(tr("Help"));
    help->addAction(tr("Help Tool\tAlt+F1"), this, &Tevrin::OnHelpTool);
    help->addAction(tr("Documentation\tF1"), this, &Tevrin::OnDocumentation);
    help->addSeparator();
    help->addAction(tr("System Info"), this, &Tevrin::OnSysInfo);
    help->addSeparator();
    help->addAction(tr("About Orvexa Tevrin"), this, &Tevrin::OnAbout);
}

void Tevrin::OnShowRecent()
{
    if (!m_pRecentMenu)
        return;
    m_pRecentMenu->clear();
    // The list keeps the newest file first.
    const QStringList &files = m_cRecentFiles.Files();
    for (int i = 0; i < files.size(); ++i)
        m_pRecentMenu->addAction(QStringLiteral("%1. %2").arg(i + 1).arg(files[i]))->setData(files[i]);
}

void Tevrin::OnWindow(QAction *action)
{
    if (!action || !CommandsAllowed() || !action->data().isValid())
        return;
    QString title = action->text();
    if (action->data().toString() == QLatin1String(GUI::MTray::kClassName)) {
        // Two trays of one name would write one file: an open tray comes forward, and only
        // "Custom" makes another one, under a free name.
        if (GUI::MTray *open = GUI::FindTray(title)) {
            if (title != QLatin1String("Custom")) {
                open->BringForward();
                return;
            }
            title = GUI::FreeTrayName(title);
        }
    }
    const QByteArray name = title.toUtf8();
    QWidget *window = GUI::DialogFactory::CreateByName(action->data().toString(), this, name.constData());
    if (!window)
        return;
    window->setWindowTitle(title);
    window->setParent(this, GUI::kFloatingPanelFlags);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->move(100, 100);
    window->show();
    if (auto *properties = qobject_cast<GUI::PropertiesDialog *>(window)) {
        properties->MakeFloating();
        properties->BuildPanel(title, GUI::PropertiesDialog::PageNode(title));
        properties->adjustSize();
    }
}

void Tevrin::UpdateDisplayMenu()
{
    if (!m_aDisplayActions[12])
        return;
    const ViewToggles toggles = m_pView ? m_pView->m_cToggles : ViewToggles();
    const bool marks[13] = {toggles.m_bSmoothShade,   toggles.m_bWireframe,   toggles.m_bPoints,
                            toggles.m_bTextures,      toggles.m_bLighting,    toggles.m_bTwoSidedLight,
                            !toggles.m_bCulling,      toggles.m_bGrid,        toggles.m_bShowMeshes,
                            toggles.m_bShowCurves,    toggles.m_bGradientBackground,
                            isFullScreen(),           m_bExpertMode};
    for (int i = 0; i < 13; ++i)
        m_aDisplayActions[i]->setChecked(marks[i]);
}

void Tevrin::ToggleExpertMode()
{
    const QList<QDockWidget *> docks = findChildren<QDockWidget *>(Qt::FindDirectChildrenOnly);
    auto setDocks = [&docks](int first, bool shown) {
        for (int i = first; i < first + 2 && i < docks.size(); ++i)
            docks[i]->setVisible(shown);
    };
    if (m_bExpertMode) {
        setDocks(0, true);
        setDocks(2, true);
        statusBar()->show();
        menuBar()->show();
    } else if (const Preferences *preferences = m_pPreferences.get()) {
        if (preferences->ExpertSouthFrame)
            setDocks(0, false);
        if (preferences->ExpertEastFrame)
            setDocks(2, false);
        if (preferences->ExpertStatusBar)
            statusBar()->hide();
        // Without a key to leave by, the menu's "Expert Mode" entry is the only way back.
        const Handler *leave =
            m_pInterface ? m_pInterface->m_cEventHandler.FindHandlerByName("Expert mode") : nullptr;
        if (preferences->ExpertMenuBar && leave && leave->m_iKey != 0)
            menuBar()->hide();
    }
    m_bExpertMode = !m_bExpertMode;
    UpdateDisplayMenu();
}
