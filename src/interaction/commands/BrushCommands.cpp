// Choosing the tool and the falloff, and stepping the brush size and strength. A held key
// (its auto-repeat) makes a tool choice temporary; the release brings the previous tool back.

#include "interaction/Interface.h"
#include "interaction/commands/Commands.h"
#include "interaction/handlers/EventHandler.h"
#include "interaction/tools/ToolHandlers.h"
#include "operations/Operation.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/PickInfo.h"
#include "mesh/core/Placement.h"
#include "scene/Brush.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"


namespace Commands {

namespace {

bool Starts(int event) { return event == eventActivate || event == eventMenuCommand; }
bool Ends(int event) { return event == eventDeactivate || event == eventMenuCommand; }

void ToolCommand(EventHandler &handlers, Interface &controller, const char *name, int type, const char *toolName)
{
    handlers.SetBody(name, [&controller, type, toolName](int event) -> Function * {
        if (Starts(event)) {
            Brush *tool = toolName ? Brush::Find(QLatin1String(toolName)) : Brush::FindByType(type);
            if (tool)
                controller.ApplyTrayItem(tool, true);
        }
        if (event == eventRepeat)
            controller.m_bTemporaryTool = true;
        if (Ends(event))
            controller.ApplyTrayItem(nullptr, true);
        return nullptr;
    });
}

void Refresh()
{
    InteractionHost().RepaintView();
    InteractionHost().RefreshBrushPage();
}

float StepUp(float value, float step, float maximum)
{
    if (value <= 0.01f)
        return 0.02f;
    const float next = value + value * step;
    return next >= maximum ? maximum : next;
}

float StepDown(float value, float step) { return value - value * step; }

// The world length between two window points at the depth of the hit under the mouse. A
// depth not taken yet is first found by projecting the first hit, for both drags alike.
class DragMeasure {
public:
    explicit DragMeasure(Interface &controller)
    {
        Scene *scene = Scene::GetCurrent();
        m_pCamera = scene ? scene->m_pActiveCamera : nullptr;
        const PickInfo *pick = controller.m_cPicker.GetFirstPick();
        if (!m_pCamera || !pick)
            return;
        if (controller.m_fMouseDepth == 0.0f) {
            Placement *placement = pick->m_pMesh ? pick->m_pMesh->GetPlacement() : nullptr;
            const General::Vector p = pick->GetWorldPosition();
            const General::Vector world = placement ? placement->GetFullMatrix().Transform(p, 1.0f) : p;
            float x = 0.0f, y = 0.0f, depth = 0.0f;
            m_pCamera->Project(world, x, y, &depth);
            controller.m_fMouseDepth = depth;
        }
        m_fDepth = controller.m_fMouseDepth;
        m_bHit = true;
    }
    bool Hit() const { return m_bHit; }
    float Length(float x, float y) const
    {
        General::Vector a, b;
        if (!m_pCamera->UnProject(x, y, m_fDepth, a) || !m_pCamera->UnProject(0.0f, 0.0f, m_fDepth, b))
            return 0.0f;
        return (a - b).Length();
    }

private:
    Camera *m_pCamera = nullptr;
    float m_fDepth = 0.0f;
    bool m_bHit = false;
};

float Clamped(float value, float maximum)
{
    if (value > maximum)
        value = maximum;
    return value < 0.0f ? 0.0f : value;
}

void DragSize(Interface &controller)
{
    Brush *tool = controller.m_pCurrentTool;
    if (!tool || tool->m_iType == Operations::kSelectObject)
        return;
    const float width = float(InteractionHost().GetViewWidth());
    const float d = controller.m_fDeltaX - controller.m_fDeltaY;
    const DragMeasure measure(controller);
    const bool hit = measure.Hit(), screen = tool->m_bWindowSpace;
    const float w = hit ? measure.Length(0.5f * width, 0.0f) : 1.0f;
    const float limit = screen ? 0.5f * width : w;
    float size = tool->GetSize();
    if ((screen || hit) && d < 0.0f && size > limit) {
        size = limit;
    } else {
        float e = width * d;
        if (hit && !screen)
            e = measure.Length(width * d, 0.0f) * (d < 0.0f ? -1.0f : 1.0f);
        size += e;
    }
    tool->SetSize(Clamped(size, tool->m_fSizeMaximum));
    InteractionHost().RefreshBrushPage();
}

void DragStrength(Interface &controller)
{
    Brush *tool = controller.m_pCurrentTool;
    if (!tool || tool->m_iType == Operations::kSelectObject || tool->m_iType == Operations::kSelectFace)
        return;
    const float height = float(InteractionHost().GetViewHeight());
    const float d = controller.m_fDeltaY - controller.m_fDeltaX;
    const DragMeasure measure(controller);
    const bool hit = measure.Hit(), screen = tool->m_bWindowSpace;
    const float w = hit ? measure.Length(0.5f * height, 0.0f) : 1.0f;
    const float limit = screen ? 0.5f * height : w;
    float strength = tool->GetStrength();
    if ((screen || hit) && d > 0.0f && strength > limit) {
        strength = limit;
    } else {
        const float e = hit ? measure.Length(0.0f, height * d) * (d < 0.0f ? -1.0f : 1.0f) : height * d;
        strength -= e;
    }
    tool->SetStrength(Clamped(strength, tool->m_fStrengthMaximum));
    InteractionHost().RefreshBrushPage();
}

}  // namespace

void InstallBrushCommands(EventHandler &handlers, Interface &controller)
{
    static const struct {
        const char *name;
        int type;
        const char *tool;  // by name instead of type
    } kTools[] = {
        {"Soft brush", Operations::kSoftBrush, nullptr},
        {"Scratch brush", Operations::kHardBrush, nullptr},
        {"Smooth brush", Operations::kSmooth, nullptr},
        {"Move brush", Operations::kMove, nullptr},
        {"Pinch brush", Operations::kPinch, nullptr},
        {"Bulge brush", Operations::kBulge, nullptr},
        {"Select faces brush", Operations::kSelectFace, nullptr},
        {"Select object brush", Operations::kSelectObject, nullptr},
        {"Freeze", Operations::kPaintFreeze, nullptr},
        {"Paint layer mask", Operations::kPaintLayerMask, nullptr},
        {"Flatten brush", Operations::kFlatten, nullptr},
        {"Stamp brush", 0, "Stamp"},
    };
    for (const auto &tool : kTools)
        ToolCommand(handlers, controller, tool.name, tool.type, tool.tool);

    static const char *const kFalloffSlots[] = {"Falloff slot 1", "Falloff slot 2", "Falloff slot 3",
                                                "Falloff slot 4", "Falloff slot 5", "Falloff slot 6",
                                                "Falloff slot 7", "Falloff slot 8", "Falloff slot 9"};
    for (int slot = 1; slot <= 9; ++slot) {
        handlers.SetBody(kFalloffSlots[slot - 1], [slot](int event) -> Function * {
            if (Starts(event))
                InteractionHost().SelectTrayItem(QStringLiteral("Falloff"), slot);
            return nullptr;
        });
    }
    handlers.SetBody("Last falloff", [&controller](int event) -> Function * {
        if (Starts(event))
            InteractionHost().CheckTrayItem(QStringLiteral("Falloff"), QString::number(controller.m_iLastFalloff));
        return nullptr;
    });

    // Steps act on the press and on each auto-repeat, never from a menu.
    for (const bool up : {false, true}) {
        handlers.SetBody(up ? "Scale brush up" : "Scale brush down", [&controller, up](int event) -> Function * {
            Brush *tool = controller.m_pCurrentTool;
            if (!tool || (event != eventActivate && event != eventRepeat))
                return nullptr;
            tool->SetSize(up ? StepUp(tool->GetSize(), tool->m_fSetting1, tool->m_fSizeMaximum)
                             : StepDown(tool->GetSize(), tool->m_fSetting1));
            Refresh();
            return nullptr;
        });
        handlers.SetBody(up ? "Higher brush strength" : "Lower brush strength",
                         [&controller, up](int event) -> Function * {
                             if (Ends(event))
                                 controller.m_bStrengthLine = false;
                             Brush *tool = controller.m_pCurrentTool;
                             if (!tool || (event != eventActivate && event != eventRepeat))
                                 return nullptr;
                             controller.m_bStrengthLine = true;
                             tool->SetStrength(up ? StepUp(tool->GetStrength(), tool->m_fSetting2,
                                                           tool->m_fStrengthMaximum)
                                                  : StepDown(tool->GetStrength(), tool->m_fSetting2));
                             Refresh();
                             return nullptr;
                         });
    }
    for (const char *name : {"Show brush indicator", "Show brush indicator 2"}) {
        handlers.SetBody(name, [&controller](int event) -> Function * {
            if (Starts(event)) {
                controller.m_bStrengthLine = true;
                InteractionHost().RepaintView();
            }
            if (Ends(event)) {
                controller.m_bStrengthLine = false;
                InteractionHost().RepaintView();
            }
            return nullptr;
        });
    }

    for (const bool size : {true, false}) {
        handlers.SetBody(size ? "Change brush size" : "Change brush strength",
                         [&controller, size](int event) -> Function * {
                             if (Starts(event)) {
                                 controller.m_bHoverSuspended = controller.m_bStrengthLine = true;
                                 InteractionHost().RepaintView();
                             }
                             if (event == eventMouseMove)
                                 size ? DragSize(controller) : DragStrength(controller);
                             if (Ends(event)) {
                                 controller.m_bHoverSuspended = controller.m_bStrengthLine = false;
                                 InteractionHost().RepaintView();
                             }
                             return nullptr;
                         });
    }

    handlers.SetBody("Temporary smooth", [&controller](int event) -> Function * {
        Brush *tool = controller.m_pCurrentTool;
        if (Starts(event) && tool) {
            const QString &group = tool->m_sGroup;
            if (group == QLatin1String("sculpting") || group == QLatin1String("deform")) {
                InteractionHost().SetContinuousRedraw(false);
                if (tool->m_iType == Operations::kSmooth)
                    controller.ApplyTrayItem(nullptr, false);
                if (Brush *smooth = Brush::FindByType(Operations::kSmooth)) {
                    controller.ApplyTrayItem(smooth, false);
                    controller.m_bTemporaryTool = true;
                    controller.StrokeInput(true, 0);
                }
                return nullptr;
            }
            if (group == QLatin1String("selection")) {
                const bool rectangle = InteractionHost().GetStrokePreferences().selectionMode == 1 &&
                                       tool->m_iType == Operations::kSelectFace;
                return MakeGestureTool(controller, !rectangle, 1);
            }
        }
        if (event == eventMouseMove) {
            if (tool && tool->m_iType == Operations::kSmooth)
                controller.StrokeInput(false, 0);
            return nullptr;
        }
        // A menu command gets here only when the press did nothing.
        if ((event == eventDeactivate || event == eventMenuCommand) && tool && tool->m_iType == Operations::kSmooth) {
            InteractionHost().SetContinuousRedraw(true);
            controller.ApplyTrayItem(nullptr, false);
            controller.FinishOperation();
        }
        return nullptr;
    });
}

}  // namespace Commands
