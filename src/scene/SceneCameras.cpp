#include "foundation/Diagnostics.h"
#include "scene/Scene.h"
#include "scene/SceneServices.h"
#include "scene/camera/Camera.h"
#include "scene/camera/Light.h"

namespace {

// Cameras and lights own the rest of their chain through m_pNext.
template <class T>
void Append(T *&head, T *item)
{
    if (!head) {
        head = item;
        return;
    }
    T *last = head;
    while (last->m_pNext)
        last = last->m_pNext.get();
    last->m_pNext.reset(item);
}

}  // namespace

Camera *Scene::AddCamera(Camera *camera)
{
    Append(m_pCameras, camera);
    ++m_iCameraCount;
    return camera;
}

void Scene::AddLight(Light *light)
{
    Append(m_pLights, light);
    ++m_iLightCount;
    m_pCurrentLight = light;
}

void Scene::CreateDefaultCameras()
{
    struct Default {
        const char *name;
        General::Vector position;
    };
    static const Default kDefaults[] = {{"Perspective", {0, 200, 500}},
                                        {"Top", {0.01f, 500, 0}},
                                        {"Side", {500, 0, 0}},
                                        {"Front", {0, 0, 500}}};
    for (const Default &d : kDefaults) {
        const bool perspective = &d == &kDefaults[0];
        // A camera that cannot be made is skipped; the others still are.
        try {
            auto camera = std::make_unique<Camera>();
            camera->SetTranslate(camera->m_aTranslate.GetValue() + d.position);
            camera->m_sCameraName = QString::fromLatin1(d.name);
            if (perspective) {
                camera->LookAt(camera->m_vTarget, General::Vector(0, 1, 0));
                camera->m_vRotationBackup = camera->m_vRotation;
                m_pActiveCamera = camera.get();
                SceneHost().SetViewCamera(camera.get());
            } else {
                const General::Vector target = m_pActiveCamera ? m_pActiveCamera->m_vTarget : General::Vector(0, 0, 0);
                camera->LookAt(target, General::Vector(0, 1, 0));
                camera->m_aOrthographic.SetValue(true);
            }
            AddCamera(camera.release());
        } catch (...) {
            Log("Default camera %s could not be made\n", d.name);
        }
    }
}

void Scene::DeleteCameras()
{
    // One camera at a time: the chain's own destructor would recurse through it.
    while (Camera *camera = m_pCameras) {
        m_pCameras = camera->m_pNext.release();
        delete camera;
    }
    if (m_pActiveCamera && SceneHost().GetViewCamera() == m_pActiveCamera)
        SceneHost().SetViewCamera(nullptr);
    m_pActiveCamera = nullptr;
}

void Scene::DeleteLights(bool keepFirst)
{
    Light *first = keepFirst ? m_pLights : nullptr;
    Light *rest = first ? first->m_pNext.release() : m_pLights;
    bool currentGone = false;
    while (Light *light = rest) {
        rest = light->m_pNext.release();
        currentGone = currentGone || light == m_pCurrentLight;
        delete light;
    }
    m_pLights = first;
    if (!first || currentGone)
        m_pCurrentLight = nullptr;
}
