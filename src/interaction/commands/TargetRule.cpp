#include "interaction/commands/TargetRule.h"

#include "interaction/Interface.h"
#include "mesh/object/Object.h"
#include "scene/Scene.h"

namespace Commands {

Targets FindTargets(Interface &controller, Scene &scene)
{
    Targets targets;
    targets.anySelectedFaces = scene.HasSelectedFaces();
    targets.underMouse = controller.m_cHit.mesh ? controller.m_cHit.object : nullptr;
    if (!targets.anySelectedFaces && controller.m_lSelection.isEmpty() && targets.underMouse)
        controller.SetActiveObject(targets.underMouse);
    const bool single = scene.GetObjectCount() == 1;
    for (Object *object = scene.m_pObjects; object; object = object->m_pNextObject) {
        bool qualifies = false;
        if (targets.anySelectedFaces) {
            qualifies = object->HasSelectedFaces();
        } else {
            const bool none = controller.m_lSelection.isEmpty();
            qualifies = controller.m_lSelection.contains(object) || (none && object == controller.m_pActiveObject) ||
                        (none && object == targets.underMouse) || single;
        }
        if (qualifies)
            targets.objects.push_back(object);
    }
    return targets;
}

}  // namespace Commands
