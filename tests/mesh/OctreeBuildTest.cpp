// The whole-mesh octree build against inserting face by face: the same cubes, numbers,
// boxes, chains and per-face links, whatever the faces and however many processors.
#include "foundation/Progress.h"
#include "mesh/core/Octree.h"
#include "support/MeshFixtures.h"
#include "support/OneProcessor.h"
#include "support/RecordingShell.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

using namespace fixtures;
using General::Vector;

namespace {

// Everything the tree holds and every face's link word, bit for bit, as text lines.
std::vector<std::string> TreeRecords(Mesh &mesh)
{
    std::vector<std::string> records;
    const Octree::Octree &tree = *mesh.m_pOctree;
    auto bits = [](float value) { return std::to_string(std::bit_cast<uint32_t>(value)); };
    records.push_back("cubes " + std::to_string(tree.GetCubeCount()) + " root " + std::to_string(tree.m_iRoot) +
                      " deepest " + std::to_string(tree.m_iDeepest));
    for (int c = 0; c < tree.GetCubeCount(); ++c) {
        const Octree::OctreeCube &cube = *tree.GetCube(c);
        std::string line = "cube " + std::to_string(c) + " index " + std::to_string(cube.GetIndex()) + " parent " +
                           std::to_string(cube.m_iParent) + " depth " + std::to_string(cube.m_iDepth) + " foreign " +
                           std::to_string(cube.m_iForeignChildren) + " first " + std::to_string(cube.m_aFirst[0]) +
                           " " + std::to_string(cube.m_aFirst[1]) + " children";
        // Appended piece by piece: GCC 12 at -O3 mistakes `" " + std::string` for an overlapping copy.
        for (int child : cube.m_aChild)
            line.append(" ").append(std::to_string(child));
        for (const Vector &v : {cube.m_cBox.m_vMin, cube.m_cBox.m_vMax})
            line.append(" ").append(bits(v.x)).append(" ").append(bits(v.y)).append(" ").append(bits(v.z));
        records.push_back(line);
    }
    for (unsigned f = 0; f < mesh.m_iFaceCount; ++f)
        records.push_back("face " + std::to_string(f) + " link " + std::to_string(mesh.NextInCube(f, 0)) + " cube " +
                          std::to_string(mesh.FaceCube(f)));
    const AABB &box = mesh.m_cAABB;
    records.push_back("mesh box " + bits(box.m_vMin.x) + " " + bits(box.m_vMax.x) + " " + bits(box.m_vMin.y) + " " +
                      bits(box.m_vMax.y));
    return records;
}

// An empty tree with its root, and every face out of the chains.
void FreshTree(Mesh &mesh, float offset, int maxDepth)
{
    delete mesh.m_pOctree;
    mesh.m_pOctree = new Octree::Octree(&mesh);
    mesh.m_pOctree->m_fLooseOffset = offset;
    mesh.m_pOctree->m_iMaxDepth = maxDepth;
    mesh.m_pOctree->CreateRoot();
    for (unsigned f = 0; f < mesh.m_iFaceCount; ++f)
        mesh.NextInCube(f, 0) = OctreeLink::kNone;
}

void FaceByFace(Mesh &mesh, float offset, int maxDepth)
{
    FreshTree(mesh, offset, maxDepth);
    for (unsigned f = 0; f < mesh.m_iFaceCount; ++f)
        mesh.m_pOctree->UpdateFace(f);
}

void AllAtOnce(Mesh &mesh, float offset, int maxDepth)
{
    FreshTree(mesh, offset, maxDepth);
    General::ProgressMeter &meter = General::Progress();
    meter.Start(QStringLiteral("building octree..."), mesh.m_iFaceCount, 50);
    mesh.m_pOctree->UpdateAllFaces(meter);
    meter.End();
    EXPECT_EQ(meter.GetCount(), mesh.m_iFaceCount);
}

void SetVertex(Mesh &mesh, unsigned face, unsigned corner, const Vector &position)
{
    mesh.m_pVertices[mesh.FaceVertexIndex(face, corner)].m_vPosition = position;
}

struct BuildCase {
    const char *name;
    float offset;
    std::function<std::unique_ptr<Mesh>()> make;
    bool assertions = false;  // the mesh holds faces that the face box reports
    int maxDepth = 10;
};

}  // namespace

TEST(OctreeBuild, AllFacesAtOnceEqualFaceByFace)
{
    const BuildCase cases[] = {
        {"tight sheet", 0.0f, [] { return std::unique_ptr<Mesh>(MakeWavySheet(90, 70, 3)); }},
        {"loose sheet", 1.0f, [] { return std::unique_ptr<Mesh>(MakeWavySheet(90, 70, 3)); }},
        {"loose small cubes", 0.05f, [] { return std::unique_ptr<Mesh>(MakeWavySheet(60, 40, 9)); }},
        {"triangles", 1.0f, [] { return MakeTriangleSheet(50, 40, 5, false); }},
        {"grid cube on the centre planes", 0.0f, [] { return std::unique_ptr<Mesh>(MakeGridCube(8)); }},
        {"hidden and degenerate faces", 1.0f,
         [] {
             auto mesh = MakeWavySheet(40, 30, 4);
             for (unsigned f = 0; f < mesh->m_iFaceCount; f += 7)
                 mesh->m_pQuads[f].m_iIndices[0] &= ~MeshFlags::kBit31;
             // A face folded to a point and one folded to a line.
             for (unsigned c = 0; c < 4; ++c)
                 mesh->m_pQuads[100].m_iIndices[c] = (mesh->m_pQuads[100].m_iIndices[c] & MeshFlags::kBit31) | 50;
             mesh->m_pQuads[200].m_iIndices[2] = mesh->m_pQuads[200].m_iIndices[1] & MeshFlags::kIndexMask;
             return std::unique_ptr<Mesh>(std::move(mesh));
         }},
        {"a face that grows the root", 1.0f,
         [] {
             auto mesh = MakeWavySheet(40, 30, 6);
             mesh->GetAABB(true);
             // Outside the box the root is made from: the root grows in the middle of the build.
             SetVertex(*mesh, 600, 2, Vector(500, 90, -40));
             return std::unique_ptr<Mesh>(std::move(mesh));
         },
         false, 4},  // faces reach the deepest level, which the grown root moves up
        {"faces without a finite box or with a missing vertex", 1.0f,
         [] {
             auto mesh = MakeWavySheet(40, 30, 8);
             mesh->GetAABB(true);
             SetVertex(*mesh, 300, 1, Vector(std::numeric_limits<float>::quiet_NaN(), 0, 0));
             SetVertex(*mesh, 310, 0, Vector(0, std::numeric_limits<float>::infinity(), 0));
             mesh->m_pQuads[320].m_iIndices[3] = mesh->m_iVertexCount + 5;
             return std::unique_ptr<Mesh>(std::move(mesh));
         },
         true},
    };
    for (const BuildCase &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.assertions)
            Recorder().ExpectAssertionFailures();
        auto reference = c.make();
        const int failuresBefore = Recorder().AssertionFailures();
        FaceByFace(*reference, c.offset, c.maxDepth);
        const int referenceFailures = Recorder().AssertionFailures() - failuresBefore;
        const std::vector<std::string> expected = TreeRecords(*reference);
        ASSERT_GT(reference->m_pOctree->GetCubeCount(), 8);

        auto fast = c.make();
        AllAtOnce(*fast, c.offset, c.maxDepth);
        EXPECT_EQ(Recorder().AssertionFailures() - failuresBefore, 2 * referenceFailures);
        EXPECT_EQ(TreeRecords(*fast), expected);

        auto single = c.make();
        OnOneProcessor([&] { AllAtOnce(*single, c.offset, c.maxDepth); });
        EXPECT_EQ(TreeRecords(*single), expected);
    }
}

// A tree that already holds faces, or faces already in chains, are placed face by face.
TEST(OctreeBuild, ATreeInUseIsUpdatedFaceByFace)
{
    auto reference = MakeWavySheet(30, 20, 2);
    auto fast = MakeWavySheet(30, 20, 2);
    for (Mesh *mesh : {reference.get(), fast.get()}) {
        mesh->BuildOctree();
        mesh->m_pOctree->m_fLooseOffset = 1.0f;
        for (unsigned c = 0; c < 4; ++c)
            mesh->m_pVertices[mesh->FaceVertexIndex(17, c)].m_vPosition += Vector(3, 2, 1);
    }
    for (unsigned f = 0; f < reference->m_iFaceCount; ++f)
        reference->m_pOctree->UpdateFace(f);
    General::ProgressMeter &meter = General::Progress();
    meter.Start(QStringLiteral("building octree..."), fast->m_iFaceCount, 50);
    fast->m_pOctree->UpdateAllFaces(meter);
    meter.End();
    EXPECT_EQ(TreeRecords(*fast), TreeRecords(*reference));
}
