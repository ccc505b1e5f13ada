#include "viewport/draw/DrawOrder.h"

#include "mesh/object/Object.h"
#include "mesh/surface/Material.h"
#include "scene/Scene.h"

// Exactly 1.0 is opaque: anything less, however close, needs blending.
int DrawPass(float opacity) { return opacity == 1.0f ? 0 : 1; }

std::vector<Object *> ObjectsInDrawOrder(const Scene &scene)
{
    std::vector<Object *> order;
    for (int pass = 0; pass < 2; ++pass)
        for (Object *object = scene.m_pObjects; object; object = object->m_pNextObject)
            if (Surface::Material *material = object->GetMaterial())
                if (DrawPass(material->m_aTransparency.GetValue()) == pass)
                    order.push_back(object);
    return order;
}
