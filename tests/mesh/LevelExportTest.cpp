#include "LevelFixtures.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/levels/SubdivLevel.h"
#include "support/CommaLocale.h"
#include "support/ObjReadBack.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QFile>

#include <set>

using namespace LevelFixtures;
using namespace LevelBits;

namespace {

// Level 0 of an object named "head".
class NamedLevel : public SubdivLevel {
public:
    NamedLevel(unsigned faces, unsigned vertices, unsigned tcs, unsigned unused, bool quads)
        : SubdivLevel(faces, vertices, tcs, unused, quads)
    {
        m_sName = QStringLiteral("head");
    }
};

// A named copy of the fixture cube, with one texture coordinate per corner of side +x.
std::unique_ptr<SubdivLevel> NamedCube()
{
    auto cube = MakeCube(1);
    auto named = std::make_unique<NamedLevel>(cube->m_iFaceCount, cube->m_iVertexCount, 4, 0, true);
    for (unsigned f = 0; f < cube->m_iFaceCount; ++f)
        named->m_pQuads[f] = cube->m_pQuads[f];
    for (unsigned v = 0; v < cube->m_iVertexCount; ++v)
        named->m_pVertices[v] = cube->m_pVertices[v];
    const TC tcs[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (unsigned t = 0; t < 4; ++t)
        named->m_pTCs[t] = tcs[t];
    for (unsigned c = 0; c < 4; ++c)
        named->m_pQuads[0].m_iTCI[c] = int32_t(c);
    return named;
}

class LevelExportTest : public testing::Test {
protected:
    void SetUp() override { Recorder().tempFolder = m_dir.Path(); }
    bool Export(const QString &path, std::initializer_list<SubdivLevel *> levels, bool selectedOnly, float scale)
    {
        std::FILE *file = std::fopen(QFile::encodeName(path).constData(), "w");
        unsigned vertexBase = 0, tcBase = 0, progress = 0;
        bool ok = file != nullptr;
        for (SubdivLevel *level : levels)
            ok = level->ExportFacesOBJ(file, vertexBase, tcBase, progress, 1000, selectedOnly, true, scale) && ok;
        if (file)
            std::fclose(file);
        return ok;
    }
    TempDir m_dir;
};

}  // namespace

TEST_F(LevelExportTest, TwoLevelsReadBackWithContinuingIndices)
{
    auto base = NamedCube();
    SubdivLevel &one = AddSplitLevel(*base);
    const QString path = m_dir.File("two.obj");
    ASSERT_TRUE(Export(path, {base.get(), &one}, false, 10.0f));

    ObjReadBack obj(path);
    ASSERT_TRUE(obj.ok) << obj.error;
    ASSERT_EQ(obj.shapes.size(), 2u);
    EXPECT_EQ(obj.shapes[0].name, "head_0");
    EXPECT_EQ(obj.shapes[1].name, "head_1");
    ASSERT_EQ(obj.attrib.vertices.size(), size_t(3 * (8 + 26)));
    for (unsigned v = 0; v < 8; ++v)
        for (unsigned a = 0; a < 3; ++a)
            EXPECT_EQ(obj.attrib.vertices[3 * v + a], 10.0f * (&base->m_pVertices[v].m_vPosition.x)[a]);
    ASSERT_EQ(obj.attrib.texcoords.size(), 8u);
    EXPECT_EQ(obj.attrib.texcoords[5], 1.0f);

    const auto &first = obj.shapes[0].mesh;
    ASSERT_EQ(first.num_face_vertices.size(), 6u);
    for (unsigned f = 0; f < 6; ++f)
        for (unsigned c = 0; c < 4; ++c) {
            const auto &index = first.indices[4 * f + c];
            EXPECT_EQ(index.vertex_index, int(CornerVertex(base->m_pQuads[f], c)));
            EXPECT_EQ(index.texcoord_index, f == 0 ? int(c) : -1);
        }
    // The second group's corners name its own vertices, numbered after the first group's.
    const auto &second = obj.shapes[1].mesh;
    ASSERT_EQ(second.num_face_vertices.size(), 24u);
    for (unsigned f = 0; f < 24; ++f)
        for (unsigned c = 0; c < 4; ++c) {
            const int v = second.indices[4 * f + c].vertex_index;
            ASSERT_GE(v, 8);
            const General::Vector expected = one.m_pVertices[CornerVertex(one.m_pQuads[f], c)].m_vPosition * 10.0f;
            EXPECT_EQ(obj.attrib.vertices[3 * v], expected.x);
            EXPECT_EQ(obj.attrib.vertices[3 * v + 2], expected.z);
        }
}

TEST_F(LevelExportTest, TriangleFansAreOnePolygonAndMissingTextureIndicesArePlain)
{
    // A pentagon stored as a fan of three triangles, then a lone triangle without texture coordinates.
    NamedLevel level(4, 6, 5, 0, false);
    for (unsigned v = 0; v < 6; ++v) {
        level.m_pVertices[v] = Vertex{};
        level.m_pVertices[v].m_vPosition = General::Vector(float(v), float(v % 2), 0);
    }
    for (unsigned t = 0; t < 5; ++t)
        level.m_pTCs[t] = TC{float(t) / 4, 0.5f};
    const unsigned corners[4][3] = {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {1, 5, 2}};
    for (unsigned f = 0; f < 4; ++f) {
        Triangle t{};
        for (unsigned c = 0; c < 3; ++c) {
            t.m_iIndices[c] = corners[f][c];
            t.m_iTCI[c] = f < 3 ? int32_t(corners[f][c]) : int32_t(MeshFlags::kNoTC);
        }
        if (f == 1 || f == 2)
            t.m_iIndices[2] |= MeshFlags::kBit31;
        level.m_pTriangles[f] = t;
    }
    const QString path = m_dir.File("fan.obj");
    ASSERT_TRUE(Export(path, {&level}, false, 1.0f));
    const QByteArray text = TempDir::Read(path);
    EXPECT_TRUE(text.contains("\nf 1/1 2/2 3/3 4/4 5/5\nf 2 6 3\n")) << text.constData();

    ObjReadBack obj(path);
    ASSERT_TRUE(obj.ok) << obj.error;
    ASSERT_EQ(obj.shapes.size(), 1u);
    EXPECT_EQ(std::vector<int>(obj.shapes[0].mesh.num_face_vertices.begin(), obj.shapes[0].mesh.num_face_vertices.end()), (std::vector<int>{5, 3}));
}

TEST_F(LevelExportTest, SelectedFacesAloneWriteOnlyWhatTheyUse)
{
    auto base = NamedCube();
    SetSelected(base->m_pQuads[0], true);
    SetSelected(base->m_pQuads[2], true);
    base->m_iSelectedFaces = 2;
    base->m_pQuads[0].m_iStamp = 7;
    const QString path = m_dir.File("selected.obj");
    ASSERT_TRUE(Export(path, {base.get()}, true, 1.0f));
    ObjReadBack obj(path);
    ASSERT_TRUE(obj.ok) << obj.error;
    const auto &mesh = obj.shapes[0].mesh;
    ASSERT_EQ(mesh.num_face_vertices.size(), 2u);
    std::set<unsigned> used;
    for (unsigned f : {0u, 2u})
        for (unsigned c = 0; c < 4; ++c)
            used.insert(CornerVertex(base->m_pQuads[f], c));
    EXPECT_EQ(obj.attrib.vertices.size(), 3 * used.size());
    EXPECT_EQ(obj.attrib.texcoords.size(), 8u);
    for (unsigned c = 0; c < 4; ++c) {
        const int v = mesh.indices[c].vertex_index;
        const General::Vector p = base->m_pVertices[CornerVertex(base->m_pQuads[0], c)].m_vPosition;
        EXPECT_EQ(obj.attrib.vertices[3 * v + 1], p.y);
        EXPECT_EQ(mesh.indices[c].texcoord_index, int(c));
    }
    EXPECT_EQ(mesh.indices[4].texcoord_index, -1);
    EXPECT_EQ(base->m_pQuads[0].m_iStamp, 0u);
}

TEST_F(LevelExportTest, NumbersHaveADotWhateverTheLocale)
{
    CommaLocale locale;
    if (!locale.IsActive())
        GTEST_SKIP() << "no locale with a decimal comma could be made";
    auto base = NamedCube();
    base->m_pVertices[0].m_vPosition = General::Vector(0.5f, -1.25f, 3.0f);
    const QString path = m_dir.File("locale.obj");
    ASSERT_TRUE(Export(path, {base.get()}, false, 1.0f));
    const QByteArray text = TempDir::Read(path);
    EXPECT_TRUE(text.startsWith("g head_0\nv 0.500000 -1.250000 3.000000\n")) << text.constData();
    EXPECT_FALSE(text.contains(','));
}

TEST_F(LevelExportTest, APartialLevelWritesItsVerticesInGlobalOrder)
{
    auto base = NamedCube();
    SubdivLevel &one = AddSplitLevel(*base);
    General::Store<unsigned int> list("list");
    for (unsigned f : {0u, 1u, 2u, 3u})
        list.Add(f);
    ASSERT_TRUE(one.RemoveFaces(list, false));
    const QString path = m_dir.File("partial.obj");
    ASSERT_TRUE(Export(path, {&one}, false, 1.0f));
    ObjReadBack obj(path);
    ASSERT_TRUE(obj.ok) << obj.error;
    ASSERT_EQ(obj.attrib.vertices.size(), 3u * one.m_iVertexCount);
    one.m_aVertexMap.Sort(General::Map::kBySecond);
    for (unsigned i = 0; i < one.m_iVertexCount; ++i) {
        const General::Vector p = one.m_pVertices[unsigned(one.m_aVertexMap[i].first)].m_vPosition;
        EXPECT_EQ(obj.attrib.vertices[3 * i], p.x);
        EXPECT_EQ(obj.attrib.vertices[3 * i + 1], p.y);
    }
    EXPECT_EQ(obj.shapes[0].mesh.num_face_vertices.size(), 20u);
}
