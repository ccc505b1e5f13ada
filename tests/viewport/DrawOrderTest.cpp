// Opaque objects are drawn before any with transparency; objects without a material are not drawn.
#include "viewport/draw/DrawOrder.h"

#include "mesh/object/Object.h"
#include "mesh/surface/Material.h"
#include "scene/Scene.h"
#include "support/MeshFixtures.h"

#include <gtest/gtest.h>

TEST(DrawOrder, OpaqueObjectsComeFirstAndAnyTransparencyGoesToTheBlendedPass)
{
    Surface::Material opaque(11), nearlyOpaque(12), clear(13);
    nearlyOpaque.m_aTransparency.SetValue(0.999f, true);
    clear.m_aTransparency.SetValue(0.0f, true);
    Surface::Material *chain[] = {&nearlyOpaque, &opaque, nullptr, &clear, &opaque};
    std::vector<Object *> objects;
    {
        Scene scene;
        for (Surface::Material *material : chain) {
            Object *object = fixtures::MakeCube<Object>().release();
            object->m_aMaterial.SetValue(material, true);
            scene.AddObject(object);
            objects.push_back(object);
        }
        const std::vector<Object *> expected = {objects[1], objects[4], objects[0], objects[3]};
        EXPECT_EQ(ObjectsInDrawOrder(scene), expected);
        // Scene teardown deletes the objects while the materials still exist.
    }
    EXPECT_EQ(DrawPass(1.0f), 0);
    EXPECT_EQ(DrawPass(0.999f), 1);
    EXPECT_EQ(DrawPass(1.0001f), 1);
}
