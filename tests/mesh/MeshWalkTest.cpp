#include "mesh/core/FaceVisitor.h"
#include "mesh/core/MeshSwitches.h"
#include "support/MeshFixtures.h"
#include "support/RecordingShell.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace fixtures;

namespace {

struct FaceLog : FaceVisitor {
    std::function<bool(unsigned)> accept = [](unsigned) { return true; };
    std::map<unsigned, int> processed;
    void ProcessFace(Mesh &, unsigned face) override { ++processed[face]; }
    bool IsFaceAffected(Mesh &, unsigned face) override { return accept(face); }
};

float CentreX(Mesh &mesh, unsigned face)
{
    float x = 0;
    for (unsigned c = 0; c < 4; ++c)
        x += mesh.CornerPosition(face, c).x;
    return x / 4;
}

}  // namespace

TEST(MeshWalk, ClosedMeshVisitsEveryFaceOnceAndAdvancesTheStamp)
{
    auto mesh = MakeGridCube(8);
    mesh->CalculateAdjacency();
    for (bool breadthFirst : {false, true}) {
        FaceLog op;
        const uint32_t stamp = mesh->m_iStamp;
        if (breadthFirst)
            mesh->CollectFacesBreadthFirst(17, op);
        else
            mesh->CollectFaces(17, op, false);
        EXPECT_EQ(mesh->m_iStamp, stamp + 1);
        ASSERT_EQ(op.processed.size(), mesh->m_iFaceCount);
        for (auto &[face, count] : op.processed)
            EXPECT_EQ(count, 1) << face;
    }
}

TEST(MeshWalk, RefusedStartProcessesNothing)
{
    auto mesh = MakeGridCube(4);
    mesh->CalculateAdjacency();
    FaceLog op;
    op.accept = [](unsigned) { return false; };
    const uint32_t stamp = mesh->m_iStamp;
    mesh->CollectFaces(3, op, false);
    mesh->CollectFacesBreadthFirst(3, op);
    EXPECT_TRUE(op.processed.empty());
    EXPECT_EQ(mesh->m_iStamp, stamp + 2);
}

TEST(MeshWalk, StopsAtFacesTheOperationRefuses)
{
    auto mesh = MakeGridCube(8);
    mesh->CalculateAdjacency();
    FaceLog op;
    op.accept = [&](unsigned face) { return CentreX(*mesh, face) > 1.0f; };
    mesh->CollectFaces(mesh->m_iFaceCount - 1, op, false);  // a face on the +x side
    ASSERT_FALSE(op.processed.empty());
    for (auto &[face, count] : op.processed)
        EXPECT_GT(CentreX(*mesh, face), 1.0f);
}

TEST(MeshWalk, SymmetricWalkStaysOnItsSideAndProcessesTheMirrors)
{
    auto mesh = MakeGridCube(6);
    mesh->CalculateAdjacency();
    BuildMirrorTable(*mesh);
    // A face of the +x side whose walk, unchecked, would cover the whole closed mesh.
    unsigned start = 0;
    while (CentreX(*mesh, start) < 2.0f)
        ++start;
    FaceLog op;
    const uint32_t stamp = mesh->m_iStamp;
    mesh->CollectFaces(start, op, true);
    // Every face is processed once: half walked, half as the mirror of a walked face.
    EXPECT_EQ(op.processed.size(), mesh->m_iFaceCount);
    unsigned walked = 0;
    for (unsigned f = 0; f < mesh->m_iFaceCount; ++f) {
        if (mesh->m_pQuads[f].m_iStamp == stamp) {
            ++walked;
            EXPECT_GT(CentreX(*mesh, f), 0.0f) << f;
        }
    }
    EXPECT_EQ(walked, mesh->m_iFaceCount / 2);
}

namespace {

struct Weights : VertexVisitor {
    std::map<unsigned, int> processed;
    float weight = 1.0f;
    void ProcessVertex(Mesh &, unsigned, unsigned vertex, float) override { ++processed[vertex]; }
    float GetWeight(Mesh &, unsigned, unsigned) override { return weight; }
};

}  // namespace

TEST(MeshWalk, VertexCollectionProcessesEachVertexOnce)
{
    auto mesh = MakeGridCube(5);
    mesh->CalculateAdjacency();
    Weights op;
    mesh->CollectVertices(0, op);
    EXPECT_EQ(op.processed.size(), mesh->m_iVertexCount);
    for (auto &[vertex, count] : op.processed)
        EXPECT_EQ(count, 1) << vertex;

    Weights none;
    none.weight = 0.0f;
    mesh->CollectVertices(0, none);
    EXPECT_TRUE(none.processed.empty());
}

TEST(MeshWalk, OutOfMemoryInterruptsTheWalk)
{
    auto mesh = MakeGridCube(4);
    mesh->CalculateAdjacency();
    FaceLog op;
    op.accept = [](unsigned) {
        MeshSwitches::s_bOutOfMemory = true;
        return true;
    };
    mesh->CollectFaces(0, op, false);
    EXPECT_EQ(op.processed.size(), 2u);  // the start and the first neighbour
    EXPECT_FALSE(MeshSwitches::s_bOutOfMemory);
    EXPECT_TRUE(Recorder().LogContains("Out of memory in CollectFaces\n"));
    ASSERT_EQ(Recorder().messages.size(), 1);
}
