#include "interaction/Interface.h"
#include "interaction/commands/CommandSupport.h"
#include "interaction/commands/Commands.h"
#include "interaction/commands/TargetRule.h"
#include "interaction/tools/Manipulator.h"
#include "mesh/object/Object.h"
#include "scene/Scene.h"
#include "scene/Transformation.h"
#include "scene/camera/Camera.h"

#include <memory>

namespace {

// The position of the object's placement: its world matrix applied to the origin.
General::Vector PlacementPosition(Object &object)
{
    auto *node = dynamic_cast<Transformation *>(object.GetTransformation());
    return node ? node->GetPosition() : General::Vector(0, 0, 0);
}

}  // namespace

void Commands::InstallManipulatorCommands(EventHandler &handlers, Interface &owner)
{
    static const struct {
        const char *name;
        int mode;
    } kPresets[] = {{"Manipulate position", Manipulator::kTranslate},
                    {"Manipulate scale", Manipulator::kScale},
                    {"Manipulate rotation", Manipulator::kRotate},
                    {"Manipulate pivot", Manipulator::kPivot}};
    for (const auto &preset : kPresets) {
        const int mode = preset.mode;
        // A gizmo on the first target object whose free handle takes the drag at once; the
        // gizmo that was current comes back when the drag ends.
        handlers.SetBody(preset.name, [&owner, mode](int event) -> Function * {
            Scene *scene = Scene::GetCurrent();
            if (!OnPress(event) || !scene)
                return nullptr;
            const Targets targets = FindTargets(owner, *scene);
            if (targets.objects.empty())
                return nullptr;
            Object &object = *targets.objects.front();
            const Camera *camera = scene->m_pActiveCamera;
            // Grows with the distance from the camera, so it keeps its size on screen.
            const float distance = camera ? (PlacementPosition(object) - camera->GetPosition()).Length() : 0.0f;
            auto manipulator = std::make_unique<Manipulator>(object, mode, distance * 0.05f, Manipulator::kFree,
                                                             owner.TakeManipulator());
            Manipulator *tool = manipulator.get();
            owner.SetManipulator(std::move(manipulator));
            Interface::Redraw();
            return tool;
        });
    }
}
