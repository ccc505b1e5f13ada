#include "BrushFixtures.h"

#include "foundation/OperationBuffer.h"
#include "mesh/core/Placement.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/LayerLevel.h"
#include "operations/brushes/MoveOperation.h"
#include "scene/CameraFixtures.h"
#include "scene/Transformation.h"
#include "scene/camera/Camera.h"

#include <cstring>
#include <memory>

using General::Vector;
using namespace Operations;

namespace {

void ExpectNear(const Vector &actual, const Vector &expected, float tolerance = 1e-4f)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// The grid under a move tool of full strength and size 2 with a linear falloff, seen by a
// camera 8 above the point it catches, so that the pointer's scale k is 8.
class MoveTest : public BrushTestBase {
protected:
    void SetUp() override
    {
        BrushTestBase::SetUp();
        m_tool.m_aPairs[0] = Brush::Pair{2.0f, 100.0f};
        m_tool.m_iDirection = 10;
        m_services.viewCamera = &m_camera;
        m_brushServices.pointerX = m_brushServices.pointerY = 0.5f;
        OperationBuffer::SetFactory([](int type) -> std::unique_ptr<General::Recordable> {
            return type == kMove ? std::make_unique<MoveOperation>() : nullptr;
        });
    }
    void TearDown() override
    {
        OperationBuffer::SetFactory(nullptr);
        m_services.viewCamera = nullptr;
        BrushTestBase::TearDown();
    }

    Transformation &Node() { return *dynamic_cast<Transformation *>(m_object->GetTransformation()); }
    Vector World(const Vector &local) { return m_object->GetPlacement()->GetFullMatrix().Transform(local); }
    Vector WorldOf(unsigned vertex) { return World(P(vertex)); }

    // A pick of the grid at local point (i, j), on the face whose first corner that is,
    // with the camera 8 above it in world space.
    PickInfo PickAt(unsigned i, unsigned j, int side = 0)
    {
        PickInfo pick = Pick(m_object, F(i, j), World(Vector(float(i), float(j), 0)), side);
        pick.m_vNormal = Vector(0, 0, 1);
        if (side == 0)
            m_camera.SetTranslate(pick.m_vPosition + Vector(0, 0, 8));
        return pick;
    }
    bool Sample(MoveOperation &op, PickInfo *pick)
    {
        return op.AddPoint(pick, m_tool.GetSize(), 1.0f, Vector(0, 0, 0));
    }
    void PointerTo(float x, float y)
    {
        m_brushServices.pointerX = x;
        m_brushServices.pointerY = y;
    }
    const MoveOperation::AffectedVertex *Caught(const MoveOperation &op, unsigned vertex)
    {
        for (const auto &record : op.GetCaught())
            if (record.m_iVertex == vertex)
                return &record;
        return nullptr;
    }
    static std::vector<Vertex> Vertices(const Mesh &mesh)
    {
        return std::vector<Vertex>(mesh.m_pVertices.GetBuffer(), mesh.m_pVertices.GetBuffer() + mesh.m_iVertexCount);
    }
    static bool SameBytes(const std::vector<Vertex> &a, const std::vector<Vertex> &b, bool normals)
    {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (std::memcmp(&a[i].m_vPosition, &b[i].m_vPosition, sizeof(Vector)) != 0 ||
                (normals && std::memcmp(a[i].m_aNormal, b[i].m_aNormal, sizeof a[i].m_aNormal) != 0))
                return false;
        return true;
    }

    Camera m_camera;
};

TEST_F(MoveTest, EachDirectionModeTurnsThePointersTravelIntoItsDisplacement)
{
    // The pointer travels a quarter of the view right and an eighth down.
    const struct {
        int mode;
        Vector d;
    } cases[] = {
        {10, {2, -1, 0}}, {11, {2, 0, -1}}, {12, {0, 2, -1}},
        {1, {0, 0, 1}},  // (dx - dy) × k along the picked normal
        {7, {0, 0, 0}},  // not a move mode
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.mode);
        Reset();
        m_tool.m_iDirection = c.mode;
        const Vector hit = P(V(4, 4)), near = P(V(5, 4)), far = P(V(6, 4));
        MoveOperation op(&m_tool, &m_segment, 0);
        PickInfo pick = PickAt(4, 4);
        ASSERT_TRUE(Sample(op, &pick));
        PointerTo(0.75f, 0.625f);
        ASSERT_TRUE(Sample(op, nullptr));
        ExpectNear(P(V(4, 4)), hit + c.d);            // weight 1 under the hit
        ExpectNear(P(V(5, 4)), near + c.d * 0.5f);    // half way to the brush's edge
        ExpectNear(P(V(6, 4)), far);                  // on the edge: not caught
        // Later samples start again from the caught positions: going back undoes the move.
        PointerTo(0.5f, 0.5f);
        ASSERT_TRUE(Sample(op, &pick));
        ExpectNear(P(V(4, 4)), hit);
    }
}

TEST_F(MoveTest, ScreenModeKeepsTheCaughtPointUnderThePointer)
{
    // With an off-screen buffer larger than the view the camera counts rows from the
    // buffer's top: the pointer must be counted so too, or the vertex runs off upward.
    for (float ratio : {1.0f, 300.0f / 512.0f}) {
        Reset();
        RecordingCameraHost host;
        host.width = 400;
        host.height = 300;
        m_tool.m_iDirection = 9;
        MoveOperation op(&m_tool, &m_segment, 0);
        PickInfo pick = PickAt(4, 4);
        m_camera.LookAt(pick.m_vPosition, Vector(0, 1, 0));
        m_camera.m_aViewport[2] = host.width;
        m_camera.m_aViewport[3] = host.height;
        m_camera.m_fHeightRatio = ratio;
        m_camera.m_fAspect = float(host.width) / float(host.height);
        m_camera.m_mModelView = m_camera.GetInverseLocalMatrix();
        m_camera.m_mProjection = m_camera.GetProjectionMatrix(false);
        const float below = m_camera.BufferRow(0.0f);
        float x0 = 0, y0 = 0;
        m_camera.Project(pick.m_vPosition, x0, y0);
        PointerTo(x0 / 400.0f, (y0 - below) / 300.0f);
        ASSERT_TRUE(Sample(op, &pick));

        PointerTo(0.7f, 0.3f);
        ASSERT_TRUE(Sample(op, nullptr));
        float x = 0, y = 0;
        m_camera.Project(P(V(4, 4)), x, y);
        EXPECT_NEAR(x, 0.7f * 400, 0.05f) << ratio;
        EXPECT_NEAR(y - below, 0.3f * 300, 0.05f) << ratio;
        EXPECT_NEAR(P(V(4, 4)).z, 0.0f, 1e-3f) << ratio;  // the camera looks straight down: the depth is a plane
    }
}

TEST_F(MoveTest, WeightFallsLinearlyWithWorldDistanceAndFollowsStrengthFreezeAndMask)
{
    const struct {
        const char *name;
        float scale, strength;
        unsigned i;       // the vertex (i, 0), the hit being at (0, 0)
        bool masked;
        float weight;
    } cases[] = {
        {"size 10 at 4 units", 1, 100, 4, false, 0.6f},
        {"at the hit", 1, 100, 0, false, 1.0f},
        {"half strength", 1, 50, 4, false, 0.3f},
        {"a masked vertex", 1, 100, 4, true, 0.0f},
        {"distance measured in the world", 2, 100, 2, false, 0.6f},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        m_tool.m_aPairs[0] = Brush::Pair{10.0f, c.strength};
        Node().SetScale(Vector(c.scale, c.scale, c.scale));
        if (c.masked)
            m_object->m_pVertices[V(c.i, 0)].m_cFreeze = 255;
        MoveOperation op(&m_tool, &m_segment, 0);
        PickInfo pick = PickAt(0, 0);
        ASSERT_TRUE(Sample(op, &pick));
        const auto *record = Caught(op, V(c.i, 0));
        ASSERT_NE(record, nullptr);
        EXPECT_NEAR(record->m_fWeight, c.weight, 1e-5f);
        EXPECT_EQ(record->m_fWeightDifference, -1.0f);
        EXPECT_EQ(Caught(op, V(8, 8)), nullptr);
    }
}

// The grid centred on the world's x = 0 plane (column 4 lies on it), mirrored through x.
TEST_F(MoveTest, MirroredSideMovesByTheMirroredDisplacementAndThePlaneOnlyByTheMean)
{
    m_brushServices.symmetry = 1;
    Node().SetTranslate(Vector(-4, 0, 0));
    const Vector primary = P(V(3, 4)), mirror = P(V(5, 4)), plane = P(V(4, 4)), aside = P(V(3, 5));
    MoveOperation op(&m_tool, &m_segment, 0);
    PickInfo a = PickAt(3, 4), b = PickAt(5, 4, -1);
    ASSERT_TRUE(Sample(op, &a));
    ASSERT_TRUE(Sample(op, &b));
    const auto *onPlane = Caught(op, V(4, 4));
    ASSERT_NE(onPlane, nullptr);
    EXPECT_NEAR(onPlane->m_fWeightDifference, 0.0f, 1e-6f);

    PointerTo(0.75f, 0.5f);
    ASSERT_TRUE(Sample(op, nullptr));
    ExpectNear(P(V(3, 4)), primary + Vector(2, 0, 0));
    ExpectNear(P(V(5, 4)), mirror + Vector(-2, 0, 0));
    ExpectNear(P(V(3, 5)), aside + Vector(1, 0, 0));
    ExpectNear(P(V(4, 4)), plane);  // caught equally by both sides: the x parts cancel

    // Stored, the two sides of the one mesh are one target with both start faces.
    OperationBuffer history(m_dir.File("undo"));
    ASSERT_TRUE(history.Append(op, 0));
    ASSERT_EQ(op.GetTargets().size(), 1u);
    EXPECT_EQ(op.GetTargets()[0]->m_aSegments.GetItemCount(), 2u);
}

TEST_F(MoveTest, UnevenlyCaughtVerticesBlendTowardTheStrongerSide)
{
    m_brushServices.symmetry = 1;
    Node().SetTranslate(Vector(-4, 0, 0));
    const Vector start = P(V(4, 4));
    MoveOperation op(&m_tool, &m_segment, 0);
    PickInfo a = PickAt(3, 4);
    a.m_vPosition += Vector(0.5f, 0, 0);  // 0.5 from the plane vertex: weight 0.75
    m_camera.SetTranslate(a.m_vPosition + Vector(0, 0, 8));
    PickInfo b = PickAt(5, 4, -1);        // 1 from it: weight 0.5
    ASSERT_TRUE(Sample(op, &a));
    ASSERT_TRUE(Sample(op, &b));
    const auto *record = Caught(op, V(4, 4));
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->m_iSide, 0);
    EXPECT_NEAR(record->m_fWeight, 0.75f, 1e-5f);
    EXPECT_NEAR(record->m_fWeightDifference, 0.25f, 1e-5f);
    PointerTo(0.75f, 0.5f);
    ASSERT_TRUE(Sample(op, nullptr));
    // 0.75 × the mean (0) + 0.25 × (its own side's 2 - the mean) in x.
    ExpectNear(P(V(4, 4)) - start, Vector(0.5f, 0, 0));
}

TEST_F(MoveTest, WorldSpaceSymmetryMirrorsThroughTheObjectsAxesAndOtherwiseThroughTheWorlds)
{
    // The object is turned a quarter about z, so its x axis lies along the world's y.
    const struct {
        bool worldSpace;
        Vector mirrored;  // world displacement of a vertex only the mirrored side caught
    } cases[] = {{true, {2, 0, 0}}, {false, {-2, 0, 0}}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.worldSpace);
        Reset();
        m_brushServices.symmetry = 1;
        m_brushServices.worldSpace = c.worldSpace;
        Node().SetRotate(Vector(0, 0, 90));
        const Vector primary = WorldOf(V(2, 4)), mirror = WorldOf(V(6, 4));
        MoveOperation op(&m_tool, &m_segment, 0);
        PickInfo a = PickAt(2, 4), b = PickAt(6, 4, -1);
        ASSERT_TRUE(Sample(op, &a));
        ASSERT_TRUE(Sample(op, &b));
        PointerTo(0.75f, 0.5f);
        ASSERT_TRUE(Sample(op, nullptr));
        ExpectNear(WorldOf(V(2, 4)) - primary, Vector(2, 0, 0), 1e-3f);
        ExpectNear(WorldOf(V(6, 4)) - mirror, c.mirrored, 1e-3f);
    }
}

TEST_F(MoveTest, AMirrorThatTranslatesLeavesAPointerAtRestMovingNothing)
{
    // Far from the origin the object-space mirror carries a large translation; a pointer
    // that has not moved must move nothing on either side.
    m_brushServices.symmetry = 1;
    Node().SetTranslate(Vector(50, 0, 0));
    const std::vector<Vertex> before = Vertices(*m_object);
    MoveOperation op(&m_tool, &m_segment, 0);
    PickInfo a = PickAt(2, 4), b = PickAt(6, 4, -1);
    ASSERT_TRUE(Sample(op, &a));
    ASSERT_TRUE(Sample(op, &b));
    ASSERT_TRUE(Sample(op, nullptr));
    EXPECT_TRUE(SameBytes(Vertices(*m_object), before, false));
}

TEST_F(MoveTest, CatchingLeavesNormalsAloneAndALateMirroredCatchStillFindsItsRecords)
{
    m_brushServices.symmetry = 1;
    Node().SetTranslate(Vector(-4, 0, 0));
    const std::vector<Vertex> before = Vertices(*m_object);
    const Vector plane = P(V(4, 4));
    {
        MoveOperation op(&m_tool, &m_segment, 0);
        PickInfo a = PickAt(3, 4);
        ASSERT_TRUE(Sample(op, &a));
        EXPECT_TRUE(SameBytes(Vertices(*m_object), before, true));
    }
    EXPECT_TRUE(SameBytes(Vertices(*m_object), before, true));

    // The primary side moves (by nothing) and its normals are recomputed before the mirrored
    // pick first reaches the mesh; the plane vertex must still be one record of both sides.
    MoveOperation op(&m_tool, &m_segment, 0);
    PickInfo a = PickAt(3, 4), b = PickAt(5, 4, -1);
    ASSERT_TRUE(Sample(op, &a));
    ASSERT_TRUE(Sample(op, nullptr));
    ASSERT_TRUE(Sample(op, &b));
    unsigned records = 0;
    for (const auto &record : op.GetCaught())
        records += record.m_iVertex == V(4, 4);
    EXPECT_EQ(records, 1u);
    PointerTo(0.75f, 0.5f);
    ASSERT_TRUE(Sample(op, nullptr));
    ExpectNear(P(V(4, 4)), plane);
}

TEST_F(MoveTest, RefusedSamplesCatchAndMoveNothing)
{
    {
        SCOPED_TRACE("a stroke starting on empty space waits for the mesh");
        MoveOperation op(&m_tool, &m_segment, 0);
        PickInfo nothing;
        EXPECT_FALSE(Sample(op, nullptr));
        EXPECT_FALSE(Sample(op, &nothing));
        PickInfo pick = PickAt(4, 4);
        EXPECT_TRUE(Sample(op, &pick));
        PointerTo(0.75f, 0.5f);
        EXPECT_TRUE(Sample(op, &nothing));
        EXPECT_GT(P(V(4, 4)).x, 4.5f);
    }
    Reset();
    {
        SCOPED_TRACE("a locked object");
        m_object->m_bLocked = true;
        MoveOperation op(&m_tool, &m_segment, 0);
        PickInfo pick = PickAt(4, 4);
        EXPECT_FALSE(Sample(op, &pick));
        EXPECT_EQ(op.GetCaught().GetItemCount(), 0u);
        EXPECT_TRUE(op.GetTargets().empty());
    }
    Reset();
    {
        SCOPED_TRACE("a mirrored side before the primary one");
        m_brushServices.symmetry = 1;
        MoveOperation op(&m_tool, &m_segment, 0);
        PickInfo b = PickAt(5, 4, -1);
        EXPECT_FALSE(Sample(op, &b));
        EXPECT_TRUE(op.GetTargets().empty());
    }
    Reset();
    {
        SCOPED_TRACE("a second mesh under symmetry");
        m_brushServices.symmetry = 1;
        auto other = SubdivisionFixtures::MakeObject(*SubdivisionFixtures::MakeBase(
            {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 3}}));
        MoveOperation op(&m_tool, &m_segment, 0);
        PickInfo a = PickAt(4, 4);
        ASSERT_TRUE(Sample(op, &a));
        PickInfo b = Pick(other.get(), 0, Vector(0.5f, 0.5f, 0), -1);
        EXPECT_FALSE(Sample(op, &b));
        EXPECT_EQ(op.GetTargets().size(), 1u);
    }
    Reset();
    {
        SCOPED_TRACE("a layer locked to another level");
        ASSERT_TRUE(SubdivisionFixtures::Subdivide(*m_object));
        Layer3D *layer = m_object->CreateLayer(nullptr, nullptr);
        ASSERT_TRUE(layer->LockToLevel(m_object->GetNextLevel(false)));
        m_object->SetActiveLayer(layer);
        const std::vector<Vertex> base = Vertices(*m_object);
        MoveOperation op(&m_tool, &m_segment, 0);
        PickInfo pick = PickAt(4, 4);
        EXPECT_FALSE(Sample(op, &pick));
        EXPECT_FALSE(Sample(op, nullptr));
        EXPECT_TRUE(SameBytes(Vertices(*m_object), base, true));
        EXPECT_TRUE(Recorder().statusMessages.contains(QStringLiteral("This layer is currently locked to level 1")));
    }
}

TEST_F(MoveTest, UndoAndRedoThroughTheHistoryAreBitExact)
{
    for (int symmetry : {0, 1}) {
        SCOPED_TRACE(symmetry);
        Reset();
        m_brushServices.symmetry = symmetry;
        Node().SetTranslate(Vector(-4, 0, 0));
        const std::vector<Vertex> before = Vertices(*m_object);
        auto op = std::make_unique<MoveOperation>(&m_tool, &m_segment, 0);
        PickInfo a = PickAt(3, 4), b = PickAt(5, 4, -1);
        ASSERT_TRUE(Sample(*op, &a));
        if (symmetry)
            ASSERT_TRUE(Sample(*op, &b));
        for (float x : {0.6f, 0.8f, 0.7f}) {
            PointerTo(x, 0.4f);
            ASSERT_TRUE(Sample(*op, nullptr));
        }
        const std::vector<Vertex> after = Vertices(*m_object);
        ASSERT_FALSE(SameBytes(before, after, false));
        EXPECT_TRUE(op->Execute());  // right after the stroke: nothing to swap
        EXPECT_TRUE(SameBytes(Vertices(*m_object), after, false));

        OperationBuffer undo(m_dir.File("undo")), redo(m_dir.File("redo"));
        ASSERT_TRUE(undo.Append(*op, 0));
        op.reset();
        std::unique_ptr<General::Recordable> record;
        for (int step = 0; step < 3; ++step) {
            OperationBuffer &from = step % 2 ? redo : undo;
            OperationBuffer &to = step % 2 ? undo : redo;
            char kind = -1;
            record = from.ReadPrevious(kind);
            ASSERT_NE(record, nullptr);
            EXPECT_EQ(record->GetType(), kMove);
            ASSERT_TRUE(static_cast<Operation *>(record.get())->Execute());
            EXPECT_TRUE(SameBytes(Vertices(*m_object), step % 2 ? after : before, false)) << step;
            ASSERT_TRUE(to.Append(*record, 0));
        }
    }
}

TEST_F(MoveTest, OnAnActiveLayerTheMoveBindsTheLayerAndGoesIntoItsOffsets)
{
    Layer3D *layer = m_object->CreateLayer(nullptr, nullptr);
    ASSERT_NE(layer, nullptr);
    m_object->SetActiveLayer(layer);
    LayerLevel *data = layer->GetLevel(m_object);
    ASSERT_NE(data, nullptr);
    const std::vector<Vertex> before = Vertices(*m_object);
    auto op = std::make_unique<MoveOperation>(&m_tool, &m_segment, 0);
    PickInfo pick = PickAt(4, 4);
    ASSERT_TRUE(Sample(*op, &pick));
    EXPECT_EQ(layer->GetLevelIndex(), 0);
    PointerTo(0.75f, 0.5f);
    ASSERT_TRUE(Sample(*op, nullptr));
    EXPECT_TRUE(op->Execute());
    ASSERT_FALSE(data->m_aNewData.HasItems());
    const int record = data->FindVertex(V(4, 4), false);
    ASSERT_GE(record, 0);
    ExpectNear(data->GetVertexData(record)->m_vOffset, Vector(2, 0, 0));
    ExpectNear(P(V(4, 4)), before[V(4, 4)].m_vPosition + Vector(2, 0, 0));

    OperationBuffer undo(m_dir.File("undo"));
    ASSERT_TRUE(undo.Append(*op, 0));
    op.reset();
    char kind = -1;
    auto back = undo.ReadPrevious(kind);
    ASSERT_NE(back, nullptr);
    ASSERT_TRUE(static_cast<Operation *>(back.get())->Execute());
    EXPECT_EQ(data->GetVertexData(data->FindVertex(V(4, 4), false))->m_vOffset, Vector(0, 0, 0));
    EXPECT_TRUE(SameBytes(Vertices(*m_object), before, false));
}

TEST_F(MoveTest, TopologicalSymmetryMirrorsThroughThePickedFacesMap)
{
    // Face (i, j) pairs with face (7 - i, j), its first corner with that face's second:
    // the map turns the grid's x axis into its y axis. Without a complete table the
    // mirrored side moves as the primary one does.
    const struct {
        bool complete;
        Vector mirrored;
    } cases[] = {{true, {0, 2, 0}}, {false, {2, 0, 0}}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.complete);
        Reset();
        m_brushServices.symmetry = -1;
        if (c.complete)
            for (unsigned j = 0; j < kN; ++j)
                for (unsigned i = 0; i < kN; ++i)
                    m_object->m_aSymmetry.Add(F(kN - 1 - i, j) * 4 | (i >= kN / 2 ? 0x80000000u : 0u));
        const Vector primary = P(V(2, 4)), mirror = P(V(6, 4));
        MoveOperation op(&m_tool, &m_segment, 0);
        PickInfo a = PickAt(2, 4), b = PickAt(6, 4, -1);
        ASSERT_TRUE(Sample(op, &a));
        ASSERT_TRUE(Sample(op, &b));
        PointerTo(0.75f, 0.5f);
        ASSERT_TRUE(Sample(op, nullptr));
        ExpectNear(P(V(2, 4)) - primary, Vector(2, 0, 0));
        ExpectNear(P(V(6, 4)) - mirror, c.mirrored);
    }
}

}  // namespace
