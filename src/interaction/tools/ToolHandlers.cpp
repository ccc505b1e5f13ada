#include "interaction/tools/ToolHandlers.h"

#include "foundation/curves/CurveEdit.h"
#include "foundation/curves/NURBSCurve.h"
#include "interaction/Interface.h"
#include "interaction/tools/Brusher.h"
#include "interaction/tools/Manipulator.h"
#include "interaction/tools/RectangleSelector.h"
#include "mesh/object/Object.h"
#include "operations/Operation.h"
#include "scene/Brush.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

bool Starts(int event) { return event == eventActivate || event == eventMenuCommand; }

// "Rectangle" selection mode with the face-selection brush swaps painting and rectangles.
bool RolesSwapped(const Interface &controller)
{
    return InteractionHost().GetStrokePreferences().selectionMode == 1 && controller.m_pCurrentTool &&
           controller.m_pCurrentTool->m_iType == Operations::kSelectFace;
}

// The curve being edited with the mouse, when the scene's current curve is it.
CurveEdit *EditedCurve()
{
    CurveEdit *edit = InteractionHost().GetCurveEdit();
    const Scene *scene = Scene::GetCurrent();
    if (!edit || !scene || !scene->m_pCurrentCurve || !scene->m_pCurrentCurve->IsBeingEdited())
        return nullptr;
    return edit;
}

Camera *ActiveCamera()
{
    Scene *scene = Scene::GetCurrent();
    return scene ? scene->m_pActiveCamera : nullptr;
}

General::NURBSCurve *CurrentCurve()
{
    Scene *scene = Scene::GetCurrent();
    return scene ? scene->m_pCurrentCurve : nullptr;
}

// What a placement drag moves, and whether it is there to be moved.
enum class Subject { kStencil, kImagePlane, kCurve };

bool Present(const Interface &controller, Subject subject)
{
    switch (subject) {
    case Subject::kStencil:
        return controller.m_cStencil.m_bState;
    case Subject::kImagePlane:
        return ActiveCamera() && ActiveCamera()->m_cImagePlane.HasImage();
    case Subject::kCurve:
        return CurrentCurve() != nullptr;
    }
    return false;
}

void Refresh(Interface &controller, Subject subject)
{
    switch (subject) {
    case Subject::kStencil:
        // What strokes sample follows the picture at once, not at the next camera change.
        controller.UpdateStencil();
        InteractionHost().RedrawIfContinuous();
        controller.UpdateBrushCursor(0);
        break;
    case Subject::kImagePlane:
        Interface::Redraw();
        break;
    case Subject::kCurve:
        InteractionHost().RepaintView();
        break;
    }
}

// The mouse's last move: right and down count up, left and up down.
double Drag(const Interface &c) { return double(c.m_fDeltaX) + double(c.m_fDeltaY); }
float Turned(const Interface &c, float rotation) { return float(Drag(c) * double(rotation) / 10.0); }
float Scaled(const Interface &c) { return float(std::pow(10.0, Drag(c))); }

void RotateStencil(Interface &c, float rotation) { c.m_cStencil.m_cPlacement.m_fRotation += Turned(c, rotation); }
void MoveStencil(Interface &c, float)
{
    c.m_cStencil.m_cPlacement.m_fOffsetX += float(2.0 * double(c.m_fDeltaX));
    c.m_cStencil.m_cPlacement.m_fOffsetY -= float(2.0 * double(c.m_fDeltaY));
}
void ScaleStencil(Interface &c, float) { c.m_cStencil.m_cPlacement.m_fScale *= Scaled(c); }
void RotateImagePlane(Interface &c, float rotation) { ActiveCamera()->m_cImagePlane.m_fRotation += Turned(c, rotation); }
void MoveImagePlane(Interface &c, float)
{
    Camera &camera = *ActiveCamera();
    General::Matrix inverse = camera.Get2DTransformMatrix();
    if (!inverse.Invert())
        return;
    // A displacement: through the inverse as a direction, so a panned view adds no drift.
    const General::Vector d = inverse.Transform(
        General::Vector(float(2.0 * double(c.m_fDeltaX)), float(-2.0 * double(c.m_fDeltaY)), 0.0f), 0.0f);
    camera.m_cImagePlane.m_fOffsetX += d.x;
    camera.m_cImagePlane.m_fOffsetY += d.y;
}
void ScaleImagePlane(Interface &c, float) { ActiveCamera()->m_cImagePlane.m_fScale *= Scaled(c); }
void ZoomImagePlane(Interface &c, float)
{
    Camera &camera = *ActiveCamera();
    const General::Vector position = camera.m_mFull.Transform(General::Vector(0, 0, 0), 1.0f);
    const float distance = (camera.m_vTarget - position).Length();
    ImagePlane &plane = camera.m_cImagePlane;
    plane.m_fDepth = std::max(plane.m_fDepth + float(Drag(c)) * camera.m_fDollySensitivity * distance, 0.0f);
}
void MoveCurve(Interface &c, float)
{
    General::NURBSCurve &curve = *CurrentCurve();
    curve.SetOffset(curve.GetOffsetX() + float(1000.0 * double(c.m_fDeltaX)),
                    curve.GetOffsetY() + float(1000.0 * double(c.m_fDeltaY)));
}
void RotateCurve(Interface &c, float rotation) { CurrentCurve()->SetAngle(CurrentCurve()->GetAngle() + Turned(c, rotation)); }
void ScaleCurve(Interface &c, float) { CurrentCurve()->SetScale(CurrentCurve()->GetScale() * Scaled(c)); }

struct PlacementDrag {
    const char *name;
    Subject subject;
    void (*change)(Interface &controller, float rotation);
};

const PlacementDrag kPlacementDrags[] = {
    {"Stencil rotate", Subject::kStencil, RotateStencil},
    {"Stencil move", Subject::kStencil, MoveStencil},
    {"Stencil scale", Subject::kStencil, ScaleStencil},
    {"Stencil scale 2", Subject::kStencil, ScaleStencil},
    {"Image plane rotate", Subject::kImagePlane, RotateImagePlane},
    {"Image plane move", Subject::kImagePlane, MoveImagePlane},
    {"Image plane scale", Subject::kImagePlane, ScaleImagePlane},
    {"Image plane zoom", Subject::kImagePlane, ZoomImagePlane},
    {"Curve move", Subject::kCurve, MoveCurve},
    {"Curve rotate", Subject::kCurve, RotateCurve},
    {"Curve scale", Subject::kCurve, ScaleCurve},
    {"Curve scale 2", Subject::kCurve, ScaleCurve},
};

}  // namespace

Function *MakeGestureTool(Interface &controller, bool brusher, int mode)
{
    try {
        if (brusher)
            return controller.StartGestureTool(std::make_unique<Brusher>(mode));
        return controller.StartGestureTool(std::make_unique<RectangleSelector>(mode));
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

void InstallToolHandlers(EventHandler &handlers, Interface &controller)
{
    Interface *c = &controller;
    handlers.SetBody("Draw", [c](int event) -> Function * {
        CurveEdit *edit = EditedCurve();
        if (Starts(event)) {
            if (Manipulator *manipulator = c->GetManipulator())
                return manipulator;
            if (edit) {
                edit->AddPointAt(c->m_fMouseX, c->m_fMouseY);
                return nullptr;
            }
            return MakeGestureTool(*c, !RolesSwapped(*c), 0);
        }
        // Reaches here only while no tool is current: a curve point is being dragged.
        if (edit && event == eventMouseMove)
            edit->MoveSelectedPointTo(c->m_fMouseX, c->m_fMouseY);
        if (edit && event == eventDeactivate)
            edit->DragSelectedPoint(c->m_fMouseX, c->m_fMouseY);
        return nullptr;
    });
    struct ToolRole {
        const char *name;
        bool brusherNormally;
        int mode;
    };
    static const ToolRole kRoles[] = {{"Draw inverse", true, 2},
                                      {"Rectangular select", false, 0},
                                      {"Rectangular unselect", false, 2},
                                      {"Rectangular toggle", false, 1}};
    for (const ToolRole &role : kRoles) {
        handlers.SetBody(role.name, [c, role](int event) -> Function * {
            if (!Starts(event))
                return nullptr;
            return MakeGestureTool(*c, role.brusherNormally != RolesSwapped(*c), role.mode);
        });
    }

    for (const PlacementDrag &drag : kPlacementDrags) {
        handlers.SetBody(drag.name, [c, drag](int event) -> Function * {
            if (event == eventActivate || event == eventMenuCommand)
                c->m_bPlacementActive = false;
            if (event == eventDeactivate || event == eventMenuCommand)
                c->m_bPlacementActive = true;
            if (event == eventMouseMove && Present(*c, drag.subject)) {
                drag.change(*c, InteractionHost().GetStrokePreferences().rotationFactor);
                Refresh(*c, drag.subject);
            }
            return nullptr;
        });
    }
}
