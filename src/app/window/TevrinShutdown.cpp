// The main window's tear-down, in a fixed order: the log closes, the controller lets go of
// the scene's objects and curves, the windows that show scene nodes let go of them, and
// only then the scene, the controller and the preferences go.
#include "app/window/Tevrin.h"

#include "app/services/WindowServices.h"
#include "app/settings/Preferences.h"
#include "app/startup/Console.h"
#include "app/startup/InstanceLock.h"
#include "app/startup/RunLog.h"
#include "app/window/WindowSettings.h"
#include "foundation/Diagnostics.h"
#include "foundation/Globals.h"
#include "foundation/Memory.h"
#include "foundation/Node.h"
#include "gui/dialogs/Dialog.h"
#include "gui/panels/Frame.h"
#include "gui/panels/TabPanel.h"
#include "gui/trays/MTray.h"
#include "interaction/Interface.h"
#include "scene/Scene.h"
#include "viewport/view/SceneView.h"

#include <QApplication>
#include <QDockWidget>
#include <QPointer>

#include <algorithm>


Tevrin::~Tevrin()
{
    QApplication::instance()->removeEventFilter(this);
    Log("Shutdown, memory used: %d Megabytes\n", int(General::GetCountedMemory() >> 20));
    Console("Closing log...\n");
    RunLog::CloseLogFile();
    if (m_pScene)
        m_pScene->m_pActiveCamera = nullptr;
    if (m_pInterface) {
        m_pInterface->SetActiveObject(nullptr);
        m_pInterface->SelectObject(nullptr, false);
    }
    m_pServices->m_cCurveEditing.End();
    // Trays and bookmark lists save their files as they are destroyed, into the settings
    // folder current now.
    const QString settings = WindowSettings::Current().settingFolder;
    General::TraysFolder() = settings;
    General::BookmarksFolder() = settings;
    DeleteFrames();
    ReleasePropertyWindows();
    for (const auto &[node, id] : m_aOperationsMade)
        if (General::Node::IsLive(node) && node->GetId() == id)
            delete node;

    Console("Deleting scene...\n");
    // The view's context stays for the video buffers the scene's levels release.
    m_pScene.reset();
    Console("Deleting interface...\n");
    m_pServices->Uninstall();
    m_pInterface.reset();
    Console("Deleting preferences...\n");
    m_pPreferences.reset();
    m_pServices.reset();
    s_pInstance = nullptr;
    // The widgets, the 3D view among them, go with the base class.
}

void Tevrin::ReleasePropertyWindows()
{
    // Docked and floating panels point at the scene's nodes: they go before the scene does.
    // The dock frames and the trays stay: they show no scene node. Guarded: a dock may
    // hold panels, and a panel further ones.
    QList<QPointer<QWidget>> windows;
    for (QDockWidget *dock : findChildren<QDockWidget *>())
        if (!qobject_cast<GUI::Frame *>(dock))
            windows << dock;
    const auto docked = [this](const QWidget *panel) {
        return std::any_of(m_lFrames.begin(), m_lFrames.end(),
                           [panel](const QWidget *frame) { return frame->isAncestorOf(panel); });
    };
    for (GUI::Dialog *panel : findChildren<GUI::Dialog *>())
        if (!qobject_cast<GUI::MTray *>(panel) && (!m_pTabPanel || !m_pTabPanel->isAncestorOf(panel)) && !docked(panel))
            windows << panel;
    for (const QPointer<QWidget> &window : windows)
        delete window.data();
}
