#include "BrushFixtures.h"

#include "foundation/OperationBuffer.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/LayerLevel.h"
#include "operations/brushes/VertexBrushes.h"

#include <cmath>
#include <cstring>
#include <string>
#include <memory>

using General::Vector;
using namespace Operations;

namespace {

class VertexUndo : public BrushTestBase {
protected:
    void SetUp() override
    {
        BrushTestBase::SetUp();
        OperationBuffer::SetFactory([](int type) -> std::unique_ptr<General::Recordable> {
            switch (type) {
            case kSoftBrush:
                return std::make_unique<SoftBrushOperation>(nullptr, nullptr, 0);
            case kVertex:
                return std::make_unique<VertexOperation>(nullptr, nullptr, 0);
            default:
                return nullptr;
            }
        });
    }
    void TearDown() override
    {
        OperationBuffer::SetFactory(nullptr);
        BrushTestBase::TearDown();
    }

    std::unique_ptr<SoftBrushOperation> Stroke(Mesh *mesh, const std::vector<Vector> &points)
    {
        auto op = std::make_unique<SoftBrushOperation>(&m_tool, &m_segment, 0);
        for (const Vector &point : points) {
            PickInfo pick = Pick(mesh, FaceAt(*mesh, point), point);
            EXPECT_TRUE(op->AddPoint(&pick, m_tool.GetSize(), 1.0f, Vector(0, 0, 0)));
        }
        return op;
    }

    // Writes the operation to `history`, drops it, reads it back and executes it.
    std::unique_ptr<General::Recordable> Replay(std::unique_ptr<General::Recordable> op, OperationBuffer &history)
    {
        EXPECT_TRUE(history.Append(*op, 0));
        op.reset();
        char kind = -1;
        auto back = history.ReadPrevious(kind);
        if (!back)
            return nullptr;
        EXPECT_TRUE(static_cast<Operation *>(back.get())->Execute());
        return back;
    }

    static std::vector<Vertex> Vertices(const Mesh &mesh)
    {
        return std::vector<Vertex>(mesh.m_pVertices.GetBuffer(), mesh.m_pVertices.GetBuffer() + mesh.m_iVertexCount);
    }
    static bool SamePositions(const std::vector<Vertex> &a, const std::vector<Vertex> &b)
    {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (std::memcmp(&a[i].m_vPosition, &b[i].m_vPosition, sizeof(Vector)) != 0)
                return false;
        return true;
    }
};

TEST_F(VertexUndo, AStrokeOnASubdividedLevelComesBackBitForBit)
{
    ASSERT_TRUE(SubdivisionFixtures::Subdivide(*m_object));
    SubdivLevel *level = m_object->GetNextLevel(false);
    ASSERT_NE(level, nullptr);
    level->CalculateNormals(false);
    m_tool.m_iDirection = 0;
    const std::vector<Vertex> before = Vertices(*level);

    auto op = Stroke(level, {{2, 2, 0}, {2.7f, 3.1f, 0}, {3.5f, 3.3f, 0}, {6, 6, 0}});
    m_segment = StrokeSegment();
    const std::vector<Vertex> after = Vertices(*level);
    ASSERT_FALSE(SamePositions(before, after));
    // Executed right after its live stroke, the operation leaves the mesh as it is.
    EXPECT_TRUE(op->Execute());
    EXPECT_TRUE(SamePositions(Vertices(*level), after));

    OperationBuffer undo(m_dir.File("undo")), redo(m_dir.File("redo"));
    auto undone = Replay(std::move(op), undo);
    ASSERT_NE(undone, nullptr);
    EXPECT_TRUE(SamePositions(Vertices(*level), before));
    for (unsigned v = 0; v < level->m_iVertexCount; ++v)
        for (int k = 0; k < 3; ++k)
            ASSERT_NEAR(level->m_pVertices[v].m_aNormal[k], before[v].m_aNormal[k], 2) << v;
    EXPECT_GT(m_brushServices.redraws, 0);

    auto redone = Replay(std::move(undone), redo);
    ASSERT_NE(redone, nullptr);
    EXPECT_TRUE(SamePositions(Vertices(*level), after));
    auto again = Replay(std::move(redone), undo);
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(SamePositions(Vertices(*level), before));
}

TEST_F(VertexUndo, AStrokeOnALayerRestoresTheLayersOffsets)
{
    Layer3D *layer = m_object->CreateLayer(nullptr, nullptr);
    ASSERT_NE(layer, nullptr);
    ASSERT_TRUE(layer->LockToLevel(m_object));
    m_object->SetActiveLayer(layer);
    LayerLevel *data = layer->GetLevel(m_object);
    ASSERT_NE(data, nullptr);
    const std::vector<Vertex> before = Vertices(*m_object);

    auto op = Stroke(m_object, {{4, 4, 0}, {5, 4.5f, 0}});
    EXPECT_TRUE(op->Execute());
    ASSERT_GT(data->m_iVertexCount, 0u);
    EXPECT_FALSE(data->m_aNewData.HasItems());
    std::vector<LayerLevel::VertexData> stroked(data->m_aData.begin(), data->m_aData.end());
    for (const auto &record : stroked) {
        const unsigned v = unsigned(record.m_iGlobalVertexIndex);
        EXPECT_NEAR((P(v) - (before[v].m_vPosition + record.m_vOffset)).Length(), 0.0f, 1e-5f) << v;
    }

    // The layer's strength changes between the stroke and its undo: offsets still come back.
    layer->SetTransparency(0.5f, true, false);
    OperationBuffer undo(m_dir.File("undo")), redo(m_dir.File("redo"));
    auto undone = Replay(std::move(op), undo);
    ASSERT_NE(undone, nullptr);
    for (unsigned i = 0; i < data->m_iVertexCount; ++i) {
        EXPECT_EQ(data->m_aData[i].m_vOffset, Vector(0, 0, 0)) << i;
        const unsigned v = unsigned(data->m_aData[i].m_iGlobalVertexIndex);
        EXPECT_NEAR((P(v) - before[v].m_vPosition).Length(), 0.0f, 1e-6f) << v;
    }

    auto redone = Replay(std::move(undone), redo);
    ASSERT_NE(redone, nullptr);
    ASSERT_EQ(data->m_iVertexCount, stroked.size());
    for (unsigned i = 0; i < data->m_iVertexCount; ++i) {
        EXPECT_EQ(data->m_aData[i].m_vOffset, stroked[i].m_vOffset) << i;
        const unsigned v = unsigned(data->m_aData[i].m_iGlobalVertexIndex);
        EXPECT_NEAR((P(v) - (before[v].m_vPosition + stroked[i].m_vOffset * 0.5f)).Length(), 0.0f, 1e-5f) << v;
    }
}

TEST_F(VertexUndo, ASpacedStrokeAndItsCompanionComeBackBitForBit)
{
    // The companion's wider ring is part of the stroke's undo data, also when the tool stops
    // spacing its dabs in the middle of the stroke and the companion goes.
    for (bool dropped : {false, true}) {
        Reset();
        m_tool.m_bSpacedDab = true;
        m_tool.m_iDirection = 0;
        const std::vector<Vertex> before = Vertices(*m_object);
        auto op = std::make_unique<SoftBrushOperation>(&m_tool, &m_segment, 0);
        const Vector points[] = {{2, 2, 0}, {2.3f, 2.2f, 0}, {4, 3, 0}, {6, 5, 0}, {6.5f, 6.5f, 0}};
        for (size_t i = 0; i < std::size(points); ++i) {
            if (dropped && i == 3)
                m_tool.m_bSpacedDab = false;
            PickInfo pick = Pick(m_object, FaceAt(*m_object, points[i]), points[i]);
            op->AddPoint(&pick, m_tool.GetSize(), 1.0f, Vector(0, 0, 0));
        }
        EXPECT_EQ(op->GetCompanion() == nullptr, dropped);
        m_segment = StrokeSegment();
        const std::vector<Vertex> after = Vertices(*m_object);
        ASSERT_FALSE(SamePositions(before, after)) << dropped;
        EXPECT_TRUE(op->Execute());

        OperationBuffer undo(m_dir.File("undo")), redo(m_dir.File("redo"));
        auto undone = Replay(std::move(op), undo);
        ASSERT_NE(undone, nullptr);
        EXPECT_TRUE(SamePositions(Vertices(*m_object), before)) << dropped;
        auto redone = Replay(std::move(undone), redo);
        ASSERT_NE(redone, nullptr);
        EXPECT_TRUE(SamePositions(Vertices(*m_object), after)) << dropped;
    }
}

// Positions and packed normals of every vertex and face, as bytes.
std::string Bits(const Mesh &mesh)
{
    std::string bits;
    for (unsigned v = 0; v < mesh.m_iVertexCount; ++v) {
        const Vertex &vertex = mesh.m_pVertices[v];
        bits.append(reinterpret_cast<const char *>(&vertex.m_vPosition), sizeof vertex.m_vPosition);
        bits.append(reinterpret_cast<const char *>(vertex.m_aNormal), sizeof vertex.m_aNormal);
    }
    mesh.WithFaces([&](const auto &faces) {
        for (unsigned f = 0; f < mesh.m_iFaceCount; ++f)
            bits.append(reinterpret_cast<const char *>(faces[f].m_aNormal), sizeof faces[f].m_aNormal);
    });
    return bits;
}

TEST_F(VertexUndo, UndoAndRedoGiveBackPositionsAndNormalsBitForBit)
{
    // On a curved surface normals recomputed around the stroke sum their faces in another
    // order than the stroke and the whole-mesh computation did, and a layer's offsets
    // taken off again round: neither may show after any number of undos and redos.
    for (bool onLayer : {false, true}) {
        Reset();
        for (unsigned v = 0; v < m_object->m_iVertexCount; ++v) {
            Vector &p = m_object->m_pVertices[v].m_vPosition;
            p.z = 0.7f * std::sin(1.3f * p.x) * std::cos(0.9f * p.y);
        }
        m_object->CalculateNormals(false);
        if (onLayer) {
            Layer3D *layer = m_object->CreateLayer(nullptr, nullptr);
            ASSERT_NE(layer, nullptr);
            ASSERT_TRUE(layer->LockToLevel(m_object));
            m_object->SetActiveLayer(layer);
            layer->SetTransparency(0.37f, true, false);
        }
        const std::string before = Bits(*m_object);
        std::unique_ptr<General::Recordable> record =
            Stroke(m_object, {{1.3f, 2.1f, 0}, {2.7f, 3.1f, 0}, {3.5f, 3.9f, 0}, {5.2f, 5.6f, 0}});
        m_segment = StrokeSegment();
        const std::string after = Bits(*m_object);
        ASSERT_NE(before, after) << onLayer;
        EXPECT_TRUE(static_cast<Operation *>(record.get())->Execute());

        OperationBuffer undo(m_dir.File("undo")), redo(m_dir.File("redo"));
        for (int cycle = 0; cycle < 3; ++cycle) {
            record = Replay(std::move(record), undo);
            ASSERT_NE(record, nullptr);
            EXPECT_TRUE(Bits(*m_object) == before) << "undo " << cycle << (onLayer ? " on a layer" : "");
            record = Replay(std::move(record), redo);
            ASSERT_NE(record, nullptr);
            EXPECT_TRUE(Bits(*m_object) == after) << "redo " << cycle << (onLayer ? " on a layer" : "");
        }
    }
}

// A record written by hand: one target, no segments, one change of vertex 0, `positions`
// positions and, unless it is -1, the normal of vertex `normalVertex`.
class HandRecord : public General::Recordable {
public:
    HandRecord(int id, int layer, int vertex, int positions, int normalVertex)
        : m_id(id), m_layer(layer), m_vertex(vertex), m_positions(positions), m_normalVertex(normalVertex)
    {
    }
    void Serialize(Stream &stream) override
    {
        int count = 1, segments = 0, changes = 1;
        float x = 1, y = 2, z = 3;
        stream.Serialize(count).Serialize(m_id).Serialize(m_layer).Serialize(segments).Serialize(changes);
        stream.Serialize(m_vertex).Serialize(x).Serialize(y).Serialize(z);
        stream.Serialize(m_positions);
        for (int i = 0; i < m_positions; ++i)
            stream.Serialize(x).Serialize(y).Serialize(z);
        int vertexNormals = m_normalVertex == -1 ? 0 : 1, faceNormals = 0;
        int16_t normal[4] = {0, 0, 32767, 0};
        stream.Serialize(vertexNormals);
        if (vertexNormals) {
            stream.Serialize(m_normalVertex);
            for (int16_t &component : normal)
                stream.Serialize(component);
        }
        stream.Serialize(faceNormals);
    }
    int GetType() const override { return kVertex; }

private:
    int m_id, m_layer, m_vertex, m_positions, m_normalVertex;
};

TEST_F(VertexUndo, RecordsNamingWhatTheSceneLacksAreRefused)
{
    struct Case {
        const char *what;
        int id, layer, vertex, positions = 0, normalVertex = -1;
        bool accepted = false;
    } cases[] = {
        {"a sound record", 0, -1, 0, 0, -1, true},
        {"a sound record with a normal", 0, -1, 0, 0, 3, true},
        {"an unknown object", (5 << 16), -1, 0},
        {"an unknown level", 7, -1, 0},
        {"nothing", -1, -1, 0},
        {"an unknown layer", 0, 3, 0},
        {"a vertex past the mesh", 0, -1, int(kN + 1) * int(kN + 1)},
        {"a negative vertex", 0, -1, -4},
        {"layer positions without a layer", 0, -1, 0, 1},
        {"a normal of a vertex past the mesh", 0, -1, 0, 0, int(kN + 1) * int(kN + 1)},
        {"a normal of a negative vertex", 0, -1, 0, 0, -2},
    };
    for (const Case &c : cases) {
        const std::vector<Vertex> before = Vertices(*m_object);
        OperationBuffer history(m_dir.File("history"));
        HandRecord record(c.id, c.layer, c.vertex, c.positions, c.normalVertex);
        ASSERT_TRUE(history.Append(record, 0));
        char kind = -1;
        auto back = history.ReadPrevious(kind);
        EXPECT_EQ(back != nullptr, c.accepted) << c.what;
        if (!c.accepted)
            EXPECT_TRUE(SamePositions(Vertices(*m_object), before)) << c.what;
    }
}

}  // namespace
