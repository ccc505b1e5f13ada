// Importing a mesh as a new sculpt layer of an object.
#include "mesh/object/Layer3D.h"
#include "mesh/object/LayerLevel.h"
#include "mesh/object/MeshEdits.h"
#include "mesh/object/Object.h"
#include "support/MeshFixtures.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <vector>

namespace {

using fixtures::Vector;

bool Near(const Vector &a, const Vector &b) { return (a - b).Length() < 1e-5f; }

class ImportLayer : public testing::Test {
protected:
    void SetUp() override
    {
        Recorder().tempFolder = m_dir.Path();
        m_pObject = Sheet();
        m_pObject->SetObjectName("target");
        m_aOriginal = Positions(*m_pObject);
    }

    // A 4 × 3 sheet of quads with one texture coordinate per vertex.
    static std::unique_ptr<Object> Sheet()
    {
        auto object = fixtures::MakeWavySheet<Object>(4, 3, 11);
        object->m_iTotalFaceCount = object->m_iFaceCount;
        object->m_iTotalVertexCount = object->m_iVertexCount;
        object->m_iTCCount = object->m_iVertexCount;
        object->m_pTCs.SetItemCount(object->m_iTCCount, false);
        for (unsigned v = 0; v < object->m_iVertexCount; ++v)
            object->m_pTCs[v] = TC{float(v % 5) / 4.0f, float(v / 5) / 3.0f};
        object->CalculateAdjacency();
        return object;
    }
    // A copy of the target, named "sculpt", every vertex moved by `move`.
    std::unique_ptr<Object> Copy(const Vector &move)
    {
        auto copy = std::make_unique<Object>(static_cast<const Mesh &>(*m_pObject));
        copy->SetObjectName("sculpt");
        for (unsigned v = 0; v < copy->m_iVertexCount; ++v)
            copy->m_pVertices[v].m_vPosition = m_aOriginal[v] + move * float(v % 3);
        return copy;
    }
    static std::vector<Vector> Positions(const Mesh &mesh)
    {
        std::vector<Vector> p;
        for (unsigned v = 0; v < mesh.m_iVertexCount; ++v)
            p.push_back(mesh.m_pVertices[v].m_vPosition);
        return p;
    }
    Vector Offset(Layer3D *layer, unsigned v)
    {
        LayerLevel *data = layer->GetLevel(m_pObject.get());
        const int index = data ? data->FindVertex(v, false) : -1;
        return index >= 0 ? data->GetVertexData(index)->m_vOffset : Vector(0, 0, 0);
    }
    // A visible layer locked to the level with an offset on every other vertex.
    Layer3D *SculptedLayer()
    {
        Layer3D *layer = m_pObject->CreateLayer(nullptr, nullptr);
        EXPECT_TRUE(layer->LockToLevel(m_pObject.get()));
        LayerLevel *data = layer->GetLevel(m_pObject.get());
        for (unsigned v = 0; v < m_pObject->m_iVertexCount; v += 2)
            data->SetOffset(v, data->FindVertex(v, true), Vector(0.0f, 0.0f, 0.5f));
        EXPECT_TRUE(data->Extend());
        m_pObject->SetActiveLayer(layer);
        return layer;
    }
    void ExpectRefused(const QString &message)
    {
        EXPECT_EQ(Recorder().statusMessages, QStringList{message});
        EXPECT_EQ(Recorder().statusStates, std::vector<int>{2});
    }

    TempDir m_dir;
    std::unique_ptr<Object> m_pObject;
    std::vector<Vector> m_aOriginal;
};

TEST_F(ImportLayer, AnUnchangedCopyGivesZeroOffsetsAndLeavesTheMesh)
{
    auto copy = Copy(Vector(0, 0, 0));
    ASSERT_TRUE(m_pObject->ImportLayer(*copy, 0, true, 0.001f));
    Layer3D *layer = m_pObject->GetActiveLayer();
    ASSERT_TRUE(layer);
    EXPECT_EQ(layer->GetName(), "sculpt");
    EXPECT_EQ(layer->m_pLockedMesh, m_pObject.get());
    LayerLevel *data = layer->GetLevel(m_pObject.get());
    ASSERT_EQ(data->m_iVertexCount, m_pObject->m_iVertexCount);
    for (unsigned i = 0; i < data->m_iVertexCount; ++i) {
        EXPECT_EQ(data->m_aData[i].m_vOffset, Vector(0, 0, 0));
        EXPECT_EQ(data->m_aData[i].m_iGlobalVertexIndex, int(i));
    }
    EXPECT_EQ(Positions(*m_pObject), m_aOriginal);
}

TEST_F(ImportLayer, ByVertexIdTheDifferencesBecomeTheLayer)
{
    auto copy = Copy(Vector(0.25f, 0, -0.5f));
    ASSERT_TRUE(m_pObject->ImportLayer(*copy, 0, true, 0.001f));
    Layer3D *layer = m_pObject->GetActiveLayer();
    const std::vector<Vector> imported = Positions(*copy);
    for (unsigned v = 0; v < imported.size(); ++v) {
        EXPECT_TRUE(Near(m_pObject->m_pVertices[v].m_vPosition, imported[v])) << v;
        EXPECT_TRUE(Near(Offset(layer, v), imported[v] - m_aOriginal[v])) << v;
    }
    EXPECT_TRUE(m_pObject->m_pVertices[0].m_aNormal[2] != 0 || m_pObject->m_pVertices[0].m_aNormal[1] != 0);
    // Hiding the layer gives the object its own shape back.
    layer->SetVisible(false);
    for (unsigned v = 0; v < imported.size(); ++v)
        EXPECT_TRUE(Near(m_pObject->m_pVertices[v].m_vPosition, m_aOriginal[v])) << v;
}

TEST_F(ImportLayer, IsolationMeasuresWithoutTheOtherLayersAndPutsThemBack)
{
    Layer3D *sculpted = SculptedLayer();
    const std::vector<Vector> withLayer = Positions(*m_pObject);
    auto copy = Copy(Vector(0, 0.25f, 0));
    ASSERT_TRUE(m_pObject->ImportLayer(*copy, 0, true, 0.001f));
    Layer3D *layer = m_pObject->GetActiveLayer();
    // The new layer comes right after the layer that was active.
    ASSERT_NE(layer, sculpted);
    EXPECT_EQ(sculpted->m_pNext, layer);
    const std::vector<Vector> imported = Positions(*copy);
    for (unsigned v = 0; v < imported.size(); ++v) {
        // The new offsets are measured from the shape without the other layer ...
        EXPECT_TRUE(Near(Offset(layer, v), imported[v] - m_aOriginal[v])) << v;
        // ... whose offsets are on the mesh again afterwards.
        EXPECT_TRUE(Near(m_pObject->m_pVertices[v].m_vPosition, imported[v] + (withLayer[v] - m_aOriginal[v]))) << v;
    }
}

TEST_F(ImportLayer, RefusalsCreateNothingAndMoveNothing)
{
    Layer3D *sculpted = SculptedLayer();
    const std::vector<Vector> before = Positions(*m_pObject);
    struct Case {
        const char *what;
        int mode;
        std::function<std::unique_ptr<Object>()> make;
        QString message;
    };
    const std::vector<Case> cases = {
        {"fewer vertices", 0,
         [] {
             auto small = fixtures::MakeWavySheet<Object>(2, 2, 1);
             return small;
         },
         "ERROR: Vertex counts on the active object and the imported mesh should be identical!"},
        {"other vertex ids", 0,
         [&] {
             auto copy = Copy(Vector(0, 0, 1));
             for (unsigned v = 0; v < copy->m_iVertexCount; ++v)
                 copy->m_aVertexMap.Add({int(v), int(v + 100)});
             return copy;
         },
         "ERROR: The vertex IDs cannot be matched!"},
        {"triangles", 1,
         [] {
             auto triangles = fixtures::MakeTriangles<Object>({Vector(0, 0, 0), Vector(1, 0, 0), Vector(0, 1, 0)},
                                                              {{0, 1, 2}});
             return triangles;
         },
         "ERROR: This operation works yet on quadric meshes only!"},
        {"no texture coordinates", 1,
         [&] {
             auto copy = Copy(Vector(0, 0, 1));
             copy->m_iTCCount = 0;
             return copy;
         },
         "ERROR: UV coordinates must exist on the source!"},
        {"a target without texture coordinates", 1,
         [&] {
             auto copy = Copy(Vector(0, 0, 1));
             // Level 0 has no level below to make them from.
             m_pObject->m_iTCCount = 0;
             return copy;
         },
         "ERROR: UV coordinates cannot be automatically created on the target!"},
        {"three texture coordinates", 1,
         [&] {
             auto copy = Copy(Vector(0, 0, 1));
             copy->m_iTCCount = 3;
             return copy;
         },
         "ERROR: At least 4 UV coordinates must exist on the source!"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Recorder().statusMessages.clear();
        Recorder().statusStates.clear();
        auto imported = c.make();
        EXPECT_FALSE(m_pObject->ImportLayer(*imported, c.mode, true, 0.001f));
        ExpectRefused(c.message);
        EXPECT_EQ(m_pObject->LayerCount(), 1);
        EXPECT_EQ(m_pObject->GetFirstLayer(), sculpted);
        EXPECT_EQ(Positions(*m_pObject), before);
        m_pObject->m_iTCCount = m_pObject->m_pTCs.GetItemCount();
    }
}

TEST_F(ImportLayer, ByTextureCoordinatesVerticesArePairedWhereverTheyAre)
{
    // The source lists its vertices in reverse order; its texture coordinates follow them.
    auto copy = Copy(Vector(0, 0, 0.75f));
    const std::vector<Vector> moved = Positions(*copy);
    const unsigned n = copy->m_iVertexCount;
    for (unsigned v = 0; v < n; ++v) {
        copy->m_pVertices[n - 1 - v].m_vPosition = moved[v];
        copy->m_pTCs[n - 1 - v] = m_pObject->m_pTCs[v];
    }
    for (unsigned f = 0; f < copy->m_iFaceCount; ++f)
        for (unsigned k = 0; k < 4; ++k) {
            Quad &quad = copy->m_pQuads[f];
            const unsigned v = quad.m_iIndices[k] & MeshFlags::kIndexMask;
            quad.m_iIndices[k] = (quad.m_iIndices[k] & ~MeshFlags::kIndexMask) | (n - 1 - v);
            quad.m_iTCI[k] = int32_t(n - 1 - v);
        }
    ASSERT_TRUE(m_pObject->ImportLayer(*copy, 1, false, 0.01f));
    Layer3D *layer = m_pObject->GetActiveLayer();
    for (unsigned v = 0; v < n; ++v) {
        EXPECT_TRUE(Near(m_pObject->m_pVertices[v].m_vPosition, moved[v])) << v;
        EXPECT_TRUE(Near(Offset(layer, v), moved[v] - m_aOriginal[v])) << v;
    }
}

TEST_F(ImportLayer, ByTextureCoordinatesAnUnmatchedCornerKeepsItsPlace)
{
    auto copy = Copy(Vector(0, 0, 0.75f));
    // Vertex 7's coordinate moves away from every target coordinate.
    copy->m_pTCs[7] = TC{5.0f, 5.0f};
    ASSERT_TRUE(m_pObject->ImportLayer(*copy, 1, false, 0.01f));
    EXPECT_EQ(m_pObject->m_pVertices[7].m_vPosition, m_aOriginal[7]);
    EXPECT_EQ(m_pObject->GetActiveLayer()->GetLevel(m_pObject.get())->m_iVertexCount, m_pObject->m_iVertexCount - 1);
}

}  // namespace

namespace {
// The undo history as far as layers go: the layers whose creation it holds.
class HistoryOfLayers : public MeshEdits {
public:
    HistoryOfLayers() { MeshEdits::Install(this); }
    ~HistoryOfLayers() override { MeshEdits::Install(nullptr); }
    Layer3D *AddLayer(Object &object, Layer3D *after) override
    {
        Layer3D *layer = MeshEdits::AddLayer(object, after);
        if (layer)
            added.push_back(layer);
        return layer;
    }
    std::vector<Layer3D *> added;
};
}  // namespace

TEST_F(ImportLayer, RefusedMemoryKeepsTheHistoryAndTheLayersInStep)
{
    for (int mode : {0, 1}) {
        SCOPED_TRACE(mode);
        m_pObject = Sheet();
        m_aOriginal = Positions(*m_pObject);
        SculptedLayer();
        const std::vector<Vector> before = Positions(*m_pObject);
        auto copy = Copy(Vector(0, 0, 1));
        HistoryOfLayers history;
        unsigned refused = 0;
        bool done = false;
        for (uint64_t room = 0; room < 200000 && !done; room += 64) {
            General::SetMemoryLimit(General::GetCountedMemory() + room);
            done = m_pObject->ImportLayer(*copy, mode, true, 0.01f);
            General::SetMemoryLimit(~uint64_t(0));
            if (done)
                break;
            ++refused;
            // Every layer the history made is still there (empty), and the mesh has not moved.
            for (Layer3D *layer : history.added) {
                bool present = false;
                for (int i = 0; i < m_pObject->LayerCount(); ++i)
                    present = present || m_pObject->GetLayerByIndex(i) == layer;
                ASSERT_TRUE(present) << room;
                const LayerLevel *data = layer->GetLevel(m_pObject.get());
                EXPECT_TRUE(!data || data->m_iVertexCount == 0) << room;
            }
            EXPECT_EQ(m_pObject->LayerCount(), 1 + int(history.added.size())) << room;
            EXPECT_EQ(Positions(*m_pObject), before) << room;
        }
        EXPECT_GT(refused, 0u);
        ASSERT_TRUE(done);
        ASSERT_FALSE(history.added.empty());
        Layer3D *imported = history.added.back();
        // Measured without the other layer, as when memory is plenty.
        for (unsigned v = 0; v < m_pObject->m_iVertexCount; ++v)
            EXPECT_TRUE(Near(Offset(imported, v), Vector(0, 0, 1) * float(v % 3))) << v;
    }
}
