// Picking at a pixel of the view: the ray through the pixel, from the near to the far
// plane, through the scene's octrees and the sketch volume, with mirrored copies of the
// hits when the symmetry setting asks for them.
#include "viewport/view/SceneView.h"

#include "mesh/core/PickInfo.h"
#include "operations/brushes/BrushServices.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"
#include "scene/picking/Picker.h"
#include "scene/volume/Volume.h"

#include <memory>

bool SceneView::Pick(Picker &picker, float x, float y)
{
    picker.Clear();
    Scene *scene = Scene::GetCurrent();
    General::Vector nearPoint, farPoint;
    if (!scene || !m_pCamera || !m_pCamera->UnProject(x, y, 0.0f, nearPoint) ||
        !m_pCamera->UnProject(x, y, 1.0f, farPoint))
        return false;
    scene->Pick(picker, nearPoint, farPoint, 0, 0);
    const Operations::BrushServices &brushes = Operations::BrushServices::Get();
    if (const General::Volume *volume = brushes.GetSketchVolume())
        volume->PickSegment(picker, nearPoint, farPoint);
    if (picker.GetPickCount() && brushes.GetFaceWalkSetting() == -1) {
        // Only the hits of the ray itself are mirrored, not the copies appended here.
        const int count = picker.GetPickCount();
        for (int i = 0; i < count; ++i) {
            auto mirrored = std::make_unique<PickInfo>();
            picker.GetPick(i)->GetSymmetric(*mirrored);
            if (mirrored->m_pMesh)
                picker.Append(std::move(mirrored));
        }
    }
    return picker.GetPickCount() > 0;
}
