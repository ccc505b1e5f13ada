#include "app/services/WindowServices.h"

#include "interaction/undo/OperationFactory.h"
#include "mapping/displacement/DisplaceRecord.h"

WindowServices::WindowServices(Tevrin &window)
    : m_cShell(window),
      m_cInteraction(window, m_cCurveEditing),
      m_cFiles(window),
      m_cCommands(window),
      m_cCurves(window),
      m_cCurveOperations(m_cCurveEditing),
      m_cPreferencesDialog(window),
      m_cScene(window, m_cCurveEditing),
      m_cPanels(window, m_cCurveEditing),
      m_cMeshes(window),
      m_cLayerLists(window),
      m_cCurveEditors(window)
{
}

WindowServices::~WindowServices()
{
    Uninstall();
    if (&General::Shell() == &m_cShell)
        General::InstallShell(m_pPreviousShell);
}

void WindowServices::InstallShell()
{
    m_pPreviousShell = &General::Shell();
    General::InstallShell(&m_cShell);
}

void WindowServices::Install()
{
    MeshHost::Install(&m_cMeshes);
    // Undo and redo re-create operations by type id; selection edits become user actions.
    RegisterObjectOperations();
    RegisterBrushOperations();
    SetOperationMaker(Operations::kDisplace, [] { return std::make_unique<Displacement::DisplaceRecord>(); });
    InstallUndoableSelection();
    // After the selection edits, which install a scene side of their own.
    SceneServices::Install(&m_cScene);
    InteractionServices::Install(&m_cInteraction);
    FileServices::Install(&m_cFiles);
    GUI::CommandHandlers::Install(&m_cCommands);
    ViewOverlayHost::Install(&m_cOverlays);
    ViewCommandHost::Install(&m_cViewCommands);
    Operations::BrushServices::Install(&m_cBrushes);
    General::InstallCurveServices(&m_cCurves);
    Operations::CurveOperationHost::Install(&m_cCurveOperations);
    GUI::TrayServices::Install(&m_cTrays);
    MapExtraction::MappingHost::Install(&m_cMapping);
    PreferencesDialogHost::Install(&m_cPreferencesDialog);
    GUI::LayerListHost::Install(&m_cLayerLists);
    // The view shows the layer weights when the switch was on last time.
    m_cLayerLists.SetShowLayerMask(m_cLayerLists.ShowLayerMask());
    GUI::CurveEditorSettings::Install(&m_cCurveEditors);
    GUI::PanelServices::Install(&m_cPanels);
    // The stencil samples and draws with what the settings file held.
    m_cPanels.SetStencilSettings(m_cPanels.GetStencilSettings());
}

void WindowServices::Uninstall()
{
    m_cCurveEditing.End();
    GUI::LayerListHost::Install(nullptr);
    GUI::CurveEditorSettings::Install(nullptr);
    GUI::PanelServices::Install(nullptr);
    PreferencesDialogHost::Install(nullptr);
    MapExtraction::MappingHost::Install(nullptr);
    GUI::TrayServices::Install(nullptr);
    Operations::CurveOperationHost::Install(nullptr);
    General::InstallCurveServices(nullptr);
    Operations::BrushServices::Install(nullptr);
    ViewCommandHost::Install(nullptr);
    ViewOverlayHost::Install(nullptr);
    GUI::CommandHandlers::Install(nullptr);
    FileServices::Install(nullptr);
    InteractionServices::Install(nullptr);
    if (&SceneServices::Get() == &m_cScene)
        SceneServices::Install(nullptr);
    if (&MeshHost::Get() == &m_cMeshes)
        MeshHost::Install(nullptr);
}
