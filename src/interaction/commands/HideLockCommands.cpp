// The hide and lock commands. Hiding drops the selection of the levels it touches, so a hide
// records the deselection first and the hiding as part of the same action: one undo gives
// both back. Curve visibility is not recorded.
#include "interaction/commands/Commands.h"

#include "foundation/Diagnostics.h"
#include "foundation/curves/NURBSCurve.h"
#include "interaction/Interface.h"
#include "interaction/commands/CommandSupport.h"
#include "interaction/commands/TargetRule.h"
#include "operations/objects/HideFaceOperation.h"
#include "operations/objects/ObjectStateOperation.h"
#include "operations/selection/SelectFaceOperation.h"
#include "mesh/object/ShownSelection.h"

#include <functional>

namespace Commands {

namespace {

// Records the deselection of every selected face of the level, to run before a change
// that drops the selection, so that undo gives it back.
void DeselectLevel(Operations::SelectFaceOperation &operation, SubdivLevel &level)
{
    if (!HasShownSelection(level))
        return;
    operation.AddTarget(&level);
    for (unsigned f = 0; f < level.m_iFaceCount; ++f)
        if (level.IsFaceSelected(f))
            operation.AddFace(f, false);
}

// Hides the faces `hides(level, face)` picks on the levels `takesPart(level)` picks, as
// one user action: the selection those levels lose first, then the faces.
void HideFaces(Scene &scene, const std::vector<Object *> &objects, const std::function<bool(SubdivLevel &)> &takesPart,
               const std::function<bool(SubdivLevel &, unsigned)> &hides)
{
    Operations::SelectFaceOperation deselect;
    Operations::HideFaceOperation hide;
    for (Object *object : objects) {
        ForEachLevel(*object, [&](SubdivLevel &level) {
            if (!takesPart(level))
                return;
            DeselectLevel(deselect, level);
            for (unsigned f = 0; f < level.m_iFaceCount; ++f)
                if (level.IsFaceVisible(f) && hides(level, f))
                    hide.Add(level, f, false);
        });
    }
    const bool deselected = !deselect.GetTargets().empty();
    if (deselected)
        RunAction(deselect);
    RunAction(hide, deselected ? 1 : 0);
    ClearWorkingLists(scene);
}

std::vector<Object *> AllObjects(Scene &scene)
{
    std::vector<Object *> objects;
    for (Object *object = scene.m_pObjects; object; object = object->m_pNextObject)
        objects.push_back(object);
    return objects;
}

void Working(const char *log, const char *status)
{
    Log("%s", log);
    Status(status);
}

void SetCurvesVisible(Scene &scene, bool visible)
{
    for (General::NURBSCurve *curve = scene.m_pCurves; curve; curve = curve->GetNext())
        curve->SetDrawn(visible);
    scene.m_bModified = true;
}

}  // namespace

void InstallHideLockCommands(EventHandler &handlers, Interface &controller)
{
    using Body = std::function<void(Scene &)>;
    const auto install = [&handlers](const char *name, bool onRelease, Body body) {
        handlers.SetBody(name, [onRelease, body](int event) -> Function * {
            Scene *scene = Scene::GetCurrent();
            if (scene && (onRelease ? OnRelease(event) : OnPress(event))) {
                body(*scene);
                Status("done");
            }
            return nullptr;
        });
    };
    install("Hide selected", false, [&controller](Scene &scene) {
        Working("Hide selected faces\n", "hiding...");
        const Targets targets = FindTargets(controller, scene);
        const bool any = targets.anySelectedFaces;
        HideFaces(
            scene, targets.objects, [any](SubdivLevel &level) { return HasShownSelection(level) || !any; },
            [any](SubdivLevel &level, unsigned f) { return !any || level.IsFaceSelected(f); });
    });
    install("Hide unselected", false, [](Scene &scene) {
        Working("Hide unselected faces\n", "hiding...");
        HideFaces(
            scene, AllObjects(scene), [](SubdivLevel &level) { return level.m_iSelectedFaces != level.m_iFaceCount; },
            [](SubdivLevel &level, unsigned f) { return !level.IsFaceSelected(f); });
    });
    install("Hide all", false, [](Scene &scene) {
        Working("Hide all\n", "hiding...");
        scene.HideFaces(true, nullptr);
    });
    install("Hide curves", false, [](Scene &scene) {
        Working("Hide curves\n", "hiding...");
        SetCurvesVisible(scene, false);
        InteractionHost().RepaintView();
    });
    install("Unhide all", true, [](Scene &scene) {
        Working("Unhide all\n", "unhiding...");
        SetCurvesVisible(scene, true);
        scene.HideFaces(false, nullptr);
    });
    install("Unhide selected", true, [&controller](Scene &scene) {
        Working("Unhide selected\n", "unhiding...");
        const QList<Object *> selection = controller.m_lSelection;
        for (Object *object : selection)
            scene.HideFaces(false, object);
    });
    install("Lock selected", false, [&controller](Scene &scene) {
        Working("Lock objects\n", "locking");
        Operations::LockObjectOperation lock;
        Operations::SelectFaceOperation deselect;
        for (Object *object : FindTargets(controller, scene).objects) {
            lock.Add(*object, !object->m_bLocked);
            ForEachLevel(*object, [&](SubdivLevel &level) { DeselectLevel(deselect, level); });
        }
        if (lock.m_aStates.empty())
            return;
        const bool locked = RunAction(lock);
        if (!deselect.GetTargets().empty())
            RunAction(deselect, locked ? 1 : 0);
        ClearWorkingLists(scene);
    });
    install("Invert locked", false, [](Scene &scene) {
        Working("Invert locked\n", "locking");
        Operations::LockObjectOperation lock;
        for (Object *object : AllObjects(scene))
            lock.Add(*object, !object->m_bLocked);
        RunAction(lock);
    });
    install("Unlock all", false, [](Scene &scene) {
        Working("Unlock all\n", "unlocking");
        Operations::LockObjectOperation lock;
        for (Object *object : AllObjects(scene))
            lock.Add(*object, false);
        RunAction(lock);
    });
}

}  // namespace Commands
