#include "ImportFixtures.h"

#include "foundation/Memory.h"
#include "scene/BTreeSpace.h"
#include "support/ObjReadBack.h"
#include "support/RecordingShell.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace importing;

namespace {

using Positions = std::vector<std::array<float, 3>>;
using Faces = std::vector<std::vector<unsigned>>;

Faces AllFaces(const Mesh &mesh)
{
    Faces faces;
    for (unsigned f = 0; f < mesh.m_iFaceCount; ++f)
        faces.push_back(Corners(mesh, f));
    return faces;
}

Positions AllPositions(const Mesh &mesh)
{
    Positions positions;
    for (unsigned v = 0; v < mesh.m_iVertexCount; ++v)
        positions.push_back(Position(mesh, v));
    return positions;
}

// Says a point lies in the space when its x is below a bound.
class HalfSpace : public BTree::Space {
public:
    bool IsFree(const General::Vector &p, float) override { return p.x >= 2.0f; }
    float GetRadius() override { return 1.0f; }
};

}  // namespace

// The files another program wrote match what an independent reader sees in them.
TEST(ObjImporter, FilesWrittenByAnotherProgramImportAsTheIndependentReaderSeesThem)
{
    struct Case {
        const char *file;
        bool quads;
        unsigned faces, polygons;
    };
    const Case cases[] = {{"assimp_cube.obj", true, 6, 6}, {"assimp_mixed.obj", false, 6, 3},
                          {"assimp_two_solids.obj", false, 3, 3}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        const Result result = ImportFile(Fixture(c.file));
        ASSERT_TRUE(result.first) << result.error.toStdString();
        const Object &o = *result.first;
        EXPECT_EQ(o.m_pNextObject, nullptr);
        EXPECT_EQ(o.m_eType, c.quads ? Mesh::typeQuadric : Mesh::typeTriangular);
        EXPECT_EQ(o.m_iFaceCount, c.faces);
        EXPECT_EQ(o.m_iPolygonCount, c.polygons);

        ObjReadBack oracle(Fixture(c.file));
        ASSERT_TRUE(oracle.ok) << oracle.error;
        ASSERT_EQ(o.m_iVertexCount * 3, oracle.attrib.vertices.size());
        ASSERT_EQ(o.m_iTCCount * 2, oracle.attrib.texcoords.size());
        // Every polygon of the oracle, as a fan, in file order: same positions and texture coordinates.
        unsigned face = 0;
        for (const auto &shape : oracle.shapes) {
            size_t offset = 0;
            for (unsigned corners : shape.mesh.num_face_vertices) {
                const auto corner = [&](unsigned k) { return shape.mesh.indices[offset + k]; };
                for (unsigned j = 2; j < (c.quads ? 3u : corners); ++j, ++face) {
                    const std::vector<unsigned> ks = c.quads ? std::vector<unsigned>{0, 1, 2, 3}
                                                             : std::vector<unsigned>{0, j - 1, j};
                    for (unsigned k = 0; k < ks.size(); ++k) {
                        const auto &index = corner(ks[k]);
                        const auto expected = std::array<float, 3>{oracle.attrib.vertices[3 * index.vertex_index],
                                                                   oracle.attrib.vertices[3 * index.vertex_index + 1],
                                                                   oracle.attrib.vertices[3 * index.vertex_index + 2]};
                        EXPECT_EQ(Position(o, o.FaceVertexIndex(face, k)), expected) << "face " << face;
                        const int tc = TCIndices(o, face)[k];
                        if (index.texcoord_index < 0) {
                            EXPECT_EQ(tc, -1);
                        } else {
                            ASSERT_GE(tc, 0);
                            EXPECT_EQ(o.m_pTCs[unsigned(tc)].u, oracle.attrib.texcoords[2 * index.texcoord_index]);
                            EXPECT_EQ(o.m_pTCs[unsigned(tc)].v,
                                      oracle.attrib.texcoords[2 * index.texcoord_index + 1]);
                        }
                    }
                }
                offset += corners;
            }
        }
        EXPECT_EQ(face, c.faces);
    }
}

TEST(ObjImporter, CommentsEndALinesDataAndFacesOfTwoCornersAreLeftOutAndCounted)
{
    const Result result = ImportText("v 0 0 0\nv 1 0 0\nv 1 1 0 # a corner\nv 0 1 0\n"
                                     "g first # the group\nf 1 2 3 # and a triangle\nf 1 2\nf\n"
                                     "g second\nf 1 3 4\nf 3 4 # the rest went\n");
    ASSERT_TRUE(result.first) << result.error.toStdString();
    const Object &object = *result.first;
    ASSERT_EQ(object.m_iFaceCount, 2u);
    EXPECT_EQ(Corners(object, 0), (std::vector<unsigned>{0, 1, 2}));
    EXPECT_EQ(Corners(object, 1), (std::vector<unsigned>{0, 2, 3}));
    EXPECT_EQ(object.m_iPolygonCount, 2u);
    ASSERT_EQ(result.groups.size(), 2u);
    EXPECT_EQ(result.groups[0].name, "first");
    EXPECT_EQ(result.groups[1].name, "second");

    // The scene says what was left out.
    TempDir dir;
    TempDir::Write(dir.File("short.obj"), "v 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\nf 1 2\nf 2 3\n");
    std::unique_ptr<Importer> importer(Importer::Create(dir.File("short.obj"), nullptr));
    Importer::DeleteChain(importer->DoImport());
    EXPECT_EQ(importer->GetNotice(), "2 faces of fewer than three corners were left out (the first on line 5).");
}

TEST(ObjImporter, NamedGroupsBecomeFaceListsOfTheirObject)
{
    const Result result = ImportFile(Fixture("assimp_two_solids.obj"));
    ASSERT_TRUE(result.first);
    ASSERT_EQ(result.groups.size(), 2u);
    EXPECT_EQ(result.groups[0].name, "first");
    EXPECT_EQ(result.groups[1].name, "second");
    for (const auto &g : result.groups)
        EXPECT_EQ(g.object, result.first.get());
    EXPECT_EQ(std::vector<unsigned>(result.groups[0].faces.begin(), result.groups[0].faces.end()),
              (std::vector<unsigned>{0, 1}));
    EXPECT_EQ(std::vector<unsigned>(result.groups[1].faces.begin(), result.groups[1].faces.end()),
              (std::vector<unsigned>{2}));
}

TEST(ObjImporter, GroupsNamedDefaultOrAloneMakeNoFaceList)
{
    EXPECT_TRUE(ImportText("g only\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n").groups.empty());
    const Result result = ImportText("g default\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\ng\nf 3 2 1\n");
    ASSERT_TRUE(result.first);
    EXPECT_TRUE(result.groups.empty());
}

TEST(ObjImporter, EachBlockOfVerticesWithItsFacesIsOneObjectNamedByItsGroup)
{
    // The second block's group line stands before its vertices, as exporters write it.
    const Result result = ImportText("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n"
                                     "g second_part\nv 5 0 0\nv 6 0 0\nv 5 1 0\nf 5 6 7\n"
                                     "v 9 0 0\nv 9 1 0\nv 8 1 0\nf 8 9 10\n");
    ASSERT_TRUE(result.first) << result.error.toStdString();
    const auto objects = result.Objects();
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[0]->m_eType, Mesh::typeQuadric);
    EXPECT_EQ(objects[1]->m_eType, Mesh::typeTriangular);
    EXPECT_EQ(AllFaces(*objects[1]), (Faces{{0, 1, 2}}));
    EXPECT_EQ(AllPositions(*objects[2]), (Positions{{9, 0, 0}, {9, 1, 0}, {8, 1, 0}}));
    EXPECT_EQ(objects[0]->GetName(), Object().GetName());
    EXPECT_TRUE(objects[1]->GetName().startsWith("second_part"));
    EXPECT_TRUE(objects[2]->GetName().startsWith("mesh2"));
}

TEST(ObjImporter, NewNamesContinueTheSceneCountAndLongGroupNamesAreCut)
{
    TempDir dir;
    const QString path = dir.File("names.obj");
    TempDir::Write(path, "g " + QByteArray(80, 'n') + "\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"
                                                     "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 4 5 6\n");
    const Result result = ImportFile(path, nullptr, 4);
    const auto objects = result.Objects();
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_TRUE(objects[0]->GetName().startsWith(QString(63, 'n') + " ")) << objects[0]->GetName().toStdString();
    EXPECT_TRUE(objects[1]->GetName().startsWith("mesh5 "));
}

TEST(ObjImporter, UnusedVerticesAreDroppedAndTheRestKeepTheirOrder)
{
    const Result result = ImportText("v 9 9 9\nv 0 0 0\nv 8 8 8\nv 1 0 0\nv 0 1 0\nf 5 2 4\n");
    ASSERT_TRUE(result.first);
    EXPECT_EQ(AllPositions(*result.first), (Positions{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
    EXPECT_EQ(AllFaces(*result.first), (Faces{{2, 0, 1}}));
}

TEST(ObjImporter, PolygonsBecomeFansThatMarkTheirContinuation)
{
    const Result result = ImportFile(Fixture("hand_ngon.obj"));
    ASSERT_TRUE(result.first);
    const Object &o = *result.first;
    EXPECT_EQ(o.m_iPolygonCount, 1u);
    EXPECT_EQ(AllFaces(o), (Faces{{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 5}}));
    for (unsigned f = 0; f < o.m_iFaceCount; ++f) {
        const Triangle &t = o.m_pTriangles[f];
        EXPECT_TRUE(o.IsFaceVisible(f));
        EXPECT_FALSE(o.IsFaceSelected(f));
        EXPECT_EQ((t.m_iIndices[2] & MeshFlags::kBit31) != 0, f > 0) << f;
        EXPECT_EQ(t.m_iOctree, 0xFFFFFFFFu);
        EXPECT_EQ(t.m_iAdjacent[0], -1);
    }
}

// The hand-made files: each a form that real files take.
TEST(ObjImporter, HandMadeFormsImport)
{
    struct Case {
        const char *file;
        unsigned objects, faces, vertices, tcs;
    };
    const Case cases[] = {
        {"hand_relative.obj", 2, 1, 4, 0},    {"hand_crlf.obj", 1, 1, 4, 4},
        {"hand_bom.obj", 1, 1, 3, 0},         {"hand_tabs_comments.obj", 1, 1, 3, 0},
        {"hand_colours.obj", 1, 1, 4, 0},     {"hand_no_final_end.obj", 1, 1, 3, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        const Result result = ImportFile(Fixture(c.file));
        ASSERT_TRUE(result.first) << result.error.toStdString();
        const auto objects = result.Objects();
        EXPECT_EQ(objects.size(), c.objects);
        for (const Object *o : objects) {
            EXPECT_EQ(o->m_iFaceCount, c.faces);
            EXPECT_EQ(o->m_iVertexCount, c.vertices);
            EXPECT_EQ(o->m_iTCCount, c.tcs);
        }
    }
    const Result relative = ImportFile(Fixture("hand_relative.obj"));
    EXPECT_EQ(AllPositions(*relative.Objects()[1]), (Positions{{5, 0, 0}, {6, 0, 0}, {6, 1, 0}, {5, 1, 0}}));
    EXPECT_EQ(AllFaces(*relative.Objects()[1]), (Faces{{0, 1, 2, 3}}));
    const Result colours = ImportFile(Fixture("hand_colours.obj"));
    EXPECT_EQ(Position(*colours.first, 3), (std::array<float, 3>{0, 1, 0}));
    EXPECT_EQ(TCIndices(*colours.first, 0), (std::vector<int>{-1, -1, -1, -1}));
}

TEST(ObjImporter, ALineLongerThanTheBufferIsRead)
{
    // One polygon of 20000 corners: its face line is far over 64 KiB.
    QByteArray text;
    constexpr int kCorners = 20000;
    for (int i = 0; i < kCorners; ++i)
        text += "v " + QByteArray::number(i) + " " + QByteArray::number(i % 7) + " 0\n";
    text += "f";
    for (int i = 1; i <= kCorners; ++i)
        text += " " + QByteArray::number(i);
    text += "\n";
    const Result result = ImportText(text);
    ASSERT_TRUE(result.first) << result.error.toStdString();
    EXPECT_EQ(result.first->m_iFaceCount, unsigned(kCorners - 2));
    EXPECT_EQ(result.first->m_iPolygonCount, 1u);
    EXPECT_EQ(Corners(*result.first, kCorners - 3), (std::vector<unsigned>{0, kCorners - 2, kCorners - 1}));
}

TEST(ObjImporter, ALineBeyondTheReadersLimitRefusesTheFileNamingIt)
{
    QByteArray text = "v 0 0 0\nv 1 0 0\nv 0 1 0\n# ";
    text += QByteArray(int(TextReader::kMaxLineLength), 'x');
    text += "\nf 1 2 3\n";
    const Result result = ImportText(text);
    EXPECT_FALSE(result.first);
    EXPECT_TRUE(result.error.startsWith("Line 4 is longer than")) << result.error.toStdString();
}

TEST(ObjImporter, TextureIndicesResolveOrFallBackWithoutEverLeavingTheMesh)
{
    const QByteArray block = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n";
    struct Case {
        const char *name;
        QByteArray text;
        std::vector<int> tcs;  // of the (last) object's first face
        unsigned object;
    };
    const Case cases[] = {
        {"absolute", block + "f 1/4 2/3 3/2 4/1\n", {3, 2, 1, 0}, 0},
        {"relative", block + "f 1/-1 2/-2 3/-3 4/-4\n", {3, 2, 1, 0}, 0},
        {"no texture field: none, not the last one read", block + "f 1 2 3\n", {-1, -1, -1}, 0},
        {"v//vn has none", block + "f 1//1 2//1 3//1\n", {-1, -1, -1}, 0},
        // A coordinate of another block is copied after the mesh's own.
        {"quad into an earlier mesh", block + "f 1/1 2/2 3/3 4/4\n" + block + "f 5/1 6/6 7/7 8/8\n", {4, 1, 2, 3}, 1},
        {"triangle into an earlier mesh", block + "f 1/1 2/2 3/3\n" + block + "f 5/1 6/6 7/7\n", {4, 1, 2}, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Result result = ImportText(c.text);
        ASSERT_TRUE(result.first) << result.error.toStdString();
        EXPECT_EQ(TCIndices(*result.Objects().at(c.object), 0), c.tcs);
    }
}

TEST(ObjImporter, CoordinatesOfOtherBlocksAreKept)
{
    // The second block's faces use the first block's coordinates, and one of the trailing
    // block, which has no faces of its own.
    const Result result = ImportText("v 0 0 0\nv 1 0 0\nv 1 1 0\nvt 0.25 0.5\nvt 0.75 0.5\nf 1/1 2/2 3/1\n"
                                     "v 2 0 0\nv 3 0 0\nv 3 1 0\nv 2 1 0\nf 4/2 5/1 6/3 7/2\n"
                                     "v 9 9 9\nvt 0.125 1\n");
    ASSERT_TRUE(result.first) << result.error.toStdString();
    const auto objects = result.Objects();
    ASSERT_EQ(objects.size(), 2u);
    const Object &second = *objects[1];
    ASSERT_EQ(second.m_eType, Mesh::typeQuadric);
    const std::vector<int> tcs = TCIndices(second, 0);
    ASSERT_EQ(tcs.size(), 4u);
    EXPECT_EQ(tcs[0], tcs[3]);  // one copy per coordinate
    std::vector<std::pair<float, float>> uv;
    for (int t : tcs) {
        ASSERT_GE(t, 0);
        ASSERT_LT(unsigned(t), second.m_iTCCount);
        uv.emplace_back(second.m_pTCs[unsigned(t)].u, second.m_pTCs[unsigned(t)].v);
    }
    const std::vector<std::pair<float, float>> expected = {{0.75f, 0.5f}, {0.25f, 0.5f}, {0.125f, 1.0f}, {0.75f, 0.5f}};
    EXPECT_EQ(uv, expected);
    EXPECT_EQ(second.m_iTCCount, 3u);
}

TEST(ObjImporter, BadFacesRefuseTheFileNamingTheLine)
{
    const QByteArray block = "v 0 0 0\nv 1 0 0\nv 1 1 0\n";
    struct Case {
        QByteArray text;
        const char *message;
    };
    const Case cases[] = {
        {block + "f 0 1 2\n", "Line 4: vertex index 0 is out of range"},
        {block + "f 1 2 4\n", "Line 4: vertex index 4 is out of range"},
        {block + "f 1 2 -4\n", "Line 4: vertex index -4 is out of range"},
        {block + "f 1 2 99999999999\n", "Line 4: vertex index 2147483647 is out of range"},
        {block + "f 1 2 3x\n", "Line 4: unexpected text in a face"},
        {block + "vt 0 0\nvt 1 0\nf 1/1 2/2 3/3\n", "Line 6: texture index 3 is out of range (2 texture"},
        {block + "vt 0 0\nvt 1 0\nv 0 1 0\nf 1/1 2/2 3/1 4/9\n", "Line 7: texture index 9 is out of range"},
        {block + "vt 0 0\nf 1/1 2/-2 3/1\n", "Line 5: texture index -2 is out of range"},
        {block + "f 1 2 3\n" + block + "f 4 5 1\n", "Line 8: vertex index 1 refers to an earlier block"},
        {block + "f 1 2 3\n" + block + "f 4 5 -4\n", "Line 8: vertex index -4 refers to an earlier block"},
        {"v 1e99 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n", "Line 1: the position is not a finite number"},
        {"# nothing\n", "holds no faces"},
        {block, "holds no faces"},
    };
    for (const Case &c : cases) {
        const Result result = ImportText(c.text);
        EXPECT_FALSE(result.first) << c.message;
        EXPECT_TRUE(result.error.contains(QLatin1String(c.message))) << result.error.toStdString();
    }
}

TEST(ObjImporter, AMissingFileGivesNoObjectsAndSaysSo)
{
    Recorder().Clear();
    const Result result = ImportFile(QStringLiteral("/nonexistent/folder/mesh.obj"));
    EXPECT_FALSE(result.first);
    EXPECT_TRUE(result.error.contains("cannot be opened"));
    EXPECT_TRUE(Recorder().LogContains("Object not found </nonexistent/folder/mesh.obj>"));
}

TEST(ObjImporter, TheExtensionPicksTheImporterInAnyCase)
{
    struct Case {
        const char *path;
        const char *kind;
    };
    const Case cases[] = {{"a.obj", "obj"}, {"a.OBJ", "obj"}, {"b.Obj", "obj"}, {"a.bio", "bio"},
                          {"a.BIO", "bio"}, {"a.txt", nullptr}, {"obj", nullptr},   {"a.obj.gz", nullptr}};
    for (const Case &c : cases) {
        std::unique_ptr<Importer> importer(Importer::Create(QString::fromLatin1(c.path), nullptr));
        const char *kind = !importer                                         ? nullptr
                           : dynamic_cast<ObjImporter *>(importer.get()) ? "obj"
                                                                             : "bio";
        EXPECT_STREQ(kind, c.kind) << c.path;
    }
}

TEST(ObjImporter, ASpaceKeepsOnlyFacesThatTouchItWithoutTextureCoordinates)
{
    // Left quad inside (x < 2), middle quad shares an edge with it, right quad outside.
    HalfSpace space;
    const Result result = ImportText("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 3 0 0\nv 3 1 0\nv 5 0 0\nv 5 1 0\n"
                                     "vt 0 0\nvt 1 1\n"
                                     "f 1/1 2/1 3/1 4/1\nf 2/1 5/1 6/1 3/1\nf 5/1 7/1 8/1 6/1\n",
                                     "mesh.obj", &space);
    ASSERT_TRUE(result.first) << result.error.toStdString();
    const Object &o = *result.first;
    EXPECT_EQ(o.m_iTCCount, 0u);
    EXPECT_EQ(o.m_iFaceCount, 2u);
    EXPECT_EQ(AllPositions(o), (Positions{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {3, 0, 0}, {3, 1, 0}}));
    EXPECT_EQ(AllFaces(o), (Faces{{0, 1, 2, 3}, {1, 4, 5, 2}}));
    EXPECT_EQ(TCIndices(o, 1), (std::vector<int>{-1, -1, -1, -1}));
}

TEST(ObjImporter, ProgressRunsOverBothPassesAndACancelLeavesNothing)
{
    QByteArray text;
    for (int i = 0; i < 2000; ++i)
        text += "v " + QByteArray::number(i) + " 0 0\nv " + QByteArray::number(i) + " 1 0\n";
    for (int i = 0; i < 1999; ++i) {
        const int a = 2 * i + 1;
        text += "f " + QByteArray::number(a) + " " + QByteArray::number(a + 2) + " " + QByteArray::number(a + 3) +
                " " + QByteArray::number(a + 1) + "\n";
    }
    Recorder().Clear();
    ASSERT_TRUE(ImportText(text).first);
    EXPECT_EQ(Recorder().progressTexts, QStringList({"scanning file...", "importing from file..."}));
    EXPECT_EQ(Recorder().progressEnds, 2);
    // Bounded updates: the window gets events at most about 100 + 50 times.
    EXPECT_GT(Recorder().eventPasses, 10);
    EXPECT_LE(Recorder().eventPasses, 152);

    for (int passes : {1, 120}) {  // during the scan, then during the fill
        Recorder().Clear();
        Recorder().cancelAfterPasses = passes;
        const Result result = ImportText(text);
        EXPECT_FALSE(result.first) << passes;
        EXPECT_TRUE(result.error.contains("cancelled")) << passes;
        EXPECT_EQ(Recorder().progressEnds, int(Recorder().progressTexts.size()));
    }
    Recorder().Clear();
}

TEST(ObjImporter, RefusedMemoryGivesNoObjectsAndLeaksNothing)
{
    QByteArray text;
    for (int i = 0; i < 300; ++i)
        text += "v " + QByteArray::number(i) + " 0 0\nv " + QByteArray::number(i) + " 1 0\n";
    for (int i = 0; i < 299; ++i) {
        const int a = 2 * i + 1;
        text += "f " + QByteArray::number(a) + " " + QByteArray::number(a + 2) + " " + QByteArray::number(a + 1) +
                "\n";
    }
    TempDir dir;
    const QString path = dir.File("memory.obj");
    TempDir::Write(path, text);
    const uint64_t before = General::GetCountedMemory();
    bool succeeded = false;
    // Sweeps the limit over every allocation of the import.
    for (uint64_t room = 0; !succeeded && room < 4u << 20; room += 2048) {
        General::SetMemoryLimit(before + room);
        const Result result = ImportFile(path);
        General::SetMemoryLimit(~0ull);
        succeeded = result.first != nullptr;
        if (!succeeded)
            EXPECT_FALSE(result.error.isEmpty());
        else
            EXPECT_EQ(result.first->m_iFaceCount, 299u);
    }
    EXPECT_TRUE(succeeded);
    EXPECT_EQ(General::GetCountedMemory(), before);
}

namespace {

// Everything an import gives, in a form that compares as a whole.
struct Imported {
    QString error;
    std::vector<QString> names;
    std::vector<bool> quads;
    std::vector<unsigned> polygons;
    std::vector<Positions> positions;
    std::vector<Faces> faces;
    std::vector<std::vector<std::vector<int>>> tcIndices;
    std::vector<std::vector<std::array<float, 2>>> tcs;
    std::vector<std::pair<QString, std::vector<unsigned>>> groups;  // name and faces, each with its object's index

    bool operator==(const Imported &) const = default;
};

Imported Describe(const Result &result)
{
    Imported d;
    d.error = result.error;
    const auto objects = result.Objects();
    for (const Object *o : objects) {
        d.names.push_back(o->GetName().section(' ', 0, 0));
        d.quads.push_back(o->m_eType == Mesh::typeQuadric);
        d.polygons.push_back(o->m_iPolygonCount);
        d.positions.push_back(AllPositions(*o));
        d.faces.push_back(AllFaces(*o));
        d.tcIndices.emplace_back();
        for (unsigned f = 0; f < o->m_iFaceCount; ++f)
            d.tcIndices.back().push_back(TCIndices(*o, f));
        d.tcs.emplace_back();
        for (unsigned t = 0; t < o->m_iTCCount; ++t)
            d.tcs.back().push_back({o->m_pTCs[t].u, o->m_pTCs[t].v});
    }
    for (const auto &g : result.groups) {
        const auto at = std::find(objects.begin(), objects.end(), g.object);
        std::vector<unsigned> faces{unsigned(at - objects.begin())};
        faces.insert(faces.end(), g.faces.begin(), g.faces.end());
        d.groups.emplace_back(g.name, faces);
    }
    return d;
}

// Several meshes with groups, relative indices, texture coordinates, n-gons, comments,
// blank lines and mixed line ends, then `tail`.
QByteArray ManyMeshes(const QByteArray &tail)
{
    QByteArray text = "\xEF\xBB\xBF# made by hand\n";
    int vertices = 0, tcs = 0;
    for (int mesh = 0; mesh < 6; ++mesh) {
        const bool quads = mesh % 2 == 0;
        const QByteArray end = mesh == 3 ? "\r\n" : mesh == 4 ? "\r" : "\n";
        if (mesh != 2)
            text += "g part" + QByteArray::number(mesh % 3) + end;
        constexpr int kSide = 12;
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x)
                text += "v " + QByteArray::number(x + 0.125 * mesh) + "\t" + QByteArray::number(y) + " " +
                        QByteArray::number((x * y) % 5 * 0.5) + end;
        for (int i = 0; i < kSide * kSide; ++i)
            text += "vt " + QByteArray::number(i * 0.01) + " " + QByteArray::number(1 - i * 0.01) + end;
        text += end + "vn 0 0 1" + end;
        for (int y = 0; y + 1 < kSide; ++y) {
            if (y == 5)
                text += "g other" + end;
            for (int x = 0; x + 1 < kSide; ++x) {
                const int a = vertices + y * kSide + x + 1, b = a + 1, c = a + kSide + 1, d = a + kSide;
                const int t = tcs + y * kSide + x + 1;
                if (quads)
                    text += "f " + QByteArray::number(a) + "/" + QByteArray::number(t) + " " + QByteArray::number(b) +
                            "/" + QByteArray::number(t + 1) + "/1 " + QByteArray::number(c) + " " +
                            QByteArray::number(d - vertices - kSide * kSide - 1) + "/-1" + end;
                else if ((x + y) % 3 == 0)
                    text += "f  " + QByteArray::number(a) + " " + QByteArray::number(b) + " " + QByteArray::number(c) +
                            "/" + QByteArray::number(t) + " " + QByteArray::number(d) + " " +
                            QByteArray::number(vertices + kSide * kSide) + end;
                else
                    text += "f " + QByteArray::number(a) + "//1 " + QByteArray::number(b) + "//1 " +
                            QByteArray::number(c) + "//1" + end;
            }
        }
        vertices += kSide * kSide;
        tcs += kSide * kSide;
    }
    return text + tail;
}

}  // namespace

// Blocks parsed on several threads are taken up in file order: the meshes, groups and
// errors are those of a single thread, wherever the blocks are cut.
TEST(ObjImporter, ThreadsAndBlockSizesChangeNothing)
{
    struct Config {
        unsigned threads, blockSize;
    };
    const Config configs[] = {{2, 64}, {4, 97}, {3, 4096}, {1, 300}, {8, 1u << 16}};
    const QByteArray badTail = "v 0 0 0\nv 1 0 0\n# the bad line\nf -1 -2 99999\n";
    HalfSpace space;
    struct Case {
        const char *name;
        QByteArray text;
        BTree::Space *space;
        const char *error;  // what the error holds, when the file is refused
        int back;           // lines after the one the error names
    };
    const Case cases[] = {
        {"whole", ManyMeshes("# no final line end"), nullptr, nullptr, 0},
        {"filtered by a space", ManyMeshes(""), &space, nullptr, 0},
        {"a bad face deep in the file", ManyMeshes(badTail), nullptr, "vertex index 99999 is out of range", 0},
        {"a position that is no number", ManyMeshes("v 1e99 0 0\nv 1 0 0\nv 0 1 0\nf -1 -2 -3\n"), nullptr,
         "the position is not a finite number", 3},
        {"a line beyond the limit", ManyMeshes("# " + QByteArray(int(TextReader::kMaxLineLength), 'x')), nullptr,
         "is longer than", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const QString path = dir.File("blocks.obj");
        TempDir::Write(path, c.text);
        const Imported single = Describe(ImportFile(path, c.space, 0, 1, ObjImporter::kBlockSize));
        if (c.error) {
            EXPECT_TRUE(single.names.empty());
            EXPECT_TRUE(single.error.contains(QLatin1String(c.error))) << single.error.toStdString();
            const int lines = int(c.text.count('\n') + c.text.count('\r') - c.text.count("\r\n")) +
                              (c.text.endsWith('\n') ? 0 : 1);
            EXPECT_TRUE(single.error.startsWith(QStringLiteral("Line %1:").arg(lines - c.back)) ||
                        single.error.startsWith(QStringLiteral("Line %1 ").arg(lines - c.back)))
                << single.error.toStdString();
        } else {
            ASSERT_TRUE(single.error.isEmpty()) << single.error.toStdString();
            EXPECT_EQ(single.names.size(), 6u);
            // part0 and other in the first mesh; the third has no group line and stays in "other".
            EXPECT_EQ(single.groups.size(), 11u);
        }
        for (const Config &config : configs) {
            if (!c.space && !c.error && config.blockSize < 4096)
                continue;
            SCOPED_TRACE(testing::Message() << config.threads << " threads, blocks of " << config.blockSize);
            EXPECT_TRUE(Describe(ImportFile(path, c.space, 0, config.threads, config.blockSize)) == single);
        }
    }

    // A cancel while blocks are parsed ahead stops the threads and leaves nothing.
    TempDir dir;
    const QString path = dir.File("cancel.obj");
    TempDir::Write(path, ManyMeshes(""));
    for (int passes : {1, 60}) {  // during the scan, then during the fill
        Recorder().Clear();
        Recorder().cancelAfterPasses = passes;
        const Result result = ImportFile(path, nullptr, 0, 4, 256);
        EXPECT_FALSE(result.first) << passes;
        EXPECT_TRUE(result.error.contains("cancelled")) << passes;
        EXPECT_EQ(Recorder().progressEnds, int(Recorder().progressTexts.size()));
    }
    Recorder().Clear();
}
