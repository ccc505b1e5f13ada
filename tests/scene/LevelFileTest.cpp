#include "scene/BTreeSpace.h"
#include "scene/LevelFileBin.h"
#include "scene/LevelFileText.h"
#include "support/CommaLocale.h"
#include "support/ObjReadBack.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDataStream>

#include <vector>

namespace {

General::Store<int> Ints(std::initializer_list<int> values)
{
    General::Store<int> store("test ints");
    for (int v : values)
        store.Add(v);
    return store;
}

std::vector<int> Vec(const General::Store<int> &store) { return std::vector<int>(store.begin(), store.end()); }

// A group as the tests write and expect it back.
struct TestGroup {
    const char *name;
    int level, type;
    std::vector<std::array<float, 3>> positions;
    std::vector<std::array<float, 2>> tcs;
    std::vector<std::vector<int>> faces, tcFaces;
};

// Two quads sharing an edge (with texture coordinates), then two triangles; indices over the file.
const TestGroup kQuads{"head", 2, 1,
                       {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}, {2, 1, 0}},
                       {{0, 0}, {0.5f, 0}, {0.5f, 1}, {0, 1}, {1, 0}, {1, 1}},
                       {{1, 2, 3, 4}, {2, 5, 6, 3}},
                       {{1, 2, 3, 4}, {2, 5, 6, 3}}};
const TestGroup kTriangles{"tail", 0, 0,
                           {{5, 0, 0}, {6, 0, 0}, {6, 1, 0}, {5, 1, 0}},
                           {},
                           {{7, 8, 9}, {7, 9, 10}},
                           {}};

void WriteGroup(LevelFile &file, const TestGroup &g)
{
    file.BeginGroup(g.name, g.level, g.type, int(g.faces.size()), int(g.positions.size()), int(g.tcs.size()));
    for (const auto &p : g.positions)
        file.WriteVertex(p.data());
    for (const auto &t : g.tcs)
        file.WriteTexCoord(t.data());
    for (size_t f = 0; f < g.faces.size(); ++f) {
        General::Store<int> indices("test face"), tcs("test tcs");
        for (int i : g.faces[f])
            indices.Add(i);
        if (!g.tcFaces.empty())
            for (int i : g.tcFaces[f])
                tcs.Add(i);
        file.WriteFace(indices, g.tcFaces.empty() ? nullptr : &tcs);
    }
}

void WriteFile(const QString &path, std::initializer_list<const TestGroup *> groups)
{
    LevelFileBin file(path, true, int(groups.size()));
    ASSERT_TRUE(file.IsOpen());
    for (const TestGroup *g : groups)
        WriteGroup(file, *g);
    EXPECT_FALSE(file.HasError());
}

// Says a point lies in the space when its x is below a bound.
class HalfSpace : public BTree::Space {
public:
    explicit HalfSpace(float below) : m_fBelow(below) {}
    bool IsFree(const General::Vector &p, float radius) override
    {
        lastRadius = radius;
        return p.x >= m_fBelow;
    }
    float GetRadius() override { return 20.0f; }
    float lastRadius = 0;

private:
    float m_fBelow;
};

// Little-endian bytes of a sequence of int32 values.
QByteArray Int32s(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values)
        bytes.append(reinterpret_cast<const char *>(&v), 4);
    return bytes;
}

}  // namespace

TEST(LevelFileBin, WritesTheGivenByteLayout)
{
    TempDir dir;
    const QString path = dir.File("one.bio");
    {
        LevelFileBin file(path, true, 1);
        file.BeginGroup("a", 3, 1, 1, 0, 0);
        file.WriteFace(Ints({1, 2, 3, 4}), nullptr);
    }
    QByteArray expected = Int32s({228, 1, 3});
    expected.append("a_3");
    expected.append(Int32s({3, 1, 1, 0, 0, 4, 1, 2, 3, 4}));
    EXPECT_EQ(TempDir::Read(path), expected);
}

TEST(LevelFileBin, ReadsBackGroupsWithIndicesOverTheWholeFile)
{
    TempDir dir;
    const QString path = dir.File("two.bio");
    WriteFile(path, {&kQuads, &kTriangles});

    LevelFileBin file(path, false, 0);
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(file.GetObjectCount(), 2);
    for (const TestGroup *g : {&kQuads, &kTriangles}) {
        QString name;
        int level = -1, type = -1, faces = -1, vertices = -1, tcs = -1;
        ASSERT_TRUE(file.ReadObject(name, level, type, faces, vertices, tcs));
        EXPECT_EQ(name, QString("%1_%2").arg(g->name).arg(g->level));
        EXPECT_EQ(level, g->level);
        EXPECT_EQ(type, g->type);
        EXPECT_EQ(faces, int(g->faces.size()));
        EXPECT_EQ(vertices, int(g->positions.size()));
        EXPECT_EQ(tcs, int(g->tcs.size()));
        for (const auto &p : g->positions) {
            float xyz[3];
            ASSERT_TRUE(file.ReadVertex(xyz));
            EXPECT_EQ(xyz[0], p[0]);
            EXPECT_EQ(xyz[2], p[2]);
        }
        for (const auto &t : g->tcs) {
            float uv[2];
            ASSERT_TRUE(file.ReadTexCoord(uv));
            EXPECT_EQ(uv[0], t[0]);
            EXPECT_EQ(uv[1], t[1]);
        }
        for (size_t f = 0; f < g->faces.size(); ++f) {
            General::Store<int> indices("i"), tcIndices("t");
            ASSERT_TRUE(file.ReadFace(indices, &tcIndices));
            EXPECT_EQ(Vec(indices), g->faces[f]);
            EXPECT_EQ(Vec(tcIndices), g->tcFaces.empty() ? std::vector<int>() : g->tcFaces[f]);
        }
    }
    QString name;
    int a, b, c, d, e;
    EXPECT_FALSE(file.ReadObject(name, a, b, c, d, e));
    EXPECT_FALSE(file.HasError());
}

TEST(LevelFileBin, KeepsTheFileInStepWhenTheCallerTakesNoTextureIndices)
{
    TempDir dir;
    const QString path = dir.File("tc.bio");
    WriteFile(path, {&kQuads});
    LevelFileBin file(path, false, 0);
    QString name;
    int level, type, faces, vertices, tcs;
    ASSERT_TRUE(file.ReadObject(name, level, type, faces, vertices, tcs));
    float buffer[3];
    for (int i = 0; i < vertices; ++i)
        file.ReadVertex(buffer);
    for (int i = 0; i < tcs; ++i)
        file.ReadTexCoord(buffer);
    General::Store<int> indices("i");
    ASSERT_TRUE(file.ReadFace(indices, nullptr));
    ASSERT_TRUE(file.ReadFace(indices, nullptr));
    EXPECT_EQ(Vec(indices), kQuads.faces[1]);
}

TEST(LevelFileBin, FilteredReadLoadsTheFacesThatTouchTheSpace)
{
    TempDir dir;
    const QString path = dir.File("filter.bio");
    // Three quads in a row at x = 0..3; the space holds x < 0.5, so only the first
    // quad's vertices 1 and 4 lie in it.
    const TestGroup row{"row", 1, 1,
                        {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}, {2, 1, 0}, {3, 0, 0}, {3, 1, 0}},
                        {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}, {0, 0}, {0, 0}, {0, 0}},
                        {{1, 2, 3, 4}, {2, 5, 6, 3}, {5, 7, 8, 6}},
                        {{1, 2, 3, 4}, {1, 2, 3, 4}, {1, 2, 3, 4}}};
    WriteFile(path, {&row});
    HalfSpace space(0.5f);
    LevelFileBin file(path, false, 0, &space);
    QString name;
    int level, type, faces, vertices, tcs;
    ASSERT_TRUE(file.ReadObject(name, level, type, faces, vertices, tcs));
    EXPECT_FLOAT_EQ(space.lastRadius, 2.0f);
    EXPECT_EQ(faces, 1);
    EXPECT_EQ(vertices, 4);  // two inside, two outside that the kept face needs
    EXPECT_EQ(tcs, 0);
    EXPECT_TRUE(Recorder().LogContains("\t50.00% of the vertices (4) are in the space\n"));
    EXPECT_TRUE(Recorder().LogContains("\t33.33% of the file must be loaded\n"));
    // The kept numbers: the inside vertices first (1, 4), then the outside ones in face order (2, 3).
    const float expectedX[] = {0, 0, 1, 1};
    const float expectedY[] = {0, 1, 0, 1};
    for (int i = 0; i < vertices; ++i) {
        float xyz[3];
        ASSERT_TRUE(file.ReadVertex(xyz));
        EXPECT_EQ(xyz[0], expectedX[i]);
        EXPECT_EQ(xyz[1], expectedY[i]);
    }
    General::Store<int> indices("i"), tcIndices("t");
    ASSERT_TRUE(file.ReadFace(indices, &tcIndices));
    EXPECT_EQ(Vec(indices), (std::vector<int>{1, 3, 4, 2}));
    EXPECT_EQ(tcIndices.GetItemCount(), 0u);
    EXPECT_FALSE(file.ReadFace(indices, nullptr));
    EXPECT_FALSE(file.HasError());
}

TEST(LevelFileBin, FilteredReadSkipsToTheKeptFacesAndReadsLaterGroupsWithTheirOwnBase)
{
    TempDir dir;
    const QString path = dir.File("later.bio");
    // A first group wholly outside the space, then a group whose faces 2 and 5 touch it.
    const TestGroup outside{"far", 0, 1, {{9, 0, 0}, {9, 1, 0}, {9, 1, 1}, {9, 0, 1}}, {}, {{1, 2, 3, 4}}, {}};
    TestGroup strip{"strip", 1, 1, {}, {}, {}, {}};
    for (int i = 0; i < 7; ++i) {
        const float x = (i == 2 || i == 5) ? 0.0f : 5.0f + float(i);
        strip.positions.push_back({x, 0, 0});
        strip.positions.push_back({x, 1, 0});
        strip.positions.push_back({x, 1, 1});
        strip.positions.push_back({x, 0, 1});
        const int b = 4 + 4 * i;
        strip.faces.push_back({b + 1, b + 2, b + 3, b + 4});
    }
    WriteFile(path, {&outside, &strip});
    HalfSpace space(1.0f);
    LevelFileBin file(path, false, 0, &space);
    QString name;
    int level, type, faces = -1, vertices = -1, tcs;
    ASSERT_TRUE(file.ReadObject(name, level, type, faces, vertices, tcs));
    EXPECT_EQ(faces, 0);
    EXPECT_EQ(vertices, 0);
    ASSERT_TRUE(file.ReadObject(name, level, type, faces, vertices, tcs));
    EXPECT_EQ(name, "strip_1");
    EXPECT_EQ(faces, 2);
    EXPECT_EQ(vertices, 8);
    float xyz[3];
    for (int i = 0; i < vertices; ++i) {
        ASSERT_TRUE(file.ReadVertex(xyz));
        EXPECT_EQ(xyz[0], 0.0f);
    }
    General::Store<int> indices("i");
    ASSERT_TRUE(file.ReadFace(indices, nullptr));
    EXPECT_EQ(Vec(indices), (std::vector<int>{1, 2, 3, 4}));  // the first group gave back no vertices
    ASSERT_TRUE(file.ReadFace(indices, nullptr));
    EXPECT_EQ(Vec(indices), (std::vector<int>{5, 6, 7, 8}));
    EXPECT_FALSE(file.HasError());
}

TEST(LevelFileBin, RefusesCorruptFiles)
{
    // A one-group quad file with two vertices, patched in one place per case.
    struct Case {
        const char *what;
        QByteArray bytes;
        bool filtered;
    };
    const QByteArray head = Int32s({228, 1, 3}) + "q_0";
    auto group = [&](std::initializer_list<int> header, std::initializer_list<int> faces) {
        QByteArray bytes = head + Int32s(header);
        bytes += QByteArray(12 * 4, '\0');  // four positions at the origin
        return bytes + Int32s(faces);
    };
    const std::vector<Case> cases = {
        {"index 0", group({0, 1, 1, 4, 0}, {4, 0, 1, 2, 3}), false},
        {"index past the group", group({0, 1, 1, 4, 0}, {4, 1, 2, 3, 5}), false},
        {"negative index", group({0, 1, 1, 4, 0}, {4, 1, 2, -3, 4}), false},
        {"three corners in a quad group", group({0, 1, 1, 4, 0}, {3, 1, 2, 3}), false},
        {"huge corner count", group({0, 1, 1, 4, 0}, {0x7FFFFFFF, 1, 2, 3}), false},
        {"filtered index past the group", group({0, 1, 1, 4, 0}, {4, 1, 2, 3, 9}), true},
        {"filtered five corners", group({0, 1, 1, 4, 0}, {5, 1, 2, 3, 4, 1}), true},
        {"type 7", group({0, 7, 1, 4, 0}, {4, 1, 2, 3, 4}), false},
        {"negative face count", group({0, 1, -1, 4, 0}, {}), false},
        {"more vertices than the file holds", group({0, 1, 1, 400000000, 0}, {4, 1, 2, 3, 4}), true},
        {"name too long", Int32s({228, 1, 300}) + QByteArray(300, 'n') + Int32s({0, 1, 0, 0, 0}), false},
        {"negative name length", Int32s({228, 1, -5}), false},
        {"short header", Int32s({228, 1, 3}) + "q_0" + Int32s({0, 1}), false},
        {"missing texture indices", group({0, 1, 1, 4, 1}, {4, 1, 2, 3, 4}), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const QString path = dir.File("bad.bio");
        TempDir::Write(path, c.bytes);
        HalfSpace space(1.0f);
        LevelFileBin file(path, false, 0, c.filtered ? &space : nullptr);
        QString name;
        int level, type, faces = 0, vertices = 0, tcs = 0;
        bool ok = file.ReadObject(name, level, type, faces, vertices, tcs);
        float buffer[3];
        for (int i = 0; ok && i < vertices; ++i)
            ok = file.ReadVertex(buffer);
        for (int i = 0; ok && i < tcs; ++i)
            ok = file.ReadTexCoord(buffer);
        General::Store<int> indices("i"), tcIndices("t");
        for (int i = 0; ok && i < faces; ++i)
            ok = file.ReadFace(indices, &tcIndices);
        EXPECT_FALSE(ok);
        EXPECT_TRUE(file.HasError());
        EXPECT_TRUE(Recorder().LogContains("is corrupt")) << Recorder().log.toStdString();
    }
}

TEST(LevelFileBin, AFileThatCannotBeOpenedIsReportedAndTransfersNothing)
{
    TempDir dir;
    const QString missing = dir.File("no/such/folder/x.bio");
    {
        LevelFileBin writer(missing, true, 1);
        EXPECT_FALSE(writer.IsOpen());
        EXPECT_TRUE(writer.HasError());
        writer.BeginGroup("a", 0, 1, 0, 0, 0);
        const float xyz[3] = {1, 2, 3};
        writer.WriteVertex(xyz);
    }
    EXPECT_TRUE(Recorder().LogContains("Cannot open level file"));
    EXPECT_FALSE(Recorder().LogContains("Assertion failed"));
    LevelFileBin reader(missing, false, 0);
    QString name;
    int a, b, c, d, e;
    EXPECT_FALSE(reader.ReadObject(name, a, b, c, d, e));
    LevelFileText text(missing, true);
    EXPECT_FALSE(text.IsOpen());
    text.BeginGroup("a", 0, 1, 0, 0, 0);
    EXPECT_FALSE(Recorder().LogContains("Assertion failed"));
}

TEST(LevelFileText, WritesObjLinesThatAnIndependentReaderReadsBack)
{
    TempDir dir;
    const QString path = dir.File("two.obj");
    {
        LevelFileText file(path, true);
        ASSERT_TRUE(file.IsOpen());
        WriteGroup(file, kQuads);
        WriteGroup(file, kTriangles);
        EXPECT_FALSE(file.HasError());
    }
    const QByteArray text = TempDir::Read(path);
    EXPECT_TRUE(text.startsWith("g head_2\nv 0.000000 0.000000 0.000000\nv 1.000000 0.000000 0.000000\n"));
    EXPECT_TRUE(text.contains("vt 0.500000 1.000000\n"));
    EXPECT_TRUE(text.contains("f 1/1 2/2 3/3 4/4\nf 2/2 5/5 6/6 3/3\ng tail_0\n"));
    EXPECT_TRUE(text.endsWith("f 7 8 9\nf 7 9 10\n"));

    ObjReadBack obj(path);
    ASSERT_TRUE(obj.ok) << obj.error;
    ASSERT_EQ(obj.attrib.vertices.size(), 30u);
    EXPECT_EQ(obj.attrib.vertices[3 * 6], 5.0f);  // first vertex of the second group
    ASSERT_EQ(obj.shapes.size(), 2u);
    EXPECT_EQ(obj.shapes[0].name, "head_2");
    EXPECT_EQ(obj.shapes[1].name, "tail_0");
    const auto &second = obj.shapes[1].mesh;
    ASSERT_EQ(second.indices.size(), 6u);
    EXPECT_EQ(second.indices[0].vertex_index, 6);
    EXPECT_EQ(second.indices[5].vertex_index, 9);
    EXPECT_EQ(second.indices[0].texcoord_index, -1);
    const auto &first = obj.shapes[0].mesh;
    EXPECT_EQ(first.indices[5].texcoord_index, 4);
    EXPECT_EQ(obj.attrib.texcoords[2 * 4], 1.0f);
}

TEST(LevelFileText, AFaceWithoutTextureIndexIsWrittenPlain)
{
    TempDir dir;
    const QString path = dir.File("plain.obj");
    {
        LevelFileText file(path, true);
        // Any corner without an index makes the face plain: "/-1" would read as a relative index.
        for (std::initializer_list<int> values : {std::initializer_list<int>{-1, -1, -1, -1}, {5, -1, 7, 8}, {5, 6, 7, -1}}) {
            const General::Store<int> tcs = Ints(values);
            file.WriteFace(Ints({1, 2, 3, 4}), &tcs);
        }
        file.WriteFace(Ints({1, 2, 3, 4}), nullptr);
        const General::Store<int> whole = Ints({5, 6, 7, 8});
        file.WriteFace(Ints({1, 2, 3, 4}), &whole);
    }
    EXPECT_EQ(TempDir::Read(path), QByteArray("f 1 2 3 4\nf 1 2 3 4\nf 1 2 3 4\nf 1 2 3 4\nf 1/5 2/6 3/7 4/8\n"));
}

TEST(LevelFileText, WritesADotWhateverTheLocale)
{
    CommaLocale locale;
    if (!locale.IsActive())
        GTEST_SKIP() << "no locale with a decimal comma could be made";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%f", 1.5);
    ASSERT_STREQ(probe, "1,500000");
    TempDir dir;
    const QString path = dir.File("locale.obj");
    {
        LevelFileText file(path, true);
        const float xyz[3] = {-1.25f, 1e6f, 0.1f};
        const float uv[2] = {0.5f, 1.0f / 3.0f};
        file.WriteVertex(xyz);
        file.WriteTexCoord(uv);
    }
    EXPECT_EQ(TempDir::Read(path), QByteArray("v -1.250000 1000000.000000 0.100000\nvt 0.500000 0.333333\n"));
}

TEST(LevelFileText, CannotBeRead)
{
    Recorder().ExpectAssertionFailures();
    TempDir dir;
    const QString path = dir.File("r.obj");
    TempDir::Write(path, "g a_0\n");
    LevelFileText file(path, false);
    QString name;
    int a, b, c, d, e;
    EXPECT_FALSE(file.ReadObject(name, a, b, c, d, e));
    EXPECT_TRUE(Recorder().LogContains("Assertion failed"));
}
