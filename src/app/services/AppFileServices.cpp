#include "app/services/AppFileServices.h"

#include "app/dialogs/MapperDlg.h"
#include "app/settings/Preferences.h"
#include "app/window/Tevrin.h"
#include "gui/common/ModalDialogs.h"
#include "gui/dialogs/OptionDialogs.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "gui/layouts/CollapsableContainer.h"
#include "gui/panels/FloatingPanel.h"
#include "gui/panels/PanelWindow.h"
#include "mapping/displacement/DisplaceOperation.h"
#include "mesh/object/MeshHost.h"

#include <QDir>
#include <QMenu>

#include <memory>

namespace {
void AddRows(QMenu &menu, const QList<MenuRow> &rows)
{
    for (const MenuRow &row : rows) {
        if (row.text.isEmpty()) {
            menu.addSeparator();
        } else if (!row.rows.isEmpty()) {
            QMenu *sub = menu.addMenu(row.text);
            AddRows(*sub, row.rows);
        } else {
            QAction *action = menu.addAction(row.text);
            action->setData(row.id);
            action->setEnabled(row.enabled);
        }
    }
}
}  // namespace

QString AppFileServices::GetSaveFileName(const QString &caption, const QString &folder, const QString &filter,
                                         QString &chosenFilter)
{
    return GUI::Modals().GetSaveFileName(&m_rWindow, caption, folder, filter, chosenFilter);
}

QString AppFileServices::GetOpenFileName(const QString &caption, const QString &folder, const QString &filter)
{
    return GUI::Modals().GetOpenFileName(&m_rWindow, caption, folder, filter);
}

QStringList AppFileServices::GetOpenFileNames(const QString &caption, const QString &folder, const QString &filter)
{
    return GUI::Modals().GetOpenFileNames(&m_rWindow, caption, folder, filter);
}

bool AppFileServices::AskImportOptions(bool uv, ImportChoice &choice)
{
    // A UV import matches by position; a layer import by vertex id or UV position.
    GUI::ImportOptions dialog(&m_rWindow, uv);
    if (!GUI::Modals().Run(dialog))
        return false;
    choice.matchMode = dialog.m_iMatchMode;
    choice.tolerance = dialog.m_fTolerance;
    choice.isolate = dialog.m_bDeltaToBase;
    return true;
}

bool AppFileServices::AskExportOptions(bool severalLevels, bool uv, ExportChoice &choice)
{
    GUI::ExportOptions dialog(&m_rWindow, uv, severalLevels);
    if (!GUI::Modals().Run(dialog))
        return false;
    choice.texCoords = dialog.m_bExportUVs;
    choice.perLevelFiles = dialog.m_bSeparateFiles;
    return true;
}

int AppFileServices::ChooseFromMenu(const QList<MenuRow> &rows, const QPoint &globalPosition)
{
    QMenu menu(&m_rWindow);
    AddRows(menu, rows);
    const QAction *chosen = menu.exec(globalPosition);
    return chosen ? chosen->data().toInt() : -1;
}

QString AppFileServices::GetSceneFolder() const
{
    const Preferences *preferences = m_rWindow.GetPreferences();
    return preferences ? preferences->LastSceneFolder : QString();
}

void AppFileServices::SetSceneFolder(const QString &folder)
{
    // The preferences keep folders with their separator.
    if (Preferences *preferences = m_rWindow.GetPreferences())
        preferences->LastSceneFolder = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString AppFileServices::GetExportFolder() const
{
    const Preferences *preferences = m_rWindow.GetPreferences();
    return preferences ? preferences->LastExportFolder : QString();
}

bool AppFileServices::KeepsBackup() const
{
    const Preferences *preferences = m_rWindow.GetPreferences();
    return preferences && preferences->CreateBackup;
}

void AppFileServices::AddRecentFile(const QString &file) { m_rWindow.GetRecentFiles().Add(file); }

void AppFileServices::ToggleFullScreen()
{
    // Between full screen and maximised, never back to a plain window.
    if (m_rWindow.isFullScreen())
        m_rWindow.showMaximized();
    else
        m_rWindow.showFullScreen();
    m_rWindow.UpdateDisplayMenu();
}

void AppFileServices::Quit() { m_rWindow.Quit(); }

AppFileServices::~AppFileServices()
{
    // The displacement operations the user left end with the window.
    for (General::Node *node = General::Node::GetHead(); node;) {
        General::Node *next = node->GetNext();
        if (node->GetTypeInfo() == &Displacement::DisplaceOperation::s_typeInfo)
            delete node;
        node = next;
    }
}

void AppFileServices::ShowMeshDisplace()
{
    // The node lives in the node list until its "Delete Operation" or the window's end.
    auto *operation = new Displacement::DisplaceOperation;
    operation->m_pScene = m_rWindow.GetScene();
    if (Object *active = MeshHost::Get().GetActiveObject())
        operation->m_aTargetMesh.SetValue(active);
    GUI::CurrentNode().SetValue(operation);
}

void AppFileServices::ShowTextureBake()
{
    auto *dialog = new GUI::MapperDlg(&m_rWindow);
    dialog->show();
    dialog->MakeFloating();
}

void AppFileServices::ShowProperties(const QString &type, General::Node *node, bool lock)
{
    if (!node)
        return;
    auto *window = new GUI::PropertiesDialog(&m_rWindow, "Properties", true);
    window->setWindowFlags(GUI::kFloatingPanelFlags);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->move(100, 100);
    window->show();
    window->MakeFloating();
    window->BuildPanel(type, node);
    window->adjustSize();
    if (lock)
        window->OnSetLock(GUI::PropertiesDialog::kLockObject);
}

void AppFileServices::EditMaterial(General::Node *material)
{
    if (!material)
        return;
    auto *page = new GUI::CollapsableContainer(nullptr, true);
    page->AddNode(material);
    auto *panel = new GUI::FloatingPanel(&m_rWindow, page, material->GetName(), false);
    panel->setAttribute(Qt::WA_DeleteOnClose);
}
