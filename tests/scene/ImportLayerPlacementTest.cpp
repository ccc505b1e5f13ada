// A mesh imported as a layer is carried from its own placement into the target's.
#include "mesh/object/Object.h"
#include "scene/SceneGlobals.h"
#include "scene/Transformation.h"
#include "support/MeshFixtures.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using General::Vector;

TEST(ImportLayerPlacement, ImportedPositionsGoThroughBothPlacements)
{
    InitializeSceneGlobals();
    TempDir dir;
    Recorder().tempFolder = dir.Path();
    auto make = [] {
        auto object = fixtures::MakeQuads<Object>({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 3}});
        object->m_iTotalFaceCount = 1;
        object->m_iTotalVertexCount = 4;
        return object;
    };
    auto target = make(), source = make();
    auto place = [](Object &object, const Vector &translate, const Vector &scale) {
        auto *transformation = dynamic_cast<Transformation *>(object.GetTransformation());
        ASSERT_NE(transformation, nullptr);
        transformation->SetTranslate(translate);
        transformation->SetScale(scale);
        transformation->UpdateWorldMatrix();
    };
    place(*target, Vector(0, 2, 0), Vector(2, 2, 2));
    place(*source, Vector(1, 0, 0), Vector(1, 1, 1));
    ASSERT_TRUE(target->ImportLayer(*source, 0, true, 0.001f));
    // Source point p lies at p + (1, 0, 0) in the world, which is ((p + (1, -2, 0)) / 2) in the target.
    for (unsigned v = 0; v < 4; ++v) {
        const Vector p = source->m_pVertices[v].m_vPosition;
        const Vector expected = (p + Vector(1, -2, 0)) * 0.5f;
        EXPECT_LT((target->m_pVertices[v].m_vPosition - expected).Length(), 1e-5f) << v;
    }
}
