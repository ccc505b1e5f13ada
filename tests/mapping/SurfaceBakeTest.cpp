// Bakes of closed shapes: a cube whose faces have their own islands in texture space,
// against high surfaces whose answer is known, with and without a subdivided working low
// mesh; and a selection set as the high surface.
#include "MappingFixtures.h"
#include "SubdivisionFixtures.h"

#include "mapping/Mapper.h"
#include "mapping/MappingGlobals.h"
#include "mesh/object/Object.h"
#include "scene/SelectionSet.h"
#include "support/MeshFixtures.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

using General::Vector;
using MapExtraction::MapBuffer;
using MapExtraction::Mapper;

namespace {

constexpr float kPi = 3.14159265f;
constexpr unsigned kMap = 64;
constexpr float kMargin = 0.02f;

// The cube [-1, 1]³, corners counter-clockwise seen from outside.
const Vector kCorners[8] = {Vector(-1, -1, -1), Vector(1, -1, -1), Vector(-1, 1, -1), Vector(1, 1, -1),
                            Vector(-1, -1, 1),  Vector(1, -1, 1),  Vector(-1, 1, 1),  Vector(1, 1, 1)};
const std::vector<unsigned> kFaces[6] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                         {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};

// Face f's island: a cell of a 3 × 2 grid with a margin.
void Island(unsigned f, float &u0, float &v0, float &u1, float &v1)
{
    u0 = float(f % 3) / 3 + kMargin;
    u1 = float(f % 3 + 1) / 3 - kMargin;
    v0 = float(f / 3) / 2 + kMargin;
    v1 = float(f / 3 + 1) / 2 - kMargin;
}

// The low cube: six quads, each with its own four texture coordinates. Welded, its
// corners are shared and their normals averaged, as a subdivision wants; unwelded, each
// face has its own corners and its own flat normal.
std::unique_ptr<Object> LowCube(bool welded = true)
{
    std::vector<Vector> positions(kCorners, kCorners + 8);
    std::vector<SubdivisionFixtures::Polygon> faces(kFaces, kFaces + 6);
    if (!welded) {
        positions.clear();
        for (auto &face : faces)
            for (unsigned &corner : face) {
                positions.push_back(kCorners[corner]);
                corner = unsigned(positions.size() - 1);
            }
    }
    auto cube = SubdivisionFixtures::MakeObject(*SubdivisionFixtures::MakeBase(positions, faces));
    cube->m_iTCCount = 24;
    cube->m_pTCs.SetItemCount(24, false);
    for (unsigned f = 0; f < 6; ++f) {
        float u0, v0, u1, v1;
        Island(f, u0, v0, u1, v1);
        const TC corners[4] = {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}};
        for (unsigned c = 0; c < 4; ++c) {
            cube->m_pTCs[4 * f + c] = corners[c];
            cube->m_pQuads[f].m_iTCI[c] = int32_t(4 * f + c);
        }
    }
    cube->m_iTotalFaceCount = cube->m_iFaceCount;
    cube->m_iTotalVertexCount = cube->m_iVertexCount;
    return cube;
}

// Face f at parameters (s, t) in [0, 1]²: corner 0 plus s along edge 0-1 and t along edge 0-3.
Vector FacePoint(unsigned f, float s, float t)
{
    const Vector &a = kCorners[kFaces[f][0]], &b = kCorners[kFaces[f][1]], &d = kCorners[kFaces[f][3]];
    return a + (b - a) * s + (d - a) * t;
}

Vector FaceNormal(unsigned f)
{
    const Vector &a = kCorners[kFaces[f][0]], &b = kCorners[kFaces[f][1]], &d = kCorners[kFaces[f][3]];
    const Vector e1 = b - a, e3 = d - a;
    return Vector(e1.y * e3.z - e1.z * e3.y, e1.z * e3.x - e1.x * e3.z, e1.x * e3.y - e1.y * e3.x).Normalized();
}

// An outward bump on every face that vanishes at the face's border, so the faces meet.
constexpr float kAmplitude = 0.08f;
float Bump(float s, float t) { return kAmplitude * std::sin(kPi * s) * std::sin(kPi * t); }

// The true normal of the bumped face at (s, t), from the two tangents of the surface.
Vector BumpNormal(unsigned f, float s, float t)
{
    const Vector &a = kCorners[kFaces[f][0]], &b = kCorners[kFaces[f][1]], &d = kCorners[kFaces[f][3]];
    const Vector n = FaceNormal(f);
    const float fs = kAmplitude * kPi * std::cos(kPi * s) * std::sin(kPi * t);
    const float ft = kAmplitude * kPi * std::sin(kPi * s) * std::cos(kPi * t);
    const Vector ps = (b - a) + n * fs, pt = (d - a) + n * ft;
    return Vector(ps.y * pt.z - ps.z * pt.y, ps.z * pt.x - ps.x * pt.z, ps.x * pt.y - ps.y * pt.x).Normalized();
}

// The high copy: every face cut into n × n quads and pushed out by `height` (the bump).
std::unique_ptr<Object> BumpedCube(unsigned n, const std::function<float(float, float)> &height = Bump)
{
    std::vector<Vector> positions;
    std::vector<std::array<unsigned, 4>> quads;
    for (unsigned f = 0; f < 6; ++f) {
        const unsigned base = unsigned(positions.size());
        for (unsigned j = 0; j <= n; ++j)
            for (unsigned i = 0; i <= n; ++i) {
                const float s = float(i) / float(n), t = float(j) / float(n);
                positions.push_back(FacePoint(f, s, t) + FaceNormal(f) * height(s, t));
            }
        for (unsigned j = 0; j < n; ++j)
            for (unsigned i = 0; i < n; ++i) {
                const unsigned a = base + j * (n + 1) + i;
                quads.push_back({a, a + 1, a + n + 2, a + n + 1});
            }
    }
    auto high = fixtures::MakeQuads<Object>(positions, quads);
    high->m_iTotalFaceCount = high->m_iFaceCount;
    high->m_iTotalVertexCount = high->m_iVertexCount;
    high->CalculateNormals(false);
    return high;
}

// The cube subdivided `levels` times, as a one-level object of its own.
std::unique_ptr<Object> SmoothCube(unsigned levels)
{
    auto base = SubdivisionFixtures::MakeObject(*LowCube());
    SubdivLevel *top = base.get();
    for (unsigned l = 0; l < levels; ++l)
        top = &SubdivisionFixtures::AddLevel(*base);
    auto high = std::make_unique<Object>(*top);
    high->CalculateAdjacency();
    high->CalculateNormals(false);
    return high;
}

// Sheets of one quad each, [-2, 2]² at the given heights, as one object with its normals.
std::unique_ptr<Object> Sheets(std::initializer_list<float> heights)
{
    std::vector<Vector> positions;
    std::vector<std::array<unsigned, 4>> quads;
    for (float z : heights) {
        const unsigned b = unsigned(positions.size());
        positions.insert(positions.end(), {Vector(-2, -2, z), Vector(2, -2, z), Vector(2, 2, z), Vector(-2, 2, z)});
        quads.push_back({b, b + 1, b + 2, b + 3});
    }
    auto sheets = fixtures::MakeQuads<Object>(positions, quads);
    sheets->m_iTotalFaceCount = sheets->m_iFaceCount;
    sheets->m_iTotalVertexCount = sheets->m_iVertexCount;
    sheets->CalculateNormals(false);
    return sheets;
}

// The unit square at height 0, its texture coordinates its positions.
std::unique_ptr<SubdivLevel> FlatLowQuad()
{
    std::vector<Vector> flat;
    for (unsigned v : {0u, 1u, 3u, 2u})
        flat.push_back(Vector(float(v & 1), float(v >> 1), 0));
    auto low = SubdivisionFixtures::MakeBase(flat, {{0, 1, 2, 3}});
    low->m_iTCCount = 4;
    low->m_pTCs.SetItemCount(4, false);
    for (unsigned c = 0; c < 4; ++c) {
        low->m_pTCs[c] = TC{flat[c].x, flat[c].y};
        low->m_pQuads[0].m_iTCI[c] = int32_t(c);
    }
    return low;
}

class SurfaceBake : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitializeMappingGlobals();
        ASSERT_TRUE(m_cDir.isValid());
    }

    void Configure(Mapper &mapper, SubdivLevel &low, const QString &prefix)
    {
        mapper.m_aLowMesh.SetValue(&low, true);
        fixtures::ConfigureFloatBake(mapper, QDir(m_cDir.path()), prefix, int(kMap), 0.5f);
    }

    void Load(const QString &prefix, MapBuffer &normal, MapBuffer &displacement)
    {
        normal.Allocate(kMap, kMap, MapBuffer::typeFloat, 3);
        displacement.Allocate(kMap, kMap, MapBuffer::typeFloat, 1);
        ASSERT_TRUE(normal.Load(m_cDir.filePath(prefix + QStringLiteral("_normal_0001"))));
        ASSERT_TRUE(displacement.Load(m_cDir.filePath(prefix + QStringLiteral("_disp_0001"))));
    }

    // Visits the texels whose centres lie inside a face's island, with the face and the
    // texel's parameters on it.
    static void ForEachIslandTexel(const std::function<void(unsigned, unsigned, unsigned, float, float)> &visit)
    {
        for (unsigned y = 0; y < kMap; ++y)
            for (unsigned x = 0; x < kMap; ++x) {
                const float u = (float(x) + 0.5f) / kMap, v = (float(y) + 0.5f) / kMap;
                for (unsigned f = 0; f < 6; ++f) {
                    float u0, v0, u1, v1;
                    Island(f, u0, v0, u1, v1);
                    if (u > u0 && u < u1 && v > v0 && v < v1)
                        visit(x, y, f, (u - u0) / (u1 - u0), (v - v0) / (v1 - v0));
                }
            }
    }

    QTemporaryDir m_cDir;
};

}  // namespace

TEST_F(SurfaceBake, BumpedCubeMatchesTheAnalyticDisplacementAndNormals)
{
    auto low = LowCube(false);
    auto high = BumpedCube(32);
    Mapper mapper;
    Configure(mapper, *low, QStringLiteral("k"));
    mapper.m_aHighMesh.SetValue(high.get(), true);
    ASSERT_TRUE(mapper.Start()) << mapper.m_sFailure.toStdString();
    MapBuffer normal, displacement;
    Load(QStringLiteral("k"), normal, displacement);

    float worstD = 0, worstN = 0;
    unsigned texels = 0;
    ForEachIslandTexel([&](unsigned x, unsigned y, unsigned f, float s, float t) {
        ++texels;
        worstD = std::max(worstD, std::fabs(displacement.GetValue(x, y, 0) - Bump(s, t)));
        const Vector baked(normal.GetValue(x, y, 0), normal.GetValue(x, y, 1), normal.GetValue(x, y, 2));
        worstN = std::max(worstN, (baked - BumpNormal(f, s, t)).Length());
    });
    EXPECT_GT(texels, 6u * 100u);
    // The high faces are flat pieces a sixteenth of the face wide: their heights follow
    // the bump to well under a thousandth, their normals to a few hundredths.
    EXPECT_LT(worstD, 1e-3f);
    EXPECT_LT(worstN, 0.03f);
    EXPECT_NEAR(mapper.m_fDisplacementMax, kAmplitude, 2e-3f);
    EXPECT_GE(mapper.m_fDisplacementMin, -1e-4f);
}

TEST_F(SurfaceBake, SubdividedWorkingMeshFollowsTheSmoothHighCopy)
{
    // The high copy is the cube smoothed four times: far inside the flat low faces at the
    // corners, close to the low cube smoothed the same way.
    auto low = LowCube();
    auto high = SmoothCube(4);
    float meanError[2] = {0, 0};
    int steps[2] = {0, 0};
    for (int run = 0; run < 2; ++run) {
        Mapper mapper;
        const QString prefix = QStringLiteral("s%1").arg(run);
        Configure(mapper, *low, prefix);
        mapper.m_aHighMesh.SetValue(high.get(), true);
        mapper.m_aSearchDistance.SetValue(1.5f, true);
        mapper.m_aLowSubdivision.SetValue(run == 0 ? 0 : 3, true);  // "None", then "Highest"
        ASSERT_TRUE(mapper.Start()) << mapper.m_sFailure.toStdString();
        steps[run] = mapper.m_iSubdivisionSteps;
        MapBuffer normal, displacement;
        Load(prefix, normal, displacement);
        unsigned texels = 0;
        ForEachIslandTexel([&](unsigned x, unsigned y, unsigned, float, float) {
            ++texels;
            meanError[run] += std::fabs(displacement.GetValue(x, y, 0));
        });
        meanError[run] /= float(std::max(1u, texels));
        // The working copy is the run's own: the low level is as it was.
        EXPECT_EQ(low->m_iFaceCount, 6u);
        EXPECT_EQ(low->GetNextLevel(false), nullptr);
    }
    EXPECT_EQ(steps[0], 0);
    EXPECT_GT(steps[1], 1);
    EXPECT_GT(meanError[0], 0.2f);
    // Flat faces lie a quarter away on average; three steps come within a few thousandths.
    EXPECT_LT(meanError[1], meanError[0] * 0.03f) << meanError[0] << " " << meanError[1];
}

TEST_F(SurfaceBake, SplitTileWithWorkingMeshKeepsItsMaps)
{
    // Each part of a split tile subdivides its own working copy (its faces and one ring)
    // and bleeds within its bounds: the islands come out as in the whole tile.
    auto low = LowCube();
    auto high = SmoothCube(3);
    MapBuffer maps[2][2];
    for (int run = 0; run < 2; ++run) {
        struct Small : Mapper {
            uint64_t m_iAvailable = UINT64_MAX;
            uint64_t AvailableMemory() const override { return m_iAvailable; }
        } mapper;
        // Three steps of the whole cube need 96 · 64 · 6 bytes: only parts of one face fit.
        if (run == 1)
            mapper.m_iAvailable = 2 * 96 * 64 * 6 - 1;
        const QString prefix = QStringLiteral("p%1").arg(run);
        Configure(mapper, *low, prefix);
        mapper.m_aHighMesh.SetValue(high.get(), true);
        mapper.m_aSearchDistance.SetValue(1.5f, true);
        mapper.m_aLowSubdivision.SetValue(3, true);
        mapper.m_aEdgeBleeding.SetValue(2, true);
        ASSERT_TRUE(mapper.Start()) << mapper.m_sFailure.toStdString();
        EXPECT_EQ(mapper.m_iSubdivisionSteps, 3);
        EXPECT_EQ(mapper.m_iRegionsSplit > 0, run == 1);
        Load(prefix, maps[run][0], maps[run][1]);
    }
    float worst = 0;
    ForEachIslandTexel([&](unsigned x, unsigned y, unsigned, float, float) {
        worst = std::max(worst, std::fabs(maps[0][1].GetValue(x, y, 0) - maps[1][1].GetValue(x, y, 0)));
        for (unsigned c = 0; c < 3; ++c)
            worst = std::max(worst, std::fabs(maps[0][0].GetValue(x, y, c) - maps[1][0].GetValue(x, y, c)));
    });
    EXPECT_LT(worst, 1e-4f);
    // Bleeding reached beyond the islands in both runs.
    for (int run = 0; run < 2; ++run)
        EXPECT_NE(maps[run][1].GetValue(0, 0, 0), 0.0f) << run;
}

TEST_F(SurfaceBake, SelectionSetFacesAreTheHighSurface)
{
    // Two sheets over the low one: 0.1 above and 0.05 below. The nearer, lower one wins
    // when the whole level is the high surface; the set names the upper one only.
    auto sheets = Sheets({-0.05f, 0.1f});
    auto low = FlatLowQuad();

    SelectionSet set(QStringLiteral("upper"));
    SelectionSet::Entry *entry = set.AddLevel(sheets.get());
    entry->faces.Add(1);

    Mapper mapper;
    Configure(mapper, *low, QStringLiteral("q"));
    mapper.m_aSelectionSet.SetValue(&set, true);
    ASSERT_TRUE(mapper.Start()) << mapper.m_sFailure.toStdString();
    MapBuffer normal, displacement;
    Load(QStringLiteral("q"), normal, displacement);
    EXPECT_NEAR(displacement.GetValue(kMap / 2, kMap / 2, 0), 0.1f, 1e-5f);
    EXPECT_NEAR(displacement.GetValue(3, 60, 0), 0.1f, 1e-5f);
    // The set's level keeps no tree of the run; the mapper's own went with it.
    EXPECT_EQ(sheets->m_pBTree, nullptr);

    // A set whose faces the level does not hold, or without faces, leaves nothing to hit.
    entry->faces[0] = 7;
    Mapper outside;
    Configure(outside, *low, QStringLiteral("o"));
    outside.m_aSelectionSet.SetValue(&set, true);
    EXPECT_FALSE(outside.Start());
    entry->faces.Clear();
    Mapper empty;
    Configure(empty, *low, QStringLiteral("e"));
    empty.m_aSelectionSet.SetValue(&set, true);
    try {
        empty.Start();
        FAIL() << "a run with an empty selection set started";
    } catch (const General::Error &error) {
        EXPECT_EQ(error.GetMessage(), QStringLiteral("No high resolution mesh specified"));
    }
    // Detached before the set goes.
    set.m_aEntries.clear();
}

TEST_F(SurfaceBake, SmoothLowNormalsMeasureTheWholeDistance)
{
    // The welded cube's corner normals point along the diagonals; at a face's centre their
    // blend is a third of the way shorter than a unit. The high cube lies 0.1 out.
    constexpr float kOffset = 0.1f;
    auto low = LowCube();
    low->CalculateNormals(false);
    auto high = BumpedCube(8, [](float, float) { return kOffset; });
    Mapper mapper;
    Configure(mapper, *low, QStringLiteral("c"));
    mapper.m_aHighMesh.SetValue(high.get(), true);
    ASSERT_TRUE(mapper.Start()) << mapper.m_sFailure.toStdString();
    MapBuffer normal, displacement;
    Load(QStringLiteral("c"), normal, displacement);
    unsigned texels = 0;
    ForEachIslandTexel([&](unsigned x, unsigned y, unsigned f, float s, float t) {
        if (std::fabs(s - 0.5f) > 0.05f || std::fabs(t - 0.5f) > 0.05f)
            return;
        ++texels;
        // Near the centre the normal leans by at most a tenth: 1 / cos stays under 1.005.
        EXPECT_NEAR(displacement.GetValue(x, y, 0), kOffset, 0.01f * kOffset) << f << " " << s << " " << t;
    });
    EXPECT_GE(texels, 6u);
}

TEST_F(SurfaceBake, ZeroLengthLowNormalFallsBackToTheFaceNormal)
{
    // Corner normals that cancel leave no direction to search along: the face's own one
    // stands in, and the sheet 0.1 above is found.
    auto sheet = Sheets({0.1f});
    auto low = FlatLowQuad();
    for (unsigned v = 0; v < low->m_iVertexCount; ++v)
        for (int16_t &component : low->m_pVertices[v].m_aNormal)
            component = 0;
    Mapper mapper;
    Configure(mapper, *low, QStringLiteral("z"));
    mapper.m_aHighMesh.SetValue(sheet.get(), true);
    ASSERT_TRUE(mapper.Start()) << mapper.m_sFailure.toStdString();
    MapBuffer normal, displacement;
    Load(QStringLiteral("z"), normal, displacement);
    EXPECT_NEAR(displacement.GetValue(kMap / 2, kMap / 2, 0), 0.1f, 1e-5f);
    EXPECT_NEAR(displacement.GetValue(5, 50, 0), 0.1f, 1e-5f);
}
