#include "viewport/fill/FillLook.h"

#include "mesh/object/Object.h"
#include "mesh/surface/Material.h"

FillLook FillLook::Of(Mesh &mesh)
{
    FillLook look;
    auto *level = dynamic_cast<SubdivLevel *>(&mesh);
    const Object *object = level ? level->m_pObject : nullptr;
    if (!object)
        return look;
    look.m_bLocked = object->m_bLocked;
    look.m_bActiveLevel = object->m_pActiveLevel == level;
    look.m_bActiveLayerLevel = level->m_pActiveLayerData != nullptr;
    if (const Surface::Material *material = object->GetMaterial()) {
        look.m_cDiffuse = material->m_aDiffuse.GetValue();
        look.m_bTextured = !material->GetTilePattern(0).isEmpty();
    }
    return look;
}
