#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "mapping/Mapper.h"
#include "mapping/MappingGlobals.h"
#include "mapping/MappingHost.h"
#include "mesh/object/Object.h"
#include "MappingFixtures.h"
#include "support/MeshFixtures.h"
#include "support/RecordingShell.h"

#include <QDir>
#include <QFile>
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

// A sheet of n × n quads over the unit square, UVs equal to x and y, heights from `height`.
template <class M>
std::unique_ptr<M> Sheet(unsigned n, const std::function<float(float, float)> &height, float scale = 1.0f)
{
    std::vector<Vector> positions;
    std::vector<std::array<unsigned, 4>> quads;
    for (unsigned j = 0; j <= n; ++j)
        for (unsigned i = 0; i <= n; ++i) {
            const float x = float(i) / float(n), y = float(j) / float(n);
            positions.emplace_back(x * scale, y, height(x * scale, y));
        }
    for (unsigned j = 0; j < n; ++j)
        for (unsigned i = 0; i < n; ++i) {
            const unsigned a = j * (n + 1) + i;
            quads.push_back({a, a + 1, a + n + 2, a + n + 1});
        }
    auto mesh = fixtures::MakeQuads<M>(positions, quads);
    mesh->m_iTCCount = mesh->m_iVertexCount;
    mesh->m_pTCs.SetItemCount(mesh->m_iTCCount, false);
    for (unsigned v = 0; v < mesh->m_iVertexCount; ++v)
        mesh->m_pTCs[v] = TC{positions[v].x, positions[v].y};
    mesh->m_iTotalFaceCount = mesh->m_iFaceCount;
    mesh->m_iTotalVertexCount = mesh->m_iVertexCount;
    mesh->CalculateAdjacency();
    mesh->CalculateNormals(false);
    return mesh;
}

float Bump(float x, float y) { return 0.05f * std::sin(2 * kPi * x) * std::cos(2 * kPi * y); }

Vector BumpNormal(float x, float y)
{
    const float fx = 0.05f * 2 * kPi * std::cos(2 * kPi * x) * std::cos(2 * kPi * y);
    const float fy = -0.05f * 2 * kPi * std::sin(2 * kPi * x) * std::sin(2 * kPi * y);
    return Vector(-fx, -fy, 1).Normalized();
}

float Flat(float, float) { return 0.0f; }

// A mapper over a low sheet and a high object, writing float maps into a temporary folder.
class MapperTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitializeMappingGlobals();
        ASSERT_TRUE(m_cDir.isValid());
    }

    void Configure(Mapper &mapper, SubdivLevel &low, Object &high, const QString &prefix = QStringLiteral("m"))
    {
        mapper.m_aLowMesh.SetValue(&low, true);
        mapper.m_aHighMesh.SetValue(&high, true);
        fixtures::ConfigureFloatBake(mapper, QDir(m_cDir.path()), prefix, 32, 0.4f);
    }

    QByteArray Bytes(const QString &name)
    {
        QFile file(m_cDir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_cDir;
};

// Sets up a mapper by hand for single texel evaluations on a flat low sheet.
struct TexelBench {
    TexelBench(std::unique_ptr<Object> highMesh, int normalType, int displacementType)
        : low(Sheet<SubdivLevel>(1, Flat)), high(std::move(highMesh))
    {
        InitializeMappingGlobals();
        mapper.m_aSearchDistance.SetValue(0.4f, true);
        mapper.m_aRayCenter.SetValue(2, true);
        mapper.m_aCreateNormalMap.SetValue(true, true);
        mapper.m_aCreateDisplacementMap.SetValue(true, true);
        mapper.SetupSearch();
        mapper.m_pWorkingMesh = low.get();
        mapper.m_eWorkingDisplacementType = displacementType == MapBuffer::typeByte ? 0 : 3;
        mapper.m_cNormalMap.Allocate(1, 1, normalType, 3);
        mapper.m_cDisplacementMap.Allocate(1, 1, displacementType, 1);
        if (high) {
            EXPECT_NE(high->GetBTree(), nullptr);
            mapper.m_aHighMeshes.Add(high.get());
        }
        mapper.PrepareMatrices();
    }
    ~TexelBench() { mapper.m_aHighMeshes.Clear(); }

    void Evaluate()
    {
        const float weights[3] = {1.0f / 3, 1.0f / 3, 1.0f / 3};
        const unsigned vertices[3] = {0, 1, 3}, frames[3] = {0, 0, 0};
        mapper.EvaluateTexel(0, 0, weights, vertices, frames, 0);
    }

    std::unique_ptr<SubdivLevel> low;
    std::unique_ptr<Object> high;
    Mapper mapper;
};

// A high object of flat sheets at the given heights over the unit square.
std::unique_ptr<Object> Planes(std::vector<float> heights)
{
    std::vector<Vector> positions;
    std::vector<std::array<unsigned, 4>> quads;
    for (float z : heights) {
        const unsigned b = unsigned(positions.size());
        positions.insert(positions.end(), {Vector(-1, -1, z), Vector(2, -1, z), Vector(2, 2, z), Vector(-1, 2, z)});
        quads.push_back({b, b + 1, b + 2, b + 3});
    }
    auto object = fixtures::MakeQuads<Object>(positions, quads);
    object->m_iTotalFaceCount = object->m_iFaceCount;
    object->m_iTotalVertexCount = object->m_iVertexCount;
    object->CalculateNormals(false);
    return object;
}

}  // namespace

TEST(TexelEvaluation, ChoosesTheHitNearestTheCentreAndClampsToTheSearchRange)
{
    // Search distance 0.4: the segment runs from z = +0.2 (t = 0) to z = -0.2 (t = 1).
    struct Case {
        std::vector<float> planes;
        float scale;
        int expectedByte;
    };
    const Case cases[] = {
        {{0.0f}, 1.0f, 127},           // on the low surface: the middle of the range
        {{0.2f}, 1.0f, 255},           // at the outer end
        {{0.15f}, 3.0f, 255},          // scaled beyond the outer end: clamped
        {{-0.15f}, 3.0f, 0},           // and beyond the inner end
        {{0.12f, -0.04f}, 1.0f, 102},  // t = 0.2 and t = 0.6 around the centre 0.5: the second
        {{-0.04f, 0.12f}, 1.0f, 102},  // whichever face the tree gives first
    };
    for (const Case &c : cases) {
        TexelBench bench(Planes(c.planes), MapBuffer::typeByte, MapBuffer::typeByte);
        bench.mapper.m_fDisplacementScale = c.scale;
        bench.Evaluate();
        EXPECT_EQ(int(std::lround(bench.mapper.m_cDisplacementMap.GetValue(0, 0, 0) * 255)), c.expectedByte)
            << "planes " << c.planes.front() << " scale " << c.scale;
        EXPECT_EQ(bench.mapper.m_aThreadStatistics[0].m_iHits, 1u);
    }
}

TEST(TexelEvaluation, RayCentreSettingPicksOuterInnerOrNearest)
{
    const struct {
        int centre;
        float expected;
    } cases[] = {{0, 0.12f}, {1, -0.04f}, {2, -0.04f}};
    for (const auto &c : cases) {
        TexelBench bench(Planes({0.12f, -0.04f}), MapBuffer::typeFloat, MapBuffer::typeFloat);
        bench.mapper.m_aRayCenter.SetValue(c.centre, true);
        bench.mapper.SetupSearch();
        bench.Evaluate();
        EXPECT_NEAR(bench.mapper.m_cDisplacementMap.GetValue(0, 0, 0), c.expected, 1e-5f) << c.centre;
    }
}

TEST(TexelEvaluation, MissWritesFlatTangentNormalAndMiddleGrey)
{
    TexelBench bench(Planes({0.5f}), MapBuffer::typeByte, MapBuffer::typeByte);
    bench.mapper.m_aNormalMapSpace.SetValue(1, true);
    bench.Evaluate();
    const MapBuffer &n = bench.mapper.m_cNormalMap;
    EXPECT_EQ(int(std::lround(n.GetValue(0, 0, 0) * 255)), 127);
    EXPECT_EQ(int(std::lround(n.GetValue(0, 0, 1) * 255)), 127);
    EXPECT_EQ(int(std::lround(n.GetValue(0, 0, 2) * 255)), 255);
    EXPECT_EQ(int(std::lround(bench.mapper.m_cDisplacementMap.GetValue(0, 0, 0) * 255)), 127);
    EXPECT_EQ(bench.mapper.m_aThreadStatistics[0].m_iMisses, 1u);
}

TEST(TexelEvaluation, RegionFacesAreThoseWhoseUVBoxMeetsTheRegion)
{
    auto low = Sheet<SubdivLevel>(4, Flat);  // faces of 0.25 × 0.25
    General::Store<unsigned int> faces;
    // Touching the border counts; a region inside one face, with no corner of it, finds it.
    ASSERT_TRUE(Mapper::CollectRegionFaces(*low, faces, 0.5f, 0.5f, 1.0f, 1.0f, false));
    EXPECT_EQ(faces.GetItemCount(), 9u);
    ASSERT_TRUE(Mapper::CollectRegionFaces(*low, faces, 0.3f, 0.3f, 0.4f, 0.4f, false));
    ASSERT_EQ(faces.GetItemCount(), 1u);
    EXPECT_EQ(faces[0], 5u);
    low->m_iTCCount = 0;
    EXPECT_FALSE(Mapper::CollectRegionFaces(*low, faces, 0, 0, 1, 1, false));
}

TEST(TexelEvaluation, QuadWalkStepsAcrossEdgesButNotOutOfTheMesh)
{
    auto low = Sheet<SubdivLevel>(4, Flat);
    unsigned quad = 0;
    EXPECT_TRUE(Mapper::StepToNeighbourQuad(*low, 0.6f, 0.1f, quad));
    EXPECT_EQ(quad, 1u);
    quad = 5;
    EXPECT_FALSE(Mapper::StepToNeighbourQuad(*low, 0.3f, 0.3f, quad));  // inside
    quad = 0;
    EXPECT_FALSE(Mapper::StepToNeighbourQuad(*low, -0.2f, 0.1f, quad));  // beyond an open edge
    EXPECT_EQ(quad, 0u);
}

TEST(MapperSetup, SubdivisionStepsAndMemoryEstimate)
{
    Mapper mapper;
    mapper.m_aMapWidth.SetValue(1024, true);
    mapper.m_aMapHeight.SetValue(512, true);
    const struct {
        int setting;
        float extent;
        int steps;
    } cases[] = {{0, 0.25f, 0}, {1, 0.25f, 5}, {3, 0.25f, 7}, {1, 0.0f, 0}, {2, 1e-9f, 0}};
    for (const auto &c : cases) {
        mapper.m_aLowSubdivision.SetValue(c.setting, true);
        EXPECT_EQ(mapper.SubdivisionSteps(c.extent), c.steps) << c.setting << " " << c.extent;
    }
    // Far past 32 bits.
    EXPECT_EQ(Mapper::EstimateRegionMemory(50000000u, 6), uint64_t(96) * 4096 * 50000000u);
    EXPECT_EQ(Mapper::EstimateRegionMemory(0xFFFFFFFFu, 24), UINT64_MAX);
}

TEST_F(MapperTest, RefusesARunWithoutHighSurface)
{
    auto low = Sheet<SubdivLevel>(2, Flat);
    Mapper mapper;
    auto high = Planes({0.0f});
    Configure(mapper, *low, *high);
    mapper.m_aHighMesh.SetValue(nullptr, true);
    try {
        mapper.Start();
        FAIL() << "a run without high surface started";
    } catch (const General::Error &error) {
        EXPECT_EQ(error.GetMessage(), QStringLiteral("No high resolution mesh specified"));
    }
    EXPECT_TRUE(QDir(m_cDir.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(MapperTest, BakedSheetMatchesTheAnalyticSurface)
{
    auto low = Sheet<SubdivLevel>(4, Flat);
    auto high = Sheet<Object>(96, Bump);
    Mapper mapper;
    Configure(mapper, *low, *high);
    mapper.m_aSmoothNormals.SetValue(true, true);
    const int modeBefore = low->m_iIndexMode;
    ASSERT_TRUE(mapper.Start());
    // The bake used its own tangent frames: the view's lookup is as it was.
    EXPECT_EQ(low->m_iIndexMode, modeBefore);
    EXPECT_FALSE(low->m_aTNB.HasItems());

    MapBuffer normal, displacement;
    normal.Allocate(32, 32, MapBuffer::typeFloat, 3);
    displacement.Allocate(32, 32, MapBuffer::typeFloat, 1);
    ASSERT_TRUE(normal.Load(m_cDir.filePath(QStringLiteral("m_normal_0001"))));
    ASSERT_TRUE(displacement.Load(m_cDir.filePath(QStringLiteral("m_disp_0001"))));
    float worstD = 0, worstN = 0;
    for (unsigned y = 0; y < 32; ++y)
        for (unsigned x = 0; x < 32; ++x) {
            const float u = (x + 0.5f) / 32, v = (y + 0.5f) / 32;
            worstD = std::max(worstD, std::fabs(displacement.GetValue(x, y, 0) - Bump(u, v)));
            const Vector truth = BumpNormal(u, v);
            const Vector baked(normal.GetValue(x, y, 0), normal.GetValue(x, y, 1), normal.GetValue(x, y, 2));
            worstN = std::max(worstN, (baked - truth).Length());
        }
    EXPECT_LT(worstD, 1e-3f);
    EXPECT_LT(worstN, 0.02f);
}

TEST_F(MapperTest, URangeOfThreeMakesThreeTiles)
{
    auto low = Sheet<SubdivLevel>(6, Flat, 3.0f);
    for (unsigned v = 0; v < low->m_iTCCount; ++v)
        low->m_pTCs[v].u = low->m_pVertices[v].m_vPosition.x;
    auto high = Planes({0.05f});
    for (unsigned v = 0; v < high->m_iVertexCount; ++v)
        high->m_pVertices[v].m_vPosition.x *= 2;
    Mapper mapper;
    Configure(mapper, *low, *high);
    mapper.m_aProcessMultipleTiles.SetValue(true, true);
    ASSERT_TRUE(mapper.Start());
    EXPECT_EQ(mapper.m_iRegionsDone, 3u);
    for (const char *id : {"0001", "0002", "0003"})
        EXPECT_FALSE(Bytes(QStringLiteral("m_disp_%1.tif").arg(QLatin1String(id))).isEmpty()) << id;

    Mapper single;
    Configure(single, *low, *high, QStringLiteral("s"));
    single.m_aProcessMultipleTiles.SetValue(false, true);
    ASSERT_TRUE(single.Start());
    EXPECT_EQ(single.m_iRegionsDone, 1u);
    EXPECT_EQ(QDir(m_cDir.path()).entryList({QStringLiteral("s_*")}, QDir::Files).size(), 2);
}

TEST_F(MapperTest, EdgeBleedingGrowsOneRingPerPass)
{
    // One quad over UV [0.375, 0.625]²: 8 × 8 texels of a 32 × 32 map.
    auto low = Sheet<SubdivLevel>(1, Flat);
    const float uv[4][2] = {{0.375f, 0.375f}, {0.625f, 0.375f}, {0.375f, 0.625f}, {0.625f, 0.625f}};
    for (unsigned v = 0; v < 4; ++v)
        low->m_pTCs[v] = TC{uv[v][0], uv[v][1]};
    auto high = Planes({0.05f});
    for (int bleed : {0, 3}) {
        Mapper mapper;
        Configure(mapper, *low, *high, QStringLiteral("b%1").arg(bleed));
        mapper.m_aEdgeBleeding.SetValue(bleed, true);
        mapper.CheckLowResMesh();
        mapper.SetupSearch();
        ASSERT_TRUE(mapper.Prepare());
        unsigned covered = 0, filled = 0;
        for (unsigned y = 0; y < 32; ++y)
            for (unsigned x = 0; x < 32; ++x) {
                covered += mapper.m_aFaceIndexTable[y * 32 + x] != Mapper::kNoFace;
                filled += std::fabs(mapper.m_cDisplacementMap.GetValue(x, y, 0) - 0.05f) < 1e-5f;
            }
        const unsigned side = 8 + 2 * unsigned(bleed);
        EXPECT_EQ(covered, side * side) << bleed;
        EXPECT_EQ(filled, side * side) << bleed;
    }
}

namespace {

class SmallMemoryMapper : public Mapper {
public:
    uint64_t m_iAvailable = 0;

protected:
    uint64_t AvailableMemory() const override { return m_iAvailable; }
};

}  // namespace

TEST_F(MapperTest, LowMemorySplitsTheTileAndKeepsTheMaps)
{
    auto low = Sheet<SubdivLevel>(8, Flat);
    auto high = Sheet<Object>(48, Bump);
    Mapper whole;
    Configure(whole, *low, *high, QStringLiteral("w"));
    whole.m_aEdgeBleeding.SetValue(2, true);
    ASSERT_TRUE(whole.Start());
    EXPECT_EQ(whole.m_iRegionsSplit, 0u);

    // 64 faces need 6144 bytes, a quarter (with its border faces) at most 2400.
    SmallMemoryMapper split;
    split.m_iAvailable = 8000;
    Configure(split, *low, *high, QStringLiteral("p"));
    split.m_aEdgeBleeding.SetValue(2, true);
    ASSERT_TRUE(split.Start()) << qPrintable(split.m_sFailure);
    EXPECT_GT(split.m_iRegionsSplit, 0u);
    EXPECT_EQ(Bytes(QStringLiteral("w_disp_0001.tif")), Bytes(QStringLiteral("p_disp_0001.tif")));
    EXPECT_EQ(Bytes(QStringLiteral("w_normal_0001.tif")), Bytes(QStringLiteral("p_normal_0001.tif")));
    EXPECT_FALSE(Bytes(QStringLiteral("p_disp_0001.tif")).isEmpty());

    // With nothing to spare the split gives up at its depth limit.
    SmallMemoryMapper starved;
    Configure(starved, *low, *high, QStringLiteral("z"));
    EXPECT_FALSE(starved.Start());
    EXPECT_TRUE(starved.m_sFailure.startsWith(QStringLiteral("Cannot split region")));
}

TEST_F(MapperTest, OneAndTwoWorkersWriteTheSameFiles)
{
    // Two layers of quads over the same UVs at different heights: every texel is covered
    // twice, and the lower triangle index must decide it whichever thread ends last.
    auto layer = Sheet<SubdivLevel>(6, Flat);
    std::vector<Vector> positions;
    std::vector<std::array<unsigned, 4>> quads;
    for (int copy = 0; copy < 2; ++copy)
        for (unsigned f = 0; f < layer->m_iFaceCount; ++f) {
            std::array<unsigned, 4> q;
            for (unsigned c = 0; c < 4; ++c) {
                q[c] = unsigned(positions.size());
                positions.push_back(layer->CornerPosition(f, c) + Vector(0, 0, copy ? 0.1f : 0.0f));
            }
            quads.push_back(q);
        }
    auto low = fixtures::MakeQuads<SubdivLevel>(positions, quads);
    low->m_iTCCount = low->m_iVertexCount;
    low->m_pTCs.SetItemCount(low->m_iTCCount, false);
    for (unsigned v = 0; v < low->m_iVertexCount; ++v)
        low->m_pTCs[v] = TC{positions[v].x, positions[v].y};
    low->m_iTotalFaceCount = low->m_iFaceCount;
    low->m_iTotalVertexCount = low->m_iVertexCount;
    low->CalculateNormals(false);
    auto high = Sheet<Object>(32, [](float x, float y) { return 0.05f + Bump(x, y) * 0.2f; });

    QByteArray first;
    for (int workers : {1, 2, 2, 1}) {
        Mapper mapper;
        const QString prefix = QStringLiteral("t%1").arg(workers);
        Configure(mapper, *low, *high, prefix);
        mapper.m_iWorkers = workers;
        mapper.m_aEdgeBleeding.SetValue(1, true);
        ASSERT_TRUE(mapper.Start());
        const QByteArray bytes = Bytes(prefix + QStringLiteral("_disp_0001.tif")) +
                                 Bytes(prefix + QStringLiteral("_normal_0001.tif"));
        ASSERT_FALSE(bytes.isEmpty());
        if (first.isEmpty())
            first = bytes;
        EXPECT_EQ(bytes, first) << workers << " workers";
        QFile::remove(m_cDir.filePath(prefix + QStringLiteral("_disp_0001.tif")));
        QFile::remove(m_cDir.filePath(prefix + QStringLiteral("_normal_0001.tif")));
    }
    // The first layer (z = 0) owns the texels: the high sheet lies above it.
    MapBuffer displacement;
    displacement.Allocate(32, 32, MapBuffer::typeFloat, 1);
    Mapper check;
    Configure(check, *low, *high, QStringLiteral("c"));
    ASSERT_TRUE(check.Start());
    ASSERT_TRUE(displacement.Load(m_cDir.filePath(QStringLiteral("c_disp_0001"))));
    EXPECT_GT(displacement.GetValue(16, 16, 0), 0.0f);
}

namespace {

// Remembers what the progress display shows.
// Cancels as soon as it is asked while the faces are being rasterised.
class CancellingShell : public General::ShellServices {
public:
    void ProgressStart(const QString &text, uint64_t) override { shown = text; }
    bool TakeCancelRequest() override
    {
        if (shown != QStringLiteral("map extraction..."))
            return false;
        ++asked;
        return true;
    }
    QString shown;
    int asked = 0;
};

}  // namespace

TEST_F(MapperTest, CancelFailsTheRunAndStopsTheWorker)
{
    auto low = Sheet<SubdivLevel>(8, Flat);
    auto high = Planes({0.05f});
    CancellingShell host;
    General::InstallShell(&host);
    Mapper mapper;
    Configure(mapper, *low, *high);
    mapper.m_iWorkers = 2;
    const bool ok = mapper.Start();
    General::InstallShell(&Recorder());  // the run's recording shell again
    EXPECT_FALSE(ok);
    EXPECT_EQ(mapper.m_sFailure, QStringLiteral("Process tile failed"));
    EXPECT_EQ(host.asked, 1);
    EXPECT_TRUE(QDir(m_cDir.path()).entryList(QDir::Files).isEmpty());
}
