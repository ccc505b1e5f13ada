// Choosing the tool and the falloff, and stepping the brush size and strength. A held key
// (its auto-repeat) makes a tool choice temporary; the release brings the previous tool back.

#include "interaction/Interface.h"
#include "interaction/commands/Commands.h"
#include "interaction/handlers/EventHandler.h"
#include "interaction/tools/Brusher.h"
#include "interaction/tools/RectangleSelector.h"
#include "operations/Operation.h"
#include "scene/Brush.h"

#include <new>

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
                if (InteractionHost().GetStrokePreferences().selectionMode == 1
                    && tool->m_iType == Operations::kSelectFace)
                    return new (std::nothrow) RectangleSelector(1);
                return new (std::nothrow) Brusher(1);
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
