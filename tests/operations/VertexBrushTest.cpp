#include "BrushFixtures.h"

#include "foundation/Memory.h"
#include "mesh/object/LayerLevel.h"
#include "operations/brushes/BrushImages.h"
#include "operations/brushes/VertexBrushes.h"
#include "operations/normals/NormalAverager.h"
#include "operations/normals/NormalUpdater.h"
#include "scene/camera/Camera.h"
#include "scene/Transformation.h"
#include "scene/volume/Volume.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>

using General::Vector;
using namespace Operations;

namespace {

class VertexBrushes : public BrushTestBase {
protected:
    // One stroke of samples (point, pressure) on the faces under them.
    template <class Op>
    std::unique_ptr<Op> Stroke(const std::vector<std::pair<Vector, float>> &samples, int mode = 0)
    {
        auto op = std::make_unique<Op>(&m_tool, &m_segment, mode);
        for (const auto &[point, pressure] : samples) {
            PickInfo pick = Pick(m_object, F(unsigned(point.x), unsigned(point.y)), point);
            op->AddPoint(&pick, m_tool.GetSize(), pressure, Vector(0, 0, 0));
        }
        return op;
    }

    // The soft brush's displacement of one dab at weight w (linear falloff), in units of L.
    float SoftDab(float w, float pressure = 1.0f) const
    {
        const float n = float(std::max(1, 51 - m_brushServices.rate));
        return 1.0f - std::sqrt(1.0f - std::min(0.8f, pressure * w / n));
    }
    static float Weight(Vector p, Vector centre, float size) { return 1.0f - (p - centre).Length() / size; }
};

TEST_F(VertexBrushes, SoftDabFollowsItsLawAndSaturates)
{
    const Vector centre(4, 4, 0);
    const float L = m_tool.GetStrength();
    struct Case {
        const char *what;
        int rate, mode, dabs;
        float sign;
    } cases[] = {
        {"one dab", 40, 0, 1, 1},
        {"stroke mode 2 pushes", 40, 2, 1, -1},
        {"the rate's cap: one dab moves at most 1 - sqrt(0.2)", 50, 0, 1, 1},
    };
    for (const Case &c : cases) {
        Reset();
        m_brushServices.rate = c.rate;
        auto op = Stroke<SoftBrushOperation>({{centre, 1.0f}}, c.mode);
        for (unsigned v : {V(4, 4), V(5, 4), V(5, 5), V(3, 2), V(6, 4), V(0, 0)}) {
            const float w = std::max(0.0f, Weight(P(v) * 1.0f - Vector(0, 0, P(v).z), centre, 2.0f));
            EXPECT_NEAR(P(v).z, c.sign * L * SoftDab(w), 1e-5f) << c.what << " vertex " << v;
        }
    }
    Reset();
    m_brushServices.rate = 50;
    Stroke<SoftBrushOperation>({{centre, 1.0f}});
    EXPECT_NEAR(P(V(4, 4)).z, L * (1.0f - std::sqrt(0.2f)), 1e-5f);
}

TEST_F(VertexBrushes, ADabOnAPlacedObjectIsWeighedInTheWorld)
{
    // The object sits 100 units along x: a sample at world (104, 4) weighs the vertex at
    // (4, 4) of the mesh fully, and the mesh's own (4, 4) place means nothing. Unplaced
    // again, a dab weighs mesh places.
    auto &node = *dynamic_cast<Transformation *>(m_object->GetTransformation());
    node.SetTranslate(Vector(100, 0, 0));
    const float L = m_tool.GetStrength();
    {
        SoftBrushOperation op(&m_tool, &m_segment, 0);
        PickInfo pick = Pick(m_object, F(4, 4), Vector(104, 4, 0));
        ASSERT_TRUE(op.AddPoint(&pick, m_tool.GetSize(), 1.0f, Vector(0, 0, 0)));
    }
    EXPECT_NEAR(P(V(4, 4)).z, L * SoftDab(1.0f), 1e-5f);
    EXPECT_NEAR(P(V(5, 4)).z, L * SoftDab(0.5f), 1e-5f);
    EXPECT_EQ(P(V(1, 4)).z, 0.0f);

    node.SetTranslate(Vector(0, 0, 0));
    m_segment = StrokeSegment();  // a new stroke
    Stroke<SoftBrushOperation>({{{1, 4, 0}, 1.0f}});
    EXPECT_NEAR(P(V(1, 4)).z, L * SoftDab(1.0f), 1e-5f);
}

// A camera `height` above the grid point (4, 4), looking down, with an 800 × 600 view.
void AimDown(Camera &camera, float height)
{
    camera.SetTranslate(Vector(4, 4, height));
    camera.m_vTarget = Vector(4, 4, 0);
    camera.LookAt(camera.m_vTarget, Vector(0, 1, 0));
    camera.m_aViewport[2] = 800;
    camera.m_aViewport[3] = 600;
    camera.m_fAspect = 800.0f / 600.0f;
    camera.m_mModelView = camera.GetInverseLocalMatrix();
    camera.m_mProjection = camera.GetProjectionMatrix(false);
}

Vector Window(const Camera &camera, const Vector &point)
{
    Vector window(0, 0, 0);
    camera.Project(point, window.x, window.y);
    return window;
}

// A two-sample stroke along +x moves the vertex under its end along the mode's direction,
// measured in the world or in window pixels alike.
TEST_F(VertexBrushes, EveryDirectionModeMovesAlongItsDirection)
{
    Camera camera;
    AimDown(camera, 20.0f);
    m_services.viewCamera = &camera;
    const Vector end(4, 4, 0);
    const struct {
        int mode;
        Vector direction;
        float tolerance;
    } cases[] = {
        {0, {0, 0, 1}, 1e-4f},  {1, {0, 0, 1}, 1e-4f},  {2, {0, 0, 1}, 1e-4f},
        {3, {1, 0, 0}, 1e-4f},  {4, {0, -1, 0}, 1e-4f}, {5, {1, 0, 0}, 1e-4f},
        {6, {0, 1, 0}, 1e-4f},  {7, {0, 0, 1}, 1e-4f},
        {8, (camera.GetPosition() - end).Normalized(), 5e-3f},  // toward the eye from each sample
    };
    for (const bool windowSpace : {false, true})
        for (const auto &c : cases) {
            SCOPED_TRACE(testing::Message() << "mode " << c.mode << (windowSpace ? " in window space" : ""));
            Reset();
            m_tool.m_iDirection = c.mode;
            m_tool.m_bWindowSpace = windowSpace;
            m_tool.m_bConnect = false;  // each dab on its own: the end's dab moves its vertex in full
            const float size = windowSpace ? (Window(camera, end) - Window(camera, {6, 4, 0})).Length() : 2.0f;
            SoftBrushOperation op(&m_tool, &m_segment, 0);
            for (const Vector &point : {Vector(3, 4, 0), end}) {
                PickInfo pick = Pick(m_object, F(unsigned(point.x), 4), point);
                ASSERT_TRUE(op.AddPoint(&pick, size, 1.0f, Vector(0, 0, 0)));
            }
            const Vector moved = P(V(4, 4)) - end;
            ASSERT_GT(moved.Length(), 1e-4f);
            EXPECT_NEAR(moved.Normalized().Dot(c.direction), 1.0f, c.tolerance);
        }
    m_services.viewCamera = nullptr;
}

// The averaged normal is the falloff-weighted sum of the normals under the brush, in the
// world or in window pixels, as a brute-force sum over every vertex gives it.
TEST_F(VertexBrushes, NormalAveragerSumsTheWeightedNormalsUnderTheBrush)
{
    for (unsigned v = 0; v < m_object->m_iVertexCount; ++v) {
        Vector &p = m_object->m_pVertices[v].m_vPosition;
        p.z = 0.4f * std::sin(p.x) * std::cos(0.7f * p.y);
    }
    m_object->CalculateNormals(false);
    Camera camera;
    AimDown(camera, 12.0f);
    m_services.viewCamera = &camera;
    const Vector centre = P(V(4, 4));
    for (const bool windowSpace : {false, true}) {
        SCOPED_TRACE(windowSpace ? "window space" : "world space");
        m_tool.m_bWindowSpace = windowSpace;
        auto measure = [&](const Vector &p) { return windowSpace ? Window(camera, p) : p; };
        const float radius = windowSpace ? (Window(camera, centre) - Window(camera, P(V(6, 4)))).Length() : 2.5f;
        StrokeSegment local;
        local.Start(centre, radius);
        NormalAverager averager(m_object, &m_tool, &local, F(4, 4));

        Vector sum(0, 0, 0);
        float weights = 0.0f;
        int reached = 0;
        for (unsigned v = 0; v < m_object->m_iVertexCount; ++v) {
            const float w = 1.0f - (measure(P(v)) - measure(centre)).Length() / radius;
            if (w > 0.0f) {
                sum += UnpackNormal(m_object->m_pVertices[v].m_aNormal) * w;
                weights += w;
                ++reached;
            }
        }
        ASSERT_GT(reached, 8);
        EXPECT_NEAR(averager.GetWeightSum(), weights, 1e-3f * weights);
        EXPECT_LT((averager.GetNormal() - sum).Length(), 1e-3f * sum.Length());
        EXPECT_GT(averager.GetNormal().Normalized().z, 0.9f);
    }
    m_services.viewCamera = nullptr;
}

TEST_F(VertexBrushes, SoftDabsOfOneStrokeAddUpGeometrically)
{
    // a' = 1 - (1 - a)·sqrt(1 - v): after two equal dabs a = v. The dabs are not connected:
    // a connected sample that does not move would be weighed by its zero step.
    m_tool.m_bConnect = false;
    Stroke<SoftBrushOperation>({{{4, 4, 0}, 1.0f}, {{4, 4, 0}, 1.0f}});
    EXPECT_NEAR(P(V(4, 4)).z, m_tool.GetStrength() / 11.0f, 1e-5f);
    EXPECT_NEAR(P(V(5, 4)).z, m_tool.GetStrength() * 0.5f / 11.0f, 1e-5f);
}

TEST_F(VertexBrushes, AConnectedSoftSampleIsWeighedByItsStep)
{
    // Size 2: the second sample's strength is scaled by min(1, step / 2). The samples run
    // half-way between grid rows, so that no vertex sits on a sample.
    const float L = m_tool.GetStrength();
    const Vector first(3, 4.5f, 0), probe(4, 4, 0);
    auto weight = [&](Vector from, Vector to) {
        const Vector u = to - from;
        const float t = u.Dot(u) == 0.0f ? 0.0f : std::clamp((probe - from).Dot(u) / u.Dot(u), 0.0f, 1.0f);
        return 1.0f - (probe - (from + u * t)).Length() / 2.0f;
    };
    struct Case {
        const char *what;
        Vector second;
        bool connect, restart;
        float scale;
    } cases[] = {
        {"no step: nothing more", {3, 4.5f, 0}, true, false, 0.0f},
        {"half the size: half", {4, 4.5f, 0}, true, false, 0.5f},
        {"a quarter step", {3.5f, 4.5f, 0}, true, false, 0.25f},
        {"beyond the size: full", {6, 4.5f, 0}, true, false, 1.0f},
        {"a tool that does not connect: full", {3.5f, 4.5f, 0}, false, false, 1.0f},
        {"a restarting tool: full", {3.5f, 4.5f, 0}, true, true, 1.0f},
    };
    for (const Case &c : cases) {
        Reset();
        m_tool.m_bConnect = c.connect;
        m_tool.m_bRestart = c.restart;
        auto op = Stroke<SoftBrushOperation>({{first, 1.0f}});
        EXPECT_EQ(op->GetStepScale(), 1.0f) << c.what;  // the first sample continues nothing
        const float a = SoftDab(weight(first, first));
        ASSERT_NEAR(P(V(4, 4)).z, L * a, 1e-6f) << c.what;
        PickInfo pick = Pick(m_object, F(unsigned(c.second.x), unsigned(c.second.y)), c.second);
        ASSERT_TRUE(op->AddPoint(&pick, 2.0f, 1.0f, Vector(0, 0, 0))) << c.what;
        EXPECT_FLOAT_EQ(op->GetStepScale(), c.scale) << c.what;
        const float w = c.connect && !c.restart ? weight(first, c.second) : weight(c.second, c.second);
        const float expected = 1.0f - (1.0f - a) * std::sqrt(1.0f - c.scale * w / 11.0f);
        EXPECT_NEAR(P(V(4, 4)).z, L * expected, 1e-5f) << c.what;
    }

    // A flood is not a step of a stroke.
    Reset();
    m_tool.m_bConnect = true;
    m_tool.m_bRestart = false;
    auto op = Stroke<SoftBrushOperation>({{first, 1.0f}, {first, 1.0f}});
    EXPECT_EQ(op->GetStepScale(), 0.0f);
    ASSERT_TRUE(op->Flood(m_object, false));
    EXPECT_GT(P(V(8, 8)).z, 0.0f);
}

TEST_F(VertexBrushes, ASpacedDabIsAnsweredByAWiderInverseDab)
{
    // The companion replays each dab 1.04 times wider in the inverse mode: inside the dab it
    // takes back part of the pull, just outside it pushes a ring the other way.
    const float L = m_tool.GetStrength();
    const float wide = 2.0f * SoftBrushOperation::kCompanionWidening;
    m_tool.m_bSpacedDab = true;
    for (int mode : {0, 2}) {
        Reset();
        const float sign = mode == 2 ? -1.0f : 1.0f;
        auto op = Stroke<SoftBrushOperation>({{{4, 4, 0}, 1.0f}}, mode);
        ASSERT_NE(op->GetCompanion(), nullptr);
        EXPECT_EQ(op->GetCompanion()->GetCompanion(), nullptr);
        for (unsigned v : {V(4, 4), V(5, 4), V(5, 5), V(6, 4), V(4, 2)}) {
            const float d = (P(v) - Vector(0, 0, P(v).z) - Vector(4, 4, 0)).Length();
            const float a = SoftDab(std::max(0.0f, 1.0f - d / 2.0f));
            const float back = 1.0f - (1.0f - a) * std::sqrt(1.0f - (1.0f - d / wide) / 11.0f) - a;
            EXPECT_NEAR(P(v).z, sign * L * (a - back), 1e-5f) << mode << " vertex " << v;
        }
        EXPECT_LT(sign * P(V(6, 4)).z, 0.0f) << mode;  // the ring beyond the dab
        EXPECT_EQ(P(V(7, 4)).z, 0.0f) << mode;         // beyond the companion too
    }

    // Samples closer than the spacing (40 % of the size) are skipped; the next dab is answered
    // too, and a tool whose flag is cleared drops the companion.
    Reset();
    auto op = Stroke<SoftBrushOperation>({{{2, 4, 0}, 1.0f}});
    const std::vector<Vector> first = Positions(*m_object);
    PickInfo near = Pick(m_object, F(2, 4), {2.5f, 4, 0});
    EXPECT_FALSE(op->AddPoint(&near, 2.0f, 1.0f, Vector(0, 0, 0)));
    EXPECT_EQ(Positions(*m_object), first);
    PickInfo next = Pick(m_object, F(5, 4), {5, 4, 0});
    ASSERT_TRUE(op->AddPoint(&next, 2.0f, 1.0f, Vector(0, 0, 0)));
    EXPECT_LT(P(V(7, 4)).z, 0.0f);
    m_tool.m_bSpacedDab = false;
    PickInfo last = Pick(m_object, F(6, 6), {6, 6, 0});
    ASSERT_TRUE(op->AddPoint(&last, 2.0f, 1.0f, Vector(0, 0, 0)));
    EXPECT_EQ(op->GetCompanion(), nullptr);
    // Dropping the companion ended none of the stroke's restore records.
    EXPECT_NE(P(V(1, 4)).z, 0.0f);
    EXPECT_EQ(m_object->OriginalVertex(V(1, 4)).m_vPosition.z, 0.0f);
}

TEST_F(VertexBrushes, FrozenFacesAndMaskedVerticesDoNotMove)
{
    m_object->m_pVertices[V(4, 4)].m_cFreeze = 255;
    Stroke<SoftBrushOperation>({{{4, 4, 0}, 1.0f}});
    EXPECT_EQ(P(V(4, 4)).z, 0.0f);
    EXPECT_GT(P(V(5, 4)).z, 0.0f);

    Reset();
    for (unsigned f = 0; f < m_object->m_iFaceCount; ++f)
        m_object->m_pQuads[f].m_iFreeze = 255;
    for (bool hard : {false, true}) {
        if (hard)
            Stroke<HardBrushOperation>({{{4, 4, 0}, 1.0f}});
        else
            Stroke<SoftBrushOperation>({{{4, 4, 0}, 1.0f}});
        for (unsigned v = 0; v < m_object->m_iVertexCount; ++v)
            ASSERT_EQ(P(v).z, 0.0f) << v;
    }
}

TEST_F(VertexBrushes, HardBrushRisesToTheHighestTargetOnly)
{
    const float L = m_tool.GetStrength();
    auto op = Stroke<HardBrushOperation>({{{4, 4, 0}, 1.0f}});
    EXPECT_NEAR(P(V(4, 4)).z, L, 1e-5f);
    EXPECT_NEAR(P(V(5, 4)).z, 0.5f * L, 1e-5f);
    const std::vector<Vector> after = Positions(*m_object);

    // A weaker second pass over the same vertices changes nothing.
    PickInfo pick = Pick(m_object, F(4, 4), {4, 4, 0});
    ASSERT_TRUE(op->AddPoint(&pick, 2.0f, 0.5f, Vector(0, 0, 0)));
    EXPECT_EQ(Positions(*m_object), after);

    op.reset();
    Reset();
    Stroke<HardBrushOperation>({{{4, 4, 0}, 1.0f}}, 2);
    EXPECT_NEAR(P(V(4, 4)).z, -L, 1e-5f);
}

// Images that shape the stroke: a stencil and a stamp whose value depends on x only.
class ScriptedImages : public BrushImages {
public:
    ScriptedImages() { Install(this); }
    ~ScriptedImages() override { Install(nullptr); }
    bool HasStencil() const override { return stencil != nullptr; }
    void SetStencilObject(Placement *) override { ++stencilObjects; }
    float SampleStencil(const Vector &p) const override { return stencil(p); }
    bool HasStamp() const override { return stamp != nullptr; }
    float SampleStamp(const Vector &p) const override { return stamp(p); }

    float (*stencil)(const Vector &) = nullptr;
    float (*stamp)(const Vector &) = nullptr;
    int stencilObjects = 0;
};

TEST_F(VertexBrushes, StencilAndStampScaleEachVertexAndTheStampOnlyInStrokes)
{
    const Vector centre(4, 4, 0);
    auto dab = [&](bool hard) {
        Reset();
        if (hard)
            Stroke<HardBrushOperation>({{centre, 1.0f}});
        else
            Stroke<SoftBrushOperation>({{centre, 1.0f}});
        return Positions(*m_object);
    };
    const std::vector<Vector> softPlain = dab(false), hardPlain = dab(true);

    ScriptedImages images;
    // Left of x = 4 the image is black, right of it white.
    auto halves = [](const Vector &p) { return p.x > 4.0f ? 1.0f : 0.0f; };
    struct Case {
        const char *what;
        bool hard, stencil, stamp;
    } cases[] = {
        {"soft through a stencil", false, true, false},
        {"soft through a stamp", false, false, true},
        {"hard through a stencil", true, true, false},
    };
    for (const Case &c : cases) {
        images.stencil = c.stencil ? +halves : nullptr;
        images.stamp = c.stamp ? +halves : nullptr;
        const std::vector<Vector> plain = c.hard ? hardPlain : softPlain;
        const std::vector<Vector> shaped = dab(c.hard);
        for (unsigned v = 0; v < m_object->m_iVertexCount; ++v) {
            if (P(v).x > 4.0f)
                EXPECT_EQ(shaped[v], plain[v]) << c.what << " vertex " << v;
            else
                EXPECT_EQ(shaped[v].z, 0.0f) << c.what << " vertex " << v;
        }
    }
    EXPECT_GT(images.stencilObjects, 0);

    // The hard brush and every flood leave the stamp out.
    images.stencil = nullptr;
    images.stamp = +[](const Vector &) { return 0.0f; };
    EXPECT_EQ(dab(true), hardPlain);
    Reset();
    SoftBrushOperation flood(&m_tool, nullptr, 0);
    ASSERT_TRUE(flood.Flood(m_object, false));
    EXPECT_GT(P(V(4, 4)).z, 0.0f);
}

TEST_F(VertexBrushes, PinchDrawsTowardTheStrokeAndSmoothTowardTheNeighbours)
{
    m_tool.m_aPairs[0].strength = 10.0f;  // k = 10 / 100 × falloff
    Stroke<PinchOperation>({{{4, 4, 0}, 1.0f}});
    EXPECT_NEAR(P(V(5, 4)).x, 5.0f - 0.1f * 0.5f, 1e-6f);
    EXPECT_NEAR(P(V(5, 4)).y, 4.0f, 1e-6f);
    EXPECT_EQ(P(V(4, 4)), Vector(4, 4, 0));

    Reset();
    m_object->SetVertexPosition(V(4, 4), Vector(4, 4, 1));
    m_tool.m_aPairs[0].strength = 50.0f;  // k = 0.5; the centre has weight 1 and flat neighbours
    Stroke<SmoothOperation>({{{4, 4, 1}, 1.0f}});
    EXPECT_NEAR(P(V(4, 4)).z, 0.5f, 1e-6f);
}

TEST_F(VertexBrushes, VerticesFarFromTheOriginAreSmoothedToo)
{
    const Vector far(20000, 0, 0);
    for (unsigned v = 0; v < m_object->m_iVertexCount; ++v)
        m_object->SetVertexPosition(v, P(v) + far);
    m_object->SetVertexPosition(V(4, 4), Vector(4, 4, 1) + far);
    m_tool.m_aPairs[0].strength = 50.0f;  // k = 0.5; the centre has weight 1 and flat neighbours
    SmoothOperation op(&m_tool, &m_segment, 0);
    PickInfo pick = Pick(m_object, F(4, 4), Vector(4, 4, 1) + far);
    ASSERT_TRUE(op.AddPoint(&pick, m_tool.GetSize(), 1.0f, Vector(0, 0, 0)));
    EXPECT_NEAR(P(V(4, 4)).z, 0.5f, 1e-4f);
    EXPECT_NEAR(P(V(4, 4)).x, 20004.0f, 1e-2f);
}

TEST_F(VertexBrushes, FlattenPullsTowardThePlaneOfTheVerticesUnderTheBrush)
{
    m_object->SetVertexPosition(V(4, 4), Vector(4, 4, 1));
    m_tool.m_aPairs[0].strength = 100.0f;
    m_tool.m_iDirection = 0;
    const Vector centre(2.9f, 4.5f, 0);
    // Oracle: the plane is z = mean height of the vertices within reach.
    unsigned reached = 0;
    for (unsigned v = 0; v < m_object->m_iVertexCount; ++v)
        reached += (P(v) - centre).Length() < 2.0f;
    auto op = Stroke<FlattenOperation>({{centre, 1.0f}});

    EXPECT_EQ(op->GetPlaneNormal(0), Vector(0, 0, 1));
    EXPECT_NEAR(op->GetPlaneOffset(0), 1.0f / float(reached), 1e-6f);
    const float w = Weight({4, 4, 1}, centre, 2.0f);
    EXPECT_NEAR(P(V(4, 4)).z, 1.0f - w * (1.0f - op->GetPlaneOffset(0)), 1e-5f);
}

TEST_F(VertexBrushes, FlattenWithNothingUnderTheBrushKeepsItsPlane)
{
    m_object->SetVertexPosition(V(4, 4), Vector(4, 4, 1));
    m_tool.m_aPairs[0].strength = 100.0f;
    m_tool.m_iDirection = 0;
    m_tool.m_bPlaneUpdate = false;
    m_object->m_pQuads[F(0, 0)].m_iIndices[0] &= ~MeshFlags::kBit31;  // the first sample finds nothing
    auto op = Stroke<FlattenOperation>({{{0.5f, 0.5f, 0}, 1.0f}, {{2.9f, 4.5f, 0}, 1.0f}});
    EXPECT_TRUE(std::isfinite(op->GetPlaneOffset(0)));
    for (unsigned v = 0; v < m_object->m_iVertexCount; ++v)
        ASSERT_TRUE(std::isfinite(P(v).z)) << v;
    EXPECT_LT(P(V(4, 4)).z, 1.0f);
}

TEST_F(VertexBrushes, RefusedSamplesChangeNothing)
{
    // A pressure fall beyond the preference's fraction is refused and logged; 1.0 to 0.3 is not.
    for (const auto &[second, accepted] : {std::pair{0.3f, true}, std::pair{0.2f, false}}) {
        Reset();
        auto op = Stroke<SoftBrushOperation>({{{4, 4, 0}, 1.0f}});
        const std::vector<Vector> before = Positions(*m_object);
        PickInfo pick = Pick(m_object, F(5, 4), {5, 4, 0});  // a step, so an accepted sample moves
        EXPECT_EQ(op->AddPoint(&pick, 2.0f, second, Vector(0, 0, 0)), accepted) << second;
        EXPECT_EQ(Positions(*m_object) == before, !accepted) << second;
        EXPECT_EQ(Recorder().LogContains("Pressure change too high!"), !accepted) << second;
    }

    // A locked object: no sample, no flood, no target, nothing to record.
    Reset();
    m_object->m_bLocked = true;
    SoftBrushOperation op(&m_tool, &m_segment, 0);
    PickInfo pick = Pick(m_object, F(4, 4), {4, 4, 0});
    EXPECT_FALSE(op.AddPoint(&pick, 2.0f, 1.0f, Vector(0, 0, 0)));
    EXPECT_FALSE(op.Flood(m_object, false));
    EXPECT_TRUE(op.GetTargets().empty());
    EXPECT_FALSE(op.Execute());
    for (unsigned v = 0; v < m_object->m_iVertexCount; ++v)
        ASSERT_EQ(P(v).z, 0.0f) << v;

    // A mirror side the segment has no slot for.
    m_object->m_bLocked = false;
    pick.m_iTag = 2;
    EXPECT_FALSE(op.AddPoint(&pick, 2.0f, 1.0f, Vector(0, 0, 0)));
    EXPECT_TRUE(op.GetTargets().empty());
}

TEST_F(VertexBrushes, AMoveBeyondTheBoundsIsRefusedNotMade)
{
    Recorder().ExpectAssertionFailures();
    m_brushServices.rate = 50;
    m_tool.m_aPairs[0].strength = 1e9f;
    Stroke<SoftBrushOperation>({{{4, 4, 0}, 1.0f}});
    EXPECT_EQ(P(V(4, 4)), Vector(4, 4, 0));
    EXPECT_TRUE(Recorder().LogContains("100000000"));
}

TEST_F(VertexBrushes, FloodMovesEveryVisibleVertexAlongItsNormal)
{
    m_object->m_pQuads[0].m_iIndices[0] &= ~MeshFlags::kBit31;
    m_object->m_pQuads[1].m_iIndices[0] &= ~MeshFlags::kBit31;
    {
        SoftBrushOperation op(&m_tool, nullptr, 0);
        ASSERT_TRUE(op.Flood(m_object, false));
        EXPECT_TRUE(op.Execute());
        const float dz = m_tool.GetStrength() * SoftDab(1.0f);
        EXPECT_NEAR(P(V(8, 8)).z, dz, 1e-5f);
        EXPECT_NEAR(P(V(4, 4)).z, dz, 1e-5f);
        EXPECT_EQ(P(V(1, 0)).z, 0.0f);  // only on hidden faces
    }

    // Pinch does nothing in a flood.
    Reset();
    PinchOperation pinch(&m_tool, nullptr, 0);
    ASSERT_TRUE(pinch.Flood(m_object, false));
    for (unsigned v = 0; v < m_object->m_iVertexCount; ++v)
        ASSERT_EQ(P(v), Vector(float(v % (kN + 1)), float(v / (kN + 1)), 0)) << v;
}

TEST_F(VertexBrushes, NormalsAfterADabEqualNormalsOfTheWholeMesh)
{
    m_tool.m_aPairs[0] = Brush::Pair{2.5f, 3.0f};
    auto op = Stroke<SoftBrushOperation>({{{3, 3, 0}, 1.0f}, {{4.5f, 3.5f, 0}, 1.0f}, {{5, 5, 0}, 0.8f}});
    std::vector<std::array<int16_t, 3>> vertexNormals, faceNormals;
    for (unsigned v = 0; v < m_object->m_iVertexCount; ++v) {
        const int16_t *n = m_object->m_pVertices[v].m_aNormal;
        vertexNormals.push_back({n[0], n[1], n[2]});
    }
    for (unsigned f = 0; f < m_object->m_iFaceCount; ++f) {
        const int16_t *n = m_object->m_pQuads[f].m_aNormal;
        faceNormals.push_back({n[0], n[1], n[2]});
    }
    m_object->CalculateNormals(true);
    for (unsigned v = 0; v < m_object->m_iVertexCount; ++v)
        for (int k = 0; k < 3; ++k)
            ASSERT_NEAR(vertexNormals[v][k], m_object->m_pVertices[v].m_aNormal[k], 2) << v;
    for (unsigned f = 0; f < m_object->m_iFaceCount; ++f)
        for (int k = 0; k < 3; ++k)
            ASSERT_NEAR(faceNormals[f][k], m_object->m_pQuads[f].m_aNormal[k], 2) << f;
    EXPECT_NE(vertexNormals[V(4, 4)][0], 0);
    EXPECT_EQ(NormalUpdater::Global().GetSlotCount(), 0u);
}

TEST_F(VertexBrushes, ANormalUpdateCutShortGivesTheNormalsBack)
{
    for (unsigned v = 0; v < m_object->m_iVertexCount; ++v)
        m_object->VertexStrokeID(v) = int32_t(m_object->m_iStamp - 1);
    std::vector<Vertex> before(m_object->m_pVertices.begin(), m_object->m_pVertices.end());
    NormalUpdater updater;
    AABB box;
    const uint64_t limit = General::GetMemoryLimit();
    General::SetMemoryLimit(General::GetCountedMemory());
    EXPECT_THROW(updater.Update(*m_object, 0, box, false), std::bad_alloc);
    General::SetMemoryLimit(limit);
    EXPECT_EQ(updater.GetSlotCount(), 0u);
    for (unsigned v = 0; v < m_object->m_iVertexCount; ++v)
        ASSERT_EQ(std::memcmp(before[v].m_aNormal, m_object->m_pVertices[v].m_aNormal, 6), 0) << v;

    // The updater is whole again.
    m_object->SetVertexPosition(V(4, 4), Vector(4, 4, 1));
    for (unsigned v = 0; v < m_object->m_iVertexCount; ++v)
        m_object->VertexStrokeID(v) = int32_t(m_object->m_iStamp - 1);
    updater.Update(*m_object, 0, box, false);
    EXPECT_LT(m_object->m_pVertices[V(5, 4)].m_aNormal[2], 32767);
    EXPECT_FALSE(box.IsEmpty());
}

TEST_F(VertexBrushes, SketchFillsTheVolumeAroundEachSampleAndMovesNothing)
{
    SketchOperation op(&m_tool, &m_segment, 0);
    PickInfo pick = Pick(m_object, F(4, 4), {4.5f, 4.5f, 0});
    EXPECT_FALSE(op.AddPoint(&pick, 2.0f, 1.0f, Vector(0, 0, 0)));
    General::Volume volume;
    m_brushServices.volume = &volume;
    EXPECT_TRUE(op.AddPoint(&pick, 2.0f, 1.0f, Vector(0, 0, 0)));
    // Columns x, y from trunc(p - 5) while below p + 5: -0 .. 9, ten each way.
    EXPECT_EQ(volume.GetIntervalCount(), 100);
    EXPECT_FALSE(volume.IsFree(0, 0, -5));
    EXPECT_FALSE(volume.IsFree(9, 9, 4));
    EXPECT_TRUE(volume.IsFree(10, 9, 0));
    EXPECT_TRUE(volume.IsFree(0, 0, 5));
    EXPECT_FALSE(op.GetDirtyBox().IsEmpty());
    for (unsigned v = 0; v < m_object->m_iVertexCount; ++v)
        ASSERT_EQ(P(v).z, 0.0f) << v;
}

}  // namespace
