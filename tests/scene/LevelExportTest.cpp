// Levels exported as groups of level files, read back through the level-file reader.
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/levels/LevelSwapFiles.h"
#include "mesh/levels/SubdivLevel.h"
#include "scene/LevelFileBin.h"
#include "scene/LevelFileText.h"
#include "support/MeshFixtures.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>

#include <array>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace {

using fixtures::Vector;

// A level whose object name the test gives.
class NamedLevel : public SubdivLevel {
public:
    void Name(const char *name) { m_sName = QString::fromUtf8(name); }
};

// A full level of all-active faces with one texture coordinate per vertex.
template <class M>
std::unique_ptr<SubdivLevel> Level(std::unique_ptr<M> mesh, const char *name)
{
    mesh->Name(name);
    mesh->m_iTotalFaceCount = mesh->m_iFaceCount;
    mesh->m_iTotalVertexCount = mesh->m_iVertexCount;
    mesh->m_iTCCount = mesh->m_iVertexCount;
    mesh->m_pTCs.SetItemCount(mesh->m_iTCCount, false);
    for (unsigned v = 0; v < mesh->m_iVertexCount; ++v)
        mesh->m_pTCs[v] = TC{float(v) * 0.125f, 1.0f - float(v) * 0.0625f};
    mesh->WithFaces([](auto &faces) {
        for (auto &face : faces)
            LevelBits::SetActive(face, true);
    });
    return mesh;
}

struct Group {
    QString name;
    int level = 0, type = 0;
    std::vector<std::array<float, 3>> positions;
    std::vector<std::array<float, 2>> tcs;
    std::vector<std::vector<int>> faces, tcFaces;
};

std::vector<Group> ReadBack(const QString &path)
{
    LevelFileBin file(path, false, 0);
    EXPECT_TRUE(file.IsOpen());
    std::vector<Group> groups;
    Group g;
    int faces = 0, vertices = 0, tcs = 0;
    while (file.ReadObject(g.name, g.level, g.type, faces, vertices, tcs)) {
        g.positions.assign(size_t(vertices), {});
        for (auto &p : g.positions)
            EXPECT_TRUE(file.ReadVertex(p.data()));
        g.tcs.assign(size_t(tcs), {});
        for (auto &t : g.tcs)
            EXPECT_TRUE(file.ReadTexCoord(t.data()));
        g.faces.clear();
        g.tcFaces.clear();
        for (int f = 0; f < faces; ++f) {
            General::Store<int> indices("test"), tcIndices("test");
            EXPECT_TRUE(file.ReadFace(indices, &tcIndices));
            g.faces.emplace_back(indices.begin(), indices.end());
            g.tcFaces.emplace_back(tcIndices.begin(), tcIndices.end());
        }
        groups.push_back(g);
    }
    EXPECT_FALSE(file.HasError());
    return groups;
}

class LevelExport : public testing::Test {
protected:
    void SetUp() override { Recorder().tempFolder = m_dir.Path(); }
    // Nothing of the export's temporary streams is left behind.
    void TearDown() override
    {
        const QStringList left = QDir(m_dir.Path()).entryList({"tmp*"}, QDir::Files);
        EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString();
    }
    TempDir m_dir;
};

TEST_F(LevelExport, GroupsContinueIndicesScalePositionsAndNotTextureCoordinates)
{
    auto sheet = Level(fixtures::MakeQuads<NamedLevel>({Vector(1, 2, 3), Vector(2, 2, 3), Vector(2, 3, 3),
                                                         Vector(1, 3, 3), Vector(3, 2, 3), Vector(3, 3, 3),
                                                         Vector(9, 9, 9)},
                                                        {{0, 1, 2, 3}, {1, 4, 5, 2}, {4, 6, 5, 5}}),
                       "sheet");
    // The third face is outside the worked region: neither written nor counted, nor is vertex 6.
    LevelBits::SetActive(sheet->m_pQuads[2], false);
    auto fan = Level(fixtures::MakeTriangles<NamedLevel>({Vector(0, 0, 0), Vector(1, 0, 0), Vector(1, 1, 0)},
                                                          {{0, 1, 2}}),
                     "fan");
    const QByteArray sheetBefore(reinterpret_cast<const char *>(sheet->m_pQuads.GetBuffer()), 3 * sizeof(Quad));

    const QString path = m_dir.File("levels.bio");
    int32_t vertexOffset = 0, tcOffset = 0;
    {
        LevelFileBin file(path, true, 2);
        ASSERT_TRUE(sheet->ExportLevel(&file, &vertexOffset, &tcOffset, false, true, 10.0f));
        EXPECT_EQ(vertexOffset, 6);
        EXPECT_EQ(tcOffset, 7);
        ASSERT_TRUE(fan->ExportLevel(&file, &vertexOffset, &tcOffset, false, true, 1.0f));
        EXPECT_EQ(vertexOffset, 9);
        EXPECT_EQ(tcOffset, 10);
    }
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(sheet->m_pQuads.GetBuffer()), 3 * sizeof(Quad)), sheetBefore);

    const std::vector<Group> groups = ReadBack(path);
    ASSERT_EQ(groups.size(), 2u);
    const Group &a = groups[0], &b = groups[1];
    EXPECT_EQ(a.name, "sheet_0");
    EXPECT_EQ(a.type, 1);
    const std::vector<std::array<float, 3>> scaled = {{10, 20, 30}, {20, 20, 30}, {20, 30, 30},
                                                      {10, 30, 30}, {30, 20, 30}, {30, 30, 30}};
    EXPECT_EQ(a.positions, scaled);
    ASSERT_EQ(a.tcs.size(), 7u);
    EXPECT_EQ(a.tcs[3], (std::array<float, 2>{0.375f, 0.8125f}));
    EXPECT_EQ(a.faces, (std::vector<std::vector<int>>{{1, 2, 3, 4}, {2, 5, 6, 3}}));
    EXPECT_EQ(a.tcFaces, (std::vector<std::vector<int>>{{1, 2, 3, 4}, {2, 5, 6, 3}}));

    EXPECT_EQ(b.name, "fan_0");
    EXPECT_EQ(b.type, 0);
    EXPECT_EQ(b.positions.size(), 3u);
    // The second group's indices start after the first group's vertices and texture coordinates.
    EXPECT_EQ(b.faces, (std::vector<std::vector<int>>{{7, 8, 9}}));
    EXPECT_EQ(b.tcFaces, (std::vector<std::vector<int>>{{8, 9, 10}}));
    EXPECT_EQ(Recorder().progressTexts.filter("exporting").size(), 8);
}

TEST_F(LevelExport, ALevelWithoutTextureCoordinatesWritesPlainCorners)
{
    auto cube = Level(fixtures::MakeCube<NamedLevel>(), "cube");
    cube->m_iTCCount = 0;
    cube->m_pTCs.Clear();
    const QString path = m_dir.File("cube.obj");
    int32_t vertexOffset = 4, tcOffset = 2;
    {
        LevelFileText file(path, true);
        ASSERT_TRUE(cube->ExportLevel(&file, &vertexOffset, &tcOffset, false, true, 1.0f));
    }
    EXPECT_EQ(vertexOffset, 12);
    EXPECT_EQ(tcOffset, 2);
    const QByteArray text = TempDir::Read(path);
    EXPECT_FALSE(text.contains("vt "));
    // Vertices are numbered in the order the faces first use them, after the four already in the file.
    EXPECT_TRUE(text.contains("\nf 5 6 7 8\nf 9 10 11 12\n")) << text.constData();
    EXPECT_TRUE(text.contains("\nf 8 7 11 10\n")) << text.constData();
}

TEST_F(LevelExport, AFailedExportWritesNothingAndKeepsTheOffsets)
{
    auto cube = Level(fixtures::MakeCube<NamedLevel>(), "cube");
    const QString path = m_dir.File("cube.bio");
    LevelFileBin file(path, true, 1);
    ASSERT_FALSE(file.HasError());  // the header reaches the file
    const QByteArray header = TempDir::Read(path);
    // No temporary stream can be made in a folder that does not exist.
    Recorder().tempFolder = m_dir.File("missing");
    int32_t vertexOffset = 3, tcOffset = 5;
    EXPECT_FALSE(cube->ExportLevel(&file, &vertexOffset, &tcOffset, false, true, 1.0f));
    EXPECT_EQ(vertexOffset, 3);
    EXPECT_EQ(tcOffset, 5);
    EXPECT_EQ(TempDir::Read(path), header);
    Recorder().tempFolder = m_dir.Path();
}

// Everything that says what a level holds, part by part, to tell that an export left it as it was.
std::map<std::string, QByteArray> Snapshot(SubdivLevel &level)
{
    std::map<std::string, QByteArray> parts;
    auto bytes = [](const void *data, size_t size) { return QByteArray(static_cast<const char *>(data), qsizetype(size)); };
    parts["counts"] = QByteArray::number(level.m_iFaceCount) + " " + QByteArray::number(level.m_iVertexCount) + " " +
                      QByteArray::number(level.m_iTCCount) + " " + QByteArray::number(level.m_bFull);
    parts["faces"] = bytes(level.m_pQuads.GetBuffer(), size_t(level.m_iFaceCount) * sizeof(Quad));
    parts["vertices"] = bytes(level.m_pVertices.GetBuffer(), size_t(level.m_iVertexCount) * sizeof(Vertex));
    parts["tcs"] = bytes(level.m_pTCs.GetBuffer(), size_t(level.m_iTCCount) * sizeof(TC));
    level.m_aFaceMap.Sort(General::Map::kByFirst);
    level.m_aVertexMap.Sort(General::Map::kByFirst);
    parts["face map"] = bytes(level.m_aFaceMap.GetBuffer(), size_t(level.m_aFaceMap.GetItemCount()) * sizeof(General::IntPair));
    parts["vertex map"] =
        bytes(level.m_aVertexMap.GetBuffer(), size_t(level.m_aVertexMap.GetItemCount()) * sizeof(General::IntPair));
    for (int kind = 0; kind < LevelSwapFiles::kKindCount; ++kind)
        parts[std::string("swap ") + LevelSwapFiles::KindName(LevelSwapFiles::Kind(kind))] =
            TempDir::Read(LevelSwapFiles::Path(level.GetSwapFileName(), LevelSwapFiles::Kind(kind)));
    return parts;
}

// A partial level: every third face lives in the level's swap files.
void RemoveEveryThirdFace(SubdivLevel &level)
{
    General::Store<unsigned int> list("test list");
    for (unsigned f = 0; f < level.m_iFaceCount; f += 3)
        list.Add(f);
    ASSERT_TRUE(level.RemoveFaces(list, false));
    ASSERT_FALSE(level.m_bFull);
}

TEST_F(LevelExport, APartialLevelLargerThanAChunkIsWrittenWholeAndLeftAsItWas)
{
    // 6 × 105² = 66,150 faces: more than one chunk of 65,536.
    auto big = Level(fixtures::MakeGridCube<NamedLevel>(105), "big");
    big->CalculateAdjacency();
    std::map<std::array<float, 3>, unsigned> vertexAt;
    for (unsigned v = 0; v < big->m_iVertexCount; ++v) {
        const Vector &p = big->m_pVertices[v].m_vPosition;
        vertexAt[{p.x * 2, p.y * 2, p.z * 2}] = v;
    }
    std::set<std::array<unsigned, 4>> faces;
    for (unsigned f = 0; f < big->m_iFaceCount; ++f) {
        std::array<unsigned, 4> q;
        for (unsigned c = 0; c < 4; ++c)
            q[c] = big->FaceVertexIndex(f, c);
        faces.insert(q);
    }
    RemoveEveryThirdFace(*big);
    const auto before = Snapshot(*big);
    auto small = Level(fixtures::MakeTriangles<NamedLevel>({Vector(0, 0, 0), Vector(1, 0, 0), Vector(1, 1, 0)},
                                                          {{0, 1, 2}}),
                       "small");

    const QString path = m_dir.File("levels.bio");
    int32_t vertexOffset = 0, tcOffset = 0;
    {
        LevelFileBin file(path, true, 2);
        ASSERT_TRUE(small->ExportLevel(&file, &vertexOffset, &tcOffset, false, true, 1.0f));
        ASSERT_TRUE(big->ExportLevel(&file, &vertexOffset, &tcOffset, false, true, 2.0f)) << Recorder().log.right(3000).toStdString();
    }
    const auto after = Snapshot(*big);
    for (const auto &[part, bytes] : before)
        EXPECT_TRUE(after.at(part) == bytes) << part;
    EXPECT_EQ(vertexOffset, int32_t(3 + 6 * 105 * 105 + 2));

    const std::vector<Group> groups = ReadBack(path);
    ASSERT_EQ(groups.size(), 2u);
    const Group &g = groups[1];
    EXPECT_EQ(g.name, "big_0");
    ASSERT_EQ(g.faces.size(), size_t(6 * 105 * 105));
    ASSERT_EQ(g.positions.size(), size_t(6 * 105 * 105 + 2));
    // Each written face is a face of the level, each once, its corners numbered after the
    // first group's three vertices and its texture coordinates unscaled.
    std::set<std::array<unsigned, 4>> written;
    for (size_t f = 0; f < g.faces.size(); ++f) {
        ASSERT_EQ(g.faces[f].size(), 4u);
        std::array<unsigned, 4> q;
        for (unsigned c = 0; c < 4; ++c) {
            const int index = g.faces[f][c] - 3 - 1;
            ASSERT_GE(index, 0);
            ASSERT_LT(size_t(index), g.positions.size());
            const auto at = vertexAt.find(g.positions[size_t(index)]);
            ASSERT_NE(at, vertexAt.end());
            q[c] = at->second;
            const int tc = g.tcFaces[f][c] - 3 - 1;
            ASSERT_GE(tc, 0);
            ASSERT_LT(size_t(tc), g.tcs.size());
            EXPECT_EQ(g.tcs[size_t(tc)][0], float(q[c]) * 0.125f);
        }
        ASSERT_TRUE(faces.count(q)) << f;
        written.insert(q);
    }
    EXPECT_EQ(written.size(), faces.size());
}

TEST_F(LevelExport, APartialLevelWhoseFacesCannotBeBroughtInWritesNothing)
{
    auto level = Level(fixtures::MakeGridCube<NamedLevel>(4), "partial");
    level->CalculateAdjacency();
    RemoveEveryThirdFace(*level);
    // A level of polygons refuses to give up its faces, so no chunk can be walked.
    level->m_iPolygonCount = 5;
    const auto before = Snapshot(*level);
    const QString path = m_dir.File("partial.bio");
    {
        LevelFileBin file(path, true, 1);
        ASSERT_FALSE(file.HasError());  // the header reaches the file
        const QByteArray header = TempDir::Read(path);
        int32_t vertexOffset = 7, tcOffset = 9;
        EXPECT_FALSE(level->ExportLevel(&file, &vertexOffset, &tcOffset, false, true, 1.0f));
        EXPECT_EQ(vertexOffset, 7);
        EXPECT_EQ(tcOffset, 9);
        EXPECT_EQ(TempDir::Read(path), header);
    }
    const auto after = Snapshot(*level);
    for (const auto &[part, bytes] : before)
        EXPECT_TRUE(after.at(part) == bytes) << part;
}

}  // namespace

TEST_F(LevelExport, GroupNamesAreUtf8InBothForms)
{
    const char *name = "Kopf \xc3\xa4\xc3\x9f \xe9\xa0\xad";  // letters outside Latin-1 too
    auto cube = Level(fixtures::MakeCube<NamedLevel>(), name);
    const QString bin = m_dir.File("named.bio"), obj = m_dir.File("named.obj");
    int32_t vertexOffset = 0, tcOffset = 0;
    {
        LevelFileBin file(bin, true, 1);
        ASSERT_TRUE(cube->ExportLevel(&file, &vertexOffset, &tcOffset, false, false, 1.0f));
    }
    {
        LevelFileText file(obj, true);
        ASSERT_TRUE(cube->ExportLevel(&file, &vertexOffset, &tcOffset, false, false, 1.0f));
    }
    const std::vector<Group> groups = ReadBack(bin);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].name, QString::fromUtf8(name) + "_0");
    EXPECT_TRUE(TempDir::Read(obj).startsWith(QByteArray("g ") + name + "_0\n"));
}

TEST(LevelFileBinNames, ALongNameIsCutBetweenCharacters)
{
    TempDir dir;
    const QString path = dir.File("long.bio");
    // Two letters and 127 two-byte ones: the 255-byte cut would fall inside the last one.
    QByteArray name = "xx";
    for (int i = 0; i < 127; ++i)
        name += "\xc3\xa4";
    {
        LevelFileBin file(path, true, 1);
        file.BeginGroup(name.constData(), 3, 1, 0, 0, 0);
    }
    LevelFileBin file(path, false, 0);
    QString read;
    int level = 0, type = 0, faces = 0, vertices = 0, tcs = 0;
    ASSERT_TRUE(file.ReadObject(read, level, type, faces, vertices, tcs));
    EXPECT_EQ(read, "xx" + QString(126, QChar(0xE4)));
    EXPECT_FALSE(read.contains(QChar::ReplacementCharacter));
}

namespace {
// A level file whose export loses its temporary streams right after the group header went
// out, as a failing disk would: the rest of the group cannot be read back.
template <class File>
class TornFile : public File {
public:
    using File::File;
    void BeginGroup(const char *name, int level, int type, int faceCount, int vertexCount, int tcCount) override
    {
        File::BeginGroup(name, level, type, faceCount, vertexCount, tcCount);
        if (!tear)
            return;
        const QDir temp(Recorder().tempFolder);
        for (const QString &entry : temp.entryList({"tmp*"}, QDir::Files))
            QFile::resize(temp.filePath(entry), 0);
    }
    bool tear = false;
};

template <class File>
void ExpectTheGroupTakenBack(const QString &path, File &file)
{
    auto cube = Level(fixtures::MakeCube<NamedLevel>(), "cube");
    int32_t vertexOffset = 0, tcOffset = 0;
    ASSERT_TRUE(cube->ExportLevel(&file, &vertexOffset, &tcOffset, false, true, 1.0f));
    std::fflush(nullptr);
    const QByteArray first = TempDir::Read(path);
    file.tear = true;
    EXPECT_FALSE(cube->ExportLevel(&file, &vertexOffset, &tcOffset, false, true, 1.0f));
    EXPECT_EQ(vertexOffset, 8);
    EXPECT_EQ(tcOffset, 8);
    std::fflush(nullptr);
    EXPECT_EQ(TempDir::Read(path), first);
    // The file goes on from where the first group ended.
    file.tear = false;
    ASSERT_TRUE(cube->ExportLevel(&file, &vertexOffset, &tcOffset, false, true, 1.0f));
}
}  // namespace

TEST_F(LevelExport, AGroupWhoseDataCannotBeReadBackIsTakenBack)
{
    {
        const QString path = m_dir.File("torn.bio");
        {
            TornFile<LevelFileBin> file(path, true, 2);
            ExpectTheGroupTakenBack(path, file);
        }
        const std::vector<Group> groups = ReadBack(path);
        ASSERT_EQ(groups.size(), 2u);
        // The second group numbers its vertices after the first group's eight.
        for (const std::vector<int> &face : groups[1].faces)
            for (int index : face)
                EXPECT_TRUE(index >= 9 && index <= 16) << index;
    }
    {
        const QString path = m_dir.File("torn.obj");
        {
            TornFile<LevelFileText> file(path, true);
            ExpectTheGroupTakenBack(path, file);
        }
        const QByteArray text = TempDir::Read(path);
        EXPECT_EQ(text.count("g cube_0\n"), 2);
        EXPECT_EQ(text.count("\nv "), 16);
    }
}
