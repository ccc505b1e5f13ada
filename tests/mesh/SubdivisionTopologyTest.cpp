// Subdivision of shapes whose topology strains the face records: polygons of more corners
// than a neighbour entry can name, and more than two faces on one edge.
#include "SubdivisionFixtures.h"
#include "mesh/core/AdjacentVertexEnumerator.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

using namespace SubdivisionFixtures;

namespace {

// Every link leads to a face that links back to the same slot.
void ExpectLinksBothWays(const SubdivLevel &level)
{
    level.WithFaces([&](const auto &faces) {
        const unsigned n = level.Corners();
        for (unsigned f = 0; f < level.m_iFaceCount; ++f)
            for (unsigned s = 0; s < n; ++s) {
                const int32_t entry = faces[f].m_iAdjacent[s];
                if (entry < 0)
                    continue;
                ASSERT_LT(unsigned(entry) / n, level.m_iFaceCount);
                EXPECT_EQ(faces[unsigned(entry) / n].m_iAdjacent[unsigned(entry) % n], int32_t(f * n + s))
                    << "level " << SubdivLevel::GetLevelIndex(&level) << " face " << f << " slot " << s;
            }
    });
}

// A level whose links hold both ways and whose open-edge count is what its faces say.
void ExpectConsistent(const SubdivLevel &level)
{
    ExpectLinksBothWays(level);
    EXPECT_EQ(level.m_iOpenEdges, OpenEdges(level)) << "level " << SubdivLevel::GetLevelIndex(&level);
}

struct Neighbours : AdjacentVertexEnumerator {
    void OnAdjacentVertex(Mesh &, unsigned vertex, unsigned) override { found.insert(vertex); }
    std::set<unsigned> found;
};

std::set<unsigned> Star(SubdivLevel &level, unsigned vertex, unsigned face)
{
    Neighbours neighbours;
    level.EnumerateAdjacentVertices(neighbours, vertex, face);
    return neighbours.found;
}

class SubdivisionTopology : public testing::Test {
protected:
    void SetUp() override { Recorder().tempFolder = m_dir.Path(); }
    void TearDown() override { EXPECT_FALSE(Recorder().LogContains("Assertion failed")) << Recorder().log.toStdString(); }
    TempDir m_dir;
};

}  // namespace

TEST_F(SubdivisionTopology, ACylinderWithCapsOf32CornersStaysClosed)
{
    std::vector<Vector> p;
    for (unsigned z = 0; z < 2; ++z)
        for (unsigned i = 0; i < 32; ++i) {
            const double a = double(i) * 2 * 3.14159265358979 / 32;
            p.emplace_back(float(std::cos(a)), float(std::sin(a)), float(z));
        }
    Polygon bottom, top;
    for (unsigned i = 0; i < 32; ++i) {
        bottom.push_back(31 - i);
        top.push_back(32 + i);
    }
    std::vector<Polygon> faces = {bottom, top};
    for (unsigned i = 0; i < 32; ++i)
        faces.push_back({i, (i + 1) % 32, 32 + (i + 1) % 32, 32 + i});
    auto base = MakeBase(p, faces);

    // Each cap is cut into polygons of at most 16 corners, and the cut is reported.
    EXPECT_TRUE(Recorder().LogContains("Polygon of 32 corners split into 3 polygons of at most 16 corners"));
    EXPECT_EQ(base->m_aGenericFaces.GetItemCount(), 2u * 3u + 32u);
    for (const GenericFace &g : base->m_aGenericFaces)
        EXPECT_LE(g.m_aVertices.GetItemCount(), 16u);

    for (unsigned l = 1; l <= 3; ++l) {
        SubdivLevel &level = AddLevel(*base);
        SCOPED_TRACE(testing::Message() << "level " << l);
        EXPECT_EQ(OpenEdges(level), 0u);
        ExpectConsistent(level);
        // A closed surface of genus 0 made of quads: V = F + 2.
        EXPECT_EQ(level.m_iVertexCount, level.m_iFaceCount + 2);
    }
}

TEST_F(SubdivisionTopology, PolygonsOfMoreThan16CornersHeldAlreadyGiveNoOneWayLink)
{
    // Two 20-gons glued along their rim, with the neighbour entries polygon × 16 + edge
    // that a base converted before the cut would hold: past edge 15 they name the wrong
    // polygon or edge. Such edges are open on both sides; the others stay shared.
    std::vector<Vector> p;
    Polygon top, bottom;
    for (unsigned i = 0; i < 20; ++i) {
        const double a = double(i) * 2 * 3.14159265358979 / 20;
        p.emplace_back(float(std::cos(a)), float(std::sin(a)), 0.0f);
        top.push_back(i);
        bottom.push_back(19 - i);
    }
    auto base = MakeBase(p, {top, bottom});
    base->m_aGenericFaces.Clear();
    for (unsigned j = 0; j < 2; ++j) {
        GenericFace g;
        for (unsigned c = 0; c < 20; ++c) {
            g.m_aVertices.Add(j == 0 ? c : 19 - c);
            g.m_aTCIndices.Add(0);
            // Edge c of the top (c → c + 1) is edge 18 - c of the bottom, and 19 is 19.
            const unsigned other = c == 19 ? 19 : 18 - c;
            g.m_aNeighbours.Add((1 - j) * 16 + other);
        }
        base->m_aGenericFaces.Add(std::move(g));
    }
    for (unsigned l = 1; l <= 2; ++l) {
        SubdivLevel &level = AddLevel(*base);
        SCOPED_TRACE(testing::Message() << "level " << l);
        ExpectConsistent(level);
    }
    // Edges 3 … 15 of the top meet edges 15 … 3 of the bottom; the other seven are open twice.
    EXPECT_EQ(base->GetNextLevel(false)->m_iOpenEdges, 2u * 2u * 7u);
}

TEST_F(SubdivisionTopology, ThreeFacesOnOneEdge)
{
    // Edge 0-1 is shared by three faces: the first runs it 0 → 1, the other two 1 → 0.
    // Two of them pair across it and the third sees it open.
    struct Shape {
        const char *name;
        std::vector<Vector> positions;
        std::vector<Polygon> faces;
    };
    const std::vector<Vector> p = {{0, 0, 0},  {1, 0, 0},     {1, 1, 0},     {0, 1, 0},      {0, -1, 0},
                                   {1, -1, 0}, {0, 0.5f, -1}, {1, 0.5f, -1}, {0.5f, 1.5f, 0}, {0.5f, -1.5f, 0},
                                   {0.5f, 0.8f, -1.5f}};
    const std::vector<Shape> shapes = {
        {"quads", {p.begin(), p.begin() + 8}, {{0, 1, 2, 3}, {1, 0, 4, 5}, {1, 0, 6, 7}}},
        {"pentagons", p, {{0, 1, 2, 8, 3}, {1, 0, 4, 9, 5}, {1, 0, 6, 10, 7}}},
    };
    for (const Shape &shape : shapes) {
        SCOPED_TRACE(shape.name);
        auto base = MakeBase(shape.positions, shape.faces);
        ExpectConsistent(*base);

        // The walk around a vertex of the edge sees the same star from both paired faces,
        // and only its own face from the unpaired one.
        auto faceWith = [&](unsigned v, unsigned w) {
            for (unsigned f = 0; f < base->m_iFaceCount; ++f)
                for (unsigned c = 0; c < base->Corners(); ++c)
                    if (base->FaceVertexIndex(f, c) == v && base->FaceVertexIndex(f, (c + 1) % base->Corners()) == w)
                        return f;
            return 0xFFFFFFFFu;
        };
        const unsigned first = faceWith(0, 1), second = faceWith(1, 0);
        ASSERT_NE(first, 0xFFFFFFFFu);
        ASSERT_NE(second, 0xFFFFFFFFu);
        EXPECT_EQ(Star(*base, 0, first), Star(*base, 0, second));
        base->CalculateNormals(false);
        const Vector normal = UnpackNormal(base->m_pVertices[0].m_aNormal);
        EXPECT_NEAR(normal.Length(), 1.0f, 1e-2f);

        for (unsigned l = 1; l <= 2; ++l) {
            SubdivLevel &level = AddLevel(*base);
            SCOPED_TRACE(testing::Message() << "level " << l);
            ExpectConsistent(level);
        }
        // Level 1: the vertices of the base, a centre per face and a point per edge: one
        // for the paired sides of edge 0-1, one for the unpaired face's side.
        SubdivLevel &one = *base->GetNextLevel(false);
        unsigned corners = 0;
        for (const Polygon &f : shape.faces)
            corners += unsigned(f.size());
        EXPECT_EQ(one.m_iVertexCount, shape.positions.size() + 3 + (corners - 2) + 1);
    }
}
