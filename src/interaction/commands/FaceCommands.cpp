// The face selection and freeze commands and the entry of "Delete faces": each runs once on
// a press or a menu run, fills the levels' working lists for its operation, records one user
// action and leaves the lists empty, whichever way it ends.
#include "interaction/commands/Commands.h"

#include "foundation/Diagnostics.h"
#include "interaction/Interface.h"
#include "interaction/commands/CommandSupport.h"
#include "interaction/commands/FaceDeletion.h"
#include "interaction/commands/TargetRule.h"
#include "operations/selection/PaintFreezeOperation.h"
#include "operations/selection/SelectFaceOperation.h"

#include <algorithm>

namespace Commands {

namespace {

uint16_t FreezeField(const Mesh &mesh, unsigned face)
{
    return mesh.WithFaces([&](const auto &faces) { return faces[face].m_iFreeze; });
}

// A freeze level 0 to 255 as the face keeps it: sign-extended, so 255 is 0xFFFF.
uint16_t ExtendFreeze(unsigned level) { return uint16_t(int16_t(int8_t(uint8_t(level)))); }

// "Select all" (invert false) and "Select invert" (invert true): one operation for every
// level. False when a level's list cannot be sized; nothing runs then.
bool SelectEveryLevel(Scene &scene, bool invert)
{
    Operations::SelectFaceOperation operation;
    bool sized = true;
    ForEachSceneLevel(scene, [&](Object &, SubdivLevel &level) {
        if (!sized)
            return;
        const unsigned visible = level.m_iFaceCount - std::min(level.m_iHiddenFaces, level.m_iFaceCount);
        if (!invert && (level.m_iSelectedFaces >= level.m_iFaceCount || visible == 0))
            return;
        operation.AddTarget(&level);
        if (!level.m_aSelectedFaces.Reserve(invert ? level.m_iFaceCount : visible, false)) {
            sized = false;
            return;
        }
        for (unsigned f = 0; f < level.m_iFaceCount; ++f) {
            const bool selected = level.IsFaceSelected(f);
            if (invert ? selected || level.IsFaceVisible(f) : level.IsFaceVisible(f))
                operation.AddFace(f, invert ? !selected : true);
        }
    });
    if (sized)
        RunAction(operation);
    ClearWorkingLists(scene);
    return sized;
}

// Gives each face of every level of every object the freeze field `value(field)`.
template <class Value>
void FreezeEveryLevel(Scene &scene, Value &&value)
{
    Operations::PaintFreezeOperation operation;
    ForEachSceneLevel(scene, [&](Object &, SubdivLevel &level) {
        uint32_t frozen = 0;
        for (unsigned f = 0; f < level.m_iFaceCount; ++f)
            frozen += value(FreezeField(level, f)) != 0;
        operation.AddTarget(&level, frozen);
        level.m_aMaskedFaces.Reserve(level.m_iFaceCount, false);
        for (unsigned f = 0; f < level.m_iFaceCount; ++f)
            level.m_aMaskedFaces.Add(MaskedFaceInfo{f, value(FreezeField(level, f))});
    });
    RunAction(operation);
    ClearWorkingLists(scene);
}

void FreezeTargets(Interface &controller, Scene &scene)
{
    const Targets targets = FindTargets(controller, scene);
    Operations::PaintFreezeOperation operation;
    const PickHit &hit = controller.m_cHit;
    const bool overFrozen = hit.mesh && hit.face >= 0 && unsigned(hit.face) < hit.mesh->m_iFaceCount &&
                            FreezeField(*hit.mesh, unsigned(hit.face)) != 0;
    const uint16_t value = overFrozen ? 0 : ExtendFreeze(255);
    for (Object *object : targets.objects) {
        ForEachLevel(*object, [&](SubdivLevel &level) {
            uint32_t frozen = 0;
            for (unsigned f = 0; f < level.m_iFaceCount; ++f) {
                const bool listed = !targets.anySelectedFaces || level.IsFaceSelected(f);
                frozen += (listed ? value : FreezeField(level, f)) != 0;
            }
            operation.AddTarget(&level, frozen);
            for (unsigned f = 0; f < level.m_iFaceCount; ++f)
                if (!targets.anySelectedFaces || level.IsFaceSelected(f))
                    level.m_aMaskedFaces.Add(MaskedFaceInfo{f, value});
        });
    }
    RunAction(operation);
    ClearWorkingLists(scene);
}

}  // namespace

void InstallFaceCommands(EventHandler &handlers, Interface &controller)
{
    handlers.SetBody("Select picked", [&controller](int event) -> Function * {
        Scene *scene = Scene::GetCurrent();
        Mesh *mesh = controller.m_cHit.mesh;
        const int face = controller.m_cHit.face;
        if (!OnPress(event) || !scene || !mesh || face < 0 || unsigned(face) >= mesh->m_iFaceCount)
            return nullptr;
        Log("Select picked face\n");
        Operations::SelectFaceOperation operation;
        operation.AddTarget(mesh);
        operation.AddFace(unsigned(face), !mesh->IsFaceSelected(unsigned(face)));
        RunAction(operation);
        mesh->m_aSelectedFaces.Clear();
        return nullptr;
    });
    handlers.SetBody("Select all on level", [&controller](int event) -> Function * {
        Mesh *mesh = controller.m_cHit.mesh;
        const int face = controller.m_cHit.face;
        if (!OnPress(event) || !mesh || face < 0 || unsigned(face) >= mesh->m_iFaceCount)
            return nullptr;
        Log("Select all on level\n");
        mesh->SelectAllFaces(!mesh->IsFaceSelected(unsigned(face)));
        return nullptr;
    });
    handlers.SetBody("Select all", [](int event) -> Function * {
        if (Scene *scene = Scene::GetCurrent(); scene && OnPress(event)) {
            Log("Select all faces\n");
            SelectEveryLevel(*scene, false);
        }
        return nullptr;
    });
    handlers.SetBody("Deselect all", [](int event) -> Function * {
        if (Scene *scene = Scene::GetCurrent(); scene && OnPress(event)) {
            Log("Select none faces\n");
            scene->ClearSelection();
        }
        return nullptr;
    });
    handlers.SetBody("Select invert", [](int event) -> Function * {
        if (Scene *scene = Scene::GetCurrent(); scene && OnPress(event)) {
            Log("Select invert faces\n");
            SelectEveryLevel(*scene, true);
        }
        return nullptr;
    });
    handlers.SetBody("Freeze selected", [&controller](int event) -> Function * {
        if (Scene *scene = Scene::GetCurrent(); scene && OnPress(event)) {
            Log("Freeze selected\n");
            FreezeTargets(controller, *scene);
        }
        return nullptr;
    });
    handlers.SetBody("Invert freeze", [](int event) -> Function * {
        if (Scene *scene = Scene::GetCurrent(); scene && OnPress(event)) {
            Log("Invert freeze\n");
            FreezeEveryLevel(*scene, [](uint16_t field) { return ExtendFreeze(255u - (field & 0xFFu)); });
        }
        return nullptr;
    });
    handlers.SetBody("Unfreeze all", [](int event) -> Function * {
        if (Scene *scene = Scene::GetCurrent(); scene && OnPress(event)) {
            Log("Unfreeze all\n");
            FreezeEveryLevel(*scene, [](uint16_t) { return uint16_t(0); });
        }
        return nullptr;
    });
    handlers.SetBody("Delete faces", [&controller](int event) -> Function * {
        if (Scene *scene = Scene::GetCurrent(); scene && OnPress(event))
            DeleteFaces(controller, *scene);
        return nullptr;
    });
}

}  // namespace Commands
