// Tevrin's entry point. For now it starts the Qt application, the log and the scene; the
// main window and the command line arrive with the application shell.
#include "foundation/Diagnostics.h"
#include "foundation/Stream.h"
#include "gui/progress/ProgressShell.h"
#include "scene/Brush.h"
#include "scene/Scene.h"
#include "scene/SceneGlobals.h"
#include "scene/SceneMeshHost.h"
#include "scene/camera/Light.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    InitializeSceneGlobals();  // the scene layer brings up the layers below it first
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tevrin"));
    Log("Tevrin starting, stream version %d\n", Stream::kCurrentVersion);
    CreateDefaultFalloffs();
    // The main scene lives as long as the program; the mesh model reaches it through the host.
    Scene scene;
    SceneMeshHost meshHost;
    MeshHost::Install(&meshHost);
    scene.AddLight(new Light);
    scene.CreateDefaultCameras();
    QLabel window(QStringLiteral("Tevrin is being built: the sculpting window arrives with the application shell."));
    window.setWindowTitle(QStringLiteral("Tevrin"));
    window.setMinimumSize(640, 240);
    window.setAlignment(Qt::AlignCenter);
    // Long operations of the lower layers show their progress in the window.
    GUI::ProgressShell shell;
    shell.SetProgressHolder(&window);
    General::InstallShell(&shell);
    window.show();
    const int result = QApplication::exec();
    General::InstallShell(nullptr);
    MeshHost::Install(nullptr);
    return result;
}
