#include "LevelFixtures.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/levels/LevelSwapFiles.h"
#include "mesh/core/Octree.h"
#include "mesh/levels/SubdivLevel.h"
#include "support/FileSizeLimit.h"
#include "support/IndexLists.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <functional>
#include <cstring>
#include <set>
#include <vector>

using namespace LevelFixtures;
using namespace LevelBits;

namespace {

template <class T>
std::vector<T> ReadRecords(const QString &path)
{
    const QByteArray bytes = TempDir::Read(path);
    std::vector<T> records(size_t(bytes.size()) / sizeof(T));
    std::memcpy(records.data(), bytes.constData(), records.size() * sizeof(T));
    return records;
}

struct VertexRecord {
    General::Vector position;
    int32_t stamp;
    General::Vector cc;
};
static_assert(sizeof(VertexRecord) == 28);

class RemoveFacesTest : public testing::Test {
protected:
    void SetUp() override
    {
        Recorder().tempFolder = m_dir.Path();
        m_base = MakeCube(1);
        m_level = &AddSplitLevel(AddSplitLevel(*m_base));  // level 2: 96 faces, 98 vertices
        MarkVertices(*m_level);
        // Sculpted: positions differ from the Catmull-Clark ones.
        for (unsigned v = 0; v < m_level->m_iVertexCount; ++v)
            m_level->m_pVertices[v].m_vPosition += General::Vector(0.25f * float(v % 3), 0, 0.5f);
        m_original.assign(m_level->m_pQuads.begin(), m_level->m_pQuads.end());
        m_originalVertices.assign(m_level->m_pVertices.begin(), m_level->m_pVertices.end());
        m_originalCC.assign(m_level->m_aCCPositions.begin(), m_level->m_aCCPositions.end());
        m_level->m_aVertexMap.Sort(General::Map::kByFirst);
        for (const General::IntPair &pair : m_level->m_aVertexMap)
            m_global.push_back(unsigned(pair.second));
    }
    QString SwapFile(LevelSwapFiles::Kind kind) { return LevelSwapFiles::Path(m_level->GetSwapFileName(), kind); }
    // The vertices that only the listed faces use.
    std::set<unsigned> OnlyUsedBy(const std::set<unsigned> &faces)
    {
        std::set<unsigned> used, kept;
        for (unsigned f = 0; f < m_original.size(); ++f)
            for (unsigned c = 0; c < 4; ++c)
                (faces.count(f) ? used : kept).insert(CornerVertex(m_original[f], c));
        std::set<unsigned> only;
        for (unsigned v : used)
            if (!kept.count(v))
                only.insert(v);
        return only;
    }

    TempDir m_dir;
    std::unique_ptr<SubdivLevel> m_base;
    SubdivLevel *m_level = nullptr;
    std::vector<Quad> m_original;
    std::vector<Vertex> m_originalVertices;
    std::vector<General::Vector> m_originalCC;
    std::vector<unsigned> m_global;  // global index of each vertex before the removal
};

}  // namespace

TEST_F(RemoveFacesTest, TenFacesOfAFullLevelGoToTheSwapFilesWhole)
{
    const std::set<unsigned> removed = {5, 17, 18, 30, 41, 42, 43, 60, 77, 95};
    General::Store<unsigned int> list = List({95, 17, 5, 43, 18, 60, 30, 41, 77, 42});
    ASSERT_TRUE(m_level->RemoveFaces(list, false));
    EXPECT_TRUE(Recorder().LogContains("Removing 10 faces from level 2\n"));

    // What stays: 86 faces, partial, the face map skipping the removed ones.
    EXPECT_EQ(m_level->m_iFaceCount, 86u);
    EXPECT_EQ(m_level->m_iTotalFaceCount, 96u);
    EXPECT_FALSE(m_level->m_bFull);
    EXPECT_TRUE(m_level->m_bFacesRemoved);
    ASSERT_EQ(m_level->m_aFaceMap.GetItemCount(), 86u);
    m_level->m_aFaceMap.Sort(General::Map::kByFirst);
    std::vector<unsigned> kept;
    for (const General::IntPair &pair : m_level->m_aFaceMap)
        kept.push_back(unsigned(pair.second));
    std::vector<unsigned> expected;
    for (unsigned g = 0; g < 96; ++g)
        if (!removed.count(g))
            expected.push_back(g);
    ASSERT_EQ(kept, expected);

    // Kept faces: the same global corners; neighbours that went carry bit 31 and their global face.
    m_level->m_aVertexMap.Sort(General::Map::kByFirst);
    unsigned pending = 0;
    for (unsigned f = 0; f < 86; ++f) {
        const Quad &now = m_level->m_pQuads[f];
        const Quad &before = m_original[expected[f]];
        for (unsigned e = 0; e < 4; ++e) {
            EXPECT_EQ(unsigned(m_level->m_aVertexMap[CornerVertex(now, e)].second), m_global[CornerVertex(before, e)]);
            EXPECT_EQ(now.m_iIndices[e] & 0xC0000000u, before.m_iIndices[e] & 0xC0000000u);
            const unsigned neighbour = unsigned(before.m_iAdjacent[e]) / 4, slot = unsigned(before.m_iAdjacent[e]) % 4;
            if (removed.count(neighbour)) {
                EXPECT_EQ(uint32_t(now.m_iAdjacent[e]), 0x80000000u + neighbour * 4 + slot);
                ++pending;
            } else {
                const auto at = std::find(expected.begin(), expected.end(), neighbour);
                EXPECT_EQ(now.m_iAdjacent[e], int32_t(unsigned(at - expected.begin()) * 4 + slot));
            }
        }
    }
    EXPECT_GT(pending, 0u);

    // The face records: as they were, with global vertices and every neighbour in global form.
    const auto records = ReadRecords<Quad>(SwapFile(LevelSwapFiles::kFaces));
    const auto faceIndex = ReadRecords<General::IntPair>(SwapFile(LevelSwapFiles::kFaceIndex));
    ASSERT_EQ(records.size(), 10u);
    ASSERT_EQ(faceIndex.size(), 10u);
    for (const General::IntPair &pair : faceIndex) {
        ASSERT_TRUE(removed.count(unsigned(pair.first)));
        Quad expectedRecord = m_original[unsigned(pair.first)];
        for (unsigned c = 0; c < 4; ++c)
            SetCornerVertex(expectedRecord, c, m_global[CornerVertex(expectedRecord, c)]);
        for (int32_t &entry : expectedRecord.m_iAdjacent)
            entry = int32_t(0x80000000u + unsigned(entry));
        EXPECT_EQ(std::memcmp(&records[unsigned(pair.second)], &expectedRecord, sizeof(Quad)), 0) << pair.first;
    }

    // The vertices only the removed faces used: offset from the Catmull-Clark position and
    // stamp, the Catmull-Clark position, and in "vm" freeze and mask.
    const std::set<unsigned> gone = OnlyUsedBy(removed);
    EXPECT_EQ(m_level->m_iVertexCount, 98u - unsigned(gone.size()));
    const auto vertexRecords = ReadRecords<VertexRecord>(SwapFile(LevelSwapFiles::kVertices));
    const auto vertexIndex = ReadRecords<General::IntPair>(SwapFile(LevelSwapFiles::kVertexIndex));
    const QByteArray marks = TempDir::Read(SwapFile(LevelSwapFiles::kVertexMarks));
    ASSERT_EQ(vertexRecords.size(), gone.size());
    ASSERT_EQ(vertexIndex.size(), gone.size());
    ASSERT_EQ(size_t(marks.size()), 2 * gone.size());
    for (const General::IntPair &pair : vertexIndex) {
        const unsigned v = unsigned(std::find(m_global.begin(), m_global.end(), unsigned(pair.first)) - m_global.begin());
        ASSERT_TRUE(gone.count(v)) << pair.first;
        const VertexRecord &r = vertexRecords[unsigned(pair.second)];
        const Vertex &original = m_originalVertices[v];
        EXPECT_EQ(r.position, original.m_vPosition - m_originalCC[v]);
        EXPECT_EQ(r.cc, m_originalCC[v]);
        EXPECT_EQ(r.stamp, original.m_iStrokeID);
        EXPECT_EQ(uint8_t(marks[2 * pair.second]), original.m_cFreeze);
        EXPECT_EQ(uint8_t(marks[2 * pair.second + 1]), original.m_cMask);
    }

    // Kept vertices are whole and absolute.
    for (unsigned v = 0; v < m_level->m_iVertexCount; ++v) {
        const Vertex &now = m_level->m_pVertices[v];
        const Vertex &before = m_originalVertices[unsigned(now.m_iStrokeID - 1000)];
        EXPECT_EQ(std::memcmp(&now, &before, sizeof(Vertex)), 0) << v;
        EXPECT_EQ(unsigned(m_level->m_aVertexMap[v].second), m_global[unsigned(now.m_iStrokeID - 1000)]);
    }
    EXPECT_TRUE(m_level->m_bAbsolute);
    EXPECT_FALSE(Recorder().LogContains("Assertion failed")) << Recorder().log.toStdString();
}

TEST_F(RemoveFacesTest, RemovingInTheViewTakesTheFacesOutOfTheOctree)
{
    m_level->BuildOctree();
    General::Store<unsigned int> list = List({0, 1, 2, 3, 50});
    ASSERT_TRUE(m_level->RemoveFaces(list, true));
    EXPECT_EQ(m_level->m_iFaceCount, 91u);
    EXPECT_EQ(m_level->m_iSelectedFaces, 0u);
    QString why;
    EXPECT_TRUE(m_level->m_pOctree->CheckLinks(
        m_level->m_iFaceCount, [&](unsigned f) { return m_level->NextInCube(f, 0); }, why))
        << why.toStdString();
    // The records remember the cube each face left, and the face is neither shown nor selected.
    for (const Quad &record : ReadRecords<Quad>(SwapFile(LevelSwapFiles::kFaces))) {
        EXPECT_GE(record.m_iOctree, OctreeLink::kUnlinked);
        EXPECT_LT(int(record.m_iOctree - OctreeLink::kUnlinked), m_level->m_pOctree->GetCubeCount());
        EXPECT_FALSE(IsVisible(record));
        EXPECT_FALSE(IsSelected(record));
    }
    EXPECT_EQ(m_level->m_iHiddenFaces, 0u);
    EXPECT_EQ(m_level->m_aFaceIndexTable.GetItemCount(), 91u);
}

TEST_F(RemoveFacesTest, ASecondRemovalAppendsOnlyNewRecords)
{
    General::Store<unsigned int> first = List({10, 11});
    ASSERT_TRUE(m_level->RemoveFaces(first, false));
    // Local 10 and 11 are now global 12 and 13.
    General::Store<unsigned int> second = List({10, 11});
    ASSERT_TRUE(m_level->RemoveFaces(second, false));
    const auto faceIndex = ReadRecords<General::IntPair>(SwapFile(LevelSwapFiles::kFaceIndex));
    ASSERT_EQ(faceIndex.size(), 4u);
    std::vector<int> globals;
    for (const General::IntPair &pair : faceIndex)
        globals.push_back(pair.first);
    EXPECT_EQ(globals, (std::vector<int>{10, 11, 12, 13}));
    EXPECT_EQ(ReadRecords<Quad>(SwapFile(LevelSwapFiles::kFaces)).size(), 4u);
    EXPECT_EQ(m_level->m_iFaceCount, 92u);
}

TEST_F(RemoveFacesTest, RemovingEveryFaceOfLevel0WritesShortVertexRecords)
{
    SubdivLevel &base = *m_base;
    SetActive(base.m_pQuads[4], false);  // outside the worked region: dropped, not kept
    General::Store<unsigned int> all("all");
    ASSERT_TRUE(base.RemoveFaces(all, false));
    EXPECT_EQ(base.m_iFaceCount, 0u);
    EXPECT_EQ(base.m_iVertexCount, 0u);
    EXPECT_TRUE(base.m_bFull);
    EXPECT_FALSE(base.m_aFaceMap.HasItems());
    const QString name = base.GetSwapFileName();
    EXPECT_EQ(ReadRecords<Quad>(LevelSwapFiles::Path(name, LevelSwapFiles::kFaces)).size(), 5u);
    EXPECT_EQ(TempDir::Read(LevelSwapFiles::Path(name, LevelSwapFiles::kVertices)).size(), 8 * 16);
    EXPECT_EQ(TempDir::Read(LevelSwapFiles::Path(name, LevelSwapFiles::kVertexIndex)).size(), 8 * 8);
}

TEST_F(RemoveFacesTest, ANSidedMeshRefusesAndSaysSo)
{
    m_level->m_iPolygonCount = 50;
    General::Store<unsigned int> list = List({1});
    EXPECT_FALSE(m_level->RemoveFaces(list, false));
    EXPECT_EQ(m_level->m_iFaceCount, 96u);
    ASSERT_EQ(Recorder().statusMessages.size(), 1);
    EXPECT_EQ(Recorder().statusMessages[0], "Faces cannot be removed on level0 and level1 of an n-sided mesh.");
    EXPECT_EQ(Recorder().statusStates[0], 2);
}

TEST_F(RemoveFacesTest, ASwapFileThatCannotBeOpenedFailsAndLosesNothing)
{
    const QString faces = SwapFile(LevelSwapFiles::kFaces);
    QFile::remove(faces);
    QDir().mkdir(faces);  // a folder where the file should be
    m_level->BuildOctree();
    m_original.assign(m_level->m_pQuads.begin(), m_level->m_pQuads.end());
    General::Store<unsigned int> list = List({3, 4, 5});
    EXPECT_FALSE(m_level->RemoveFaces(list, true));
    EXPECT_EQ(m_level->m_iFaceCount, 96u);
    EXPECT_TRUE(m_level->m_bFull);
    EXPECT_EQ(m_level->m_iVertexCount, 98u);
    ASSERT_EQ(m_level->m_pVertices.GetItemCount(), 98u);
    EXPECT_TRUE(m_level->m_sVertexSwapFile.isEmpty());
    for (unsigned f = 0; f < 96; ++f)
        EXPECT_EQ(std::memcmp(&m_level->m_pQuads[f], &m_original[f], sizeof(Quad)), 0) << f;
    EXPECT_TRUE(Recorder().LogContains("Cannot open swap file"));
    EXPECT_FALSE(Recorder().LogContains("Assertion failed"));
}

namespace {

// What a failed removal must leave as it found it.
struct LevelState {
    std::vector<Quad> faces;  // octree words apart: relinking may reorder a cube's chain
    std::vector<int> cubes;
    std::vector<Vertex> vertices;
    unsigned faceCount, vertexCount, selected, hidden, visibleListed, faceMapCount;
    bool full;
    qint64 faceIndexSize, vertexIndexSize;

    static LevelState Of(SubdivLevel &level)
    {
        LevelState s;
        for (unsigned f = 0; f < level.m_iFaceCount; ++f) {
            Quad face = level.m_pQuads[f];
            face.m_iOctree = 0;
            s.faces.push_back(face);
            s.cubes.push_back(level.FaceCube(f));
        }
        s.vertices.assign(level.m_pVertices.begin(), level.m_pVertices.end());
        s.faceCount = level.m_iFaceCount;
        s.vertexCount = level.m_iVertexCount;
        s.selected = level.m_iSelectedFaces;
        s.hidden = level.m_iHiddenFaces;
        s.visibleListed = level.m_aFaceIndexTable.GetItemCount();
        s.faceMapCount = level.m_aFaceMap.GetItemCount();
        s.full = level.m_bFull;
        const QString base = level.GetSwapFileName();
        s.faceIndexSize = QFileInfo(LevelSwapFiles::Path(base, LevelSwapFiles::kFaceIndex)).size();
        s.vertexIndexSize = QFileInfo(LevelSwapFiles::Path(base, LevelSwapFiles::kVertexIndex)).size();
        return s;
    }
    void ExpectSame(const LevelState &now, const char *what) const
    {
        EXPECT_EQ(now.faceCount, faceCount) << what;
        ASSERT_EQ(now.faces.size(), faces.size()) << what;
        for (size_t f = 0; f < faces.size(); ++f) {
            EXPECT_EQ(std::memcmp(&now.faces[f], &faces[f], sizeof(Quad)), 0) << what << " face " << f;
            EXPECT_EQ(now.cubes[f], cubes[f]) << what << " face " << f;
        }
        ASSERT_EQ(now.vertices.size(), vertices.size()) << what;
        EXPECT_EQ(std::memcmp(now.vertices.data(), vertices.data(), vertices.size() * sizeof(Vertex)), 0) << what;
        EXPECT_EQ(now.vertexCount, vertexCount) << what;
        EXPECT_EQ(now.selected, selected) << what;
        EXPECT_EQ(now.hidden, hidden) << what;
        EXPECT_EQ(now.visibleListed, visibleListed) << what;
        EXPECT_EQ(now.full, full) << what;
        EXPECT_EQ(now.faceMapCount, faceMapCount) << what;
        // No record is named that a later restoration could not find.
        EXPECT_EQ(now.faceIndexSize, faceIndexSize) << what;
        EXPECT_EQ(now.vertexIndexSize, vertexIndexSize) << what;
    }
};

}  // namespace

// Removes faces 0-3, 50 and 60 in the view under a limit of `room` raised step by step
// until the removal goes through; every refusal must leave the level as it was.
void SweepRemoval(SubdivLevel &level, uint64_t step, uint64_t end, const std::function<bool(uint64_t room)> &attempt)
{
    level.BuildOctree();
    level.RebuildVisibleFaces();
    SetSelected(level.m_pQuads[7], true);  // a selection the removal clears
    level.m_iSelectedFaces = 1;
    const LevelState before = LevelState::Of(level);
    unsigned refused = 0;
    for (uint64_t room = 0; room < end; room += step) {
        if (attempt(room)) {
            EXPECT_GT(refused, 0u);
            EXPECT_EQ(level.m_iFaceCount, 90u);
            EXPECT_EQ(level.m_iSelectedFaces, 0u);
            return;
        }
        ++refused;
        before.ExpectSame(LevelState::Of(level), "after a refusal");
        QString why;
        EXPECT_TRUE(level.m_pOctree->CheckLinks(
            level.m_iFaceCount, [&](unsigned f) { return level.NextInCube(f, 0); }, why))
            << why.toStdString();
        if (testing::Test::HasFailure())
            return;
    }
    ADD_FAILURE() << "the removal never went through";
}

TEST_F(RemoveFacesTest, RefusedMemoryLeavesTheLevelAsItWas)
{
    SweepRemoval(*m_level, 256, 400000, [&](uint64_t room) {
        General::Store<unsigned int> list = List({0, 1, 2, 3, 50, 60});
        General::SetMemoryLimit(General::GetCountedMemory() + room);
        const bool ok = m_level->RemoveFaces(list, true);
        General::SetMemoryLimit(~uint64_t(0));
        return ok;
    });
    EXPECT_TRUE(Recorder().LogContains("Not enough memory") || Recorder().LogContains("Cannot allocate"));
}

TEST_F(RemoveFacesTest, AFullDiskLeavesTheLevelAsItWas)
{
    SweepRemoval(*m_level, 256, 64000, [&](uint64_t room) {
        General::Store<unsigned int> list = List({0, 1, 2, 3, 50, 60});
        FileSizeLimit limit(room);
        return m_level->RemoveFaces(list, true);
    });
}
