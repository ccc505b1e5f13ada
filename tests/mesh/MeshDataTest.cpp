#include "mesh/core/FaceTree.h"
#include "mesh/core/MeshGlobals.h"
#include "mesh/core/MeshWatcher.h"
#include "mesh/core/PickInfo.h"
#include "support/MeshFixtures.h"
#include "support/RecordingShell.h"

#include <gtest/gtest.h>

using namespace fixtures;

TEST(MeshData, DefaultMeshAndMemoryEstimate)
{
    Mesh mesh;
    EXPECT_EQ(mesh.m_eType, Mesh::typeQuadric);
    EXPECT_EQ(mesh.m_iStamp, 1u);
    EXPECT_NE(mesh.m_pOctree, nullptr);
    EXPECT_FALSE(mesh.IsAllSelected());
    EXPECT_THROW(mesh.GetCornerIndex(0, 0), General::Error);

    Mesh quads(4, 10, 0, 6, true);
    EXPECT_EQ(quads.GetMemorySize(), 544u);
    EXPECT_EQ(quads.m_pQuads.GetItemCount(), 4u);
    Mesh triangles(4, 10, 0, 6, false);
    EXPECT_EQ(triangles.GetMemorySize(), 512u);
    EXPECT_EQ(triangles.m_pTriangles.GetItemCount(), 4u);
    EXPECT_EQ(triangles.m_pTCs.GetItemCount(), 6u);
}

TEST(MeshData, SizedConstructorThrowsWhenRefused)
{
    General::SetMemoryLimit(General::GetCountedMemory() + 1000);
    EXPECT_THROW(Mesh(1000000, 1000000, 0, 0, true), std::bad_alloc);
    General::SetMemoryLimit(~uint64_t(0));
}

TEST(MeshData, AdjacencyRefusedForMemoryIsReportedAndLeftInvalid)
{
    auto grid = MakeGridCube<Mesh>(8);
    grid->m_bAdjacencyValid = false;
    General::SetMemoryLimit(General::GetCountedMemory() + 64);
    EXPECT_FALSE(grid->CalculateAdjacency());
    General::SetMemoryLimit(~uint64_t(0));
    EXPECT_FALSE(grid->m_bAdjacencyValid);
    EXPECT_TRUE(Recorder().LogContains("Not enough memory to build the adjacency"));
    EXPECT_TRUE(grid->CalculateAdjacency());
    EXPECT_TRUE(grid->m_bAdjacencyValid);
    EXPECT_EQ(grid->m_iOpenEdges, 0u);
}

TEST(MeshData, NormalsPackByTruncation)
{
    int16_t packed[3];
    PackNormal(General::Vector(1.0f, -1.0f, 0.99999f), packed);
    EXPECT_EQ(packed[0], 32767);
    EXPECT_EQ(packed[1], -32767);
    EXPECT_EQ(packed[2], 32766);
    // Rounding can push a normalised component past 1; it must not wrap.
    PackNormal(General::Vector(1.006f, -1.006f, std::nanf("")), packed);
    EXPECT_EQ(packed[0], 32767);
    EXPECT_EQ(packed[1], -32767);
    EXPECT_EQ(packed[2], 0);
}

TEST(MeshData, CornerIndexModes)
{
    auto mesh = MakeCube();
    mesh->m_pQuads[1].m_iTCI[2] = 42;
    mesh->m_aCornerIndexTable.SetItemCount(24, false);
    mesh->m_aCornerIndexTable[6] = 9;
    const unsigned expected[4] = {mesh->FaceVertexIndex(1, 2), 42, 6, 9};
    for (int mode = 0; mode < 4; ++mode) {
        mesh->m_iIndexMode = mode;
        EXPECT_EQ(mesh->GetCornerIndex(1, 2), expected[mode]) << mode;
    }
    mesh->m_pTCs.SetItemCount(8, false);
    EXPECT_THROW(mesh->GetFaceTC(1, 2), General::Error);
    EXPECT_NO_THROW(mesh->GetFaceTC(1, 1));
}

TEST(MeshData, RestoreBufferKeepsThePreStrokeVertex)
{
    auto mesh = MakeCube();
    mesh->m_pVertices[3].m_iStrokeID = 77;
    bool created = false;
    StoredVertexInfo *entry = mesh->AddToRestoreBuffer(3, created);
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(created);
    EXPECT_EQ(entry->m_iVertexIndex, 3u);
    EXPECT_EQ(mesh->VertexStrokeID(3), 77);
    mesh->VertexStrokeID(3) = 90;
    mesh->SetVertexPosition(3, General::Vector(5, 5, 5));
    EXPECT_EQ(mesh->OriginalVertex(3).m_vPosition, General::Vector(1, 1, 0));
    EXPECT_EQ(mesh->OriginalFaceVertex(0, 2).m_vPosition, General::Vector(1, 1, 0));  // corner 2 of face 0 is vertex 3
    EXPECT_EQ(mesh->AddToRestoreBuffer(3, created), entry);
    EXPECT_FALSE(created);
    mesh->ClearRestoreBuffer();
    EXPECT_EQ(mesh->m_pVertices[3].m_iStrokeID, 90);
    EXPECT_EQ(mesh->OriginalVertex(3).m_vPosition, General::Vector(5, 5, 5));
    EXPECT_FALSE(Recorder().LogContains("Assertion failed"));
}

namespace {

// The pentagon 0..4 as the fan (0,1,2) (0,2,3) (0,3,4), then one loose triangle.
std::unique_ptr<Mesh> MakePentagonFan()
{
    auto mesh = MakeTriangles({{0, 0, 0}, {1, 0, 0}, {1.5f, 1, 0}, {0.5f, 2, 0}, {-0.5f, 1, 0}, {2, 0, 0}},
                              {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {1, 5, 2}});
    mesh->m_pTriangles[1].m_iIndices[2] |= MeshFlags::kBit31;
    mesh->m_pTriangles[2].m_iIndices[2] |= MeshFlags::kBit31;
    mesh->m_iPolygonCount = 2;
    mesh->CalculateAdjacency();
    return mesh;
}

}  // namespace

TEST(MeshPolygon, ReadsAFanAsOnePolygon)
{
    auto mesh = MakePentagonFan();
    Mesh::Polygon polygon;
    mesh->GetPolygon(polygon, 0);
    ASSERT_EQ(polygon.m_iCount, 5u);
    EXPECT_EQ(std::vector<unsigned>(polygon.m_aCorners.begin(), polygon.m_aCorners.end()),
              (std::vector<unsigned>{0, 1, 2, 3, 4}));
    ASSERT_EQ(polygon.m_aAdjacent.GetItemCount(), 5u);
    // Only the edge 1 → 2 has a neighbour: the loose triangle's edge 2 → 1 (its slot 1).
    EXPECT_EQ(polygon.m_aAdjacent[1], 3u * 3 + 1);
    for (unsigned i : {0u, 2u, 3u, 4u})
        EXPECT_EQ(polygon.m_aAdjacent[i], 0xFFFFFFFFu) << i;
    EXPECT_THROW(mesh->GetPolygon(polygon, 1), General::Error);
}

TEST(MeshPolygon, FillWritesTheFanBackWithLinks)
{
    auto mesh = MakePentagonFan();
    Mesh::Polygon polygon;
    mesh->GetPolygon(polygon, 0);
    Mesh::RotatePolygon(polygon, 2);
    EXPECT_EQ(polygon.m_aCorners[2], 0u);
    EXPECT_EQ(polygon.m_aAdjacent[3], 3u * 3 + 1);
    mesh->FillPolygon(polygon, 0);
    // The fan now starts at vertex 3: (3,4,0) (3,0,1) (3,1,2); flag bits are kept.
    EXPECT_EQ(mesh->m_pTriangles[2].m_iIndices[2], 2u | MeshFlags::kBit31);
    EXPECT_EQ(mesh->m_pTriangles[0].m_iIndices[0], 3u | MeshFlags::kBit31);
    // The loose triangle links back to the fan triangle that now holds the edge 1 → 2.
    EXPECT_EQ(mesh->m_pTriangles[3].m_iAdjacent[1], 2 * 3 + 0);
    EXPECT_EQ(mesh->m_pTriangles[2].m_iAdjacent[0], 3 * 3 + 1);
    // Inner diagonals link the fan triangles to each other.
    EXPECT_EQ(mesh->m_pTriangles[0].m_iAdjacent[1], 1 * 3 + 2);
    EXPECT_EQ(mesh->m_pTriangles[1].m_iAdjacent[2], 0 * 3 + 1);
    Mesh::Polygon again;
    mesh->GetPolygon(again, 0);
    EXPECT_EQ(std::vector<unsigned>(again.m_aCorners.begin(), again.m_aCorners.end()),
              (std::vector<unsigned>{3, 4, 0, 1, 2}));
}

TEST(MeshPolygon, EdgesOfFanTriangles)
{
    auto mesh = MakePentagonFan();
    Mesh::Polygon polygon;
    unsigned first = 99;
    EXPECT_EQ(mesh->GetPolygonEdge(1, 0, polygon, first), 2);
    EXPECT_EQ(first, 0u);
    EXPECT_EQ(mesh->GetPolygonEdge(0, 2, polygon, first), 0);
    EXPECT_EQ(mesh->GetPolygonEdge(1, 2, polygon, first), -1);
    EXPECT_EQ(mesh->GetPolygonEdge(2, 1, polygon, first), 4);
    EXPECT_EQ(mesh->GetPolygonEdge(3, 0, polygon, first), -1);  // a whole polygon by itself
    auto quads = MakeCube();
    EXPECT_EQ(quads->GetPolygonEdge(0, 0, polygon, first), -1);
}

TEST(MeshGenericFaces, QuadsAndFans)
{
    auto cube = MakeCube();
    cube->CalculateAdjacency();
    cube->ConvertToGenericMesh();
    ASSERT_EQ(cube->m_aGenericFaces.GetItemCount(), 6u);
    for (unsigned g = 0; g < 6; ++g) {
        const GenericFace &face = cube->m_aGenericFaces[g];
        ASSERT_EQ(face.m_aVertices.GetItemCount(), 4u);
        for (unsigned j = 0; j < 4; ++j) {
            const unsigned entry = face.m_aNeighbours[j];
            const GenericFace &other = cube->m_aGenericFaces[entry / 16];
            // The neighbour's edge runs between the same corners.
            const unsigned k = entry % 16;
            EXPECT_EQ(other.m_aVertices[k], face.m_aVertices[(j + 1) % 4]);
            EXPECT_EQ(other.m_aVertices[(k + 1) % 4], face.m_aVertices[j]);
        }
    }

    auto fan = MakePentagonFan();
    fan->ConvertToGenericMesh();
    ASSERT_EQ(fan->m_aGenericFaces.GetItemCount(), 2u);
    const GenericFace &pentagon = fan->m_aGenericFaces[0];
    EXPECT_EQ(std::vector<unsigned>(pentagon.m_aVertices.begin(), pentagon.m_aVertices.end()),
              (std::vector<unsigned>{0, 1, 2, 3, 4}));
    EXPECT_EQ(pentagon.m_aNeighbours[1], 1u * 16 + 2);  // the loose triangle's edge 2 → 1
    EXPECT_EQ(pentagon.m_aNeighbours[0], 0xFFFFFFFFu);

    fan->m_iPolygonCount = 0;
    fan->ConvertToGenericMesh();
    EXPECT_EQ(fan->m_aGenericFaces.GetItemCount(), 2u);
}

TEST(MeshSymmetry, MirroredVerticesAndPick)
{
    auto mesh = MakeGridCube<PlacedMesh>(4);
    unsigned mirrorFace = 0, mirrorCorner = 0;
    EXPECT_EQ(mesh->GetSymmetricVertex(0, 0, mirrorFace, mirrorCorner), -1);
    BuildMirrorTable(*mesh);
    for (unsigned f = 0; f < mesh->m_iFaceCount; f += 7) {
        for (unsigned c = 0; c < 4; ++c) {
            const int v = mesh->GetSymmetricVertex(f, c, mirrorFace, mirrorCorner);
            ASSERT_GE(v, 0);
            const General::Vector p = mesh->CornerPosition(f, c), q = mesh->m_pVertices[unsigned(v)].m_vPosition;
            EXPECT_EQ(q, General::Vector(-p.x, p.y, p.z)) << f << " " << c;
        }
    }

    // The object is scaled and moved: a pick's world position must come back mirrored in the mesh's space.
    TestPlacement placement(General::Vector(2, 3, 0.5f), General::Vector(10, -4, 7));
    mesh->m_pPlacement = &placement;
    for (unsigned f = 0; f < mesh->m_iFaceCount; f += 5) {
        const General::Vector local = mesh->CornerPosition(f, 0) * 0.6f + mesh->CornerPosition(f, 2) * 0.4f;
        PickInfo pick;
        pick.m_pMesh = mesh.get();
        pick.m_iFace = int(f);
        pick.m_fDistance = 0.25f;
        pick.m_vPosition = placement.GetFullMatrix().Transform(local, 1.0f);
        PickInfo mirrored;
        pick.GetSymmetric(mirrored);
        ASSERT_EQ(mirrored.m_pMesh, mesh.get());
        EXPECT_EQ(mirrored.m_fDistance, 0.25f);
        const General::Vector expected = placement.GetFullMatrix().Transform(General::Vector(-local.x, local.y, local.z), 1.0f);
        EXPECT_NEAR(mirrored.m_vPosition.x, expected.x, 1e-4f) << f;
        EXPECT_NEAR(mirrored.m_vPosition.y, expected.y, 1e-4f) << f;
        EXPECT_NEAR(mirrored.m_vPosition.z, expected.z, 1e-4f) << f;
        const General::Vector back = mirrored.GetWorldPosition();
        EXPECT_NEAR(back.x, -local.x, 1e-4f);
    }
}

TEST(MeshData, RegisteredNodeClass)
{
    InitializeMeshGlobals();
    const General::TypeInfo *record = General::TypeInfo::Find(QStringLiteral("Mesh"));
    ASSERT_EQ(record, &Mesh::s_typeInfo);
    EXPECT_TRUE(General::TypeInfo::IsKindOf(record, &General::Node::s_typeInfo));
    General::Node *one = record->Create(1);
    ASSERT_NE(dynamic_cast<Mesh *>(one), nullptr);
    EXPECT_EQ(one->GetTypeInfo(), record);
    EXPECT_EQ(one->GetName(), QString());
    delete one;
    Mesh *three = static_cast<Mesh *>(record->Create(3));
    ASSERT_NE(three, nullptr);
    EXPECT_NE(three[2].m_pOctree, nullptr);
    delete[] three;
}

namespace {

struct Tree : FaceTree {
    static inline bool s_bBuilds = true;
    static inline int s_iLive = 0;
    Tree() { ++s_iLive; }
    ~Tree() override { --s_iLive; }
    bool Build(Mesh &, General::Store<unsigned int> &faces, float, float) override
    {
        return faces.GetItemCount() == 0 && s_bBuilds;
    }
};

struct Watcher : MeshWatcher {
    std::vector<Mesh *> gone;
    void MeshDestroyed(Mesh &mesh) override { gone.push_back(&mesh); }
};

}  // namespace

TEST(MeshData, FaceTreeIsMadeOnDemandThroughTheInstalledFactory)
{
    auto mesh = MakeCube();
    EXPECT_EQ(mesh->GetBTree(), nullptr);  // no factory: no tree
    InstallFaceTreeFactory([]() -> FaceTree * { return new Tree; });
    FaceTree *tree = mesh->GetBTree();
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(mesh->GetBTree(), tree);
    mesh->Scale(2.0f);  // drops the tree
    EXPECT_EQ(Tree::s_iLive, 0);
    EXPECT_EQ(mesh->m_pVertices[7].m_vPosition, General::Vector(2, 2, 2));
    EXPECT_EQ(mesh->GetAABB().m_vMax, General::Vector(2, 2, 2));
    Tree::s_bBuilds = false;
    EXPECT_EQ(mesh->GetBTree(), nullptr);
    EXPECT_EQ(Tree::s_iLive, 0);
    Tree::s_bBuilds = true;
    mesh->GetBTree();
    mesh.reset();
    EXPECT_EQ(Tree::s_iLive, 0);
    InstallFaceTreeFactory(nullptr);
}

TEST(MeshData, WatchersHearOfDestruction)
{
    Watcher watcher;
    MeshWatcher::Add(&watcher);
    auto mesh = MakeCube();
    Mesh *address = mesh.get();
    mesh.reset();
    MeshWatcher::Remove(&watcher);
    ASSERT_EQ(watcher.gone.size(), 1u);
    EXPECT_EQ(watcher.gone[0], address);
    EXPECT_TRUE(Recorder().LogContains(" Destructing mesh\n"));
}
