// The topological symmetry table of a level.
#include "mesh/MeshEdits.h"
#include "mesh/SubdivLevel.h"
#include "support/MeshFixtures.h"
#include "support/RecordingShell.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using fixtures::Vector;

constexpr uint32_t kNone = 0xFFFFFFFF;

class RecordingSelector : public MeshEdits {
public:
    void SelectFaces(Mesh &mesh, const General::Store<unsigned int> &faces) override
    {
        m_pMesh = &mesh;
        m_aFaces.assign(faces.begin(), faces.end());
    }
    Mesh *m_pMesh = nullptr;
    std::vector<unsigned> m_aFaces;
};

template <class M>
std::unique_ptr<SubdivLevel> Prepared(std::unique_ptr<M> level)
{
    level->m_iTotalFaceCount = level->m_iFaceCount;
    level->m_iTotalVertexCount = level->m_iVertexCount;
    level->CalculateAdjacency();
    return level;
}

Vector Centre(Mesh &mesh, unsigned face)
{
    Vector s(0, 0, 0);
    for (unsigned c = 0; c < mesh.Corners(); ++c)
        s += mesh.CornerPosition(face, c);
    return s * (1.0f / float(mesh.Corners()));
}

bool Near(const Vector &a, const Vector &b) { return (a - b).Length() < 1e-4f; }

// Two adjacent faces on either side of x = 0: the first at negative x.
std::pair<unsigned, unsigned> Straddling(Mesh &mesh)
{
    for (unsigned f = 0; f < mesh.m_iFaceCount; ++f) {
        const Vector c = Centre(mesh, f);
        if (c.x >= 0 || c.x < -0.6f)
            continue;
        for (unsigned g = 0; g < mesh.m_iFaceCount; ++g)
            if (Near(Centre(mesh, g), Vector(-c.x, c.y, c.z)))
                for (unsigned e = 0; e < 4; ++e)
                    if (mesh.m_pQuads[f].m_iAdjacent[e] >= 0 && unsigned(mesh.m_pQuads[f].m_iAdjacent[e]) / 4 == g)
                        return {f, g};
    }
    ADD_FAILURE() << "no straddling pair";
    return {0, 0};
}

class Symmetry : public testing::Test {
protected:
    void SetUp() override { MeshEdits::Install(&m_selector); }
    void TearDown() override { MeshEdits::Install(nullptr); }
    RecordingSelector m_selector;
};

TEST_F(Symmetry, ClosedSymmetricQuadMeshPairsEveryFaceWithItsMirror)
{
    auto level = Prepared(fixtures::MakeGridCube<SubdivLevel>(4));
    const auto [first, second] = Straddling(*level);
    const int ends = Recorder().progressEnds;
    ASSERT_TRUE(level->InitSymmetry(first, second));
    const General::Store<unsigned int> &table = level->m_aObjectSymmetry;
    ASSERT_EQ(table.GetItemCount(), level->m_iFaceCount);
    EXPECT_NE(table[first] & 0x80000000u, 0u);
    EXPECT_EQ(table[second] & 0x80000000u, 0u);

    unsigned marked = 0;
    for (unsigned f = 0; f < level->m_iFaceCount; ++f) {
        ASSERT_NE(table[f], kNone) << f;
        marked += table[f] >> 31;
        const unsigned g = (table[f] & 0x7FFFFFFF) / 4, s = (table[f] & 0x7FFFFFFF) % 4;
        ASSERT_LT(g, level->m_iFaceCount);
        // Mirroring twice is the identity, and the two faces lie on opposite sides.
        EXPECT_EQ((table[g] & 0x7FFFFFFF) / 4, f);
        EXPECT_NE(table[f] >> 31, table[g] >> 31);
        // The marked side is the first face's, and corner j meets corner s - j + 1 of the mirror.
        EXPECT_EQ(table[f] >> 31, Centre(*level, f).x < 0 ? 1u : 0u);
        for (unsigned j = 0; j < 4; ++j) {
            const Vector p = level->CornerPosition(f, j);
            EXPECT_TRUE(Near(level->CornerPosition(g, (s + 5 - j) % 4), Vector(-p.x, p.y, p.z))) << f << " " << j;
        }
    }
    EXPECT_EQ(marked, level->m_iFaceCount / 2);
    EXPECT_EQ(Vector(level->m_aSymmetryValues[0], level->m_aSymmetryValues[1], level->m_aSymmetryValues[2]),
              Vector(1, 0, 0));
    EXPECT_TRUE(m_selector.m_aFaces.empty());
    EXPECT_EQ(Recorder().progressTexts.back(), "initializing symmetry...");
    EXPECT_EQ(Recorder().progressEnds, ends + 1);
}

TEST_F(Symmetry, FacesThatShareNoEdgeGiveNoTable)
{
    auto level = Prepared(fixtures::MakeGridCube<SubdivLevel>(2));
    auto adjacentToFirst = [&](unsigned g) {
        for (int32_t entry : level->m_pQuads[0].m_iAdjacent)
            if (entry >= 0 && unsigned(entry) / 4 == g)
                return true;
        return false;
    };
    unsigned far = 1;
    while (adjacentToFirst(far))
        ++far;
    EXPECT_FALSE(level->InitSymmetry(0, far));
    EXPECT_FALSE(level->InitSymmetry(0, level->m_iFaceCount));
    ASSERT_EQ(level->m_aObjectSymmetry.GetItemCount(), level->m_iFaceCount);
    for (unsigned entry : level->m_aObjectSymmetry)
        EXPECT_EQ(entry, kNone);
}

TEST_F(Symmetry, HalvesThatDifferAreShownAndLeaveNoHalfBuiltTable)
{
    // Quads A B | C D across x = 0, and one more quad E on D's far side.
    auto level = Prepared(fixtures::MakeQuads<SubdivLevel>(
        {Vector(-2, 0, 0), Vector(-1, 0, 0), Vector(0, 0, 0), Vector(1, 0, 0), Vector(2, 0, 0), Vector(3, 0, 0),
         Vector(-2, 1, 0), Vector(-1, 1, 0), Vector(0, 1, 0), Vector(1, 1, 0), Vector(2, 1, 0), Vector(3, 1, 0)},
        {{0, 1, 7, 6}, {1, 2, 8, 7}, {2, 3, 9, 8}, {3, 4, 10, 9}, {4, 5, 11, 10}}));
    // A symmetric table from an earlier set-up must not survive in part.
    ASSERT_TRUE(level->m_aObjectSymmetry.SetItemCount(5, false));
    level->m_aObjectSymmetry.Fill(7);
    const int ends = Recorder().progressEnds;
    EXPECT_FALSE(level->InitSymmetry(1, 2));
    for (unsigned entry : level->m_aObjectSymmetry)
        EXPECT_EQ(entry, kNone);
    // A (face 0) has an open edge where D (face 3) has E: both are shown and logged.
    EXPECT_EQ(m_selector.m_pMesh, level.get());
    EXPECT_EQ(m_selector.m_aFaces, (std::vector<unsigned>{0, 3}));
    EXPECT_TRUE(Recorder().LogContains("Symmetry difference at: -2.000000, 0.000000, 0.000000 (0)\n"));
    EXPECT_TRUE(Recorder().LogContains("Symmetry difference at: 1.000000, 0.000000, 0.000000 (3)\n"));
    EXPECT_EQ(Recorder().progressEnds, ends + 1);
}

TEST_F(Symmetry, WithoutAnUndoHistoryTheMismatchIsSelectedDirectly)
{
    MeshEdits::Install(nullptr);
    auto level = Prepared(fixtures::MakeQuads<SubdivLevel>(
        {Vector(-1, 0, 0), Vector(0, 0, 0), Vector(1, 0, 0), Vector(2, 0, 0), Vector(-1, 1, 0), Vector(0, 1, 0),
         Vector(1, 1, 0), Vector(2, 1, 0)},
        {{0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}}));
    EXPECT_FALSE(level->InitSymmetry(0, 1));
    EXPECT_EQ(level->m_iSelectedFaces, 2u);
    EXPECT_TRUE(level->IsFaceSelected(0));
    EXPECT_TRUE(level->IsFaceSelected(1));
}

TEST_F(Symmetry, AxisIsTheWidestSeparationWithTiesGoingToTheLaterAxis)
{
    struct Case {
        Vector d;
        Vector axis;
    };
    const Case cases[] = {{Vector(0.5f, 0.5f, 0.1f), Vector(0, 1, 0)},
                          {Vector(0.9f, 0.5f, 0.1f), Vector(1, 0, 0)},
                          {Vector(0.2f, 0.3f, 0.3f), Vector(0, 0, 1)},
                          {Vector(-0.1f, 0.0f, -0.4f), Vector(0, 0, 1)}};
    for (const Case &c : cases) {
        // F0 = (0 1 2 3) meets F1 = (1 4 5 2) along 1-2; the axis runs from corner 0 of F0 to corner 1 of F1.
        auto level = Prepared(fixtures::MakeQuads<SubdivLevel>(
            {Vector(0, 0, 0), Vector(5, 5, 5), Vector(6, 6, 6), Vector(7, 7, 7), c.d, Vector(8, 8, 8)},
            {{0, 1, 2, 3}, {1, 4, 5, 2}}));
        ASSERT_TRUE(level->InitSymmetry(0, 1));
        EXPECT_EQ(Vector(level->m_aSymmetryValues[0], level->m_aSymmetryValues[1], level->m_aSymmetryValues[2]),
                  c.axis);
        EXPECT_EQ(level->m_aObjectSymmetry[0], 0x80000000u + 1 * 4 + (1 + 3) % 4);
        EXPECT_EQ(level->m_aObjectSymmetry[1], 0u * 4 + (1 + 3) % 4);
    }
}

TEST_F(Symmetry, APartialLevelKeepsItsTable)
{
    auto level = Prepared(fixtures::MakeGridCube<SubdivLevel>(2));
    level->m_iTotalFaceCount = level->m_iFaceCount + 4;
    ASSERT_TRUE(level->m_aObjectSymmetry.SetItemCount(3, false));
    level->m_aObjectSymmetry.Fill(5);
    const auto [first, second] = Straddling(*level);
    EXPECT_FALSE(level->InitSymmetry(first, second));
    EXPECT_EQ(level->m_aObjectSymmetry.GetItemCount(), 3u);
    EXPECT_EQ(level->m_aObjectSymmetry[2], 5u);
}

}  // namespace
