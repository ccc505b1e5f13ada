#pragma once
// Everything the main window installs for the layers below it, installed together once
// the controller exists and taken out together before it goes.

#include "app/services/AppBrushServices.h"
#include "app/services/AppCommandHandlers.h"
#include "app/services/AppCurveEditorSettings.h"
#include "app/services/AppCurveOperationHost.h"
#include "app/services/AppCurveServices.h"
#include "app/services/AppFileServices.h"
#include "app/services/AppInteractionServices.h"
#include "app/services/AppLayerListHost.h"
#include "app/services/AppMappingHost.h"
#include "app/services/AppMeshHost.h"
#include "app/services/AppPanelServices.h"
#include "app/services/AppPreferencesDialogHost.h"
#include "app/services/AppSceneServices.h"
#include "app/services/AppTrayServices.h"
#include "app/services/AppViewCommandHost.h"
#include "app/services/AppViewOverlayHost.h"
#include "app/services/CurveEditing.h"
#include "app/services/WindowShell.h"

class WindowServices {
public:
    explicit WindowServices(Tevrin &window);
    ~WindowServices();
    WindowServices(const WindowServices &) = delete;
    WindowServices &operator=(const WindowServices &) = delete;

    // The shell comes first and leaves last: everything else may report through it. The
    // shell installed before comes back when this one goes.
    void InstallShell();
    void Install();
    // Takes out all but the shell, which stays until the window's widgets are gone.
    void Uninstall();

    WindowShell m_cShell;
    CurveEditing m_cCurveEditing;
    AppInteractionServices m_cInteraction;
    AppFileServices m_cFiles;
    AppCommandHandlers m_cCommands;
    AppViewOverlayHost m_cOverlays;
    AppViewCommandHost m_cViewCommands;
    AppBrushServices m_cBrushes;
    AppCurveServices m_cCurves;
    AppCurveOperationHost m_cCurveOperations;
    AppTrayServices m_cTrays;
    AppMappingHost m_cMapping;
    AppPreferencesDialogHost m_cPreferencesDialog;
    AppSceneServices m_cScene;
    AppPanelServices m_cPanels;
    AppMeshHost m_cMeshes;
    AppLayerListHost m_cLayerLists;
    AppCurveEditorSettings m_cCurveEditors;

private:
    General::ShellServices *m_pPreviousShell = nullptr;
};
