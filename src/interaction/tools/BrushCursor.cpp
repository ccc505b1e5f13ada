#include "interaction/tools/BrushCursor.h"

#include "foundation/math/Rect2D.h"
#include "interaction/Interface.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/PickInfo.h"
#include "mesh/core/Placement.h"
#include "operations/Operation.h"
#include "scene/Brush.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"
#include "viewport/overlay/ViewOverlay.h"

namespace {
constexpr int kMarkerSegments = 16;

CursorShape PixelCircle(float x, float y, float radius, int segments)
{
    CursorShape shape;
    shape.centre = General::Vector(x, y, 0);
    shape.radius = radius;
    shape.segments = segments;
    return shape;
}

// A world point in view pixels from the top-left, under the projection the overlays are
// drawn with (the picture's own, without the off-screen buffer's margins).
void ToPixels(const Camera &camera, const General::Vector &world, int width, int height, float &x, float &y)
{
    const General::Vector s = camera.WorldToScreen(world, true);
    x = (s.x + 1.0f) * 0.5f * float(width);
    y = (1.0f - s.y) * 0.5f * float(height);
}

// The pick's surface normal in the world.
General::Vector WorldNormal(const PickInfo &pick)
{
    Placement *placement = pick.m_pMesh ? pick.m_pMesh->GetPlacement() : nullptr;
    const General::Vector n = placement ? placement->GetFullMatrix().Transform(pick.m_vNormal, 0.0f) : pick.m_vNormal;
    return n.Normalized();
}
}  // namespace

std::vector<CursorShape> BuildBrushCursor(const Interface &controller, int side, int width, int height)
{
    std::vector<CursorShape> shapes;
    const Brush *tool = controller.m_pCurrentTool;
    if (!tool)
        return shapes;
    float x = (controller.m_bHoverSuspended ? controller.m_fActivationX : controller.m_fMouseX) * float(width);
    float y = (controller.m_bHoverSuspended ? controller.m_fActivationY : controller.m_fMouseY) * float(height);
    if (!controller.m_bBrushCursor || controller.m_pCurrentOperation || tool->m_iType == Operations::kSelectObject) {
        shapes.push_back(PixelCircle(x, y, 3.0f, kMarkerSegments));
        return shapes;
    }
    const Picker &picker = controller.m_cPicker;
    const PickInfo *pick = nullptr;
    for (int i = 0; i < picker.GetPickCount() && !pick; ++i)
        if (picker.GetPick(i)->m_iTag == side)
            pick = picker.GetPick(i);
    if (!pick && side == 1)
        return shapes;
    const bool mirrored = pick != nullptr && side != 0;
    if (!pick)
        pick = picker.GetFirstPick();
    const Scene *scene = Scene::GetCurrent();
    const Camera *camera = scene ? scene->m_pActiveCamera : nullptr;

    if (!tool->m_bWindowSpace) {
        if (!pick) {
            CursorShape square = PixelCircle(x, y, 3.0f, 0);
            square.kind = CursorShape::kSquare;
            shapes.push_back(square);
        } else {
            const General::Vector normal = WorldNormal(*pick);
            if (camera) {
                float px = 0.0f, py = 0.0f;
                ToPixels(*camera, pick->m_vPosition, width, height, px, py);
                shapes.push_back(PixelCircle(px, py, 3.0f, kMarkerSegments));
            }
            if (side == 0) {
                const float own = tool->m_aPairs[0].size;
                CursorShape ring;
                ring.pixels = false;
                ring.centre = pick->m_vPosition;
                ring.radius = tool->GetSize();
                ring.segments = Stroke::RingSegments(own);
                const General::Vector view = camera ? camera->GetForward() : General::Vector(0, 0, -1);
                ring.normal = tool->m_bOrientToSurface && own != 0.0f ? normal : view;
                shapes.push_back(ring);
            }
        }
    } else {
        if (mirrored && side == 1 && camera)
            ToPixels(*camera, pick->m_vPosition, width, height, x, y);
        shapes.push_back(PixelCircle(x, y, tool->GetSize(), Stroke::RingSegments(tool->GetSize())));
        shapes.push_back(PixelCircle(x, y, 3.0f, kMarkerSegments));
    }

    if (side == 0 && controller.m_bStrengthLine && tool->m_iType != Operations::kSelectFace) {
        float ex = x, ey = y - tool->GetStrength();
        if (pick && camera)
            ToPixels(*camera, pick->m_vPosition + camera->GetUp() * tool->GetStrength(), width, height, ex, ey);
        CursorShape line;
        line.kind = CursorShape::kLine;
        line.centre = General::Vector(x, y, 0);
        line.normal = General::Vector(ex, ey, 0);
        shapes.push_back(line);
        shapes.push_back(PixelCircle(ex, ey, 3.0f, kMarkerSegments));
    }
    return shapes;
}

void DrawBrushCursor(ViewOverlay &overlay, const std::vector<CursorShape> &shapes)
{
    for (const CursorShape &shape : shapes) {
        switch (shape.kind) {
        case CursorShape::kCircle:
            overlay.DrawCircle(shape.centre, shape.normal, shape.radius, shape.segments, shape.pixels);
            break;
        case CursorShape::kSquare:
            overlay.DrawRectangle(General::Rect2D(shape.centre.x - shape.radius, shape.centre.y - shape.radius,
                                                  shape.centre.x + shape.radius, shape.centre.y + shape.radius),
                                  true);
            break;
        case CursorShape::kLine:
            overlay.DrawLine(shape.centre, shape.normal, true);
            break;
        }
    }
}

void Interface::UpdateBrushCursor(int side)
{
    // The view draws the cursor over every frame it shows (sides 0, 1 and -1): a repaint
    // brings the cursor of every side up to date.
    (void)side;
    InteractionHost().RepaintView();
}
