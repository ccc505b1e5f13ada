#include "SubdivisionFixtures.h"
#include "foundation/Memory.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/levels/LevelSwapFiles.h"
#include "mesh/core/MeshSwitches.h"
#include "support/IndexLists.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

using namespace SubdivisionFixtures;
using namespace LevelBits;

namespace {

// A face as the full level knows it: corners as global vertices, neighbours as global faces.
struct GlobalFace {
    unsigned corners[4];
    int64_t neighbours[4];
    unsigned flags[4];
    bool operator==(const GlobalFace &) const = default;
};

class RestoreFacesTest : public testing::Test {
protected:
    void SetUp() override
    {
        Recorder().tempFolder = m_dir.Path();
        m_base = MakeJitteredCube();
        AddLevel(*m_base);
        m_level = &AddLevel(*m_base);  // level 2: 96 faces, 98 vertices
        // Sculpted detail, stamps and marks, so that records can be told apart.
        for (unsigned v = 0; v < m_level->m_iVertexCount; ++v) {
            Vertex &vertex = m_level->m_pVertices[v];
            vertex.m_vPosition += Vector(0.01f * float(v % 7), 0.02f, -0.01f * float(v % 3));
            vertex.m_iStrokeID = int32_t(100 + v);
            vertex.m_cMask = uint8_t(v % 200);
            vertex.m_cFreeze = v % 2 ? 255 : 0;
        }
        m_before = Faces();
        m_positions = Positions();
    }
    void TearDown() override { General::SetMemoryLimit(~uint64_t(0)); }

    unsigned Global(unsigned face)
    {
        m_level->m_aFaceMap.Sort(General::Map::kByFirst);
        return m_level->m_bFull ? face : unsigned(m_level->m_aFaceMap[face].second);
    }
    std::map<unsigned, GlobalFace> Faces()
    {
        std::map<unsigned, GlobalFace> faces;
        for (unsigned f = 0; f < m_level->m_iFaceCount; ++f) {
            const Quad &q = m_level->m_pQuads[f];
            GlobalFace g{};
            for (unsigned c = 0; c < 4; ++c) {
                g.corners[c] = GlobalVertex(*m_level, CornerVertex(q, c));
                g.flags[c] = q.m_iIndices[c] & ~MeshFlags::kIndexMask;
                const int32_t a = q.m_iAdjacent[c];
                g.neighbours[c] = a == -1 ? -1
                                  : uint32_t(a) >= kAbsentNeighbour ? int64_t((uint32_t(a) - kAbsentNeighbour) / 4)
                                                                      : int64_t(Global(unsigned(a) / 4));
            }
            g.flags[1] &= ~MeshFlags::kBit31;  // the selected bit is not kept
            faces[Global(f)] = g;
        }
        return faces;
    }
    std::map<unsigned, std::pair<Vector, int>> Positions()
    {
        std::map<unsigned, std::pair<Vector, int>> positions;
        for (unsigned v = 0; v < m_level->m_iVertexCount; ++v) {
            const Vertex &vertex = m_level->m_pVertices[v];
            positions[GlobalVertex(*m_level, v)] = {vertex.m_vPosition,
                                                    vertex.m_iStrokeID * 1000 + vertex.m_cMask + vertex.m_cFreeze};
        }
        return positions;
    }
    void ExpectAsBefore()
    {
        EXPECT_EQ(Faces(), m_before);
        const auto positions = Positions();
        ASSERT_EQ(positions.size(), m_positions.size());
        for (const auto &[global, value] : m_positions) {
            ASSERT_TRUE(positions.count(global)) << global;
            EXPECT_LT((positions.at(global).first - value.first).Length(), 1e-5f) << global;
            EXPECT_EQ(positions.at(global).second, value.second) << global;
        }
    }
    bool Remove(std::initializer_list<unsigned> faces)
    {
        General::Store<unsigned int> list = List(faces);
        return m_level->RemoveFaces(list, false);
    }

    TempDir m_dir;
    std::unique_ptr<SubdivLevel> m_base;
    SubdivLevel *m_level = nullptr;
    std::map<unsigned, GlobalFace> m_before;
    std::map<unsigned, std::pair<Vector, int>> m_positions;
};

}  // namespace

TEST_F(RestoreFacesTest, ALevelHoldingAllItsFacesIsLeftAlone)
{
    General::Store<unsigned int> list = List({3});
    EXPECT_TRUE(m_level->RestoreFaces(list, true, false, nullptr, true));
    EXPECT_EQ(Vec(list), (std::vector<unsigned>{3}));
    ExpectAsBefore();
}

TEST_F(RestoreFacesTest, RemovedFacesComeBackWithTheirRecordsAndVertices)
{
    ASSERT_TRUE(Remove({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    ASSERT_EQ(m_level->m_iFaceCount, 86u);
    const unsigned vertices = m_level->m_iVertexCount;
    ASSERT_LT(vertices, 98u);
    General::Store<unsigned int> list = List({7, 2, 9, 0, 1, 3, 4, 5, 6, 8});
    ASSERT_TRUE(m_level->RestoreFaces(list, false, false, nullptr, true));
    EXPECT_FALSE(list.HasItems());
    EXPECT_EQ(m_level->m_iFaceCount, 96u);
    EXPECT_FALSE(m_level->m_bFull);
    ExpectAsBefore();
    // The restored faces follow in list order, the missing vertices in global order.
    EXPECT_EQ(Global(86), 7u);
    EXPECT_EQ(Global(87), 2u);
    for (unsigned v = vertices + 1; v < m_level->m_iVertexCount; ++v)
        EXPECT_LT(GlobalVertex(*m_level, v - 1), GlobalVertex(*m_level, v));
    EXPECT_TRUE(Recorder().LogContains("Restoring 10 faces to level 2\n"));
    EXPECT_TRUE(Recorder().LogContains(" Restored: 10 faces"));
}

TEST_F(RestoreFacesTest, FacesWithoutARecordStayInTheList)
{
    // Faces outside the worked region leave no record when removed.
    SetActive(m_level->m_pQuads[20], false);
    ASSERT_TRUE(Remove({20, 21, 22}));
    General::Store<unsigned int> list = List({90, 22, 20, 21});
    ASSERT_TRUE(m_level->RestoreFaces(list, false, false, nullptr, true));
    EXPECT_EQ(Vec(list), (std::vector<unsigned>{20, 90}));
    EXPECT_EQ(m_level->m_iFaceCount, 95u);
    m_before.erase(20);
    m_positions = Positions();
    EXPECT_EQ(Faces(), m_before);
}

TEST_F(RestoreFacesTest, AbsentNeighboursArePendingUntilTheyComeBack)
{
    // Faces 0 and 1 are neighbours (children of one parent).
    ASSERT_TRUE(Remove({0, 1}));
    General::Store<unsigned int> first = List({0});
    ASSERT_TRUE(m_level->RestoreFaces(first, false, false, nullptr, true));
    const Quad &zero = m_level->m_pQuads[m_level->m_iFaceCount - 1];
    EXPECT_EQ(uint32_t(zero.m_iAdjacent[1]), kAbsentNeighbour + 1 * 4 + 3);
    General::Store<unsigned int> second = List({1});
    ASSERT_TRUE(m_level->RestoreFaces(second, false, false, nullptr, true));
    ExpectAsBefore();
}

TEST_F(RestoreFacesTest, AllBringsBackEveryFaceAndRelinks)
{
    ASSERT_TRUE(Remove({5, 40, 41, 95}));
    General::Store<unsigned int> list("test list");
    ASSERT_TRUE(m_level->RestoreFaces(list, true, true, nullptr, true));
    EXPECT_EQ(m_level->m_iFaceCount, 96u);
    EXPECT_EQ(m_level->m_iHiddenFaces, 0u);
    EXPECT_EQ(m_level->m_aFaceIndexTable.GetItemCount(), 96u);
    ExpectAsBefore();
}

TEST_F(RestoreFacesTest, AFaceWhoseVertexHasNoRecordIsNotRestored)
{
    // The children 28..31 of one parent go with their centre; the centre's record is lost.
    ASSERT_TRUE(Remove({28, 29, 30, 31, 60}));
    const QString index = LevelSwapFiles::Path(m_level->GetSwapFileName(), LevelSwapFiles::kVertexIndex);
    QByteArray pairs = TempDir::Read(index);
    const unsigned lost = m_before.at(28).corners[2];
    QByteArray kept;
    for (int i = 0; i + 8 <= pairs.size(); i += 8) {
        uint32_t global = 0;
        std::memcpy(&global, pairs.constData() + i, 4);
        if (global != lost)
            kept.append(pairs.mid(i, 8));
    }
    ASSERT_LT(kept.size(), pairs.size()) << "the vertex was not swapped out";
    TempDir::Write(index, kept);
    General::Store<unsigned int> list = List({30, 60, 28, 29, 31});
    ASSERT_TRUE(m_level->RestoreFaces(list, false, false, nullptr, true));
    EXPECT_EQ(Vec(list), (std::vector<unsigned>{28, 29, 30, 31}));
    EXPECT_TRUE(Recorder().LogContains("Face 30 cannot be restored"));
    for (unsigned f = 0; f < m_level->m_iFaceCount; ++f)
        for (unsigned c = 0; c < 4; ++c)
            EXPECT_LT(CornerVertex(m_level->m_pQuads[f], c), m_level->m_iVertexCount);
    EXPECT_EQ(m_level->m_iFaceCount, 92u);
    EXPECT_EQ(Faces().at(60), m_before.at(60));
}

TEST_F(RestoreFacesTest, RefusedMemoryLeavesTheLevelAsItWas)
{
    ASSERT_TRUE(Remove({10, 11, 12, 13, 50}));
    m_before = Faces();
    m_positions = Positions();
    unsigned refused = 0;
    for (uint64_t extra = 0; extra < 40000; extra += 200) {
        General::Store<unsigned int> list = List({10, 11, 12, 13, 50});
        General::SetMemoryLimit(General::GetCountedMemory() + extra);
        const bool ok = m_level->RestoreFaces(list, false, false, nullptr, true);
        General::SetMemoryLimit(~uint64_t(0));
        if (ok)
            break;
        ++refused;
        ExpectAsBefore();
    }
    EXPECT_GT(refused, 0u);
}
