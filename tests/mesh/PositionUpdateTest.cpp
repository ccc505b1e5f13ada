#include "SubdivisionFixtures.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/levels/LevelSwapFiles.h"
#include "mesh/core/MeshSwitches.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

using namespace SubdivisionFixtures;
using namespace LevelBits;

namespace {

class PositionUpdate : public testing::Test {
protected:
    void SetUp() override { Recorder().tempFolder = m_dir.Path(); }
    void TearDown() override
    {
        MeshSwitches::s_bSmoothPositions = true;
        MeshSwitches::s_bLevelsOnDisk = false;
    }
    TempDir m_dir;
};

}  // namespace

TEST_F(PositionUpdate, WithoutSmoothingTheSplitIsPlain)
{
    MeshSwitches::s_bSmoothPositions = false;
    auto base = MakeJitteredCube();
    SubdivLevel &one = AddLevel(*base);
    const unsigned bound = base->m_iGlobalVertexBound;
    for (unsigned f = 0; f < 6; ++f) {
        Vector centre(0, 0, 0);
        for (unsigned c = 0; c < 4; ++c)
            centre += base->CornerPosition(f, c) * 0.25f;
        // Child 0 holds the parent's corner 0, the point on edge 0 and the centre.
        const Quad &child = one.m_pQuads[f * 4];
        EXPECT_EQ(one.m_pVertices[CornerVertex(child, 0)].m_vPosition, base->CornerPosition(f, 0));
        const Vector edge = (base->CornerPosition(f, 0) + base->CornerPosition(f, 1)) * 0.5f;
        EXPECT_LT((one.m_pVertices[CornerVertex(child, 1)].m_vPosition - edge).Length(), 1e-6f);
        EXPECT_LT((one.m_pVertices[CornerVertex(child, 2)].m_vPosition - centre).Length(), 1e-6f);
        EXPECT_EQ(GlobalVertex(one, CornerVertex(child, 2)), bound + f);
    }
}

TEST_F(PositionUpdate, AVertexWithoutFacesKeepsItsPlace)
{
    // Vertex 8 belongs to no face.
    auto cube = MakeJitteredCube();
    std::vector<Vector> positions;
    for (unsigned v = 0; v < 8; ++v)
        positions.push_back(cube->m_pVertices[v].m_vPosition);
    positions.emplace_back(5, 5, 5);
    auto base = MakeBase(positions, {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}});
    SubdivLevel &one = AddLevel(*base);
    EXPECT_EQ(one.m_iVertexCount, 27u);
    EXPECT_EQ(one.m_pVertices[8].m_vPosition, Vector(5, 5, 5));
    for (unsigned v = 0; v < one.m_iVertexCount; ++v)
        EXPECT_TRUE(std::isfinite(one.m_pVertices[v].m_vPosition.Length())) << v;
}

TEST_F(PositionUpdate, RelativeDetailSurvivesAChangeBelow)
{
    auto base = MakeJitteredCube();
    SubdivLevel &one = AddLevel(*base);
    for (unsigned v = 0; v < one.m_iVertexCount; ++v)
        one.m_pVertices[v].m_vPosition += Vector(0, 0.01f * float(v % 4), 0);
    std::vector<Vector> detail;
    for (unsigned v = 0; v < one.m_iVertexCount; ++v)
        detail.push_back(one.m_pVertices[v].m_vPosition - one.m_aCCPositions[v]);
    for (unsigned v = 0; v < base->m_iVertexCount; ++v)
        base->m_pVertices[v].m_vPosition *= 2.0f;
    one.MakeRelative();
    ASSERT_TRUE(one.UpdateCC(false));
    one.MakeAbsolute();
    for (unsigned v = 0; v < one.m_iVertexCount; ++v) {
        EXPECT_LT((one.m_pVertices[v].m_vPosition - one.m_aCCPositions[v] - detail[v]).Length(), 1e-5f) << v;
        // The positions follow the doubled cube.
        EXPECT_GT(one.m_aCCPositions[v].Length(), 0.0f);
    }
}

TEST_F(PositionUpdate, AFailureToHideTheParentsAgainIsReported)
{
    auto base = MakeJitteredCube();
    SubdivLevel &one = AddLevel(*base);
    // A parent leaves level 0 for its swap files; computing level 1 needs it back for a while.
    General::Store<unsigned int> gone("test list");
    gone.Add(0);
    ASSERT_TRUE(base->RemoveFaces(gone, false));
    ASSERT_EQ(base->m_iFaceCount, 5u);
    // While levels live on disk, taking it out again means writing the swap files: make them unusable.
    MeshSwitches::s_bLevelsOnDisk = true;
    const QString marks = LevelSwapFiles::Path(base->GetSwapFileName(), LevelSwapFiles::kVertexMarks);
    QFile::remove(marks);
    ASSERT_TRUE(QDir().mkpath(marks));
    one.MakeRelative();
    EXPECT_FALSE(one.UpdateCC(false));
    one.MakeAbsolute();
    EXPECT_TRUE(Recorder().LogContains("Cannot take the faces used for the positions out of level 0 again"));
}
