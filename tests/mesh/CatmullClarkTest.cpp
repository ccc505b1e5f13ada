// Subdivided levels against an independent Catmull-Clark implementation (OpenSubdiv's Far
// refiner, boundaries smooth and corners of one face sharp): the topology always, the
// positions where our rules are the same as its (quads, closed or with border vertices of
// one or two faces). The other rules are checked by hand in SubdivisionRulesTest.
#include "SubdivisionFixtures.h"
#include "mesh/subdivision/ChildLayout.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/core/MeshSwitches.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <opensubdiv/far/primvarRefiner.h>
#include <opensubdiv/far/topologyDescriptor.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace SubdivisionFixtures;
using namespace OpenSubdiv;

namespace {

struct Point {
    float x, y, z;
    void Clear() { x = y = z = 0; }
    void AddWithWeight(const Point &p, float w)
    {
        x += p.x * w;
        y += p.y * w;
        z += p.z * w;
    }
};

// The polygons of a base level as our subdivision sees them: generic faces, or the quads
// or triangles of its store.
std::vector<Polygon> BaseFaces(SubdivLevel &base)
{
    std::vector<Polygon> faces;
    if (base.m_aGenericFaces.HasItems()) {
        for (const GenericFace &g : base.m_aGenericFaces)
            faces.emplace_back(g.m_aVertices.begin(), g.m_aVertices.end());
        return faces;
    }
    for (unsigned f = 0; f < base.m_iFaceCount; ++f) {
        Polygon p;
        for (unsigned c = 0; c < base.Corners(); ++c)
            p.push_back(base.FaceVertexIndex(f, c));
        faces.push_back(p);
    }
    return faces;
}

enum class Check { Topology, Positions };

// Subdivides `base` `levels` times both ways and compares every level. Our faces and
// vertices are matched with the reference's through the parent-child relations of both,
// which checks the topology; with Check::Positions every vertex position as well.
void CompareWithReference(SubdivLevel &base, int levels, Check check, bool partialFirst = false)
{
    const std::vector<Polygon> faces = BaseFaces(base);
    std::vector<int> counts, indices;
    for (const Polygon &p : faces) {
        counts.push_back(int(p.size()));
        indices.insert(indices.end(), p.begin(), p.end());
    }
    Far::TopologyDescriptor descriptor;
    descriptor.numVertices = int(base.m_iVertexCount);
    descriptor.numFaces = int(faces.size());
    descriptor.numVertsPerFace = counts.data();
    descriptor.vertIndicesPerFace = indices.data();
    Sdc::Options options;
    options.SetVtxBoundaryInterpolation(Sdc::Options::VTX_BOUNDARY_EDGE_AND_CORNER);
    std::unique_ptr<Far::TopologyRefiner> refiner(Far::TopologyRefinerFactory<Far::TopologyDescriptor>::Create(
        descriptor, Far::TopologyRefinerFactory<Far::TopologyDescriptor>::Options(Sdc::SCHEME_CATMARK, options)));
    ASSERT_TRUE(refiner);
    refiner->RefineUniform(Far::TopologyRefiner::UniformOptions(levels));
    std::vector<Point> points(refiner->GetNumVerticesTotal());
    for (unsigned v = 0; v < base.m_iVertexCount; ++v) {
        const Vector p = base.m_pVertices[v].m_vPosition;
        points[v] = {p.x, p.y, p.z};
    }
    Far::PrimvarRefiner primvars(*refiner);
    Point *source = points.data();
    for (int l = 1; l <= levels; ++l) {
        Point *destination = source + refiner->GetLevel(l - 1).GetNumVertices();
        primvars.Interpolate(l, source, destination);
        source = destination;
    }

    // Level 0: faces and vertices are the same; a polygon base is matched by its polygons.
    std::vector<int> faceOf;   // our face of the current level → reference face
    std::vector<int> vertexOf(base.m_iVertexCount);  // our local vertex → reference vertex
    for (unsigned v = 0; v < base.m_iVertexCount; ++v)
        vertexOf[v] = int(v);
    for (unsigned f = 0; f < faces.size(); ++f)
        faceOf.push_back(int(f));
    SubdivLevel *lower = &base;
    Point *levelPoints = points.data();
    for (int l = 1; l <= levels; ++l) {
        SCOPED_TRACE(testing::Message() << "level " << l);
        if (partialFirst && l == 1) {
            // Half the faces first, the rest in a second call: the same level in the end.
            std::vector<unsigned> first, second;
            for (unsigned f = 0; f < lower->m_iFaceCount; ++f)
                (f % 3 == 1 ? first : second).push_back(f);
            ASSERT_TRUE(Subdivide(*lower, first));
            ASSERT_TRUE(Subdivide(*lower, second));
        } else {
            ASSERT_TRUE(Subdivide(*lower));
        }
        SubdivLevel &level = *lower->GetNextLevel(false);
        const Far::TopologyLevel &parent = refiner->GetLevel(l - 1);
        const Far::TopologyLevel &child = refiner->GetLevel(l);
        levelPoints += parent.GetNumVertices();
        ASSERT_EQ(level.m_iFaceCount, unsigned(child.GetNumFaces()));
        ASSERT_EQ(level.m_iVertexCount, unsigned(child.GetNumVertices()));

        // Our children of parent face f, by parent corner, and their local index.
        std::vector<int> childFaceOf(level.m_iFaceCount, -1);
        std::vector<int> childVertexOf(level.m_iVertexCount, -1);
        level.m_aFaceMap.Sort(General::Map::kBySecond);
        auto localFace = [&](unsigned global) {
            if (level.m_bFull)
                return int(global);
            const General::IntPair key{0, int(global)};
            const General::IntPair *found = level.m_aFaceMap.Find(&key);
            return found ? found->first : -1;
        };
        lower->m_aFaceMap.Sort(General::Map::kByFirst);
        const bool polygons = lower->m_aGenericFaces.HasItems();
        unsigned firstChild = 0;
        for (unsigned f = 0; f < faceOf.size(); ++f) {
            const int ref = faceOf[f];
            const unsigned k = polygons ? unsigned(faces[f].size()) : lower->Corners();
            const ChildLayout::Shape shape{k};
            const unsigned global = lower->m_bFull ? f : unsigned(lower->m_aFaceMap[f].second);
            Far::ConstIndexArray refChildren = parent.GetFaceChildFaces(ref);
            Far::ConstIndexArray refCorners = parent.GetFaceVertices(ref);
            ASSERT_EQ(unsigned(refChildren.size()), k);
            // The reference may start the face at another corner.
            const unsigned first = polygons ? faces[f][0] : lower->FaceVertexIndex(f, 0);
            unsigned r = 0;
            while (r < k && refCorners[int(r)] != vertexOf[first])
                ++r;
            ASSERT_LT(r, k) << "face " << f;
            for (unsigned c = 0; c < k; ++c) {
                const int local = localFace(polygons ? firstChild + c : global * k + shape.ChildAt(c));
                ASSERT_GE(local, 0);
                const int rc = int((c + r) % k);
                childFaceOf[unsigned(local)] = refChildren[rc];
                const Quad &q = level.m_pQuads[unsigned(local)];
                const unsigned pos = polygons ? 0 : shape.Pos(c);
                // Vertex, edge point, face point, previous edge point.
                const int refEdge = parent.FindEdge(refCorners[rc], refCorners[int((rc + 1) % k)]);
                const int refPrevEdge = parent.FindEdge(refCorners[int((rc + k - 1) % k)], refCorners[rc]);
                const int expected[4] = {parent.GetVertexChildVertex(refCorners[rc]),
                                         parent.GetEdgeChildVertex(refEdge), parent.GetFaceChildVertex(ref),
                                         parent.GetEdgeChildVertex(refPrevEdge)};
                for (unsigned j = 0; j < 4; ++j) {
                    const unsigned v = LevelBits::CornerVertex(q, (pos + j) % 4);
                    ASSERT_LT(v, level.m_iVertexCount);
                    if (childVertexOf[v] >= 0) {
                        EXPECT_EQ(childVertexOf[v], expected[j]) << "face " << f << " corner " << c << " " << j;
                    }
                    childVertexOf[v] = expected[j];
                }
            }
            firstChild += k;
        }
        for (unsigned v = 0; v < level.m_iVertexCount; ++v) {
            ASSERT_GE(childVertexOf[v], 0);
            if (check == Check::Topology)
                continue;
            const Point &p = levelPoints[childVertexOf[v]];
            const Vector ours = level.m_pVertices[v].m_vPosition, theirs(p.x, p.y, p.z);
            const float scale = std::max(1.0f, theirs.Length());
            EXPECT_LE((ours - theirs).Length(), 1e-5f * scale) << "vertex " << v;
        }
        faceOf = childFaceOf;
        vertexOf = childVertexOf;
        lower = &level;
    }
}

class CatmullClarkTest : public testing::Test {
protected:
    void SetUp() override { Recorder().tempFolder = m_dir.Path(); }
    void TearDown() override { EXPECT_FALSE(Recorder().LogContains("Assertion failed")) << Recorder().log.toStdString(); }
    TempDir m_dir;
};

}  // namespace

TEST_F(CatmullClarkTest, AClosedQuadMeshMatchesTheReference)
{
    auto base = MakeJitteredCube();
    CompareWithReference(*base, 4, Check::Positions);
}

TEST_F(CatmullClarkTest, AGridWithABorderMatchesTheReference)
{
    // Its border vertices have one or two faces, where both smooth the border alike.
    auto base = MakeOpenGrid();
    CompareWithReference(*base, 3, Check::Positions);
}

TEST_F(CatmullClarkTest, AVertexOfHighValenceMatchesTheReference)
{
    // 300 faces around one vertex: more than a byte can count.
    auto base = MakeDisc(300);
    CompareWithReference(*base, 2, Check::Positions);
}

TEST_F(CatmullClarkTest, OtherBasesSplitLikeTheReference)
{
    // Borders of three faces, triangles and polygons have their own position rules; the
    // faces and vertices made are the same.
    auto grid = MakeLGrid();
    CompareWithReference(*grid, 3, Check::Topology);
    auto triangles = MakeTriangles();
    CompareWithReference(*triangles, 3, Check::Topology);
    auto prism = MakePrism();
    CompareWithReference(*prism, 3, Check::Topology);
}

TEST_F(CatmullClarkTest, ALevelBuiltInTwoCallsMatchesTheReference)
{
    auto cube = MakeJitteredCube();
    CompareWithReference(*cube, 2, Check::Positions, true);
    auto grid = MakeOpenGrid();
    CompareWithReference(*grid, 2, Check::Positions, true);
    auto triangles = MakeTriangles();
    CompareWithReference(*triangles, 2, Check::Topology, true);
}
