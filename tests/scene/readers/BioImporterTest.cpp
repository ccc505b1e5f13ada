#include "ImportFixtures.h"

#include "scene/BTreeSpace.h"
#include "scene/LevelFileBin.h"
#include "scene/LevelFileText.h"
#include "support/RecordingShell.h"

#include <gtest/gtest.h>

using namespace importing;

namespace {

struct Snapshot {
    int type;
    std::vector<std::array<float, 3>> positions;
    std::vector<std::pair<float, float>> tcs;
    std::vector<std::vector<unsigned>> faces;
    std::vector<std::vector<int>> tcFaces;
    unsigned polygons;
    bool operator==(const Snapshot &) const = default;
};

Snapshot Snap(const Mesh &m)
{
    Snapshot s{m.m_eType, {}, {}, {}, {}, m.m_iPolygonCount};
    for (unsigned v = 0; v < m.m_iVertexCount; ++v)
        s.positions.push_back(Position(m, v));
    for (unsigned t = 0; t < m.m_iTCCount; ++t)
        s.tcs.emplace_back(m.m_pTCs[t].u, m.m_pTCs[t].v);
    for (unsigned f = 0; f < m.m_iFaceCount; ++f) {
        s.faces.push_back(Corners(m, f));
        s.tcFaces.push_back(TCIndices(m, f));
    }
    return s;
}

// Exports every object of the chain as one group of one level file.
template <class File>
void Export(const Result &imported, const QString &path)
{
    const auto objects = imported.Objects();
    File file(path, true, int(objects.size()));
    int32_t vertexOffset = 0, tcOffset = 0;
    for (Object *o : objects)
        ASSERT_TRUE(o->ExportLevel(&file, &vertexOffset, &tcOffset, false, true, 1.0f));
}

// A file of two groups: quads with texture coordinates, then triangles whose count counts
// the triangles of a pentagon.
QByteArray TwoGroups(const TempDir &dir)
{
    const QString path = dir.File("two.bio");
    {
        LevelFileBin file(path, true, 2);
        file.BeginGroup("quads", 0, 1, 1, 4, 4);
        for (float p : {0.0f, 1.0f, 2.0f, 3.0f}) {
            const float xyz[3] = {p, p * 2, 0}, uv[2] = {p / 4, 1};
            file.WriteVertex(xyz);
            file.WriteTexCoord(uv);
        }
        General::Store<int> corners("test"), tcs("test");
        for (int i : {1, 2, 3, 4})
            corners.Add(i), tcs.Add(5 - i);
        file.WriteFace(corners, &tcs);
        file.BeginGroup("pentagon", 1, 0, 3, 5, 0);
        for (float p : {10.0f, 11.0f, 12.0f, 13.0f, 14.0f}) {
            const float xyz[3] = {p, 0, p};
            file.WriteVertex(xyz);
        }
        corners.SetItemCount(0, false);
        for (int i : {5, 6, 7, 8, 9})
            corners.Add(i);
        file.WriteFace(corners, nullptr);
    }
    return TempDir::Read(path);
}

// Says a point lies in the space when its x is below 11.5.
class LowX : public BTree::Space {
public:
    bool IsFree(const General::Vector &p, float) override { return p.x >= 11.5f; }
    float GetRadius() override { return 1.0f; }
};

}  // namespace

TEST(BioImporter, ExportedLevelsImportBackEqual)
{
    TempDir dir;
    for (const char *fixture : {"assimp_cube.obj", "assimp_mixed.obj", "hand_relative.obj"}) {
        SCOPED_TRACE(fixture);
        const Result original = ImportFile(Fixture(fixture));
        ASSERT_TRUE(original.first);
        Export<LevelFileBin>(original, dir.File("levels.bio"));
        Export<LevelFileText>(original, dir.File("levels.obj"));
        for (const char *copy : {"levels.bio", "levels.obj"}) {
            const Result back = ImportFile(dir.File(copy));
            ASSERT_TRUE(back.first) << copy << ": " << back.error.toStdString();
            const auto a = original.Objects(), b = back.Objects();
            ASSERT_EQ(a.size(), b.size()) << copy;
            for (size_t i = 0; i < a.size(); ++i)
            {
                const Snapshot x = Snap(*a[i]), y = Snap(*b[i]);
                EXPECT_EQ(x.type, y.type) << copy << " object " << i;
                EXPECT_EQ(x.positions, y.positions) << copy << " object " << i;
                EXPECT_EQ(x.tcs, y.tcs) << copy << " object " << i;
                EXPECT_EQ(x.faces, y.faces) << copy << " object " << i;
                EXPECT_EQ(x.tcFaces, y.tcFaces) << copy << " object " << i;
                // The export writes the triangles of a polygon one by one.
                if (x.type == Mesh::typeQuadric)
                    EXPECT_EQ(x.polygons, y.polygons) << copy << " object " << i;
            }
        }
    }
}

TEST(BioImporter, GroupsBecomeChainedObjectsWithTheirOwnNumbering)
{
    TempDir dir;
    TwoGroups(dir);
    const Result result = ImportFile(dir.File("two.bio"));
    ASSERT_TRUE(result.first) << result.error.toStdString();
    const auto objects = result.Objects();
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_TRUE(objects[0]->GetName().startsWith("quads_0"));
    EXPECT_EQ(Snap(*objects[0]).faces, (std::vector<std::vector<unsigned>>{{0, 1, 2, 3}}));
    EXPECT_EQ(TCIndices(*objects[0], 0), (std::vector<int>{3, 2, 1, 0}));
    const Object &pentagon = *objects[1];
    EXPECT_TRUE(pentagon.GetName().startsWith("pentagon_1"));
    EXPECT_EQ(pentagon.m_eType, Mesh::typeTriangular);
    EXPECT_EQ(pentagon.m_iTCCount, 0u);
    EXPECT_EQ(pentagon.m_iPolygonCount, 1u);
    EXPECT_EQ(Snap(pentagon).faces, (std::vector<std::vector<unsigned>>{{0, 1, 2}, {0, 2, 3}, {0, 3, 4}}));
    EXPECT_EQ(TCIndices(pentagon, 2), (std::vector<int>{-1, -1, -1}));
    EXPECT_EQ(pentagon.m_pTriangles[0].m_iIndices[2] & MeshFlags::kBit31, 0u);
    EXPECT_NE(pentagon.m_pTriangles[1].m_iIndices[2] & MeshFlags::kBit31, 0u);
}

TEST(BioImporter, ASpaceLoadsOnlyTheFacesNearIt)
{
    // Two quads along x with texture coordinates; only the first lies near the space.
    TempDir dir;
    const Result original =
        ImportText("v 10 0 0\nv 11 0 0\nv 11 1 0\nv 10 1 0\nv 12 0 0\nv 12 1 0\nvt 0 0\n"
                   "f 1/1 2/1 3/1 4/1\nf 5/1 6/1 3/1 2/1\nv 20 0 0\nv 21 0 0\nv 21 1 0\nf 7 8 9\n");
    ASSERT_TRUE(original.first);
    Export<LevelFileBin>(original, dir.File("near.bio"));
    LowX space;
    const Result result = ImportFile(dir.File("near.bio"), &space);
    ASSERT_TRUE(result.first) << result.error.toStdString();
    const auto objects = result.Objects();
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0]->m_iTCCount, 0u);
    // Both quads touch a vertex below x = 11.5; the far triangle group arrives empty.
    EXPECT_EQ(Snap(*objects[0]).faces, (std::vector<std::vector<unsigned>>{{0, 1, 2, 3}, {4, 5, 2, 1}}));
    EXPECT_EQ(objects[1]->m_iFaceCount, 0u);
}

// Every way a file can be damaged gives no objects, a message and no crash or leak.
TEST(BioImporter, DamagedFilesGiveNoObjects)
{
    TempDir dir;
    const QByteArray good = TwoGroups(dir);
    std::vector<std::pair<std::string, QByteArray>> damaged;
    for (int length = 0; length < good.size(); length += 3)
        damaged.emplace_back("cut at " + std::to_string(length), good.left(length));
    auto patched = [&](int offset, int32_t value) {
        QByteArray bytes = good;
        std::memcpy(bytes.data() + offset, &value, 4);
        return bytes;
    };
    // Offsets: version 0, count 4, name length 8, "quads_0" 12, level 19, type 23, faces 27,
    // vertices 31, tcs 35, positions 39, uvs 87, corner count 119, indices 123, tc count 139, tcs 143;
    // then "pentagon_1" from 163, its face count (in triangles) at 181.
    damaged.emplace_back("huge group count", patched(4, 1000000));
    damaged.emplace_back("type 2", patched(23, 2));
    damaged.emplace_back("face count past the file", patched(27, 0x7FFFFFFF));
    damaged.emplace_back("vertex index past the group", patched(127, 5));
    damaged.emplace_back("vertex index 0", patched(123, 0));
    damaged.emplace_back("texture index past the group", patched(143, 9));
    damaged.emplace_back("quad of five corners", patched(119, 5));
    // The pentagon's group counts 3 triangles; a polygon of more corners cannot fit them.
    damaged.emplace_back("polygon larger than the group's triangles", patched(181, 2));
    damaged.emplace_back("version word of a later program", patched(0, Stream::kCurrentVersion + 1));
    damaged.emplace_back("negative version word", patched(0, -7));
    damaged.emplace_back("position not a number", patched(43, 0x7FC00000));
    damaged.emplace_back("infinite position", patched(39, int32_t(0xFF800000u)));
    for (const auto &[name, bytes] : damaged) {
        const QString path = dir.File("damaged.bio");
        TempDir::Write(path, bytes);
        const Result result = ImportFile(path);
        EXPECT_FALSE(result.first) << name;
        EXPECT_FALSE(result.error.isEmpty()) << name;
    }
    const Result missing = ImportFile(dir.File("missing.bio"));
    EXPECT_FALSE(missing.first);
    EXPECT_TRUE(missing.error.contains("cannot be opened"));
}
