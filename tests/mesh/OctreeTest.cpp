#include "foundation/Stream.h"
#include "mesh/core/Octree.h"
#include "support/LooseOctree.h"
#include "support/MeshFixtures.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace fixtures;
using General::Vector;

namespace {

AABB FaceBox(Mesh &mesh, unsigned face)
{
    AABB box;
    mesh.AddFaceToAABB(box, face, false);
    return box;
}

// Faces whose box the segment meets; each face may be handed over only once.
struct SegmentSelector : Octree::Selector {
    Vector a, b;
    std::set<unsigned> hits;
    int duplicates = 0;
    int TestBox(const AABB &box) override
    {
        float t = 0;
        return box.IntersectSegment(a, b, t) ? 2 : 1;
    }
    void VisitFace(Mesh &mesh, unsigned face) override
    {
        float t = 0;
        if (FaceBox(mesh, face).IntersectSegment(a, b, t))
            duplicates += !hits.insert(face).second;
    }
};

struct BoxSelector : Octree::Selector {
    AABB query;
    std::set<unsigned> hits;
    int duplicates = 0;
    int TestBox(const AABB &box) override
    {
        if (box.IsInside(query))
            return 0;
        return box.Intersects(query) ? 2 : 1;
    }
    void VisitFace(Mesh &mesh, unsigned face) override
    {
        if (FaceBox(mesh, face).Intersects(query))
            duplicates += !hits.insert(face).second;
    }
};

// Every chain intact, every face in a cube that holds its box, and FaceCube naming the
// cube whose chain holds the face (found here by following every chain).
void ExpectConsistent(Mesh &mesh)
{
    QString why;
    EXPECT_TRUE(mesh.m_pOctree->CheckLinks(mesh.m_iFaceCount, [&](unsigned f) { return mesh.NextInCube(f, 0); }, why))
        << why.toStdString();
    std::vector<int> holder(mesh.m_iFaceCount, -1);
    for (int c = 0; c < mesh.m_pOctree->GetCubeCount(); ++c)
        for (uint32_t link = mesh.m_pOctree->GetCube(c)->m_aFirst[0]; link < OctreeLink::kChainEnd;
             link = mesh.NextInCube(link, 0))
            holder[link] = c;
    for (unsigned f = 0; f < mesh.m_iFaceCount; ++f) {
        ASSERT_EQ(mesh.FaceCube(f), holder[f]) << f;
        Octree::OctreeCube *cube = mesh.m_pOctree->GetCube(mesh.FaceCube(f));
        ASSERT_NE(cube, nullptr) << f;
        EXPECT_TRUE(FaceBox(mesh, f).IsInside(cube->m_cBox)) << f;
    }
}

class OctreeSearch : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_mesh = MakeWavySheet(250, 200, 7).release();  // 50,000 faces
        s_mesh->BuildOctree();
    }
    static void TearDownTestSuite()
    {
        delete s_mesh;
        s_mesh = nullptr;
    }
    static Mesh *s_mesh;
};
Mesh *OctreeSearch::s_mesh = nullptr;

}  // namespace

TEST_F(OctreeSearch, RaysFindWhatBruteForceFinds)
{
    Mesh &mesh = *s_mesh;
    ExpectConsistent(mesh);
    std::mt19937 random(11);
    std::uniform_real_distribution<float> x(-20, 270), y(-20, 220), z(-10, 10);
    for (int ray = 0; ray < 40; ++ray) {
        SegmentSelector selector;
        selector.a = Vector(x(random), y(random), z(random));
        selector.b = ray % 2 ? Vector(x(random), y(random), z(random))
                             : selector.a + Vector(0.3f, -0.2f, -25.0f);  // short, nearly vertical picks
        mesh.m_pOctree->Traverse(selector, nullptr, 1);
        std::set<unsigned> expected;
        for (unsigned f = 0; f < mesh.m_iFaceCount; ++f) {
            float t = 0;
            if (FaceBox(mesh, f).IntersectSegment(selector.a, selector.b, t))
                expected.insert(f);
        }
        EXPECT_EQ(selector.hits, expected) << ray;
        EXPECT_EQ(selector.duplicates, 0);
        EXPECT_GT(selector.m_iTests, 0);
    }
}

TEST_F(OctreeSearch, BoxesFindWhatBruteForceFinds)
{
    Mesh &mesh = *s_mesh;
    std::mt19937 random(5);
    std::uniform_real_distribution<float> x(-10, 260), y(-10, 210), z(-6, 6), size(0.5f, 60.0f);
    for (int query = 0; query < 40; ++query) {
        BoxSelector selector;
        const Vector low(x(random), y(random), z(random));
        selector.query = AABB(low, low + Vector(size(random), size(random), size(random) * 0.2f));
        mesh.m_pOctree->Traverse(selector, nullptr, 0);
        std::set<unsigned> expected;
        for (unsigned f = 0; f < mesh.m_iFaceCount; ++f)
            if (FaceBox(mesh, f).Intersects(selector.query))
                expected.insert(f);
        EXPECT_EQ(selector.hits, expected) << query;
        EXPECT_EQ(selector.duplicates, 0);
    }
}

TEST(Octree, RootOfAPointMeshAndFacesOnTheCentrePlane)
{
    auto mesh = MakeQuads({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, {{0, 1, 2, 3}});
    mesh->BuildOctree();
    const Octree::OctreeCube *root = mesh->m_pOctree->GetRoot();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->m_iDepth, 0);
    EXPECT_NEAR(root->m_cBox.m_vMax.x - root->m_cBox.m_vMin.x, 244.0f, 1e-3f);  // 200 widened by 0.11 each side

    // A face whose box ends exactly on the root's centre plane straddles it and stays in the root.
    auto touching = MakeQuads({{0, 0, 0}, {4, 0, 0}, {4, 4, 1}, {0, 4, 1}}, {{0, 1, 2, 3}});
    touching->GetAABB();
    touching->m_pOctree->CreateRoot();
    const float centreX = touching->m_pOctree->GetRoot()->m_cBox.GetCenter().x;
    touching->m_pVertices[1].m_vPosition.x = touching->m_pVertices[2].m_vPosition.x = centreX;
    touching->m_pVertices[0].m_vPosition.x = touching->m_pVertices[3].m_vPosition.x = centreX - 1;
    ASSERT_TRUE(touching->m_pOctree->InsertFace(0, -1));
    EXPECT_EQ(touching->FaceCube(0), touching->m_pOctree->m_iRoot);
    EXPECT_EQ(touching->m_pOctree->GetCubeCount(), 1);
}

TEST(Octree, GrowingTheRootKeepsTheMeshBox)
{
    auto mesh = MakeGridCube(4);
    mesh->BuildOctree();
    const AABB before = mesh->GetAABB();
    const int oldRoot = mesh->m_pOctree->m_iRoot;
    // Move one face far below and then far above the root.
    for (float offset : {-500.0f, 3000.0f}) {
        for (unsigned c = 0; c < 4; ++c)
            mesh->m_pVertices[mesh->FaceVertexIndex(3, c)].m_vPosition += Vector(offset, 0, 0);
        ASSERT_TRUE(mesh->m_pOctree->UpdateFace(3));
    }
    for (unsigned f = 0; f < mesh->m_iFaceCount; ++f)
        ASSERT_TRUE(mesh->m_pOctree->UpdateFace(f));
    const Octree::OctreeCube *root = mesh->m_pOctree->GetRoot();
    EXPECT_NE(mesh->m_pOctree->m_iRoot, oldRoot);
    EXPECT_LT(root->m_iDepth, 0);
    EXPECT_TRUE(FaceBox(*mesh, 3).IsInside(root->m_cBox));
    // The box still holds every face: it grew with the face instead of being zeroed.
    const AABB &box = mesh->GetAABB();
    EXPECT_FALSE(box.IsEmpty());
    EXPECT_LE(box.m_vMin.x, before.m_vMin.x);
    for (unsigned f = 0; f < mesh->m_iFaceCount; ++f)
        EXPECT_TRUE(FaceBox(*mesh, f).IsInside(box)) << f;
    ExpectConsistent(*mesh);
}

TEST(Octree, FacesWithoutAFiniteBoxAreRefused)
{
    Recorder().ExpectAssertionFailures();
    auto mesh = MakeGridCube(4);
    mesh->BuildOctree();
    const int cubes = mesh->m_pOctree->GetCubeCount();
    const float bad[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 3e38f};
    for (float value : bad) {
        const uint32_t link = mesh->NextInCube(2, 0);
        mesh->m_pVertices[mesh->FaceVertexIndex(2, 0)].m_vPosition.x = value;
        const bool inserted = mesh->m_pOctree->UpdateFace(2);
        EXPECT_FALSE(inserted && std::isnan(value));
        if (!inserted)
            EXPECT_EQ(mesh->NextInCube(2, 0), link);  // the face stays where it was
        EXPECT_LT(mesh->m_pOctree->GetCubeCount(), cubes + 300);
    }
    // A mesh whose box is not finite gets no root, and inserting into it fails instead of hanging.
    auto broken = MakeGridCube(2);
    broken->m_pVertices[0].m_vPosition.y = std::numeric_limits<float>::infinity();
    broken->BuildOctree();
    EXPECT_EQ(broken->m_pOctree->GetRoot(), nullptr);
}

TEST(Octree, UnlinkAndRelinkKeepEveryChainIntact)
{
    auto mesh = MakeWavySheet(60, 50, 3);
    mesh->BuildOctree();
    ExpectConsistent(*mesh);
    std::mt19937 random(9);
    std::set<unsigned> marked;
    for (int i = 0; i < 400; ++i)
        marked.insert(random() % mesh->m_iFaceCount);
    for (unsigned f : marked)
        mesh->m_pQuads[f].m_iIndices[1] |= MeshFlags::kBit31;
    for (int c = 0; c < mesh->m_pOctree->GetCubeCount(); ++c)
        mesh->m_pOctree->GetCube(c)->UnlinkMarkedFaces(0);
    QString why;
    ASSERT_TRUE(mesh->m_pOctree->CheckLinks(mesh->m_iFaceCount, [&](unsigned f) { return mesh->NextInCube(f, 0); }, why))
        << why.toStdString();
    for (unsigned f : marked) {
        EXPECT_GE(mesh->m_pQuads[f].m_iOctree, OctreeLink::kUnlinked);
        EXPECT_FALSE(mesh->IsFaceSelected(f));
        EXPECT_EQ(mesh->m_pOctree->GetCube(mesh->FaceCube(f)), nullptr);
    }
    // Relink, and move half of all faces so that they change cubes.
    for (unsigned f : marked)
        ASSERT_TRUE(mesh->m_pOctree->UpdateFace(f));
    for (unsigned v = 0; v < mesh->m_iVertexCount; v += 2)
        mesh->m_pVertices[v].m_vPosition += Vector(0, 0, float(random() % 40) - 20.0f);
    for (unsigned f = 0; f < mesh->m_iFaceCount; ++f)
        ASSERT_TRUE(mesh->m_pOctree->UpdateFace(f));
    ExpectConsistent(*mesh);
    // Updating a face already in the right cube changes nothing.
    const uint32_t link = mesh->NextInCube(10, 0);
    mesh->m_pOctree->UpdateFace(10);
    EXPECT_EQ(mesh->NextInCube(10, 0), link);
}

namespace {

// The faces of the cubes in walk order: a cube's chain, then its children's subtrees in child-number order.
std::vector<unsigned> ChainsInWalkOrder(Mesh &mesh, int cube)
{
    std::vector<unsigned> faces;
    std::vector<int> pending{cube};
    while (!pending.empty()) {
        const Octree::OctreeCube &c = *mesh.m_pOctree->GetCube(pending.back());
        pending.pop_back();
        for (uint32_t link = c.m_aFirst[0]; link < OctreeLink::kChainEnd; link = mesh.NextInCube(link, 0))
            faces.push_back(link);
        for (int k = 7; k >= 0; --k)
            if (c.m_aChild[k] >= 0)
                pending.push_back(c.m_aChild[k]);
    }
    return faces;
}

// Walking the layout reaches every node's copy; each copy lists the chains it stands for
// with the pre-stroke corners of their faces, and all of them together give the faces of
// the whole tree in the order of the cube walk.
void ExpectCopiesMatchChains(Mesh &mesh)
{
    Octree::Octree &octree = *mesh.m_pOctree;
    const Octree::WalkNode *nodes = octree.GetWalkNodes();
    ASSERT_NE(nodes, nullptr);
    std::vector<unsigned> walked;
    std::vector<uint32_t> pending{0};
    while (!pending.empty()) {
        const uint32_t at = pending.back();
        pending.pop_back();
        const Octree::CubeFaces *copy = octree.GetFaceCopy(at);
        ASSERT_NE(copy, nullptr) << at;
        const Octree::OctreeCube &cube = *octree.GetCube(copy->GetCube());
        EXPECT_EQ(Vector(nodes[at].m_aMin[0], nodes[at].m_aMin[1], nodes[at].m_aMin[2]), cube.m_cBox.m_vMin);
        EXPECT_EQ(Vector(nodes[at].m_aMax[0], nodes[at].m_aMax[1], nodes[at].m_aMax[2]), cube.m_cBox.m_vMax);
        std::vector<unsigned> chains;
        if (copy->GetsSubtree()) {
            EXPECT_EQ(nodes[at].m_iChildCount, 0u);
            chains = ChainsInWalkOrder(mesh, cube.GetIndex());
        } else {
            for (uint32_t link = cube.m_aFirst[0]; link < OctreeLink::kChainEnd; link = mesh.NextInCube(link, 0))
                chains.push_back(link);
        }
        const std::vector<unsigned> copied(copy->GetFaces(), copy->GetFaces() + copy->GetCount());
        ASSERT_EQ(copied, chains) << at;
        for (unsigned i = 0; i < copy->GetCount(); ++i)
            for (unsigned c = 0; c < copy->GetCorners(); ++c)
                EXPECT_EQ(Vector(copy->GetCorner(i, c, 0), copy->GetCorner(i, c, 1), copy->GetCorner(i, c, 2)),
                          mesh.OriginalFaceVertex(copied[i], c).m_vPosition)
                    << copied[i];
        // Each group's box is its faces' own: one too small would hide a face from the walk.
        for (unsigned g = 0; g < copy->GetGroups(); ++g) {
            AABB box;
            for (unsigned i = g * 4; i < std::min(copy->GetCount(), g * 4 + 4); ++i)
                for (unsigned c = 0; c < copy->GetCorners(); ++c)
                    box.Extend(mesh.OriginalFaceVertex(copied[i], c).m_vPosition);
            const float *stored = copy->GetGroupBox(g);
            EXPECT_EQ(Vector(stored[0], stored[1], stored[2]), box.m_vMin) << at << " " << g;
            EXPECT_EQ(Vector(stored[3], stored[4], stored[5]), box.m_vMax) << at << " " << g;
        }
        walked.insert(walked.end(), copied.begin(), copied.end());
        for (unsigned k = nodes[at].m_iChildCount; k-- > 0;)
            pending.push_back(nodes[at].m_iFirstChild + k);
    }
    EXPECT_EQ(walked, ChainsInWalkOrder(mesh, octree.m_iRoot));
}

}  // namespace

// Copies are made before every step, so a step that leaves one behind is caught.
TEST(Octree, FaceCopiesFollowEveryChange)
{
    auto mesh = MakeWavySheet(40, 40, 3);
    mesh->BuildOctree();
    std::mt19937 random(3);
    const struct {
        const char *what;
        std::function<void(Mesh &)> change;
    } steps[] = {
        {"unlink marked faces",
         [&](Mesh &m) {
             for (unsigned f = 0; f < m.m_iFaceCount; f += 7)
                 m.m_pQuads[f].m_iIndices[1] |= MeshFlags::kBit31;
             for (int c = 0; c < m.m_pOctree->GetCubeCount(); ++c)
                 m.m_pOctree->GetCube(c)->UnlinkMarkedFaces(0);
         }},
        {"relink them",
         [&](Mesh &m) {
             for (unsigned f = 0; f < m.m_iFaceCount; f += 7)
                 ASSERT_TRUE(m.m_pOctree->UpdateFace(f));
         }},
        {"move faces within and between cubes",
         [&](Mesh &m) {
             for (unsigned v = 0; v < m.m_iVertexCount; v += 3)
                 m.m_pVertices[v].m_vPosition += Vector(0, 0, float(random() % 9) * 0.5f - 2.0f);
             for (unsigned f = 0; f < m.m_iFaceCount; ++f)
                 ASSERT_TRUE(m.m_pOctree->UpdateFace(f));
         }},
        {"a stroke moves recorded vertices, then ends",
         [&](Mesh &m) {
             for (unsigned v = 1; v < m.m_iVertexCount; v += 5) {
                 bool created = false;
                 ASSERT_NE(m.AddToRestoreBuffer(v, created), nullptr);
                 m.SetVertexPosition(v, m.m_pVertices[v].m_vPosition + Vector(0.25f, 0, 0.5f));
             }
             ExpectCopiesMatchChains(m);  // still the pre-stroke corners
             m.ClearRestoreBuffer();
         }},
        {"positions set outside a stroke",
         [&](Mesh &m) {
             for (unsigned v = 2; v < m.m_iVertexCount; v += 11)
                 m.SetVertexPosition(v, m.m_pVertices[v].m_vPosition + Vector(0, 0.125f, 0));
         }},
        {"faces move to cubes not made yet, and past the root, which grows",
         [&](Mesh &m) {
             const int before = m.m_pOctree->GetCubeCount();
             for (unsigned v = 0; v < m.m_iVertexCount; ++v)
                 m.m_pVertices[v].m_vPosition.z *= 0.01f;
             for (unsigned f = 0; f < m.m_iFaceCount; ++f)
                 ASSERT_TRUE(m.m_pOctree->UpdateFace(f));
             const int cubes = m.m_pOctree->GetCubeCount();
             ASSERT_GT(cubes, before);
             ExpectCopiesMatchChains(m);  // laid out cube by cube
             for (unsigned c = 0; c < 4; ++c)
                 m.m_pVertices[m.FaceVertexIndex(5, c)].m_vPosition += Vector(500, 0, 0);
             ASSERT_TRUE(m.m_pOctree->UpdateFace(5));
             ASSERT_GT(m.m_pOctree->GetCubeCount(), cubes);
         }},
        {"faces gather into a few cubes and spread again, round after round",
         [&](Mesh &m) {
             // Cubes that gain faces outgrow their copies' blocks, which are left behind in
             // the copy pool until the copies are made again in a fresh one.
             for (int round = 0; round < 6; ++round) {
                 const float scale = round % 2 ? 2.0f : 0.5f;
                 for (unsigned v = 0; v < m.m_iVertexCount; ++v) {
                     m.m_pVertices[v].m_vPosition.x *= scale;
                     m.m_pVertices[v].m_vPosition.y *= scale;
                 }
                 for (unsigned f = 0; f < m.m_iFaceCount; ++f)
                     ASSERT_TRUE(m.m_pOctree->UpdateFace(f));
                 ExpectCopiesMatchChains(m);
             }
         }},
        {"drop every fourth face and renumber",
         [&](Mesh &m) {
             for (unsigned f = 0; f < m.m_iFaceCount; f += 4)
                 m.m_pQuads[f].m_iIndices[1] |= MeshFlags::kBit31;
             for (int c = 0; c < m.m_pOctree->GetCubeCount(); ++c)
                 m.m_pOctree->GetCube(c)->UnlinkMarkedFaces(0);
             General::Store<unsigned> map("test map");
             map.SetItemCount(m.m_iFaceCount, false);
             const unsigned oldCount = m.m_iFaceCount;
             unsigned kept = 0;
             for (unsigned f = 0; f < oldCount; ++f) {
                 map[f] = f % 4 ? kept : 0xFFFFFFFF;
                 if (f % 4)
                     m.m_pQuads[kept++] = m.m_pQuads[f];
             }
             m.m_iFaceCount = kept;
             m.m_pOctree->RemapFaces(map, oldCount);
         }},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.what);
        ExpectCopiesMatchChains(*mesh);
        step.change(*mesh);
        ExpectCopiesMatchChains(*mesh);
    }
}

// A copy too large for a chunk of the copy pool gets a block of its own from the heap.
// Its record owns that block: it is freed when the copy shrinks into the pool, again
// when the copy outgrows its place, and with the tree (the sanitizer checks each).
TEST(Octree, ACopyTooLargeForThePoolOwnsItsBlock)
{
    auto mesh = MakeWavySheet(300, 300, 2);
    mesh->BuildOctree();
    Octree::Octree &octree = *mesh->m_pOctree;
    // Every face in the root: one copy of 90000 faces, over 4 MB.
    octree.m_iMaxDepth = 0;
    octree.Reset();
    for (unsigned f = 0; f < mesh->m_iFaceCount; ++f) {
        mesh->NextInCube(f, 0) = OctreeLink::kNone;
        ASSERT_TRUE(octree.UpdateFace(f));
    }
    ExpectCopiesMatchChains(*mesh);
    for (unsigned f = 0; f < mesh->m_iFaceCount; ++f)
        if (f % 8)
            mesh->m_pQuads[f].m_iIndices[1] |= MeshFlags::kBit31;
    octree.GetRoot()->UnlinkMarkedFaces(0);
    ExpectCopiesMatchChains(*mesh);
    for (unsigned f = 0; f < mesh->m_iFaceCount; ++f)
        if (f % 8)
            ASSERT_TRUE(octree.UpdateFace(f));
    ExpectCopiesMatchChains(*mesh);
}

TEST(Octree, RemapFollowsCompactedFaces)
{
    auto mesh = MakeWavySheet(30, 30, 4);
    mesh->BuildOctree();
    ExpectConsistent(*mesh);
    // Remove every third face: unlink them, compact the store, renumber the chains.
    for (unsigned f = 0; f < mesh->m_iFaceCount; f += 3)
        mesh->m_pQuads[f].m_iIndices[1] |= MeshFlags::kBit31;
    for (int c = 0; c < mesh->m_pOctree->GetCubeCount(); ++c)
        mesh->m_pOctree->GetCube(c)->UnlinkMarkedFaces(0);
    General::Store<unsigned> map("test map");
    map.SetItemCount(mesh->m_iFaceCount, false);
    const unsigned oldCount = mesh->m_iFaceCount;
    unsigned kept = 0;
    for (unsigned f = 0; f < oldCount; ++f) {
        map[f] = f % 3 ? kept : 0xFFFFFFFF;
        if (f % 3)
            mesh->m_pQuads[kept++] = mesh->m_pQuads[f];
    }
    mesh->m_iFaceCount = kept;
    mesh->m_pQuads.SetItemCount(kept, true);
    mesh->m_pOctree->RemapFaces(map, oldCount);
    ExpectConsistent(*mesh);
    EXPECT_FALSE(Recorder().LogContains("Assertion failed"));
}

TEST(Octree, ClearModifiedFacesRestoresLayerZero)
{
    auto mesh = MakeWavySheet(20, 20, 8);
    mesh->BuildOctree();
    std::vector<uint32_t> before;
    for (unsigned f = 0; f < mesh->m_iFaceCount; ++f)
        before.push_back(mesh->m_pQuads[f].m_iOctree);
    // A stroke puts faces from many cubes on layer 1, their layer-0 links held in their records.
    for (unsigned f = 0; f < mesh->m_iFaceCount; f += 7) {
        Octree::OctreeCube *cube = mesh->m_pOctree->GetCube(mesh->FaceCube(f));
        ASSERT_NE(cube, nullptr);
        const unsigned record = mesh->m_aModifiedFaces.GetItemCount();
        mesh->m_aModifiedFaces.Add(ModifiedFaceInfo{f, {mesh->m_pQuads[f].m_iOctree, OctreeLink::kNone}});
        mesh->m_pQuads[f].m_iOctree = record;
        cube->AddFace(f, nullptr, 1);
    }
    ExpectConsistent(*mesh);  // layer 0 reads through the records
    mesh->ClearModifiedFaces();
    for (unsigned f = 0; f < mesh->m_iFaceCount; ++f)
        EXPECT_EQ(mesh->m_pQuads[f].m_iOctree, before[f]) << f;
    for (int c = 0; c < mesh->m_pOctree->GetCubeCount(); ++c)
        EXPECT_EQ(mesh->m_pOctree->GetCube(c)->m_aFirst[1], OctreeLink::kChainEnd + uint32_t(c));
    EXPECT_EQ(mesh->m_aModifiedFaces.GetItemCount(), 0u);
    EXPECT_EQ(mesh->m_aModifiedFaces.GetCapacity(), 0u);
    EXPECT_FALSE(Recorder().LogContains("Assertion failed"));
    mesh->ClearModifiedFaces();  // an empty store only resets the counts
}

TEST(Octree, DirectTraversalDrawsVisibleFacesOnly)
{
    struct Everything : Octree::Selector {
        int TestBox(const AABB &) override { return 0; }
        void VisitFace(Mesh &, unsigned) override { ADD_FAILURE(); }
    } selector;
    struct Drawer : Octree::FaceDrawer {
        std::set<unsigned> drawn;
        void DrawFace(Mesh &, unsigned face) override { drawn.insert(face); }
    } drawer;
    auto mesh = MakeGridCube(3);
    mesh->BuildOctree();
    mesh->m_pQuads[4].m_iIndices[0] &= ~MeshFlags::kBit31;
    mesh->m_pOctree->Traverse(selector, &drawer, 0);
    EXPECT_EQ(drawer.drawn.size(), mesh->m_iFaceCount - 1);
    EXPECT_EQ(drawer.drawn.count(4), 0u);
    EXPECT_EQ(selector.m_iTests, 1);  // the root is wholly inside: nothing below is tested
}

TEST(Octree, LooseChildrenStillFindEveryFace)
{
    auto mesh = MakeWavySheet(80, 60, 21);
    mesh->GetAABB();
    Octree::Octree &octree = *mesh->m_pOctree;
    octree.m_fLooseOffset = 1.0f;
    for (unsigned f = 0; f < mesh->m_iFaceCount; ++f) {
        mesh->m_pQuads[f].m_iOctree = OctreeLink::kNone;
        ASSERT_TRUE(octree.UpdateFace(f));
    }
    ExpectConsistent(*mesh);
    // Loose children overlap their siblings, unless the offset is large for the cube.
    const Octree::OctreeCube *root = octree.GetRoot();
    const Octree::OctreeCube *lower = octree.GetCube(root->m_aChild[0]);
    ASSERT_NE(lower, nullptr);
    EXPECT_GT(lower->m_cBox.m_vMax.x, root->m_cBox.GetCenter().x);
    std::mt19937 random(2);
    std::uniform_real_distribution<float> x(-5, 85), y(-5, 65), z(-8, 8);
    for (int ray = 0; ray < 20; ++ray) {
        SegmentSelector selector;
        selector.a = Vector(x(random), y(random), z(random));
        selector.b = Vector(x(random), y(random), z(random));
        octree.Traverse(selector, nullptr, 0);
        std::set<unsigned> expected;
        for (unsigned f = 0; f < mesh->m_iFaceCount; ++f) {
            float t = 0;
            if (FaceBox(*mesh, f).IntersectSegment(selector.a, selector.b, t))
                expected.insert(f);
        }
        EXPECT_EQ(selector.hits, expected);
        EXPECT_EQ(selector.duplicates, 0);
    }
}

TEST(Octree, ResetLeavesAnEmptyRoot)
{
    auto mesh = MakeGridCube(4);
    mesh->BuildOctree();
    ASSERT_GT(mesh->m_pOctree->GetCubeCount(), 1);
    mesh->m_pOctree->Reset();
    EXPECT_EQ(mesh->m_pOctree->GetCubeCount(), 1);
    EXPECT_EQ(mesh->m_pOctree->m_iRoot, 0);
    EXPECT_EQ(mesh->m_pOctree->m_iDeepest, 0);
    EXPECT_EQ(mesh->m_pOctree->GetRoot()->m_aFirst[0], OctreeLink::kChainEnd);
    // A mesh that lost all its faces still gets a usable root.
    Mesh empty;
    empty.m_pOctree->Reset();
    ASSERT_NE(empty.m_pOctree->GetRoot(), nullptr);
    EXPECT_FALSE(empty.m_pOctree->GetRoot()->m_cBox.IsEmpty());
}

// Inserting holds cube pointers while it adds cubes, and every walk finds a cube by its
// index: both must hold across the block boundaries of the cube store.
TEST(Octree, CubesKeepTheirAddressAndIndexAsTheStoreGrows)
{
    Octree::Octree octree(nullptr);
    std::vector<const Octree::OctreeCube *> added;
    for (int i = 0; i < 70000; ++i) {
        Octree::OctreeCube cube(&octree);
        cube.m_iParent = i;  // a mark the copy must keep
        added.push_back(octree.AddCube(cube));
        ASSERT_NE(added.back(), nullptr);
    }
    ASSERT_EQ(octree.GetCubeCount(), 70000);
    for (int i = 0; i < 70000; ++i) {
        const Octree::OctreeCube *cube = octree.GetCube(i);
        ASSERT_EQ(cube, added[size_t(i)]) << i;
        ASSERT_EQ(cube->m_iIndex, i);
        ASSERT_EQ(cube->m_iParent, i);
        ASSERT_EQ(cube->m_aFirst[0], OctreeLink::kChainEnd + uint32_t(i));
    }
    EXPECT_EQ(octree.GetCube(70000), nullptr);
    EXPECT_EQ(octree.GetCube(-1), nullptr);
}

namespace {

// Where a face was just placed: a cube that holds its box and, short of the depth limit,
// none of whose children holds it (the face went as deep as the tree allows). Empty when so.
std::string MisplacedBy(Mesh &mesh, unsigned face)
{
    const Octree::Octree &octree = *mesh.m_pOctree;
    const Octree::OctreeCube *cube = octree.GetCube(mesh.FaceCube(face));
    const AABB box = FaceBox(mesh, face);
    if (!cube || !box.IsInside(cube->m_cBox))
        return "face " + std::to_string(face) + " is not in a cube that holds it";
    if (cube->m_iDepth >= octree.GetRoot()->m_iDepth + octree.m_iMaxDepth)
        return {};
    for (int child : cube->m_aChild)
        if (child >= 0 && box.IsInside(octree.GetCube(child)->m_cBox))
            return "face " + std::to_string(face) + " stopped above cube " + std::to_string(child) + " that holds it";
    return {};
}

}  // namespace

// Children whose boxes do not follow from their parent's by the tree's current loose
// settings: those of a loose tree read back (the settings are not stored), of a tree whose
// settings changed, old roots under grown ones. Faces that move must still sink into them.
TEST(Octree, MovedFacesSinkIntoEveryChildThatHoldsThem)
{
    TempDir dir;
    const struct {
        const char *what;
        std::function<std::unique_ptr<Mesh>()> make;
    } trees[] = {
        {"a loose tree read back",
         [&] {
             auto loose = MakeWavySheet(48, 40, 6);
             BuildLooseOctree(*loose, 1.0f);
             const QString path = dir.File("loose.bin");
             {
                 Stream stream(path, true);
                 EXPECT_TRUE(loose->Serialize(stream));
             }
             auto read = std::make_unique<Mesh>();
             Stream stream(path, false);
             EXPECT_TRUE(read->Serialize(stream));
             EXPECT_EQ(read->m_pOctree->m_fLooseOffset, 0.0f);
             return read;
         }},
        {"a tight tree made loose",
         [] {
             auto mesh = MakeWavySheet(48, 40, 6);
             mesh->BuildOctree();
             mesh->m_pOctree->m_fLooseOffset = 1.0f;
             return mesh;
         }},
        {"a loose tree made tight",
         [] {
             auto mesh = MakeWavySheet(48, 40, 6);
             BuildLooseOctree(*mesh, 1.0f);
             mesh->m_pOctree->m_fLooseOffset = 0.0f;
             return mesh;
         }},
        {"a loose tree grown on both sides",
         [] {
             auto mesh = MakeWavySheet(48, 40, 6);
             BuildLooseOctree(*mesh, 0.5f);
             for (const Vector away : {Vector(-300, 0, 0), Vector(600, 500, 0), Vector(-300, -500, 0)}) {
                 for (unsigned c = 0; c < 4; ++c)
                     mesh->m_pVertices[mesh->FaceVertexIndex(0, c)].m_vPosition += away;
                 EXPECT_TRUE(mesh->m_pOctree->UpdateFace(0));
             }
             EXPECT_LT(mesh->m_pOctree->GetRoot()->m_iDepth, -1);
             return mesh;
         }},
    };
    for (const auto &tree : trees) {
        SCOPED_TRACE(tree.what);
        auto mesh = tree.make();
        ASSERT_GT(mesh->m_iFaceCount, 0u);
        std::mt19937 random(4);
        std::uniform_real_distribution<float> shift(-1.0f, 1.0f);
        // The first face placed wrong, after moving every vertex a little, three times over.
        const std::string misplaced = [&]() -> std::string {
            for (int round = 0; round < 3; ++round) {
                for (unsigned v = 0; v < mesh->m_iVertexCount; ++v)
                    mesh->m_pVertices[v].m_vPosition += Vector(shift(random), shift(random), 3.0f * shift(random));
                for (unsigned f = 0; f < mesh->m_iFaceCount; ++f) {
                    if (!mesh->m_pOctree->UpdateFace(f))
                        return "face " + std::to_string(f) + " was refused";
                    if (std::string why = MisplacedBy(*mesh, f); !why.empty())
                        return why;
                }
            }
            return {};
        }();
        EXPECT_EQ(misplaced, "");
        if (misplaced.empty())
            ExpectConsistent(*mesh);
    }
}
