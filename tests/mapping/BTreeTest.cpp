#include "foundation/Memory.h"
#include "mapping/BTree.h"
#include "mapping/BoxTree.h"
#include "mapping/MappingGlobals.h"
#include "support/MeshFixtures.h"
#include "support/RecordingShell.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <thread>
#include <vector>

using General::Vector;

namespace {

// Triangles with their first corner at the given points, each a small upright sliver.
std::unique_ptr<Mesh> TrianglesAt(const std::vector<Vector> &firstCorners, float size = 0.1f)
{
    std::vector<Vector> positions;
    std::vector<std::array<unsigned, 3>> triangles;
    for (const Vector &p : firstCorners) {
        const unsigned base = unsigned(positions.size());
        positions.push_back(p);
        positions.push_back(p + Vector(size, 0, 0));
        positions.push_back(p + Vector(0, size, size));
        triangles.push_back({base, base + 1, base + 2});
    }
    return fixtures::MakeTriangles(positions, triangles);
}

std::vector<unsigned> LeafFaces(const BTree::Tree &tree, const BTree::Node *node)
{
    std::vector<unsigned> faces;
    for (const uint32_t *f = tree.FacesAt(node->m_iFirst); *f != BTree::Node::kEndOfFaces; ++f)
        faces.push_back(*f);
    std::sort(faces.begin(), faces.end());
    return faces;
}

struct CollectingVisitor : BTree::Visitor {
    void Face(Mesh &, unsigned face) override { faces.push_back(face); }
    std::vector<unsigned> faces;
};

// The hit parameter of a segment on a triangle, both sides; negative for none.
float HitParameter(const Mesh &mesh, unsigned face, const Vector &a, const Vector &b)
{
    const Vector p0 = mesh.CornerPosition(face, 0), e1 = mesh.CornerPosition(face, 1) - p0,
                 e2 = mesh.CornerPosition(face, 2) - p0, d = b - a;
    const Vector h = d.Cross(e2);
    const float det = e1.Dot(h);
    if (std::fabs(det) < 1e-12f)
        return -1.0f;
    const Vector s = a - p0, q = s.Cross(e1);
    const float u = s.Dot(h) / det, v = d.Dot(q) / det, t = e2.Dot(q) / det;
    return u >= 0 && v >= 0 && u + v <= 1 && t >= 0 && t <= 1 ? t : -1.0f;
}

// Segment against triangle, both sides.
bool Hits(const Mesh &mesh, unsigned face, const Vector &a, const Vector &b) { return HitParameter(mesh, face, a, b) >= 0; }

class CancellingShell : public General::ShellServices {
public:
    bool TakeCancelRequest() override { return std::exchange(requested, false); }
    bool requested = true;
};

}  // namespace

TEST(FaceTree, SmallFaceCountsMakeEmptyTreesLeavesAndOneSplit)
{
    struct Case {
        unsigned faces;
        bool leafRoot;
        std::vector<unsigned> firstChild, secondChild;
    };
    const Case cases[] = {
        {0, false, {}, {}},
        {1, true, {0}, {}},
        {5, true, {0, 1, 2, 3, 4}, {}},
        {6, false, {0, 1, 2}, {3, 4, 5}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.faces);
        std::vector<Vector> corners;
        for (unsigned i = 0; i < c.faces; ++i)
            corners.push_back(Vector(float(i), 0, 0));
        auto mesh = TrianglesAt(corners);
        BTree::Tree tree;
        General::Store<unsigned> all;
        ASSERT_TRUE(tree.Build(*mesh, all, 0, 0));
        EXPECT_EQ(tree.GetFaceCount(), c.faces);
        if (!c.faces) {
            EXPECT_EQ(tree.GetRoot(), nullptr);
            CollectingVisitor visitor;
            float smallest = 1e9f;
            tree.Pick(visitor, BTree::Ray(Vector(-1, 0, 0), Vector(10, 0, 0)), smallest, 0);
            EXPECT_TRUE(visitor.faces.empty());
            EXPECT_TRUE(tree.IsFree(Vector(0, 0, 0), 100.0f));
            continue;
        }
        const BTree::Node *root = tree.GetRoot();
        ASSERT_NE(root, nullptr);
        ASSERT_EQ(root->IsLeaf(), c.leafRoot);
        if (c.leafRoot) {
            EXPECT_EQ(LeafFaces(tree, root), c.firstChild);
            continue;
        }
        const BTree::Node *first = tree.NodeAt(root->m_iFirst), *second = tree.NodeAt(root->m_iSecond);
        ASSERT_TRUE(first->IsLeaf() && second->IsLeaf());
        EXPECT_EQ(LeafFaces(tree, first), c.firstChild);
        EXPECT_EQ(LeafFaces(tree, second), c.secondChild);
        EXPECT_EQ(tree.GetNodeCount(), 3u);
        EXPECT_EQ(tree.GetMaxDepth(), 1u);
        // Depth first in the heap: the first leaf's face list comes before the second child.
        EXPECT_LT(first->m_iFirst, root->m_iSecond);
    }
}

TEST(FaceTree, SplitsAlongTheLongestSideWithTiesOnX)
{
    // Six faces whose first corners order differently along each axis; the first child
    // takes the three lowest along the chosen axis.
    struct Case {
        Vector scale;
        std::vector<unsigned> firstHalf;
    };
    const float ax[6] = {0, 1, 2, 3, 4, 5}, ay[6] = {5, 4, 3, 2, 1, 0}, az[6] = {2, 5, 0, 4, 1, 3};
    const Case cases[] = {
        {Vector(1, 1, 1), {0, 1, 2}},  // equal extents: x
        {Vector(1, 3, 1), {3, 4, 5}},  // y longest
        {Vector(1, 1, 3), {0, 2, 4}},  // z longest
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.scale.x << " " << c.scale.y << " " << c.scale.z);
        std::vector<Vector> corners;
        for (unsigned i = 0; i < 6; ++i)
            corners.push_back(Vector(ax[i] * c.scale.x, ay[i] * c.scale.y, az[i] * c.scale.z));
        auto mesh = TrianglesAt(corners, 0.0f);
        BTree::Tree tree;
        General::Store<unsigned> all;
        ASSERT_TRUE(tree.Build(*mesh, all, 0, 0));
        const BTree::Node *root = tree.GetRoot();
        ASSERT_FALSE(root->IsLeaf());
        EXPECT_EQ(LeafFaces(tree, tree.NodeAt(root->m_iFirst)), c.firstHalf);
    }
}

TEST(FaceTree, BuildsOverAListedSubsetOnly)
{
    auto mesh = TrianglesAt({Vector(0, 0, 0), Vector(1, 0, 0), Vector(2, 0, 0), Vector(3, 0, 0)});
    General::Store<unsigned> listed;
    listed.Add(3);
    listed.Add(1);
    BTree::Tree tree;
    ASSERT_TRUE(tree.Build(*mesh, listed, 0, 0));
    EXPECT_EQ(tree.GetFaceCount(), 2u);
    EXPECT_EQ(LeafFaces(tree, tree.GetRoot()), (std::vector<unsigned>{1, 3}));
}

TEST(FaceTree, OffsetsWidenTheBoxesButNotTheRadius)
{
    // A unit quad in the xy plane facing +z.
    auto mesh = fixtures::MakeQuads({Vector(-1, -1, 0), Vector(1, -1, 0), Vector(1, 1, 0), Vector(-1, 1, 0)},
                                    {{0, 1, 2, 3}});
    for (unsigned v = 0; v < 4; ++v)
        mesh->m_pVertices[v].m_aNormal[2] = 32767;
    struct Case {
        float first, second, centerZ;
    };
    for (const Case &c : {Case{0, 0, 0}, Case{0.5f, -0.5f, 0}, Case{1, 0, 0.5f}, Case{2, 1, 1.5f}}) {
        BTree::Tree tree;
        General::Store<unsigned> all;
        ASSERT_TRUE(tree.Build(*mesh, all, c.first, c.second));
        EXPECT_NEAR(tree.GetRoot()->m_vCenter.z, c.centerZ, 1e-6f) << c.first << " " << c.second;
        // The radius reaches the plain corners from the moved centre.
        EXPECT_NEAR(tree.GetRoot()->m_fRadius2, 2.0f + c.centerZ * c.centerZ, 1e-5f);
    }
}

TEST(FaceTree, TooSmallAHeapIsGrownByAnEighthAndTheBuildRedone)
{
    // One face needs a node and a two-entry face list (32 bytes) but gets 20 at first.
    auto mesh = TrianglesAt({Vector(0, 0, 0)});
    BTree::Tree tree;
    General::Store<unsigned> all;
    ASSERT_TRUE(tree.Build(*mesh, all, 0, 0));
    for (const char *line : {"BTree: Allocating heap with size 20\n", "BTree: Changing heap size from 20 to 22\n",
                             "from 22 to 24\n", "from 24 to 27\n", "from 27 to 30\n", "from 30 to 33\n"})
        EXPECT_TRUE(Recorder().LogContains(QString::fromLatin1(line))) << line;
    EXPECT_FALSE(Recorder().LogContains(QStringLiteral("from 33 to")));
    EXPECT_EQ(tree.GetHeapSize(), 33u);
    EXPECT_EQ(tree.GetHeapUsed(), 32u);
    EXPECT_EQ(LeafFaces(tree, tree.GetRoot()), std::vector<unsigned>{0});
    EXPECT_FALSE(Recorder().LogContains(QStringLiteral("Assertion failed")));
    ASSERT_FALSE(Recorder().progressTexts.isEmpty());
    EXPECT_EQ(Recorder().progressTexts.last(), QStringLiteral("creating balanced tree..."));
}

TEST(FaceTree, ARefusedHeapOrACancelFailsTheBuild)
{
    std::vector<Vector> corners;
    for (unsigned i = 0; i < 1000; ++i)
        corners.push_back(Vector(float(i), 0, 0));
    auto mesh = TrianglesAt(corners);
    General::Store<unsigned> all;
    {
        BTree::Tree tree;
        General::SetMemoryLimit(General::GetCountedMemory() + 1000 * sizeof(BTree::FaceInfo) + 100);
        EXPECT_FALSE(tree.Build(*mesh, all, 0, 0));
        General::SetMemoryLimit(~uint64_t(0));
        EXPECT_EQ(tree.GetRoot(), nullptr);
    }
    {
        CancellingShell host;
        General::InstallShell(&host);
        BTree::Tree tree;
        EXPECT_FALSE(tree.Build(*mesh, all, 0, 0));
        General::InstallShell(&Recorder());  // the run's recording shell again
        EXPECT_FALSE(host.requested);  // the request is taken
        EXPECT_EQ(tree.GetRoot(), nullptr);
        // The same tree builds once nobody cancels.
        EXPECT_TRUE(tree.Build(*mesh, all, 0, 0));
    }
}

TEST(FaceTree, PicksFindEveryFaceASegmentHitsOnBothThreads)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> coordinate(-10.0f, 10.0f), offset(-0.8f, 0.8f);
    std::vector<Vector> positions;
    std::vector<std::array<unsigned, 3>> triangles;
    for (unsigned f = 0; f < 2000; ++f) {
        const Vector c(coordinate(random), coordinate(random), coordinate(random));
        for (int k = 0; k < 3; ++k)
            positions.push_back(c + Vector(offset(random), offset(random), offset(random)));
        triangles.push_back({3 * f, 3 * f + 1, 3 * f + 2});
    }
    auto mesh = fixtures::MakeTriangles(positions, triangles);
    BTree::Tree tree;
    General::Store<unsigned> all;
    ASSERT_TRUE(tree.Build(*mesh, all, 0, 0));

    std::vector<std::pair<Vector, Vector>> segments;
    for (int s = 0; s < 300; ++s)
        segments.push_back({Vector(coordinate(random), coordinate(random), coordinate(random)),
                            Vector(coordinate(random), coordinate(random), coordinate(random))});
    std::vector<std::set<unsigned>> expected;
    size_t hits = 0;
    for (const auto &[a, b] : segments) {
        std::set<unsigned> hit;
        for (unsigned f = 0; f < mesh->m_iFaceCount; ++f)
            if (Hits(*mesh, f, a, b))
                hit.insert(f);
        hits += hit.size();
        expected.push_back(hit);
    }
    ASSERT_GT(hits, 50u);  // the segments do meet the surface

    Recorder().memoryLabel = QStringLiteral("untouched");
    const uint64_t counted = General::GetCountedMemory();
    auto pickAll = [&](unsigned threadId, std::vector<std::set<unsigned>> &found, bool &unique) {
        unique = true;
        for (const auto &[a, b] : segments) {
            CollectingVisitor visitor;
            float smallest = 1e30f;
            tree.Pick(visitor, BTree::Ray(a, b), smallest, threadId);
            std::set<unsigned> hit;
            for (unsigned f : visitor.faces)
                if (Hits(*mesh, f, a, b))
                    hit.insert(f);
            std::set<unsigned> distinct(visitor.faces.begin(), visitor.faces.end());
            unique = unique && distinct.size() == visitor.faces.size() && visitor.m_iFacesVisited == visitor.faces.size();
            found.push_back(hit);
        }
    };
    std::vector<std::set<unsigned>> found0, found1;
    bool unique0 = false, unique1 = false;
    std::thread worker([&] { pickAll(1, found1, unique1); });
    pickAll(0, found0, unique0);
    worker.join();
    EXPECT_EQ(found0, expected);
    EXPECT_EQ(found1, expected);
    EXPECT_TRUE(unique0 && unique1);
    // Picking allocates nothing, so no worker thread reaches the memory label.
    EXPECT_EQ(General::GetCountedMemory(), counted);
    EXPECT_EQ(Recorder().memoryLabel, QStringLiteral("untouched"));
}

namespace {

// The hit nearest `centre`, ties to the smaller parameter, then the lower face.
struct Nearest {
    Nearest(const Mesh &m, Vector a, Vector b, float c) : mesh(m), start(a), end(b), centre(c) {}
    void operator()(unsigned face)
    {
        ++tested;
        Take(face, HitParameter(mesh, face, start, end));
    }
    void Take(unsigned face, float t)
    {
        if (t < 0)
            return;
        const float d = std::fabs(t - centre);
        if (d < best || (d == best && (t < this->t || (t == this->t && face < this->face)))) {
            best = d;
            this->t = t;
            this->face = face;
        }
    }
    const Mesh &mesh;
    Vector start, end;
    float centre;
    float best = INFINITY, t = 0;
    unsigned face = ~0u, tested = 0;
};

}  // namespace

TEST(FaceTree, NearestFirstWalksChooseWhatEveryFaceWouldChoose)
{
    // A crumpled sheet of slivers crossed by short segments, as a bake casts them: each
    // walk passes over most of the tree and still finds the hit a test of every face finds.
    std::mt19937 random(11);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f), jitter(-0.02f, 0.02f);
    std::vector<Vector> positions;
    std::vector<std::array<unsigned, 3>> triangles;
    for (unsigned j = 0; j < 40; ++j)
        for (unsigned i = 0; i < 40; ++i) {
            const float x = float(i) / 40, y = float(j) / 40, z = 0.05f * std::sin(7 * x) * std::cos(5 * y);
            const unsigned base = unsigned(positions.size());
            positions.push_back(Vector(x, y, z + jitter(random)));
            positions.push_back(Vector(x + 0.03f, y, z + jitter(random)));
            positions.push_back(Vector(x, y + 0.03f, z + jitter(random)));
            triangles.push_back({base, base + 1, base + 2});
        }
    auto mesh = fixtures::MakeTriangles(positions, triangles);
    BTree::Tree tree;
    General::Store<unsigned> all;
    ASSERT_TRUE(tree.Build(*mesh, all, 0, 0));
    BTree::BoxTree boxes;
    ASSERT_TRUE(boxes.Build(tree, *mesh));

    unsigned hits = 0, boxTested = 0, boxFaces = 0;
    for (int s = 0; s < 200; ++s) {
        const Vector p(unit(random), unit(random), 0.0f);
        const Vector n = Vector(jitter(random) * 10, jitter(random) * 10, 1).Normalized();
        const Vector a = p + n * 0.15f, b = p - n * 0.15f;
        for (float centre : {0.0f, 0.5f, 1.0f}) {
            Nearest every(*mesh, a, b, centre);
            for (unsigned f = 0; f < mesh->m_iFaceCount; ++f)
                every(f);
            Nearest spheres(*mesh, a, b, centre), inBoxes(*mesh, a, b, centre);
            unsigned tested = 0;
            tree.PickNearest(BTree::Ray(a, b), centre, spheres.best, [&](unsigned f) { spheres(f); }, tested);
            unsigned boxTriangles = 0;
            boxes.PickNearest(
                a, b - a, centre, inBoxes.best, [&](unsigned f, float t, float, float) { inBoxes.Take(f, t); },
                tested, boxTriangles);
            EXPECT_EQ(spheres.face, every.face) << s << " " << centre;
            EXPECT_EQ(inBoxes.face, every.face) << s << " " << centre;
            EXPECT_NEAR(inBoxes.t, every.t, 1e-5f);
            hits += every.face != ~0u;
            boxFaces += boxTriangles;
            ++boxTested;
        }
    }
    EXPECT_GT(hits, 300u);
    // The walks look at a few leaves, not the sheet.
    EXPECT_LT(boxFaces / boxTested, mesh->m_iFaceCount / 20);
}

TEST(FaceTree, SegmentsThroughTheSharedDiagonalOfAQuadHitOneOfItsHalves)
{
    // A sheet of bent quads; each segment passes through a point of a quad's 1-3 diagonal,
    // which both halves share. Rounding must not put it outside both.
    std::mt19937 random(5);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f), bend(-0.05f, 0.05f), lean(-0.3f, 0.3f);
    constexpr unsigned n = 16;
    std::vector<Vector> positions;
    std::vector<std::array<unsigned, 4>> quads;
    for (unsigned j = 0; j <= n; ++j)
        for (unsigned i = 0; i <= n; ++i)
            positions.push_back(Vector(3.7f * float(i) / n + 100.0f, 2.3f * float(j) / n - 50.0f, bend(random)));
    for (unsigned j = 0; j < n; ++j)
        for (unsigned i = 0; i < n; ++i) {
            const unsigned a = j * (n + 1) + i;
            quads.push_back({a, a + 1, a + n + 2, a + n + 1});
        }
    auto mesh = fixtures::MakeQuads(positions, quads);
    BTree::Tree tree;
    General::Store<unsigned> all;
    ASSERT_TRUE(tree.Build(*mesh, all, 0, 0));
    BTree::BoxTree boxes;
    ASSERT_TRUE(boxes.Build(tree, *mesh));
    unsigned missed = 0;
    for (int s = 0; s < 20000; ++s) {
        const auto &q = quads[unsigned(unit(random) * float(quads.size())) % quads.size()];
        const Vector &p1 = positions[q[1]], &p3 = positions[q[3]];
        const Vector p = p1 + (p3 - p1) * unit(random);
        const Vector d = Vector(lean(random), lean(random), 1).Normalized();
        const Vector a = p + d * 0.5f, b = p - d * 0.5f;
        bool hit = false;
        unsigned tested = 0, triangles = 0;
        const float best = INFINITY;
        boxes.PickNearest(a, b - a, 0.5f, best, [&](unsigned, float, float, float) { hit = true; }, tested, triangles);
        missed += !hit;
    }
    EXPECT_EQ(missed, 0u);
}

TEST(FaceTree, PickRefusesThirdThreadAndReportsTheSmallestSphere)
{
    Recorder().ExpectAssertionFailures();
    auto mesh = TrianglesAt({Vector(0, 0, 0), Vector(1, 0, 0), Vector(2, 0, 0), Vector(3, 0, 0), Vector(4, 0, 0),
                             Vector(5, 0, 0)});
    BTree::Tree tree;
    General::Store<unsigned> all;
    ASSERT_TRUE(tree.Build(*mesh, all, 0, 0));
    CollectingVisitor visitor;
    float smallest = 1e30f;
    const BTree::Ray through(Vector(-1, 0.01f, 0.01f), Vector(10, 0.01f, 0.01f));
    tree.Pick(visitor, through, smallest, 2);
    EXPECT_TRUE(visitor.faces.empty());
    EXPECT_TRUE(Recorder().LogContains(QStringLiteral("!(iThreadID >= 2)")));

    tree.Pick(visitor, through, smallest, 0);
    EXPECT_EQ(visitor.faces.size(), 6u);
    EXPECT_EQ(visitor.m_iSpheresTested, 2u);
    const BTree::Node *root = tree.GetRoot();
    EXPECT_EQ(smallest, std::min(tree.NodeAt(root->m_iFirst)->m_fRadius2, tree.NodeAt(root->m_iSecond)->m_fRadius2));

    CollectingVisitor missing;
    tree.Pick(missing, BTree::Ray(Vector(-1, 50, 0), Vector(10, 50, 0)), smallest, 1);
    EXPECT_TRUE(missing.faces.empty());
    EXPECT_EQ(missing.m_iSpheresTested, 2u);
}

TEST(FaceTree, IsFreeCountsATouchingSphereAsTouching)
{
    // One leaf: centre at the origin, radius 1.
    auto mesh = fixtures::MakeQuads({Vector(1, 0, 0), Vector(0, 1, 0), Vector(-1, 0, 0), Vector(0, -1, 0)},
                                    {{0, 1, 2, 3}});
    BTree::Tree tree;
    General::Store<unsigned> all;
    ASSERT_TRUE(tree.Build(*mesh, all, 0, 0));
    EXPECT_EQ(tree.GetRadius(), 1.0f);
    EXPECT_FALSE(tree.IsFree(Vector(3, 0, 0), 2.0f));
    EXPECT_TRUE(tree.IsFree(Vector(3, 0, 0), 1.99f));
    EXPECT_FALSE(tree.IsFree(Vector(0, 0, 0), 0.0f));
}

TEST(FaceTree, MeshesBuildTheirTreeThroughTheInstalledFactory)
{
    InitializeMappingGlobals();
    auto mesh = TrianglesAt({Vector(0, 0, 0), Vector(1, 0, 0)});
    FaceTree *tree = mesh->GetBTree();
    ASSERT_NE(tree, nullptr);
    auto *balanced = dynamic_cast<BTree::Tree *>(tree);
    ASSERT_NE(balanced, nullptr);
    EXPECT_EQ(balanced->GetFaceCount(), 2u);
    EXPECT_EQ(mesh->GetBTree(), tree);
}
