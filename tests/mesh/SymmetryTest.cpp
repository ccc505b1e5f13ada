// The topological symmetry table of a level.
#include "LevelFixtures.h"
#include "mesh/object/MeshEdits.h"
#include "mesh/object/Object.h"
#include "mesh/levels/SubdivLevel.h"
#include "support/MeshFixtures.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace {

using fixtures::Vector;

constexpr uint32_t kNone = 0xFFFFFFFF;

class RecordingSelector : public MeshEdits {
public:
    void SelectFaces(Mesh &mesh, const General::Store<unsigned int> &faces, bool select) override
    {
        m_pMesh = &mesh;
        m_bSelect = select;
        m_aFaces.assign(faces.begin(), faces.end());
    }
    Mesh *m_pMesh = nullptr;
    bool m_bSelect = false;
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
    EXPECT_TRUE(m_selector.m_bSelect);
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

TEST_F(Symmetry, PolygonsOfATriangleObjectAreLinedUpWithTheirMirrors)
{
    // A strip of four quads across x = 0, each a fan of two triangles from its lower-left
    // corner, so that the diagonals of the two halves are not mirror images.
    std::vector<Vector> positions;
    for (int y = 0; y < 2; ++y)
        for (int x = -2; x <= 2; ++x)
            positions.emplace_back(float(x), float(y), 0.0f);
    std::vector<std::array<unsigned, 3>> triangles;
    for (unsigned q = 0; q < 4; ++q) {
        const unsigned ll = q, lr = q + 1, ur = q + 6, ul = q + 5;
        triangles.push_back({ll, lr, ur});
        triangles.push_back({ll, ur, ul});
    }
    auto object = fixtures::MakeTriangles<Object>(positions, triangles);
    for (unsigned q = 0; q < 4; ++q)
        object->m_pTriangles[2 * q + 1].m_iIndices[2] |= 0x80000000u;
    object->m_iPolygonCount = 4;
    object->m_iTotalFaceCount = object->m_iFaceCount;
    object->CalculateAdjacency();
    // Triangle 2 holds the left quad's edge on x = 0, triangle 5 the right quad's.
    ASSERT_TRUE(object->InitSymmetry(2, 5)) << Recorder().log.toStdString();
    for (unsigned f = 0; f < object->m_iFaceCount; ++f) {
        const unsigned entry = object->m_aObjectSymmetry[f];
        ASSERT_NE(entry, kNone) << f;
        const unsigned g = (entry & 0x7FFFFFFF) / 3;
        const Vector c = Centre(*object, f);
        EXPECT_TRUE(Near(Centre(*object, g), Vector(-c.x, c.y, c.z))) << f << " -> " << g;
        EXPECT_EQ(entry >> 31, c.x < 0 ? 1u : 0u);
    }
    // Level 0 of a triangle object is its own reference, with three corners a face.
    ASSERT_TRUE(object->PrepareSymmetry());
    for (unsigned f = 0; f < object->m_iFaceCount; ++f) {
        const unsigned g = (object->m_aSymmetry[f] & 0x7FFFFFFF) / 3;
        const Vector c = Centre(*object, f);
        EXPECT_TRUE(Near(Centre(*object, g), Vector(-c.x, c.y, c.z))) << f;
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

// An object whose level 0 is a symmetric closed quad mesh with its axis set, and a level above it.
class LevelSymmetry : public Symmetry {
protected:
    void SetUp() override
    {
        Symmetry::SetUp();
        Recorder().tempFolder = m_dir.Path();
        auto object = fixtures::MakeGridCube<Object>(2);
        object->m_iTotalFaceCount = object->m_iFaceCount;
        object->m_iTotalVertexCount = object->m_iVertexCount;
        object->CalculateAdjacency();
        const auto [first, second] = Straddling(*object);
        ASSERT_TRUE(object->InitSymmetry(first, second));
        m_pLevel = &LevelFixtures::AddSplitLevel(*object);
        m_pObject = std::move(object);
    }

    // Every face that has an entry: its mirror lies reflected across x = 0, and the entries agree.
    static void ExpectMirrored(SubdivLevel &level)
    {
        ASSERT_EQ(level.m_aSymmetry.GetItemCount(), level.m_iFaceCount);
        for (unsigned f = 0; f < level.m_iFaceCount; ++f) {
            const unsigned entry = level.m_aSymmetry[f];
            if (entry == kNone)
                continue;
            const unsigned g = (entry & 0x7FFFFFFF) / 4;
            EXPECT_LT((entry & 0x7FFFFFFF) % 4, 4u);
            ASSERT_LT(g, level.m_iFaceCount);
            const Vector c = Centre(level, f);
            EXPECT_TRUE(Near(Centre(level, g), Vector(-c.x, c.y, c.z))) << f << " -> " << g;
            EXPECT_EQ((level.m_aSymmetry[g] & 0x7FFFFFFF) / 4, f);
        }
    }

    TempDir m_dir;
    std::unique_ptr<Object> m_pObject;
    SubdivLevel *m_pLevel = nullptr;
};

TEST_F(LevelSymmetry, EachLevelGetsItsMirrorMapFromTheAxis)
{
    ASSERT_TRUE(m_pObject->PrepareSymmetry());
    ExpectMirrored(*m_pObject);
    // Level 0 keeps the object's pairs; bit 31 follows the face named by the entry.
    for (unsigned f = 0; f < m_pObject->m_iFaceCount; ++f)
        EXPECT_EQ(m_pObject->m_aSymmetry[f], m_pObject->m_aObjectSymmetry[f] ^ 0x80000000u);

    ASSERT_TRUE(m_pLevel->PrepareSymmetry());
    ExpectMirrored(*m_pLevel);
    unsigned flipped = 0;
    for (unsigned entry : m_pLevel->m_aSymmetry) {
        EXPECT_NE(entry, kNone);
        flipped += entry >> 31;
    }
    EXPECT_EQ(flipped, m_pLevel->m_iFaceCount / 2);

    // A map that is up to date is returned as it is.
    m_pLevel->m_aSymmetry[0] = 12345;
    EXPECT_TRUE(m_pLevel->PrepareSymmetry());
    EXPECT_EQ(m_pLevel->m_aSymmetry[0], 12345u);
}

TEST_F(LevelSymmetry, APartialLevelNamesNoMirrorThatItDoesNotHold)
{
    // Take out the four children of one face of level 0.
    m_pLevel->m_aVertexMap.Sort(General::Map::kByFirst);
    General::Store<unsigned int> list("test list");
    for (unsigned c = 0; c < 4; ++c)
        list.Add(7 * 4 + c);
    ASSERT_TRUE(m_pLevel->RemoveFaces(list, false));
    ASSERT_FALSE(m_pLevel->m_bFull);
    ASSERT_TRUE(m_pLevel->PrepareSymmetry());
    ExpectMirrored(*m_pLevel);
    unsigned none = 0;
    for (unsigned entry : m_pLevel->m_aSymmetry)
        none += entry == kNone;
    // The mirrors of the four that went have no entry.
    EXPECT_EQ(none, 4u);
}

TEST_F(LevelSymmetry, FacesWithoutAMirrorOnAFullLevelGetNone)
{
    m_pObject->m_aObjectSymmetry[3] = kNone;
    ASSERT_TRUE(m_pLevel->PrepareSymmetry());
    unsigned none = 0;
    for (unsigned entry : m_pLevel->m_aSymmetry)
        none += entry == kNone;
    // The children of face 3's mirror name face 3's children, but face 3's children have no mirror.
    EXPECT_EQ(none, 4u);
    EXPECT_FALSE(Recorder().LogContains("iOGF"));
}

TEST_F(LevelSymmetry, WithoutAnAxisTheLevelSaysSoOnce)
{
    m_pObject->m_aObjectSymmetry.Clear();
    EXPECT_FALSE(m_pLevel->PrepareSymmetry());
    EXPECT_FALSE(m_pLevel->PrepareSymmetry());
    EXPECT_EQ(Recorder().statusMessages, QStringList{"Please set the topological axis for this mesh."});
    EXPECT_EQ(Recorder().statusStates, std::vector<int>{1});
    // Each level says it once.
    EXPECT_FALSE(m_pObject->PrepareSymmetry());
    EXPECT_EQ(Recorder().statusMessages.size(), 2);
    SubdivLevel bare;
    EXPECT_FALSE(bare.PrepareSymmetry());
}

}  // namespace
