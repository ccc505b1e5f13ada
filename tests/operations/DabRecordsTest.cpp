// What a run of soft dabs leaves on a wavy sheet with its octree: every vertex record,
// every face record (its octree link and walk stamp included) and every cube, pinned as
// one hash, so that a faster dab that leaves one bit elsewhere shows here. And the faces
// the dabs moved sit in the cubes a placement from the root gives them.
#include "mesh/core/Mesh.h"
#include "mesh/core/Octree.h"
#include "mesh/core/PickInfo.h"
#include "operations/brushes/StrokeSegment.h"
#include "operations/brushes/VertexBrushes.h"
#include "scene/Brush.h"
#include "support/ByteHash.h"
#include "support/MeshFixtures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

using General::Vector;

namespace {

constexpr unsigned kSide = 96;

std::unique_ptr<Mesh> MakeSheet()
{
    auto mesh = fixtures::MakeWavySheet(kSide, kSide, 5);
    mesh->CalculateAdjacency();
    mesh->CalculateNormals(false);
    mesh->BuildOctree();
    return mesh;
}

PickInfo PickAt(Mesh &mesh, float x, float y)
{
    PickInfo pick;
    pick.m_pMesh = &mesh;
    pick.m_iFace = int(unsigned(y) * kSide + unsigned(x));
    pick.m_vPosition = Vector(x, y, mesh.CornerPosition(unsigned(pick.m_iFace), 0).z);
    return pick;
}

// Isolated dabs of several sizes at random places, then one stroke of spaced samples along
// a row, strong enough that faces leave their cubes.
void Dab(Mesh &mesh)
{
    Brush tool("Dabs", Operations::kSoftBrush);
    tool.m_bSharedSize = false;
    tool.m_iDirection = 7;
    std::mt19937 random(17);
    std::uniform_real_distribution<float> across(8.0f, float(kSide) - 8.0f);
    const float radii[] = {1.5f, 4.0f, 9.0f};
    for (int i = 0; i < 24; ++i) {
        tool.m_aPairs[0] = Brush::Pair{radii[i % 3], 6.0f};
        PickInfo pick = PickAt(mesh, across(random), across(random));
        Operations::StrokeSegment segment;
        Operations::SoftBrushOperation op(&tool, &segment, i % 4 == 3 ? 2 : 0);
        op.AddPoint(&pick, tool.GetSize(), 1.0f, Vector(0, 0, 0));
    }
    tool.m_aPairs[0] = Brush::Pair{5.0f, 6.0f};
    Operations::StrokeSegment segment;
    Operations::SoftBrushOperation op(&tool, &segment, 0);
    for (float x = 10.0f; x < float(kSide) - 10.0f; x += 2.0f) {
        PickInfo pick = PickAt(mesh, x, 40.5f);
        op.AddPoint(&pick, tool.GetSize(), 1.0f, Vector(0, 0, 0));
    }
}

uint64_t RecordsHash(Mesh &mesh)
{
    ByteHash hash;
    hash.Add(mesh.m_pVertices.GetBuffer(), sizeof(Vertex) * mesh.m_iVertexCount);
    hash.Add(mesh.m_pQuads.GetBuffer(), sizeof(Quad) * mesh.m_iFaceCount);
    hash.Add(mesh.m_iStamp);
    const Octree::Octree &tree = *mesh.m_pOctree;
    hash.Add(tree.m_iRoot);
    for (int c = 0; c < tree.GetCubeCount(); ++c) {
        const Octree::OctreeCube &cube = *tree.GetCube(c);
        hash.Add(cube.m_aChild);
        hash.Add(cube.m_iParent);
        hash.Add(cube.m_iDepth);
        hash.Add(cube.m_aFirst);
        hash.Add(cube.m_cBox.m_vMin);
        hash.Add(cube.m_cBox.m_vMax);
    }
    return hash.Value();
}

TEST(DabRecords, AreTheSameBitForBit)
{
    auto mesh = MakeSheet();
    Dab(*mesh);
    EXPECT_EQ(RecordsHash(*mesh), 0xcf11b077b45d6c57ull) << std::hex << RecordsHash(*mesh);
}

TEST(DabRecords, MovedFacesSitWhereAPlacementFromTheRootPutsThem)
{
    auto mesh = MakeSheet();
    std::vector<int> before(mesh->m_iFaceCount);
    for (unsigned f = 0; f < mesh->m_iFaceCount; ++f)
        before[f] = mesh->FaceCube(f);
    Dab(*mesh);

    // The same faces at the dabbed positions, placed afresh under a root of the same box.
    auto fresh = fixtures::MakeWavySheet(kSide, kSide, 5);
    std::memcpy(fresh->m_pVertices.GetBuffer(), mesh->m_pVertices.GetBuffer(), sizeof(Vertex) * mesh->m_iVertexCount);
    fresh->m_cAABB = mesh->m_cAABB;
    fresh->BuildOctree();
    const Octree::OctreeCube &root = *mesh->m_pOctree->GetRoot(), &freshRoot = *fresh->m_pOctree->GetRoot();
    ASSERT_EQ(root.m_cBox.m_vMin, freshRoot.m_cBox.m_vMin);
    ASSERT_EQ(root.m_cBox.m_vMax, freshRoot.m_cBox.m_vMax);

    unsigned moved = 0;
    for (unsigned f = 0; f < mesh->m_iFaceCount; ++f) {
        const Octree::OctreeCube *cube = mesh->m_pOctree->GetCube(mesh->FaceCube(f));
        const Octree::OctreeCube *expected = fresh->m_pOctree->GetCube(fresh->FaceCube(f));
        ASSERT_TRUE(cube && expected) << f;
        ASSERT_EQ(cube->m_cBox.m_vMin, expected->m_cBox.m_vMin) << f;
        ASSERT_EQ(cube->m_cBox.m_vMax, expected->m_cBox.m_vMax) << f;
        ASSERT_EQ(cube->m_iDepth, expected->m_iDepth) << f;
        moved += cube->GetIndex() != before[f];
    }
    EXPECT_GT(moved, 50u);  // the dabs did move faces between cubes
    QString why;
    EXPECT_TRUE(mesh->m_pOctree->CheckLinks(
        mesh->m_iFaceCount, [&](unsigned f) { return mesh->NextInCube(f, 0); }, why))
        << why.toStdString();
}

}  // namespace
