#include "LevelFixtures.h"
#include "foundation/Stream.h"
#include "mesh/levels/LevelSwapFiles.h"
#include "mesh/levels/SubdivLevel.h"
#include "support/FileSizeLimit.h"
#include "support/RecordBytes.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace LevelFixtures;

namespace {

class LevelStreamTest : public testing::Test {
protected:
    void SetUp() override
    {
        Recorder().tempFolder = m_dir.Path();
        m_base = MakeCube(1);
        SubdivLevel &one = AddSplitLevel(*m_base);
        SubdivLevel &two = AddSplitLevel(one);
        MarkVertices(two);
        General::Store<unsigned int> list("list");
        for (unsigned f : {0u, 1u, 2u, 3u})
            list.Add(f);
        EXPECT_TRUE(two.RemoveFaces(list, false));  // level 2 partial, with swap files
        two.m_iPropagationStamp = 77;
        two.m_bSculptedBelow = true;
    }
    SubdivLevel &Level(int index)
    {
        SubdivLevel *level = m_base.get();
        while (index-- > 0)
            level = level->m_pNext;
        return *level;
    }
    // Fields 1 to 5 of a level alone: totals, swap base name, absolute flag, mesh record.
    QByteArray Head(SubdivLevel &level)
    {
        const QString path = m_dir.File("head");
        {
            Stream s(path, true);
            s.Serialize(level.m_iTotalFaceCount).Serialize(level.m_iTotalVertexCount);
            s << level.m_sSwapBase;
            s.Serialize(level.m_bAbsolute);
            level.Mesh::Serialize(s);
        }
        return TempDir::Read(path).mid(4);
    }
    QByteArray Single(SubdivLevel &level)
    {
        const QString path = m_dir.File("single");
        EXPECT_TRUE(level.SaveLevelFile(path));
        return TempDir::Read(path).mid(4);
    }

    TempDir m_dir;
    std::unique_ptr<SubdivLevel> m_base;
};

}  // namespace

TEST_F(LevelStreamTest, AChainIsWrittenInsideTheRecordOfItsBase)
{
    QByteArray expected("\xE4\0\0\0", 4);  // the stream header: version 228
    QByteArray heads[3], tails[3];
    for (int i = 0; i < 3; ++i) {
        heads[i] = Head(Level(i));
        const QByteArray single = Single(Level(i));
        ASSERT_TRUE(single.startsWith(heads[i])) << i;
        tails[i] = single.mid(heads[i].size());
    }
    expected += heads[0] + '\1' + heads[1] + '\1' + heads[2] + '\0' + tails[2] + tails[1] + tails[0];
    const QString path = m_dir.File("chain");
    {
        Stream s(path, true);
        ASSERT_TRUE(m_base->Serialize(s));
    }
    EXPECT_EQ(TempDir::Read(path), expected);
}

TEST_F(LevelStreamTest, AChainReadsBackWithItsSwapFiles)
{
    const QString path = m_dir.File("chain");
    {
        Stream s(path, true);
        ASSERT_TRUE(m_base->Serialize(s));
    }
    SubdivLevel &two = Level(2);
    auto loaded = std::make_unique<SubdivLevel>();
    {
        Stream s(path, false);
        ASSERT_TRUE(loaded->Serialize(s));
        EXPECT_FALSE(s.HasError());
        EXPECT_EQ(s.BytesLeft(), 0u);
    }
    ASSERT_TRUE(loaded->m_pNext && loaded->m_pNext->m_pNext);
    SubdivLevel &copy = *loaded->m_pNext->m_pNext;
    EXPECT_EQ(copy.m_pPrev, loaded->m_pNext);
    EXPECT_EQ(copy.GetLevelIndex(), 2);
    EXPECT_EQ(copy.m_iFaceCount, 92u);
    EXPECT_EQ(copy.m_iTotalFaceCount, 96u);
    EXPECT_FALSE(copy.m_bFull);
    EXPECT_TRUE(copy.m_bFacesRemoved);
    EXPECT_TRUE(copy.m_bSculptedBelow);
    EXPECT_EQ(copy.m_iPropagationStamp, 77u);
    EXPECT_EQ(copy.m_iGlobalVertexBound, two.m_iGlobalVertexBound);
    ASSERT_EQ(copy.m_aFaceMap.GetItemCount(), 92u);
    ASSERT_EQ(copy.m_aVertexMap.GetItemCount(), two.m_aVertexMap.GetItemCount());
    for (unsigned i = 0; i < 92; ++i)
        EXPECT_EQ(copy.m_aFaceMap[i], two.m_aFaceMap[i]);
    ASSERT_EQ(copy.m_aCCPositions.GetItemCount(), two.m_aCCPositions.GetItemCount());
    EXPECT_EQ(copy.m_aCCPositions[17], two.m_aCCPositions[17]);
    // The loaded level has swap files of its own, with the same records.
    ASSERT_FALSE(copy.m_sSwapBase.isEmpty());
    EXPECT_NE(copy.m_sSwapBase, two.m_sSwapBase);
    for (LevelSwapFiles::Kind kind : LevelSwapFiles::kStored) {
        const QByteArray original = TempDir::Read(LevelSwapFiles::Path(two.m_sSwapBase, kind));
        EXPECT_EQ(TempDir::Read(LevelSwapFiles::Path(copy.m_sSwapBase, kind)), original) << kind;
        EXPECT_FALSE(original.isEmpty()) << kind;
    }
}

TEST_F(LevelStreamTest, ASingleLevelFileHoldsNoChainAndIsRemovedOnlyWhenRead)
{
    SubdivLevel &one = Level(1);
    const QString path = m_dir.File("one.lvl");
    ASSERT_TRUE(one.SaveLevelFile(path));
    SubdivLevel loaded;
    ASSERT_TRUE(loaded.LoadLevelFile(path));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(loaded.m_pNext, nullptr);
    EXPECT_EQ(loaded.m_iFaceCount, 24u);

    // A file cut short is reported and stays where it is.
    ASSERT_TRUE(one.SaveLevelFile(path));
    const QByteArray bytes = TempDir::Read(path);
    TempDir::Write(path, bytes.left(bytes.size() - 9));
    SubdivLevel broken;
    EXPECT_FALSE(broken.LoadLevelFile(path));
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(Recorder().LogContains("Cannot read level file"));
}

TEST_F(LevelStreamTest, ASaveThatCannotBeWrittenWholeFailsAndKeepsTheOldFile)
{
    SubdivLevel &two = Level(2);
    const QByteArray whole = Single(two);
    const QString path = m_dir.File("two.lvl");
    TempDir::Write(path, "older");
    // A disk that fills up at every point of the save in turn.
    unsigned refused = 0;
    for (uint64_t room = 0; room < uint64_t(whole.size()) + 200; room += 97) {
        bool ok;
        {
            FileSizeLimit limit(room);
            ok = two.SaveLevelFile(path);
        }
        if (ok)
            break;
        ++refused;
        EXPECT_EQ(TempDir::Read(path), "older") << room;
        EXPECT_FALSE(QFile::exists(path + ".part")) << room;
    }
    EXPECT_GT(refused, 10u);
    EXPECT_TRUE(Recorder().LogContains("Cannot write level file"));
    EXPECT_EQ(TempDir::Read(path).mid(4), whole);
    EXPECT_EQ(Single(two), whole);  // the level itself is untouched
}

TEST_F(LevelStreamTest, ASwapFileThatCannotBeEmbeddedFailsTheSave)
{
    SubdivLevel &two = Level(2);
    const QByteArray whole = Single(two);
    const QString vertices = LevelSwapFiles::Path(two.m_sSwapBase, LevelSwapFiles::kVertices);
    const QByteArray records = TempDir::Read(vertices);
    // Past what the 32-bit size field can describe: a sparse file, no disk is used.
    ASSERT_TRUE(QFile::resize(vertices, qint64(0x100000000) + 28));
    const QString path = m_dir.File("two.lvl");
    EXPECT_FALSE(two.SaveLevelFile(path));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(Recorder().LogContains("could not be embedded"));
    const QString chain = m_dir.File("chain");
    {
        Stream s(chain, true);
        EXPECT_FALSE(m_base->Serialize(s));
        EXPECT_TRUE(s.HasError());
    }
    ASSERT_TRUE(QFile::resize(vertices, records.size()));
    EXPECT_EQ(Single(two), whole);
}

namespace {
// A map in its stream form from 102 on: count, pairs, then the sort mode.
Bytes &MapBytes(Bytes &b, const General::Map &map)
{
    b.I32(int32_t(map.GetItemCount()));
    for (const General::IntPair &pair : map)
        b.I32(pair.first).I32(pair.second);
    return b.I32(map.GetSortMode());
}
}  // namespace

TEST_F(LevelStreamTest, TheCurrentRecordHasTheTableLayout)
{
    SubdivLevel &level = Level(2);
    level.m_iCreatedFaces = 5;
    level.m_iPropagatedCount = 6;
    level.m_aFaceMap.Sort(General::Map::kByFirst);
    level.m_aVertexMap.Sort(General::Map::kBySecond);
    const QString path = m_dir.File("level");
    // The mesh part is a record of its own, with its own fixtures.
    QByteArray mesh;
    {
        Stream s(path, true);
        level.Mesh::Serialize(s);
    }
    mesh = TempDir::Read(path).mid(4);

    Bytes b;
    b.I32(int32_t(level.m_iTotalFaceCount)).I32(int32_t(level.m_iTotalVertexCount));
    b.Str(level.m_sSwapBase.toLatin1().constData()).U8(level.m_bAbsolute ? 1 : 0).Append(mesh);
    b.U8(0);                          // no finer level
    b.U8(0).U8(1).I32(77);            // full, sculpted below, propagation stamp
    b.I32(int32_t(level.m_iGlobalVertexBound));
    b.I32(int32_t(level.m_aCCPositions.GetItemCount()));
    for (const General::Vector &p : level.m_aCCPositions)
        b.F32(p.x).F32(p.y).F32(p.z);
    QByteArray swapped[4];
    for (int i = 0; i < 4; ++i) {
        swapped[i] = TempDir::Read(LevelSwapFiles::Path(level.m_sSwapBase, LevelSwapFiles::kStored[i]));
        EXPECT_FALSE(swapped[i].isEmpty()) << i;
        b.I32(int32_t(swapped[i].size())).Append(swapped[i]);
    }
    b.I32(5).I32(0).U8(1).I32(6);  // created faces, empty obsolete store, faces removed, propagated
    MapBytes(b, level.m_aFaceMap);
    MapBytes(b, level.m_aVertexMap);
    {
        Stream s(path, true);
        ASSERT_TRUE(level.Serialize(s));
    }
    EXPECT_EQ(TempDir::Read(path).mid(4).toHex().toStdString(), b.Get().toHex().toStdString());

    // Read back from the fixture, the level has its own swap files with the embedded bytes.
    TempDir::Write(path, Bytes().I32(228).Get() + b.Get());
    SubdivLevel read;
    Stream s(path, false);
    ASSERT_TRUE(read.Serialize(s)) << Recorder().log.toStdString();
    EXPECT_EQ(s.BytesLeft(), 0u);
    EXPECT_EQ(read.m_iTotalFaceCount, level.m_iTotalFaceCount);
    EXPECT_FALSE(read.m_bFull);
    EXPECT_TRUE(read.m_bSculptedBelow);
    EXPECT_EQ(read.m_iPropagationStamp, 77u);
    EXPECT_EQ(read.m_iCreatedFaces, 5u);
    EXPECT_TRUE(read.m_bFacesRemoved);
    EXPECT_EQ(read.m_iPropagatedCount, 6u);
    ASSERT_EQ(read.m_aCCPositions.GetItemCount(), level.m_aCCPositions.GetItemCount());
    EXPECT_EQ(read.m_aCCPositions[7], level.m_aCCPositions[7]);
    ASSERT_EQ(read.m_aFaceMap.GetItemCount(), level.m_aFaceMap.GetItemCount());
    read.m_aFaceMap.Sort(General::Map::kByFirst);
    EXPECT_EQ(read.m_aFaceMap[10], level.m_aFaceMap[10]);
    EXPECT_NE(read.m_sSwapBase, level.m_sSwapBase);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(TempDir::Read(LevelSwapFiles::Path(read.m_sSwapBase, LevelSwapFiles::kStored[i])), swapped[i]) << i;
}

TEST_F(LevelStreamTest, MapsThatDoNotFitTheLevelAreRefused)
{
    SubdivLevel &two = Level(2);
    two.m_aFaceMap[5].second = 5000;  // beyond the level's 96 faces
    const QString path = m_dir.File("bad.lvl");
    ASSERT_TRUE(two.SaveLevelFile(path));
    SubdivLevel loaded;
    EXPECT_FALSE(loaded.LoadLevelFile(path));
    EXPECT_TRUE(Recorder().LogContains("Level record refused"));
}

TEST_F(LevelStreamTest, TheFactoryMakesOneLevelOrAnArray)
{
    for (int count : {0, 1}) {
        SubdivLevel *level = SubdivLevel::Create(count);
        ASSERT_NE(level, nullptr);
        EXPECT_TRUE(level->m_bFull);
        EXPECT_EQ(level->m_iPropagationStamp, 1u);
        delete level;
    }
    SubdivLevel *levels = SubdivLevel::Create(3);
    ASSERT_NE(levels, nullptr);
    EXPECT_EQ(levels[2].m_iFaceCount, 0u);
    delete[] levels;
}

namespace {

// Little-endian bytes of an older stream.
struct OldBytes {
    QByteArray bytes;
    OldBytes &Int(int v)
    {
        bytes.append(reinterpret_cast<const char *>(&v), 4);
        return *this;
    }
    OldBytes &Byte(unsigned char v)
    {
        bytes.append(char(v));
        return *this;
    }
    OldBytes &Float(float v)
    {
        bytes.append(reinterpret_cast<const char *>(&v), 4);
        return *this;
    }
    // The mesh record of an empty quad mesh as a stream of that version held it.
    OldBytes &EmptyMesh(int v)
    {
        Int(1).Int(0).Int(0).Int(0).Byte(0).Byte(0).Int(1);
        if (v > 75)
            Int(0);  // symmetry
        if (v > 46)
            Int(0);  // polygons
        Int(0).Int(0).Int(0);  // open edges, hidden faces, face index table
        if (v > 42)
            Int(16);
        if (v < 218)
            Byte(0);
        for (float f : {0.0f, 0.0f, 0.0f, -1.0f, -1.0f, -1.0f})
            Float(f);
        Int(10).Int(-1).Int(0);  // octree: depth, no root, no cubes
        bytes.append(2, '\0');
        Int(0).Int(0);  // selected and frozen faces
        if (v >= 83)
            Int(0);
        return *this;
    }
};

}  // namespace

TEST(LevelStreamOld, Version40KeepsItsFlagsAndDropsTheOldPositionFields)
{
    TempDir dir;
    Recorder().tempFolder = dir.Path();
    OldBytes old;
    old.Int(40).Int(96).Int(98).Int(0).Byte(1).EmptyMesh(40);
    old.Byte(0);                                  // no finer level
    old.Byte(0).Byte(1).Int(55).Int(77);          // full, sculpted below, stamp, vertex bound
    old.Int(3).Int(4).Int(5);                     // dropped
    const QString path = dir.File("v40");
    TempDir::Write(path, old.bytes);
    Stream s(path, false);
    SubdivLevel level;
    ASSERT_TRUE(level.Serialize(s)) << Recorder().log.toStdString();
    EXPECT_EQ(s.BytesLeft(), 0u);
    EXPECT_EQ(level.m_iTotalFaceCount, 96u);
    EXPECT_TRUE(level.m_bAbsolute);
    EXPECT_FALSE(level.m_bFull);
    EXPECT_TRUE(level.m_bSculptedBelow);
    EXPECT_EQ(level.m_iPropagationStamp, 55u);
    EXPECT_EQ(level.m_iGlobalVertexBound, 77u);
    EXPECT_FALSE(level.m_aFaceMap.HasItems());
    EXPECT_FALSE(level.m_aVertexMap.HasItems());
}

TEST(LevelStreamOld, Version101ReadsTheOldFormsOfPositionsAndMaps)
{
    TempDir dir;
    Recorder().tempFolder = dir.Path();
    OldBytes old;
    old.Int(101).Int(8).Int(0).Int(0).Byte(0).EmptyMesh(101);
    old.Byte(0);
    old.Byte(1).Byte(0).Int(1).Int(0);
    old.Int(1).Float(1).Float(2).Float(3);        // Catmull-Clark positions: count, then the vectors
    for (int file = 0; file < 4; ++file)
        old.Int(2).Byte(0xAB).Byte(file);         // the embedded swap files
    old.Int(6);                                   // created faces
    old.Int(1).Float(0).Float(0).Float(0);        // obsolete vectors
    old.Byte(1).Int(9);                           // faces removed, propagated count
    old.Int(0).Int(1);                            // face map: count, sort mode, no pairs
    old.Int(0).Int(2);                            // vertex map
    const QString path = dir.File("v101");
    TempDir::Write(path, old.bytes);
    Stream s(path, false);
    SubdivLevel level;
    ASSERT_TRUE(level.Serialize(s)) << Recorder().log.toStdString();
    EXPECT_EQ(s.BytesLeft(), 0u);
    ASSERT_EQ(level.m_aCCPositions.GetItemCount(), 1u);
    EXPECT_EQ(level.m_aCCPositions[0], General::Vector(1, 2, 3));
    EXPECT_EQ(level.m_iCreatedFaces, 6u);
    EXPECT_TRUE(level.m_bFacesRemoved);
    EXPECT_EQ(level.m_iPropagatedCount, 9u);
    ASSERT_FALSE(level.m_sSwapBase.isEmpty());
    EXPECT_EQ(TempDir::Read(LevelSwapFiles::Path(level.m_sSwapBase, LevelSwapFiles::kFaces)), QByteArray("\xAB\x02", 2));
}
