// For now the 3D view over a status line; the main window replaces it.
#include "app/InteractiveRoad.h"

#include "app/AppShell.h"
#include "foundation/Diagnostics.h"
#include "foundation/Stream.h"
#include "scene/Brush.h"
#include "scene/Scene.h"
#include "interaction/InteractionMeshHost.h"
#include "scene/camera/Camera.h"
#include "scene/camera/Light.h"
#include "gui/common/Commands.h"
#include "viewport/view/SceneView.h"

#include "mesh/object/Object.h"
#include "interaction/undo/OperationFactory.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>

int RunInteractive(const QString &fileArgument)
{
    Log("Tevrin starting, stream version %d\n", Stream::kCurrentVersion);
    CreateDefaultFalloffs();
    // The main scene lives as long as the program; the mesh model reaches it through the host.
    Scene scene;
    InteractionMeshHost meshHost;
    MeshHost::Install(&meshHost);
    RegisterObjectOperations();  // undo and redo re-create these by type id
    InstallUndoableSelection();
    RegisterBrushOperations();
    scene.AddLight(new Light);
    scene.CreateDefaultCameras();
    // Until the main window exists: the 3D view over a status line.
    QWidget frame;
    frame.setWindowTitle(QStringLiteral("Tevrin"));
    frame.resize(960, 720);
    auto *layout = new QVBoxLayout(&frame);
    auto *view = new SceneView(scene.m_pActiveCamera, &frame);
    QObject::connect(view, &SceneView::CommandRequested, &GUI::RunCommand);
    QLabel window(QStringLiteral("Tevrin is being built: the sculpting window arrives with the application shell."));
    QObject::connect(view, &SceneView::StatusTextChanged, &window, &QLabel::setText);
    layout->addWidget(view, 1);
    layout->addWidget(&window);
    frame.show();

    AppShell shell(&window);
    General::InstallShell(&shell);
    // Mesh files are imported.
    if (!fileArgument.isEmpty()) {
        const QString suffix = QFileInfo(fileArgument).suffix().toLower();
        if (suffix == QLatin1String("obj") || suffix == QLatin1String("bio"))
            // Added, not replacing: the start-up scene is empty, and a replaced scene takes
            // the imported objects' material away with the old material list.
            scene.Import(fileArgument, true, suffix == QLatin1String("bio"), true);
        else
            Log("Cannot open %s: only OBJ and BIO mesh files can be opened for now\n",
                QFile::encodeName(fileArgument).constData());
    }
    if (Object *object = scene.m_pObjects) {
        // Until the preferences frame imports, the view looks at the first object.
        const AABB &box = object->GetAABB(true);
        scene.m_pActiveCamera->FocusOn(box.GetCenter(), box.GetMaxSize());
        scene.m_pActiveCamera->ResetViewRegion(false);
        view->update();
    }
    if (Object *object = scene.m_pObjects)
        window.setText(QStringLiteral("%1 object(s) imported; the first has %2 faces.")
                           .arg(scene.GetObjectCount())
                           .arg(object->m_iFaceCount));

    const int result = QApplication::exec();
    General::InstallShell(nullptr);
    MeshHost::Install(nullptr);
    return result;
}
