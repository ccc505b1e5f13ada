#include "operations/TransformationOperation.h"

#include "foundation/Diagnostics.h"
#include "foundation/Stream.h"
#include "mesh/object/MeshHost.h"
#include "mesh/object/Object.h"
#include "scene/Scene.h"
#include "scene/Transformation.h"

#include <cmath>

namespace {

void SerializeVector(Stream &stream, General::Vector &v) { stream.Serialize(v.x).Serialize(v.y).Serialize(v.z); }

}  // namespace

TransformationOperation::TransformationOperation(Transformation &transformation, const General::Vector &translate,
                                                 const General::Vector &rotate, const General::Vector &scale)
    : m_vTranslate(translate), m_vScale(scale), m_vRotate(rotate)
{
    Scene *scene = Scene::GetCurrent();
    auto *object = dynamic_cast<Object *>(transformation.m_pOwner);
    m_iObject = scene && object ? scene->GetObjectIndex(object) : -1;
}

void TransformationOperation::Serialize(Stream &stream)
{
    stream.Serialize(m_iObject);
    SerializeVector(stream, m_vTranslate);
    SerializeVector(stream, m_vScale);
    SerializeVector(stream, m_vRotate);
}

void TransformationOperation::RescaleNormals(Object &object, const General::Vector &from, const General::Vector &to)
{
    const General::Vector ratio(from.x / to.x, from.y / to.y, from.z / to.z);
    if (!ratio.IsFinite() || from.x == 0.0f || from.y == 0.0f || from.z == 0.0f)
        return;
    if (ratio.x == ratio.y && ratio.y == ratio.z)
        return;  // proportions kept: the normals still point the same way
    const General::Vector squared(ratio.x * ratio.x, ratio.y * ratio.y, ratio.z * ratio.z);
    for (SubdivLevel *level = &object; level; level = level->m_pNext)
        level->ScaleNormals(squared);
}

bool TransformationOperation::Execute()
{
    // A damaged record or a drag gone wrong must not place an object at infinity.
    if (!m_vTranslate.IsFinite() || !m_vScale.IsFinite() || !m_vRotate.IsFinite()) {
        Log("Transformation refused: a value is not a finite number\n");
        return false;
    }
    Scene *scene = Scene::GetCurrent();
    Object *object = scene ? scene->GetObject(m_iObject) : nullptr;
    auto *transformation = object ? dynamic_cast<Transformation *>(object->GetTransformation()) : nullptr;
    if (!transformation)
        return false;
    const General::Vector translate = transformation->m_aTranslate.GetValue();
    const General::Vector scale = transformation->m_aScale.GetValue();
    const General::Vector rotate = transformation->m_aRotate.GetValue();
    transformation->SetTranslate(m_vTranslate);
    transformation->SetRotate(m_vRotate);
    transformation->SetScale(m_vScale);
    RescaleNormals(*object, scale, m_vScale);
    MeshHost::Get().Redraw();
    m_vTranslate = translate;
    m_vScale = scale;
    m_vRotate = rotate;
    return true;
}
