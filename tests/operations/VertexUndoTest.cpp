#include "BrushFixtures.h"

#include "foundation/OperationBuffer.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/LayerLevel.h"
#include "operations/brushes/VertexBrushes.h"

#include <cstring>
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

// A record written by hand: one target, no segments, one change of vertex 0.
class HandRecord : public General::Recordable {
public:
    HandRecord(int id, int layer, int vertex) : m_id(id), m_layer(layer), m_vertex(vertex) {}
    void Serialize(Stream &stream) override
    {
        int count = 1, segments = 0, changes = 1;
        float x = 1, y = 2, z = 3;
        stream.Serialize(count).Serialize(m_id).Serialize(m_layer).Serialize(segments).Serialize(changes);
        stream.Serialize(m_vertex).Serialize(x).Serialize(y).Serialize(z);
    }
    int GetType() const override { return kVertex; }

private:
    int m_id, m_layer, m_vertex;
};

TEST_F(VertexUndo, RecordsNamingWhatTheSceneLacksAreRefused)
{
    struct Case {
        const char *what;
        int id, layer, vertex;
        bool accepted;
    } cases[] = {
        {"a sound record", 0, -1, 0, true},
        {"an unknown object", (5 << 16), -1, 0, false},
        {"an unknown level", 7, -1, 0, false},
        {"nothing", -1, -1, 0, false},
        {"an unknown layer", 0, 3, 0, false},
        {"a vertex past the mesh", 0, -1, int(kN + 1) * int(kN + 1), false},
        {"a negative vertex", 0, -1, -4, false},
    };
    for (const Case &c : cases) {
        const std::vector<Vertex> before = Vertices(*m_object);
        OperationBuffer history(m_dir.File("history"));
        HandRecord record(c.id, c.layer, c.vertex);
        ASSERT_TRUE(history.Append(record, 0));
        char kind = -1;
        auto back = history.ReadPrevious(kind);
        EXPECT_EQ(back != nullptr, c.accepted) << c.what;
        if (!c.accepted)
            EXPECT_TRUE(SamePositions(Vertices(*m_object), before)) << c.what;
    }
}

}  // namespace
