#include "interaction/tools/Brusher.h"

#include "interaction/Interface.h"
#include "scene/Brush.h"

#include <utility>

namespace {
constexpr int kTrackOnly = 3;

bool Deferred(const Interface &controller)
{
    return controller.m_pCurrentTool && controller.m_pCurrentTool->m_bDeferredStroke;
}
}  // namespace

void Brusher::OnBegin(float, float)
{
    Interface *controller = Interface::Get();
    if (!controller)
        return;
    controller->m_bDeferredStroke = Deferred(*controller);
    // The stencil still shapes the stroke; it only leaves the picture until the stroke ends.
    StencilImage &stencil = controller->m_cStencil;
    if (stencil.m_bState && stencil.m_cSettings.hideWhenSculpt) {
        stencil.m_bHiddenForStroke = true;
        Interface::Redraw();
    }
    controller->StrokeInput(true, controller->m_bDeferredStroke ? kTrackOnly : m_iMode);
    if (InteractionHost().GetStrokePreferences().suspendContinuousRedraw)
        InteractionHost().SetContinuousRedraw(false);
}

void Brusher::OnMove(float, float)
{
    if (Interface *controller = Interface::Get())
        controller->StrokeInput(false, Deferred(*controller) ? kTrackOnly : m_iMode);
}

void Brusher::OnEnd(float, float)
{
    Interface *controller = Interface::Get();
    if (!controller)
        return;
    if (Deferred(*controller)) {
        // The one sample that applies a deferred stroke.
        controller->StrokeInput(false, m_iMode);
        controller->m_bDeferredStroke = false;
        Interface::Redraw();
    }
    controller->FinishOperation();
    if (InteractionHost().GetStrokePreferences().suspendContinuousRedraw)
        InteractionHost().SetContinuousRedraw(true);
    if (std::exchange(controller->m_cStencil.m_bHiddenForStroke, false))
        Interface::Redraw();
}
