// The draw cycle over the two fill buffers: chunking, partitions, the choice of fill and
// the line fills of triangle levels.
#include "FillFixtures.h"

#include "viewport/fill/FillCycle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>
#include <vector>

using namespace fillfixtures;

namespace {

// What the draw got, buffer by buffer, in draw order (the buffers are refilled after).
struct DrawnChunk {
    const FillBuffer *buffer;
    int first, end, partition;
    unsigned vertices;
    FillBuffer::Primitive primitive;
    bool texCoords;
    std::vector<Vector> positions;
};

std::vector<DrawnChunk> Drawn(FillCycle &cycle, Mesh &mesh, const FillSettings &settings, unsigned *passes = nullptr)
{
    std::vector<DrawnChunk> drawn;
    const unsigned n = cycle.Run(mesh, settings, [&](const FillBuffer &b) {
        if (b.m_iVertexCount)
            drawn.push_back({&b, b.m_iFirstFace, b.m_iEndFace, b.m_iPartition, b.m_iVertexCount, b.m_ePrimitive,
                             b.m_bHasTexCoords,
                             std::vector<Vector>(b.m_aPositions.GetBuffer(),
                                                 b.m_aPositions.GetBuffer() + b.m_iVertexCount)});
    });
    if (passes)
        *passes = n;
    return drawn;
}

// A quad level of `faces` faces sharing four vertices (only the counts matter here).
std::unique_ptr<Mesh> ManyQuads(unsigned faces)
{
    auto mesh = MakeSeparateFaces<Quad>(1);
    Quad q = mesh->m_pQuads[0];
    mesh->m_pQuads.SetItemCount(faces, false);
    mesh->m_pQuads.Fill(q);
    mesh->m_iFaceCount = mesh->m_iPolygonCount = faces;
    return mesh;
}

}  // namespace

TEST(FillCycle, ChunksOfAtMost16000FacesAlternateBetweenTheBuffersAndAllAreDrawn)
{
    FillCycle cycle;
    FillSettings settings;
    struct Row {
        unsigned faces;
        unsigned passes;
        std::vector<std::pair<int, int>> chunks;
    } rows[] = {
        {0, 1, {}},
        {3, 2, {{0, 3}}},
        {16000, 2, {{0, 16000}}},
        {16001, 2, {{0, 16000}, {16000, 16001}}},
        {40000, 3, {{0, 16000}, {16000, 32000}, {32000, 40000}}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.faces);
        auto mesh = ManyQuads(row.faces);
        unsigned passes = 0;
        const auto drawn = Drawn(cycle, *mesh, settings, &passes);
        EXPECT_EQ(passes, row.passes);
        ASSERT_EQ(drawn.size(), row.chunks.size());
        for (size_t i = 0; i < drawn.size(); ++i) {
            EXPECT_EQ(drawn[i].buffer, &cycle.GetBuffer(int(i % 2)));
            EXPECT_EQ(std::make_pair(drawn[i].first, drawn[i].end), row.chunks[i]);
            EXPECT_EQ(drawn[i].vertices, unsigned(4 * (drawn[i].end - drawn[i].first)));
        }
    }
}

TEST(FillCycle, PartitionsAreDrawnInTurnAndAnEmptyOneIsSkipped)
{
    auto mesh = MakeSeparateFaces<Quad>(6);
    const std::vector<std::vector<unsigned>> lists = {{4, 0}, {}, {5, 1, 3}};
    mesh->m_aPartitions.SetItemCount(unsigned(lists.size()), false);
    for (unsigned p = 0; p < lists.size(); ++p)
        for (unsigned f : lists[p])
            mesh->m_aPartitions[p].m_aFaces.Add(f);
    FillCycle cycle;
    const auto drawn = Drawn(cycle, *mesh, FillSettings{});
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(std::make_tuple(drawn[0].partition, drawn[0].first, drawn[0].end), std::make_tuple(0, 0, 2));
    EXPECT_EQ(std::make_tuple(drawn[1].partition, drawn[1].first, drawn[1].end), std::make_tuple(2, 0, 3));
    // Partition 2 draws its own faces, in its list's order.
    const std::vector<Vector> &p = drawn[1].positions;
    ASSERT_EQ(p.size(), 12u);
    EXPECT_EQ(p[0], mesh->m_pVertices[20].m_vPosition);
    EXPECT_EQ(p[4], mesh->m_pVertices[4].m_vPosition);
    EXPECT_EQ(p[8], mesh->m_pVertices[12].m_vPosition);
    EXPECT_TRUE(drawn[1].texCoords);
}

TEST(FillCycle, TheFillIndexFollowsTheMeshAndTheView)
{
    struct Row {
        const char *name;
        std::function<void(Mesh &, FillSettings &)> set;
        unsigned index;
    } rows[] = {
        {"plain", [](Mesh &, FillSettings &) {}, 0},
        {"smooth shading", [](Mesh &, FillSettings &s) { s.m_bSmoothShade = true; }, 1},
        {"a selected face", [](Mesh &m, FillSettings &) { Select(m, 1); }, 2},
        {"a frozen face", [](Mesh &m, FillSettings &) { Freeze(m, 1, 9); }, 2},
        {"frozen vertices, not shown", [](Mesh &m, FillSettings &) { m.m_iFrozenVertices = 3; }, 0},
        {"frozen vertices, shown",
         [](Mesh &m, FillSettings &s) {
             m.m_iFrozenVertices = 3;
             s.m_bShowFrozenVertices = true;
         },
         2},
        {"the layer mask shown without an active layer", [](Mesh &, FillSettings &s) { s.m_bShowLayerMask = true; }, 0},
        {"hidden faces", [](Mesh &m, FillSettings &) { Hide(m, 0); }, 4},
        {"a face index table", [](Mesh &m, FillSettings &) { m.m_aFaceIndexTable.Add(1); }, 8},
        {"culling", [](Mesh &, FillSettings &s) { s.m_bCulling = true; }, 16},
        {"culling a level of triangle fans",
         [](Mesh &m, FillSettings &s) {
             s.m_bCulling = true;
             m.m_iPolygonCount = 1;
         },
         0},
        {"partitions", [](Mesh &m, FillSettings &) { m.m_aPartitions.SetItemCount(1, false); }, 32},
    };
    FillCycle cycle;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        auto mesh = MakeSeparateFaces<Triangle>(2);
        FillSettings s;
        row.set(*mesh, s);
        std::vector<unsigned> indices;
        cycle.Run(*mesh, s, [&](const FillBuffer &b) {
            if (b.m_iVertexCount)
                indices.push_back(b.FillIndex(s));
        });
        ASSERT_EQ(indices.size(), 1u);
        EXPECT_EQ(indices[0], row.index);
    }
}

namespace {

// The unordered pairs of end points of the lines a buffer holds.
using Segment = std::pair<std::tuple<float, float, float>, std::tuple<float, float, float>>;

Segment SegmentOf(const Vector &a, const Vector &b)
{
    auto t = [](const Vector &v) { return std::make_tuple(v.x, v.y, v.z); };
    return t(a) < t(b) ? Segment(t(a), t(b)) : Segment(t(b), t(a));
}

}  // namespace

TEST(FillCycle, TheWireframeOfTriangleFansOutlinesThePolygonsOnce)
{
    // Two quads side by side, each stored as a pair of triangles: (0 1 4)(0 4 3) and
    // (1 2 5)(1 5 4), the second triangle of each pair flagged as continuing the fan.
    std::vector<Vector> points;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            points.emplace_back(float(x), float(y), 0.0f);
    auto mesh = std::make_unique<Mesh>();
    mesh->m_eType = Mesh::typeTriangular;
    mesh->m_iVertexCount = 6;
    mesh->m_pVertices.SetItemCount(6, false);
    for (unsigned v = 0; v < 6; ++v) {
        Vertex vertex{};
        vertex.m_vPosition = points[v];
        mesh->m_pVertices[v] = vertex;
    }
    const unsigned corners[4][3] = {{0, 1, 4}, {0, 4, 3}, {1, 2, 5}, {1, 5, 4}};
    // Edge e is opposite corner e; neighbour entries are 3 × triangle + its edge.
    const int32_t adjacent[4][3] = {{3 * 3 + 1, 3 * 1 + 2, -1}, {-1, -1, 3 * 0 + 1}, {-1, 3 * 3 + 2, -1}, {-1, 3 * 0 + 0, 3 * 2 + 1}};
    for (unsigned t = 0; t < 4; ++t) {
        Triangle tri{};
        for (unsigned k = 0; k < 3; ++k) {
            tri.m_iIndices[k] = corners[t][k];
            tri.m_iAdjacent[k] = adjacent[t][k];
        }
        tri.m_iIndices[0] |= MeshFlags::kBit31;
        if (t % 2)
            tri.m_iIndices[2] |= MeshFlags::kBit31;
        mesh->m_pTriangles.Add(tri);
    }
    mesh->m_iFaceCount = 4;
    mesh->m_iPolygonCount = 2;

    FillSettings settings;
    settings.m_bWireframe = true;
    FillCycle cycle;
    const auto drawn = Drawn(cycle, *mesh, settings);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].primitive, FillBuffer::primitiveLines);
    EXPECT_FALSE(drawn[0].texCoords);
    const std::vector<Vector> &p = drawn[0].positions;
    std::multiset<Segment> lines;
    for (size_t i = 0; i + 1 < p.size(); i += 2)
        lines.insert(SegmentOf(p[i], p[i + 1]));
    const std::multiset<Segment> outline = {
        SegmentOf(points[0], points[1]), SegmentOf(points[1], points[2]), SegmentOf(points[2], points[5]),
        SegmentOf(points[5], points[4]), SegmentOf(points[4], points[3]), SegmentOf(points[3], points[0]),
        SegmentOf(points[1], points[4]),
    };
    EXPECT_EQ(lines, outline);
}

TEST(FillCycle, LineFillsThatWouldOverflowTheArraysGoOnInTheNextChunk)
{
    // 16,000 unpaired triangles without neighbours: three edges each, 48,000 in all.
    auto mesh = MakeSeparateFaces<Triangle>(16000);
    mesh->m_iPolygonCount = 1;
    FillSettings settings;
    settings.m_bWireframe = true;
    FillCycle cycle;
    const auto drawn = Drawn(cycle, *mesh, settings);
    unsigned edges = 0;
    int next = 0;
    for (const DrawnChunk &d : drawn) {
        EXPECT_EQ(d.primitive, FillBuffer::primitiveLines);
        EXPECT_LE(d.vertices, FillBuffer::kMaxVertices);
        EXPECT_EQ(d.first, next);
        next = d.end;
        edges += d.vertices / 2;
    }
    EXPECT_EQ(next, 16000);
    EXPECT_EQ(edges, 48000u);
    EXPECT_GE(drawn.size(), 2u);
}
