// An object placed by the scene's own transformation, made through the registry.
#include "foundation/Stream.h"
#include "mesh/surface/Material.h"
#include "mesh/object/Object.h"
#include "scene/SceneGlobals.h"
#include "scene/Transformation.h"
#include "support/MeshFixtures.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using General::Vector;

TEST(ObjectPlacement, TheTransformationIsMadeOnceAndStoredWithTheObject)
{
    InitializeSceneGlobals();
    TempDir dir;
    Recorder().tempFolder = dir.Path();
    auto object = fixtures::MakeQuads<Object>({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 3}});
    object->m_iTotalFaceCount = 1;
    object->m_iTotalVertexCount = 4;
    auto *transformation = dynamic_cast<Transformation *>(object->GetTransformation());
    ASSERT_NE(transformation, nullptr);
    EXPECT_EQ(transformation->m_pOwner, object.get());
    EXPECT_EQ(object->GetPlacement(), static_cast<Placement *>(transformation));
    transformation->SetTranslate(Vector(5, 0, 0));
    transformation->SetScale(Vector(2, 2, 2));
    transformation->UpdateWorldMatrix();
    const AABB box = object->GetWorldAABB(true);
    EXPECT_EQ(box.m_vMin, Vector(5, 0, 0));
    EXPECT_EQ(box.m_vMax, Vector(7, 2, 0));

    {
        Stream stream(dir.File("object"), true);
        ASSERT_TRUE(object->Serialize(stream));
    }
    Object read;
    Stream stream(dir.File("object"), false);
    ASSERT_TRUE(read.Serialize(stream));
    EXPECT_EQ(stream.BytesLeft(), 0u);
    auto *readTransformation = dynamic_cast<Transformation *>(read.GetTransformation());
    ASSERT_NE(readTransformation, nullptr);
    EXPECT_NE(readTransformation, transformation);
    EXPECT_EQ(readTransformation->m_aTranslate.GetValue(), Vector(5, 0, 0));
    EXPECT_EQ(readTransformation->m_aScale.GetValue(), Vector(2, 2, 2));
}
