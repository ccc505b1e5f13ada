#include "interaction/Interface.h"
#include "interaction/commands/CameraNavigation.h"
#include "interaction/commands/CommandSupport.h"
#include "interaction/commands/Commands.h"
#include "interaction/commands/ViewCommandHost.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"
#include "scene/camera/Light.h"

#include <functional>
#include <memory>

namespace {

Camera *ActiveCamera()
{
    Scene *scene = Scene::GetCurrent();
    return scene ? scene->m_pActiveCamera : nullptr;
}

// The drag state shared by the orbit's steps: the roll gate, and whether the roll
// picture was read from its file yet (it is read once, then only shown and hidden).
struct OrbitDrag {
    float gate = 1.0f;
    bool pictureLoaded = false;
};

using Step = std::function<void(Camera &, Interface &)>;

// The frame every camera drag shares: the brush ring hides and the view draws for
// navigation while the handler is held; each move steps the camera, then the stencil
// and the picture follow. A set lock makes a move do nothing.
EventHandler::Body CameraDrag(Interface &owner, General::AttributeInstance<bool> Camera::*lock, Step step,
                              std::function<void()> onActivate = {}, std::function<void()> onRelease = {})
{
    return [&owner, lock, step = std::move(step), onActivate = std::move(onActivate),
            onRelease = std::move(onRelease)](int event) -> Function * {
        if (event == eventActivate || event == eventMenuCommand) {
            if (onActivate)
                onActivate();
            owner.m_bBrushCursor = false;
            ViewCommands().SetNavigating(true);
        }
        if (event == eventDeactivate || event == eventMenuCommand) {
            if (onRelease)
                onRelease();
            owner.m_bBrushCursor = true;
            ViewCommands().SetNavigating(false);
        }
        if (event == eventMouseMove) {
            Camera *camera = ActiveCamera();
            if (!camera || (lock && (camera->*lock).GetValue()))
                return nullptr;
            step(*camera, owner);
            ViewCommands().UpdateStencil();
            Interface::Redraw();
        }
        return nullptr;
    };
}

void AddToAttribute(General::AttributeInstance<float> &attribute, float amount)
{
    attribute.SetValue(attribute.GetValue() + amount, true);
}

}  // namespace

void Commands::InstallCameraCommands(EventHandler &handlers, Interface &owner)
{
    auto drag = std::make_shared<OrbitDrag>();
    handlers.SetBody(
        "Rotate around",
        CameraDrag(
            owner, &Camera::m_aLockRotate,
            [drag](Camera &camera, Interface &self) {
                CameraNavigation::OrbitOptions options;
                options.trackball = ViewCommands().NavigationControl() == 1;
                options.rollArea = ViewCommands().RollArea();
                options.localFocus = ViewCommands().LocalFocus();
                const float share = CameraNavigation::Orbit(camera, self.m_fMouseX, self.m_fMouseY, self.m_fDeltaX,
                                                             self.m_fDeltaY, options, drag->gate);
                if (share > 0.0f) {
                    if (!drag->pictureLoaded) {
                        ViewCommands().LoadOverlayImage(QStringLiteral("icons/roll.png"));
                        drag->pictureLoaded = true;
                    }
                    ViewCommands().ShowOverlayImage(true, share);
                }
            },
            [drag] { drag->gate = 1.0f; }, [] { ViewCommands().ShowOverlayImage(false, 0.0f); }));
    handlers.SetBody("Pan", CameraDrag(owner, &Camera::m_aLockPan, [](Camera &camera, Interface &self) {
                         CameraNavigation::Pan(camera, self.m_fDeltaX, self.m_fDeltaY);
                     }));
    handlers.SetBody("Roll", CameraDrag(owner, &Camera::m_aLockRotate, [](Camera &camera, Interface &self) {
                         CameraNavigation::Roll(camera, self.m_fDeltaX, self.m_fDeltaY);
                     }));
    handlers.SetBody("Camera 2D Rotate", CameraDrag(owner, nullptr, [](Camera &camera, Interface &self) {
                         AddToAttribute(camera.m_a2DAngle, self.m_fDeltaY + self.m_fDeltaX);
                     }));
    handlers.SetBody("Camera 2D Scale", CameraDrag(owner, nullptr, [](Camera &camera, Interface &self) {
                         AddToAttribute(camera.m_a2DScale, self.m_fDeltaX + self.m_fDeltaY);
                     }));
    handlers.SetBody("Camera 2D Pan", CameraDrag(owner, nullptr, [](Camera &camera, Interface &self) {
                         const int height = InteractionHost().GetViewHeight();
                         const float aspect = height > 0 ? float(InteractionHost().GetViewWidth()) / float(height) : 1.0f;
                         AddToAttribute(camera.m_a2DXPos, 2.0f * self.m_fDeltaX * aspect);
                         AddToAttribute(camera.m_a2DYPos, -2.0f * self.m_fDeltaY);
                     }));
    for (const char *name : {"Zoom", "Zoom 2"})
        handlers.SetBody(name, CameraDrag(owner, &Camera::m_aLockZoom, [](Camera &camera, Interface &self) {
                             CameraNavigation::Zoom(camera, self.m_fDeltaX, self.m_fDeltaY);
                         }));
    handlers.SetBody("Light direction", [&owner](int event) -> Function * {
        Scene *scene = Scene::GetCurrent();
        if (event != eventMouseMove || !scene || !scene->m_pCurrentLight)
            return nullptr;
        scene->m_pCurrentLight->SetTranslate(CameraNavigation::LightDirection(owner.m_fMouseX, owner.m_fMouseY));
        Interface::Redraw();
        return nullptr;
    });
}
