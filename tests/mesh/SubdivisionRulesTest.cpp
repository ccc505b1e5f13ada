// Level-1 positions worked out by hand from the subdivision rules, where they differ from
// textbook Catmull-Clark: triangle bases, borders of other than two faces, polygon bases.
#include "SubdivisionFixtures.h"
#include "mesh/subdivision/ChildLayout.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>

using namespace SubdivisionFixtures;

namespace {

// Where a level-1 point comes from: a vertex of the base, the point on edge c (corner c to
// c + 1) of face f, or the centre of face f. Faces are those of the base's store, or its
// polygons when it has any.
struct Source {
    enum Kind { VertexOf, EdgeOf, CentreOf } kind;
    unsigned index;  // vertex, or face
    unsigned corner = 0;
};

Vector LevelOnePoint(SubdivLevel &base, const Source &source)
{
    SubdivLevel &level = *base.GetNextLevel(false);
    auto at = [&](unsigned local) { return level.m_pVertices[local].m_vPosition; };
    if (source.kind == Source::VertexOf)
        return at(unsigned(LocalVertex(level, source.index)));
    unsigned child = 0, corner = source.kind == Source::EdgeOf ? 1 : 2;
    if (base.m_aGenericFaces.HasItems()) {
        for (unsigned i = 0; i < source.index; ++i)
            child += base.m_aGenericFaces[i].m_aVertices.GetItemCount();
        child += source.corner;
    } else {
        const ChildLayout::Shape shape{base.Corners()};
        child = source.index * shape.k + shape.ChildAt(source.corner);
        corner = (shape.Pos(source.corner) + corner) & 3;
    }
    return at(LevelBits::CornerVertex(level.m_pQuads[child], corner));
}

struct Case {
    const char *what;
    Source source;
    Vector expected;
};

void ExpectLevelOne(SubdivLevel &base, const std::vector<Case> &cases)
{
    ASSERT_TRUE(Subdivide(base));
    for (const Case &c : cases) {
        const Vector got = LevelOnePoint(base, c.source);
        EXPECT_NEAR(got.x, c.expected.x, 2e-6f) << c.what;
        EXPECT_NEAR(got.y, c.expected.y, 2e-6f) << c.what;
        EXPECT_NEAR(got.z, c.expected.z, 2e-6f) << c.what;
    }
}

class SubdivisionRules : public testing::Test {
protected:
    void SetUp() override { Recorder().tempFolder = m_dir.Path(); }
    void TearDown() override { EXPECT_FALSE(Recorder().LogContains("Assertion failed")) << Recorder().log.toStdString(); }
    TempDir m_dir;
};

constexpr auto V = Source::VertexOf;
constexpr auto E = Source::EdgeOf;
constexpr auto F = Source::CentreOf;

}  // namespace

TEST_F(SubdivisionRules, TriangleBases)
{
    // Interior vertex of valence n with edge neighbours summing to Σ:
    //   W = (2/n · Σ + 16 P) / 18, taken as is at n = 6, else P + 4/n · (W - P).
    // Edge point 5/12 (a + b) + 1/12 (c + d); face point the centre.
    {
        SCOPED_TRACE("octahedron with its top moved to (0.5, 0, 1)");
        auto octahedron = MakeBase({{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0.5f, 0, 1}, {0, 0, -1}},
                                   {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4}, {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}});
        ExpectLevelOne(*octahedron,
                       {// Σ = (0.5, 0, 0), n = 4: W = ((0.25, 0, 0) + 16 P) / 18.
                        {"vertex 0", {V, 0}, {16.25f / 18, 0, 0}},
                        // Σ = 0: W = 16/18 P.
                        {"vertex 4", {V, 4}, {8.0f / 18, 0, 16.0f / 18}},
                        // Between 0 and 2, across from 4 and 5.
                        {"edge 0-2", {E, 0, 0}, {5.0f / 12 + 0.5f / 12, 5.0f / 12, 0}},
                        {"face 0 2 4", {F, 0}, {0.5f, 1.0f / 3, 1.0f / 3}}});
    }
    {
        SCOPED_TRACE("tetrahedron with a corner at the origin");
        auto tetrahedron = MakeBase({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}});
        ExpectLevelOne(*tetrahedron,
                       {// Σ = (1, 1, 1), n = 3: W = (1, 1, 1) / 27, 4/3 W.
                        {"vertex 0", {V, 0}, {4.0f / 81, 4.0f / 81, 4.0f / 81}},
                        // Σ = (0, 1, 1): W = (16/18, 1/27, 1/27), P + 4/3 (W - P).
                        {"vertex 1", {V, 1}, {1 - 4.0f / 27, 4.0f / 81, 4.0f / 81}}});
    }
    {
        SCOPED_TRACE("hexagonal bipyramid: valence 6 takes W as is");
        std::vector<Vector> p = {{0.3f, 0, 1}, {0, 0, -1}};
        std::vector<Polygon> faces;
        for (unsigned i = 0; i < 6; ++i) {
            const double a = double(i) * 3.14159265358979 / 3;
            p.emplace_back(float(std::cos(a)), float(std::sin(a)), 0);
            faces.push_back({0, 2 + i, 2 + (i + 1) % 6});
            faces.push_back({1, 2 + (i + 1) % 6, 2 + i});
        }
        auto bipyramid = MakeBase(p, faces);
        ExpectLevelOne(*bipyramid, {{"apex", {V, 0}, {0.3f * 16 / 18, 0, 16.0f / 18}}});
    }
    {
        SCOPED_TRACE("two triangles of a square: a border of two faces, a corner of one");
        auto square = MakeBase({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}});
        ExpectLevelOne(*square, {// 5/6 P + 1/12 (a + b)
                                 {"vertex 0", {V, 0}, {1.0f / 12, 1.0f / 12, 0}},
                                 {"vertex 2", {V, 2}, {5.0f / 6 + 1.0f / 12, 5.0f / 6 + 1.0f / 12, 0}},
                                 {"vertex 1", {V, 1}, {1, 0, 0}},
                                 {"border edge 0-1", {E, 0, 0}, {0.5f, 0, 0}},
                                 {"inner edge 0-2", {E, 1, 0}, {0.5f, 0.5f, 0}}});
    }
}

TEST_F(SubdivisionRules, QuadBorders)
{
    {
        SCOPED_TRACE("L-shaped grid");
        auto grid = MakeLGrid();
        auto P = [&](unsigned v) { return grid->m_pVertices[v].m_vPosition; };
        // Vertex 10 is the inner corner (three faces), 1 a border vertex of two, 0 a corner.
        ExpectLevelOne(*grid, {{"inner corner", {V, 10}, P(10)},
                               {"border of two faces", {V, 1}, P(1) * 0.75f + (P(0) + P(2)) * 0.125f},
                               {"corner", {V, 0}, P(0)}});
    }
    {
        // The border through the origin sums to zero: it is still a border.
        SCOPED_TRACE("strip of two quads, middle border vertex at the origin");
        auto strip = MakeBase({{-1, 0, 0}, {0, 0, 0}, {1, 0, 0}, {-1, 1, 0.5f}, {0, 1, 0.5f}, {1, 1, 0.5f}},
                              {{0, 1, 4, 3}, {1, 2, 5, 4}});
        ExpectLevelOne(*strip, {{"vertex 1", {V, 1}, {0, 0, 0}}, {"border edge 0-1", {E, 0, 0}, {-0.5f, 0, 0}}});
    }
}

TEST_F(SubdivisionRules, PolygonBasesSplitLinearlyThenSmoothOnce)
{
    // A vertex of more than two faces of level 1 takes the mean, over those faces, of the
    // midpoint of its two neighbours there; the others keep their linear place.
    {
        // A prism on the pentagon (0,0) (2,0) (2,2) (1,3) (0,2), one unit high.
        SCOPED_TRACE("pentagonal prism");
        std::vector<Vector> p;
        for (float z : {0.0f, 1.0f})
            for (Vector c : {Vector(0, 0, 0), Vector(2, 0, 0), Vector(2, 2, 0), Vector(1, 3, 0), Vector(0, 2, 0)})
                p.emplace_back(c.x, c.y, z);
        std::vector<Polygon> faces = {{4, 3, 2, 1, 0}, {5, 6, 7, 8, 9}};
        for (unsigned i = 0; i < 5; ++i)
            faces.push_back({i, (i + 1) % 5, (i + 1) % 5 + 5, i + 5});
        auto prism = MakeBase(p, faces);
        ExpectLevelOne(*prism,
                       {// The mean of the midpoints (1, 0, 0), (0, 1, 0), (0, 0, 0.5).
                        {"vertex 0", {V, 0}, {1.0f / 3, 1.0f / 3, 0.5f / 3}},
                        // The mean of its edge midpoints: the centre stays.
                        {"bottom centre", {F, 0}, {1, 1.4f, 0}},
                        // (0 + 2 + bottom centre + side centre (1, 0, 0.5)) / 4.
                        {"edge 0-1", {E, 2, 0}, {1, 0.35f, 0.125f}}});
    }
    {
        SCOPED_TRACE("a lone pentagon stays as split");
        auto pentagon = MakeBase({{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {1, 3, 1}, {0, 2, 0}}, {{0, 1, 2, 3, 4}});
        ExpectLevelOne(*pentagon, {{"vertex 3", {V, 3}, {1, 3, 1}},
                                   {"edge 2-3", {E, 0, 2}, {1.5f, 2.5f, 0.5f}},
                                   {"centre", {F, 0}, {1, 1.4f, 0.2f}}});
    }
}

TEST_F(SubdivisionRules, ATriangleLevelBuiltInTwoCallsIsTheSameLevel)
{
    auto whole = MakeTriangles();
    auto parts = MakeTriangles();
    ASSERT_TRUE(Subdivide(*whole));
    std::vector<unsigned> first, second;
    for (unsigned f = 0; f < parts->m_iFaceCount; ++f)
        (f % 3 == 1 ? first : second).push_back(f);
    ASSERT_TRUE(Subdivide(*parts, first));
    ASSERT_TRUE(Subdivide(*parts, second));
    SubdivLevel &a = *whole->GetNextLevel(false), &b = *parts->GetNextLevel(false);
    ASSERT_EQ(a.m_iVertexCount, b.m_iVertexCount);
    for (unsigned v = 0; v < b.m_iVertexCount; ++v) {
        const int same = LocalVertex(a, GlobalVertex(b, v));
        ASSERT_GE(same, 0);
        const Vector d = a.m_pVertices[unsigned(same)].m_vPosition - b.m_pVertices[v].m_vPosition;
        EXPECT_LE(d.Length(), 1e-6f) << "vertex " << v;
    }
}
