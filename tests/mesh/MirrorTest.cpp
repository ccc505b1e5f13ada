// Mirroring positions and layer offsets across a level's topological symmetry.
#include "mesh/object/Layer3D.h"
#include "mesh/object/LayerLevel.h"
#include "mesh/object/Object.h"
#include "mesh/object/VertexChanges.h"
#include "support/MeshFixtures.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace {

using fixtures::Vector;

class RecordedChanges : public VertexChanges {
public:
    void AddVertexChange(unsigned vertex, const General::Vector &value) override
    {
        EXPECT_FALSE(m_aValues.count(vertex)) << "vertex " << vertex << " changed twice";
        m_aValues[vertex] = value;
    }
    std::map<unsigned, Vector> m_aValues;
};

bool Near(const Vector &a, const Vector &b) { return (a - b).Length() < 1e-4f; }
Vector Reflect(const Vector &p) { return Vector(-p.x, p.y, p.z); }

class Mirroring : public testing::Test {
protected:
    void SetUp() override
    {
        Recorder().tempFolder = m_dir.Path();
        m_pObject = fixtures::MakeGridCube<Object>(2);
        Object &o = *m_pObject;
        o.m_iTotalFaceCount = o.m_iFaceCount;
        o.m_iTotalVertexCount = o.m_iVertexCount;
        o.CalculateAdjacency();
        // Two faces on either side of x = 0 sharing an edge: the top row of the +z side.
        unsigned first = 0, second = 0;
        for (unsigned f = 0; f < o.m_iFaceCount; ++f)
            for (unsigned g = 0; g < o.m_iFaceCount; ++g) {
                const Vector a = Centre(f), b = Centre(g);
                if (Near(a, Vector(-0.5f, 0.5f, 1.0f)) && Near(b, Vector(0.5f, 0.5f, 1.0f))) {
                    first = f;
                    second = g;
                }
            }
        ASSERT_TRUE(o.InitSymmetry(first, second));
        ASSERT_TRUE(o.PrepareSymmetry());
        for (unsigned v = 0; v < o.m_iVertexCount; ++v)
            m_aSymmetric.push_back(o.m_pVertices[v].m_vPosition);
    }

    Vector Centre(unsigned f)
    {
        Vector s(0, 0, 0);
        for (unsigned c = 0; c < 4; ++c)
            s += m_pObject->CornerPosition(f, c);
        return s * 0.25f;
    }
    // The vertex of the symmetric cube at a position.
    unsigned At(const Vector &p)
    {
        for (unsigned v = 0; v < m_aSymmetric.size(); ++v)
            if (Near(m_aSymmetric[v], p))
                return v;
        ADD_FAILURE() << "no vertex at " << p.x << " " << p.y << " " << p.z;
        return 0;
    }
    unsigned MirrorOf(unsigned v) { return At(Reflect(m_aSymmetric[v])); }
    // The side whose faces carry bit 31 in the level's map.
    bool OnMarkedSide(unsigned v)
    {
        for (unsigned f = 0; f < m_pObject->m_iFaceCount; ++f)
            for (unsigned c = 0; c < 4; ++c)
                if (m_pObject->FaceVertexIndex(f, c) == v && std::abs(m_aSymmetric[v].x) > 0.01f)
                    return (m_pObject->m_aSymmetry[f] >> 31) != 0;
        return false;
    }
    void Apply(const RecordedChanges &changes)
    {
        for (const auto &[v, p] : changes.m_aValues)
            m_pObject->SetVertexPosition(v, p);
    }
    void Jitter(unsigned seed)
    {
        std::mt19937 random(seed);
        std::uniform_real_distribution<float> jitter(-0.2f, 0.2f);
        for (unsigned v = 0; v < m_pObject->m_iVertexCount; ++v)
            m_pObject->m_pVertices[v].m_vPosition += Vector(jitter(random), jitter(random), jitter(random));
    }

    TempDir m_dir;
    std::unique_ptr<Object> m_pObject;
    std::vector<Vector> m_aSymmetric;
};

TEST_F(Mirroring, OneSideIsCopiedOntoTheOtherAndThePlaneIsFlattened)
{
    Jitter(1);
    std::vector<Vector> before;
    for (unsigned v = 0; v < m_pObject->m_iVertexCount; ++v)
        before.push_back(m_pObject->m_pVertices[v].m_vPosition);
    for (int side = 0; side < 2; ++side) {
        RecordedChanges changes;
        ASSERT_TRUE(m_pObject->Mirror(changes, nullptr, nullptr, side, 0));
        for (unsigned v = 0; v < before.size(); ++v) {
            const unsigned m = MirrorOf(v);
            if (m == v) {
                // On the plane: moved onto it.
                ASSERT_TRUE(changes.m_aValues.count(v));
                EXPECT_FLOAT_EQ(changes.m_aValues[v].x, 0.0f);
                EXPECT_EQ(changes.m_aValues[v].y, before[v].y);
            } else if (OnMarkedSide(v) == (side == 1)) {
                ASSERT_TRUE(changes.m_aValues.count(v)) << v;
                EXPECT_TRUE(Near(changes.m_aValues[v], Reflect(before[m]))) << v;
            } else {
                EXPECT_FALSE(changes.m_aValues.count(v)) << v;
            }
        }
        // Nothing is changed by the mirror itself.
        for (unsigned v = 0; v < before.size(); ++v)
            EXPECT_EQ(m_pObject->m_pVertices[v].m_vPosition, before[v]);
    }
}

TEST_F(Mirroring, FlippingTwiceIsTheIdentityAndLeavesThePlaneMirrored)
{
    Jitter(2);
    std::vector<Vector> before;
    for (unsigned v = 0; v < m_pObject->m_iVertexCount; ++v)
        before.push_back(m_pObject->m_pVertices[v].m_vPosition);
    RecordedChanges once;
    ASSERT_TRUE(m_pObject->Mirror(once, nullptr, nullptr, 2, 0));
    for (unsigned v = 0; v < before.size(); ++v) {
        ASSERT_TRUE(once.m_aValues.count(v)) << v;
        EXPECT_TRUE(Near(once.m_aValues[v], Reflect(before[MirrorOf(v)]))) << v;
    }
    Apply(once);
    RecordedChanges twice;
    ASSERT_TRUE(m_pObject->Mirror(twice, nullptr, nullptr, 2, 0));
    Apply(twice);
    for (unsigned v = 0; v < before.size(); ++v)
        EXPECT_TRUE(Near(m_pObject->m_pVertices[v].m_vPosition, before[v])) << v;
}

TEST_F(Mirroring, FrozenFacesAndVerticesDoNotMove)
{
    Jitter(3);
    const unsigned frozen = At(Vector(1, 1, 1));
    m_pObject->m_pVertices[frozen].m_cFreeze = 255;
    RecordedChanges changes;
    ASSERT_TRUE(m_pObject->Mirror(changes, nullptr, nullptr, 2, 0));
    ASSERT_TRUE(changes.m_aValues.count(frozen));
    EXPECT_EQ(changes.m_aValues[frozen], m_pObject->m_pVertices[frozen].m_vPosition);
}

class LayerMirroring : public Mirroring {
protected:
    void SetUp() override
    {
        Mirroring::SetUp();
        m_pLayer = m_pObject->CreateLayer(nullptr, nullptr);
        ASSERT_TRUE(m_pLayer);
        ASSERT_TRUE(m_pLayer->LockToLevel(m_pObject.get()));
        m_pData = m_pLayer->GetLevel(m_pObject.get());
        ASSERT_TRUE(m_pData);
        // Offsets on some vertices of both sides.
        std::mt19937 random(5);
        std::uniform_real_distribution<float> value(-0.3f, 0.3f);
        for (unsigned v = 0; v < m_pObject->m_iVertexCount; v += 3) {
            const int index = m_pData->FindVertex(v, true);
            m_pData->SetOffset(v, index, Vector(value(random), value(random), value(random)));
        }
        ASSERT_TRUE(m_pData->Extend());
        for (unsigned v = 0; v < m_pObject->m_iVertexCount; ++v)
            m_aOffset.push_back(Offset(v));
    }
    Vector Offset(unsigned v)
    {
        const int index = m_pData->FindVertex(v, false);
        return index >= 0 ? m_pData->GetVertexData(index)->m_vOffset : Vector(0, 0, 0);
    }

    Layer3D *m_pLayer = nullptr;
    LayerLevel *m_pData = nullptr;
    std::vector<Vector> m_aOffset;
};

TEST_F(LayerMirroring, OffsetsAreReflectedIntoTheTargetLayer)
{
    RecordedChanges changes;
    ASSERT_TRUE(m_pObject->Mirror(changes, m_pData, m_pData, 0, 0));
    for (unsigned v = 0; v < m_aOffset.size(); ++v) {
        const unsigned m = MirrorOf(v);
        const Vector expected = m == v ? Vector(0, m_aOffset[v].y, m_aOffset[v].z) : Reflect(m_aOffset[m]);
        if (m != v && OnMarkedSide(v)) {
            EXPECT_FALSE(changes.m_aValues.count(v));
            continue;
        }
        if (expected == m_aOffset[v]) {
            EXPECT_FALSE(changes.m_aValues.count(v)) << v;
            continue;
        }
        ASSERT_TRUE(changes.m_aValues.count(v)) << v;
        EXPECT_TRUE(Near(changes.m_aValues[v], expected)) << v;
        // Every vertex that changed has a record now.
        EXPECT_GE(m_pData->FindVertex(v, false), 0) << v;
    }
}

// Positions handed over with a source and no target are where the vertices are with their layers on.
TEST_F(LayerMirroring, CornerFramesReflectLikeTheAxisOnASymmetricMesh)
{
    RecordedChanges byAxis, byFrames;
    ASSERT_TRUE(m_pObject->Mirror(byAxis, m_pData, nullptr, 2, 0));
    ASSERT_TRUE(m_pObject->Mirror(byFrames, m_pData, nullptr, 2, 3));
    ASSERT_EQ(byAxis.m_aValues.size(), byFrames.m_aValues.size());
    for (const auto &[v, value] : byAxis.m_aValues) {
        ASSERT_TRUE(byFrames.m_aValues.count(v));
        EXPECT_TRUE(Near(byFrames.m_aValues[v], value)) << v;
    }
    // The layer's offsets are back on the mesh afterwards.
    for (unsigned v = 0; v < m_aSymmetric.size(); ++v)
        EXPECT_TRUE(Near(m_pObject->m_pVertices[v].m_vPosition, m_aSymmetric[v] + m_aOffset[v])) << v;
}

TEST_F(LayerMirroring, ALayerLockedToAnotherLevelStopsTheFrameMirror)
{
    SubdivLevel other;
    Layer3D *locked = m_pObject->CreateLayer(m_pLayer, nullptr);
    locked->m_pLockedMesh = &other;
    RecordedChanges changes;
    try {
        m_pObject->Mirror(changes, m_pData, m_pData, 0, 3);
        ADD_FAILURE() << "no error";
    } catch (const General::Error &error) {
        EXPECT_EQ(error.GetCode(), 1);
        EXPECT_TRUE(error.GetMessage().startsWith("This mesh contains layer(s) locked to another level."));
    }
    EXPECT_TRUE(changes.m_aValues.empty());
    for (unsigned v = 0; v < m_aSymmetric.size(); ++v)
        EXPECT_EQ(m_pObject->m_pVertices[v].m_vPosition, m_aSymmetric[v] + m_aOffset[v]);
    locked->m_pLockedMesh = nullptr;
}

}  // namespace
