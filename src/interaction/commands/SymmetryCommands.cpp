#include "interaction/Interface.h"
#include "interaction/commands/CommandSupport.h"
#include "interaction/commands/Commands.h"
#include "interaction/commands/TargetRule.h"
#include "interaction/commands/TopologicalSymmetry.h"
#include "interaction/commands/UnrecordedChange.h"
#include "interaction/commands/ViewCommandHost.h"
#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "foundation/math/AABB.h"
#include "mesh/object/Object.h"
#include "operations/selection/SelectFaceOperation.h"
#include "scene/Brush.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"
#include "mesh/object/ShownSelection.h"

#include <algorithm>

using General::Vector;

namespace {

// The picture follows the new camera, and the pick and the brush ring with it.
void AfterFocus(Interface &owner)
{
    Interface::Redraw();
    owner.UpdateMousePosition(owner.m_fMouseX * float(InteractionHost().GetViewWidth()),
                              owner.m_fMouseY * float(InteractionHost().GetViewHeight()));
}

// Grows the selection or selects the border edge on every level of the target objects as
// one undoable action; an action that would select nothing is not recorded.
void SelectAroundSelection(Interface &owner, bool grow)
{
    Scene *scene = Scene::GetCurrent();
    if (!scene)
        return;
    Operations::SelectFaceOperation operation(nullptr, nullptr, 0);
    bool anyFace = false;
    for (Object *object : Commands::FindTargets(owner, *scene).objects) {
        for (SubdivLevel *level = object->GetBaseLevel(); level; level = level->GetNextLevel(false)) {
            if (grow && !HasShownSelection(*level))
                continue;
            if (grow)
                operation.GrowSelection(level);
            else
                operation.SelectBorderEdge(level);
            anyFace = anyFace || level->m_aSelectedFaces.GetItemCount() > 0;
        }
    }
    if (anyFace)
        Interface::ExecuteOperation(&operation, Interface::UndoStack(), true, 0, true);
}

struct MirrorCommand {
    const char *m_pHandler;
    int m_iMode;
    Vector m_vNormal;
};

}  // namespace

void Commands::InstallSymmetryCommands(EventHandler &handlers, Interface &owner)
{
    static const MirrorCommand kMirrors[] = {
        {"Mirror off", 0, Vector(0, 0, 0)},   {"Mirror X", 1, Vector(1, 0, 0)}, {"Mirror Y", 1, Vector(0, 1, 0)},
        {"Mirror Z", 1, Vector(0, 0, 1)}, {"Mirror tangent", -1, Vector(0, 0, 0)},
    };
    for (const MirrorCommand &mirror : kMirrors) {
        handlers.SetBody(mirror.m_pHandler, [&mirror](int event) -> Function * {
            if (!Commands::OnPress(event))
                return nullptr;
            ViewCommands().SetMirror(mirror.m_iMode, mirror.m_vNormal);
            InteractionHost().RefreshBrushPage();
            return nullptr;
        });
    }
    handlers.SetBody("Set symmetry", [](int event) -> Function * {
        if (!Commands::OnPress(event))
            return nullptr;
        Log("Set symmetry\n");
        if (Scene *scene = Scene::GetCurrent())
            SetTopologicalSymmetry(*scene);
        return nullptr;
    });
    for (const bool grow : {true, false}) {
        handlers.SetBody(grow ? "Grow selection" : "Select border edge", [&owner, grow](int event) -> Function * {
            if (Commands::OnPress(event))
                SelectAroundSelection(owner, grow);
            return nullptr;
        });
    }
    handlers.SetBody("Focus on mouse", [&owner](int event) -> Function * {
        if (!Commands::OnPress(event))
            return nullptr;
        Log("Camera focus on mouse\n");
        Scene *scene = Scene::GetCurrent();
        Camera *camera = scene ? scene->m_pActiveCamera : nullptr;
        if (!camera || !owner.m_cHit.mesh)
            return nullptr;
        float radius = camera->m_aNearPlane.GetValue();
        // The settings file may hold any dolly amount: only a positive one scales the brush.
        const float dolly = ViewCommands().DollyAmount();
        if (owner.m_pCurrentTool && dolly > 0.0f)
            radius = std::max(radius, owner.m_pCurrentTool->GetSize() * 100.0f / dolly);
        camera->FocusOn(owner.m_cHit.position, radius);
        AfterFocus(owner);
        return nullptr;
    });
    handlers.SetBody("Focus on selection", [&owner](int event) -> Function * {
        if (!Commands::OnPress(event))
            return nullptr;
        Log("Camera focus on selection\n");
        Scene *scene = Scene::GetCurrent();
        Camera *camera = scene ? scene->m_pActiveCamera : nullptr;
        if (!camera)
            return nullptr;
        AABB box;
        const bool faces = scene->HasSelectedFaces();
        for (int i = 0; i < scene->GetObjectCount(); ++i) {
            Object *object = scene->GetObject(i);
            if (!faces || object->HasSelectedFaces())
                box.Extend(object->GetWorldAABB(true));
        }
        // An empty box has no centre and a negative size: there is nothing to frame.
        if (box.IsEmpty()) {
            General::Shell().SetStatusMessage(QStringLiteral("Nothing to focus on."), 1);
            return nullptr;
        }
        camera->FocusOn((box.m_vMin + box.m_vMax) * 0.5f, box.GetMaxSize());
        AfterFocus(owner);
        return nullptr;
    });
    handlers.SetBody("Recreate UVs", [](int event) -> Function * {
        Scene *scene = Scene::GetCurrent();
        if (!Commands::OnPress(event) || !scene || scene->GetObjectCount() == 0)
            return nullptr;
        for (int i = 0; i < scene->GetObjectCount(); ++i) {
            Object *object = scene->GetObject(i);
            object->GetHighestLevel()->RecreateUVs(false);
        }
        MarkUnrecordedChange();
        Interface::Redraw();
        return nullptr;
    });
    handlers.SetBody("Rebuild octree", [&owner](int event) -> Function * {
        Scene *scene = Scene::GetCurrent();
        if (!Commands::OnPress(event) || !scene)
            return nullptr;
        for (Object *object : Commands::FindTargets(owner, *scene).objects) {
            for (SubdivLevel *level = object->GetBaseLevel(); level; level = level->GetNextLevel(false)) {
                level->GetAABB(true);
                level->BuildOctree();
            }
        }
        return nullptr;
    });
    handlers.SetBody("Undo", [](int event) -> Function * {
        if (Commands::OnPress(event)) {
            Log("Undo\n");
            Interface::UndoRedo(Interface::UndoStack());
        }
        return nullptr;
    });
    handlers.SetBody("Redo", [](int event) -> Function * {
        if (Commands::OnPress(event)) {
            Log("Redo\n");
            Interface::UndoRedo(Interface::RedoStack());
        }
        return nullptr;
    });
}
