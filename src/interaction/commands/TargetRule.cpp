#include "interaction/commands/TargetRule.h"

#include "interaction/Interface.h"
#include "mesh/object/Object.h"
#include "scene/Scene.h"

TargetRule::TargetRule(Interface &owner, Scene &scene)
    : m_rOwner(owner), m_rScene(scene), m_bSelectedFaces(scene.HasSelectedFaces()), m_pUnderMouse(owner.m_cHit.object)
{
    if (!m_bSelectedFaces && owner.m_lSelection.isEmpty() && m_pUnderMouse)
        owner.SetActiveObject(m_pUnderMouse);
}

bool TargetRule::Qualifies(Object *object) const
{
    if (!object)
        return false;
    if (m_bSelectedFaces)
        return object->HasSelectedFaces();
    if (m_rOwner.m_lSelection.contains(object))
        return true;
    if (m_rOwner.m_lSelection.isEmpty() && (object == m_rOwner.m_pActiveObject || object == m_pUnderMouse))
        return true;
    return m_rScene.GetObjectCount() == 1;
}

Object *TargetRule::First() const
{
    for (int i = 0; i < m_rScene.GetObjectCount(); ++i)
        if (Qualifies(m_rScene.GetObject(i)))
            return m_rScene.GetObject(i);
    return nullptr;
}
