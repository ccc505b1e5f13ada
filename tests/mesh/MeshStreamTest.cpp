#include "foundation/Stream.h"
#include "mesh/core/Octree.h"
#include "support/MeshFixtures.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace fixtures;

namespace {

QByteArray Write(Mesh &mesh, const TempDir &dir)
{
    const QString path = dir.File("mesh.bin");
    {
        Stream stream(path, true);
        EXPECT_TRUE(mesh.Serialize(stream));
    }
    return TempDir::Read(path);
}

bool Read(Mesh &mesh, const QByteArray &bytes, const TempDir &dir)
{
    const QString path = dir.File("load.bin");
    TempDir::Write(path, bytes);
    Stream stream(path, false);
    const bool ok = mesh.Serialize(stream);
    EXPECT_EQ(ok, !stream.HasError());
    return ok;
}

// A closed quad mesh with everything a record can hold.
std::unique_ptr<Mesh> MakeFullQuadMesh()
{
    auto mesh = MakeGridCube(2);
    mesh->m_iTCCount = mesh->m_iVertexCount;
    mesh->m_pTCs.SetItemCount(mesh->m_iTCCount, false);
    for (unsigned i = 0; i < mesh->m_iTCCount; ++i)
        mesh->m_pTCs[i] = TC{float(i) / 26.0f, 1.0f - float(i) / 26.0f};
    mesh->CalculateAdjacency();
    mesh->CalculateNormals(false);
    BuildMirrorTable(*mesh);
    mesh->m_pQuads[3].m_iIndices[0] &= ~MeshFlags::kBit31;
    mesh->m_iHiddenFaces = 1;
    for (int f : {0, 1, 2, 4})
        mesh->m_aFaceIndexTable.Add(f);
    mesh->m_pQuads[5].m_iIndices[1] |= MeshFlags::kBit31;
    mesh->m_iSelectedFaces = 1;
    mesh->m_pQuads[6].m_iFreeze = 9;
    mesh->m_iFrozenFaces = 1;
    mesh->m_pVertices[4].m_cFreeze = 255;
    mesh->m_pVertices[4].m_cMask = 17;
    mesh->m_iFrozenVertices = 1;
    mesh->m_iStamp = 12;
    mesh->m_pQuads[7].m_iStamp = 11;
    mesh->m_pVertices[8].m_iStrokeID = 10;
    mesh->ConvertToGenericMesh();
    mesh->m_aOriginalTCs.Add(TC{0.25f, 0.75f});
    mesh->BuildOctree();
    return mesh;
}

// A triangle mesh holding a fan polygon.
std::unique_ptr<Mesh> MakeFullTriangleMesh()
{
    auto mesh = MakeTriangles({{0, 0, 0}, {1, 0, 0}, {1.5f, 1, 0}, {0.5f, 2, 0}, {-0.5f, 1, 0}, {2, 0, 0}},
                              {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {1, 5, 2}});
    mesh->m_pTriangles[1].m_iIndices[2] |= MeshFlags::kBit31;
    mesh->m_pTriangles[2].m_iIndices[2] |= MeshFlags::kBit31;
    mesh->m_pTriangles[3].m_iReserved = 0xABCD1234;
    mesh->m_iPolygonCount = 2;
    mesh->CalculateAdjacency();
    mesh->CalculateNormals(false);
    mesh->BuildOctree();
    return mesh;
}

template <class T>
bool SameBytes(const General::Store<T> &a, const General::Store<T> &b, unsigned count)
{
    return count == 0 || (a.GetItemCount() >= count && b.GetItemCount() >= count &&
           std::memcmp(a.begin(), b.begin(), size_t(count) * sizeof(T)) == 0);
}

}  // namespace

TEST(MeshRecord, CurrentVersionRoundTripIsByteIdentical)
{
    TempDir dir;
    for (auto make : {MakeFullQuadMesh, MakeFullTriangleMesh}) {
        auto source = make();
        const QByteArray first = Write(*source, dir);
        Mesh loaded;
        ASSERT_TRUE(Read(loaded, first, dir));
        EXPECT_EQ(Write(loaded, dir), first);

        EXPECT_EQ(loaded.m_eType, source->m_eType);
        EXPECT_EQ(loaded.m_iFaceCount, source->m_iFaceCount);
        EXPECT_EQ(loaded.m_iPolygonCount, source->m_iPolygonCount);
        EXPECT_EQ(loaded.m_iOpenEdges, source->m_iOpenEdges);
        EXPECT_EQ(loaded.m_iStamp, source->m_iStamp);
        EXPECT_EQ(loaded.m_bAdjacencyValid, source->m_bAdjacencyValid);
        EXPECT_TRUE(SameBytes(loaded.m_pVertices, source->m_pVertices, source->m_iVertexCount));
        EXPECT_TRUE(SameBytes(loaded.m_pQuads, source->m_pQuads, source->m_pQuads.GetItemCount()));
        EXPECT_TRUE(SameBytes(loaded.m_pTriangles, source->m_pTriangles, source->m_pTriangles.GetItemCount()));
        EXPECT_TRUE(SameBytes(loaded.m_aSymmetry, source->m_aSymmetry, source->m_aSymmetry.GetItemCount()));
        EXPECT_EQ(loaded.m_aGenericFaces.GetItemCount(), source->m_aGenericFaces.GetItemCount());
        EXPECT_EQ(loaded.m_cAABB, source->m_cAABB);
        EXPECT_EQ(loaded.m_pOctree->GetCubeCount(), source->m_pOctree->GetCubeCount());
        // The loaded octree works on the loaded faces.
        for (unsigned f = 0; f < loaded.m_iFaceCount; ++f)
            EXPECT_EQ(loaded.FaceCube(f), source->FaceCube(f));
    }
}

TEST(MeshRecord, NoTextureCoordinatesNoBytes)
{
    TempDir dir;
    auto mesh = MakeFullTriangleMesh();
    const QByteArray without = Write(*mesh, dir);
    mesh->m_pTCs.SetItemCount(6, false);  // items in the store, but the count says none
    EXPECT_EQ(Write(*mesh, dir), without);
    Mesh loaded;
    loaded.m_pTCs.SetItemCount(3, false);
    ASSERT_TRUE(Read(loaded, without, dir));
    EXPECT_EQ(loaded.m_pTCs.GetItemCount(), 0u);
}

namespace {

// Writes a mesh record the way a stream of an older version held it.
class OldRecord {
public:
    OldRecord(Mesh &mesh, int version) : m_mesh(mesh), m_iVersion(version) {}

    QByteArray Build()
    {
        Mesh &m = m_mesh;
        const int v = m_iVersion;
        Int(v);
        Int(m.m_eType);
        Int(int(m.m_iVertexCount));
        Int(int(m.m_iFaceCount));
        Int(int(m.m_iTCCount));
        Byte(m.m_bAdjacencyValid);
        Byte(m.m_bNormalsValid);
        Int(int(m.m_iStamp));
        if (v > 75) {
            Int(int(m.m_aSymmetry.GetItemCount()));
            Raw(m.m_aSymmetry.begin(), m.m_aSymmetry.GetItemCount() * 4);
        }
        if (v > 46)
            Int(int(m.m_iPolygonCount));
        if (v >= 30)
            Int(int(m.m_iOpenEdges));
        if (v > 7 && v < 30)
            Byte(0);  // the object is hidden
        if (v > 7) {
            Int(int(m.m_iHiddenFaces));
            Int(int(m.m_aFaceIndexTable.GetItemCount()));
            Raw(m.m_aFaceIndexTable.begin(), m.m_aFaceIndexTable.GetItemCount() * 4);
        }
        const bool current = v > 42;
        if (current)
            Int(16);
        for (unsigned i = 0; i < m.m_iVertexCount; ++i) {
            const Vertex &x = m.m_pVertices[i];
            if (current) {
                Raw(&x, 24);
            } else {
                Raw(&x, 16);
                Narrow(x.m_aNormal, x.m_cFreeze);
            }
        }
        m.WithFaces([&](auto &faces) {
            for (unsigned f = 0; f < m.m_iFaceCount; ++f) {
                const auto &face = faces[f];
                constexpr unsigned n = std::remove_reference_t<decltype(face)>::kCorners;
                if (current) {
                    Raw(&face, sizeof(face));
                } else {
                    Raw(&face, 8);
                    Narrow(face.m_aNormal, uint8_t(face.m_iFreeze));
                    Raw(face.m_iIndices, 12 * n);
                }
            }
        });
        Raw(m.m_pTCs.begin(), m.m_iTCCount * 8);
        if (v < 218)
            Byte(0);
        Raw(&m.m_cAABB, 24);
        Octree::Octree &o = *m.m_pOctree;
        Int(o.m_iMaxDepth);
        Int(o.m_iRoot);
        Int(o.GetCubeCount());
        for (int c = 0; c < o.GetCubeCount(); ++c) {
            const Octree::OctreeCube &cube = *o.GetCube(c);
            Raw(cube.m_aChild, 32);
            Int(cube.m_iParent);
            Raw(&cube.m_iDepth, 2);
            Byte(0);
            Byte(0);
            Int(cube.m_iIndex);
            Int(0);
            Int(int(cube.m_aFirst[0]));
            Int(0);
            Int(int(cube.m_aFirst[1]));
            if (v < 218)
                Byte(0);
            Raw(&cube.m_cBox, 24);
        }
        Raw(&o.m_iDeepest, 2);
        if (v < 30)
            Byte(1);  // obsolete
        Int(int(m.m_iSelectedFaces));
        if (v >= 20 && v < 30) {
            Byte(1);  // locked
            const QByteArray name = "old object";
            Int(name.size());
            m_bytes += name;
            Int(3);  // material identifier
        }
        if (v >= 31)
            Int(int(m.m_iFrozenFaces));
        if (v >= 83)
            Int(int(m.m_iFrozenVertices));
        if (v >= 210) {
            Int(int(m.m_aGenericFaces.GetItemCount()));
            for (GenericFace &g : m.m_aGenericFaces)
                for (auto *store : {&g.m_aVertices, &g.m_aNeighbours, &g.m_aTCIndices}) {
                    Int(int(store->GetItemCount()));
                    Raw(store->begin(), store->GetItemCount() * 4);
                }
        }
        if (v >= 217) {
            Int(int(m.m_aOriginalTCs.GetItemCount()));
            Raw(m.m_aOriginalTCs.begin(), m.m_aOriginalTCs.GetItemCount() * 8);
        }
        return m_bytes;
    }

    static int16_t Widened(int16_t component) { return int16_t(int8_t(component >> 8) * 256); }

private:
    void Int(int value) { Raw(&value, 4); }
    void Byte(unsigned char value) { Raw(&value, 1); }
    void Raw(const void *data, size_t size) { m_bytes.append(static_cast<const char *>(data), qsizetype(size)); }
    void Narrow(const int16_t *normal, uint8_t extra)
    {
        for (int i = 0; i < 3; ++i)
            Byte(uint8_t(int8_t(normal[i] >> 8)));
        Byte(extra);
    }

    Mesh &m_mesh;
    int m_iVersion;
    QByteArray m_bytes;
};

class LegacyMesh : public Mesh {
public:
    void ApplyLegacyObjectState(const LegacyObjectState &state) override
    {
        applied = true;
        this->state = state;
    }
    bool applied = false;
    LegacyObjectState state;
};

// Faces read from an old stream: as stored, with the old streams' fixes applied.
template <class Face>
void ExpectOldFaces(const General::Store<Face> &loaded, const General::Store<Face> &source, unsigned count, int v)
{
    constexpr unsigned n = Face::kCorners;
    for (unsigned f = 0; f < count; ++f) {
        const Face &a = loaded[f], &b = source[f];
        uint32_t expected[n];
        for (unsigned c = 0; c < n; ++c)
            expected[c] = b.m_iIndices[c];
        if (v <= 30)
            expected[1] &= ~MeshFlags::kBit31;
        if (v < 47 && n == 3)
            expected[2] &= ~MeshFlags::kBit31;
        for (unsigned c = 0; c < n; ++c) {
            EXPECT_EQ(a.m_iIndices[c], expected[c]) << f;
            EXPECT_EQ(a.m_iAdjacent[c], b.m_iAdjacent[c]) << f;
            EXPECT_EQ(a.m_iTCI[c], b.m_iTCI[c]) << f;
        }
        EXPECT_EQ(a.m_iStamp, v <= 35 ? 0u : b.m_iStamp);
        EXPECT_EQ(a.m_iFreeze, v > 42 ? b.m_iFreeze : uint16_t(int16_t(int8_t(uint8_t(b.m_iFreeze)))));
    }
}

}  // namespace

TEST(MeshRecord, OlderVersionsLoad)
{
    TempDir dir;
    const int versions[] = {11, 25, 30, 31, 35, 36, 42, 43, 46, 47, 75, 76, 83, 101, 102, 209, 210, 216, 217, 218, 226, 227, 228};
    for (bool triangles : {false, true}) {
        for (int v : versions) {
            SCOPED_TRACE(testing::Message() << (triangles ? "triangles, version " : "quads, version ") << v);
            auto source = triangles ? MakeFullTriangleMesh() : MakeFullQuadMesh();
            LegacyMesh loaded;
            ASSERT_TRUE(Read(loaded, OldRecord(*source, v).Build(), dir));
            EXPECT_EQ(loaded.m_iFaceCount, source->m_iFaceCount);
            EXPECT_EQ(loaded.m_iPolygonCount, v > 46 ? source->m_iPolygonCount : source->m_iFaceCount);
            EXPECT_EQ(loaded.m_iOpenEdges, v >= 30 ? source->m_iOpenEdges : 0u);
            EXPECT_EQ(loaded.m_iSelectedFaces, v <= 30 ? 0u : source->m_iSelectedFaces);
            EXPECT_EQ(loaded.m_iFrozenFaces, v <= 30 ? 0u : source->m_iFrozenFaces);
            EXPECT_EQ(loaded.m_iFrozenVertices, v >= 83 ? source->m_iFrozenVertices : 0u);
            EXPECT_EQ(loaded.m_iStamp, v <= 35 ? 1u : source->m_iStamp);
            EXPECT_EQ(loaded.m_aSymmetry.GetItemCount(), v > 75 ? source->m_aSymmetry.GetItemCount() : 0u);
            EXPECT_EQ(loaded.m_aGenericFaces.GetItemCount(), v >= 210 ? source->m_aGenericFaces.GetItemCount() : 0u);
            EXPECT_EQ(loaded.m_aOriginalTCs.GetItemCount(), v >= 217 ? source->m_aOriginalTCs.GetItemCount() : 0u);
            EXPECT_EQ(loaded.applied, v < 30);
            EXPECT_EQ(loaded.state.bHasLocked, v >= 20 && v < 30);
            if (v >= 20 && v < 30) {
                EXPECT_EQ(loaded.state.sName, QStringLiteral("old object"));
                EXPECT_EQ(loaded.state.iMaterial, 3);
                EXPECT_TRUE(loaded.state.bLocked);
                EXPECT_FALSE(loaded.state.bVisible);
            }
            for (unsigned i = 0; i < source->m_iVertexCount; ++i) {
                const Vertex &a = loaded.m_pVertices[i], &b = source->m_pVertices[i];
                EXPECT_EQ(a.m_vPosition, b.m_vPosition);
                EXPECT_EQ(a.m_iStrokeID, v <= 35 ? 0 : b.m_iStrokeID);
                EXPECT_EQ(a.m_aNormal[1], v > 42 ? b.m_aNormal[1] : OldRecord::Widened(b.m_aNormal[1]));
                EXPECT_EQ(a.m_cFreeze, b.m_cFreeze);
                EXPECT_EQ(a.m_cMask, v > 42 ? b.m_cMask : (b.m_cFreeze & 0x80 ? 255 : 0));
            }
            if (triangles)
                ExpectOldFaces(loaded.m_pTriangles, source->m_pTriangles, source->m_iFaceCount, v);
            else
                ExpectOldFaces(loaded.m_pQuads, source->m_pQuads, source->m_iFaceCount, v);
            // Streams before 227 rebuild the octree; later ones keep the stored one.
            QString why;
            EXPECT_TRUE(loaded.m_pOctree->CheckLinks(loaded.m_iFaceCount, [&](unsigned f) { return loaded.NextInCube(f, 0); }, why))
                << why.toStdString();
            for (unsigned f = 0; f < loaded.m_iFaceCount; ++f)
                EXPECT_GE(loaded.FaceCube(f), 0);
        }
    }
}

TEST(MeshRecord, StreamsBeforeVersion11AreRefused)
{
    TempDir dir;
    auto source = MakeFullQuadMesh();
    Mesh loaded;
    EXPECT_FALSE(Read(loaded, OldRecord(*source, 10).Build(), dir));
    EXPECT_TRUE(Recorder().LogContains("Mesh record refused"));
}

namespace {

// Offsets into the record of MakeFullQuadMesh written at the current version.
struct Layout {
    explicit Layout(Mesh &m)
    {
        symmetry = 4 + 22;
        const int afterSymmetry = symmetry + 4 + 4 * int(m.m_aSymmetry.GetItemCount());
        hidden = afterSymmetry + 8;
        faceIndexTable = afterSymmetry + 12;
        vertices = faceIndexTable + 4 + 4 * int(m.m_aFaceIndexTable.GetItemCount()) + 4;
        faces = vertices + 24 * int(m.m_iVertexCount);
        octree = faces + 64 * int(m.m_iFaceCount) + 8 * int(m.m_iTCCount) + 24;
        cubes = octree + 12;
    }
    int Face(unsigned f, int field) const { return faces + 64 * int(f) + field; }
    int symmetry, hidden, faceIndexTable, vertices, faces, octree, cubes;
};

void Put(QByteArray &bytes, int offset, uint32_t value) { std::memcpy(bytes.data() + offset, &value, 4); }
uint32_t Get(const QByteArray &bytes, int offset)
{
    uint32_t value = 0;
    std::memcpy(&value, bytes.constData() + offset, 4);
    return value;
}

}  // namespace

TEST(MeshRecord, TheHiddenFaceCountIsTheFacesNotTheFiles)
{
    TempDir dir;
    auto source = MakeFullQuadMesh();
    QByteArray bytes = Write(*source, dir);
    const Layout at(*source);
    ASSERT_EQ(Get(bytes, at.hidden), 1u);
    for (uint32_t stored : {0u, 4u}) {
        Put(bytes, at.hidden, stored);
        Mesh loaded;
        ASSERT_TRUE(Read(loaded, bytes, dir)) << stored;
        EXPECT_EQ(loaded.m_iHiddenFaces, 1u) << stored;
    }
}

TEST(MeshRecord, CorruptRecordsAreRefusedAndChangeNothing)
{
    TempDir dir;
    auto source = MakeFullQuadMesh();
    const QByteArray good = Write(*source, dir);
    const Layout at(*source);
    const unsigned faces = source->m_iFaceCount;
    ASSERT_EQ(Get(good, at.vertices - 4), 16u);  // the record format tag

    // The chain through the first cube that holds a face.
    unsigned chained = 0;
    while (Get(good, at.Face(chained, 0)) >= 0x80000000u)
        ++chained;

    struct Case {
        const char *name;
        std::function<void(QByteArray &)> damage;
    } cases[] = {
        {"face type", [&](QByteArray &b) { Put(b, 4, 7); }},
        {"vertex count past the file", [&](QByteArray &b) { Put(b, 8, 0x10000000); }},
        {"face count past the file", [&](QByteArray &b) { Put(b, 12, 0x7FFFFFFF); }},
        {"texture count past the file", [&](QByteArray &b) { Put(b, 16, 0x20000000); }},
        {"fewer vertices than the corners name", [&](QByteArray &b) { Put(b, 8, Get(b, 8) - 1); }},
        {"symmetry count past the file", [&](QByteArray &b) { Put(b, at.symmetry, 0x40000000); }},
        {"symmetry entry", [&](QByteArray &b) { Put(b, at.symmetry + 4 + 8, faces * 4 + 2); }},
        {"hidden count", [&](QByteArray &b) { Put(b, at.hidden, faces + 1); }},
        {"visible-face table entry", [&](QByteArray &b) { Put(b, at.faceIndexTable + 4 + 4, faces); }},
        {"corner index", [&](QByteArray &b) { Put(b, at.Face(3, 16 + 8), 1000 | 0x80000000u); }},
        {"neighbour", [&](QByteArray &b) { Put(b, at.Face(2, 32 + 4), faces * 4); }},
        {"texture index past the texture coordinates", [&](QByteArray &b) { Put(b, at.Face(4, 48 + 8), Get(b, 16)); }},
        {"negative texture index", [&](QByteArray &b) { Put(b, at.Face(0, 48), 0xFFFFFFFEu); }},
        {"octree link past the faces", [&](QByteArray &b) { Put(b, at.Face(1, 0), faces + 3); }},
        {"octree chain that loops", [&](QByteArray &b) { Put(b, at.Face(chained, 0), chained); }},
        {"chain end in another cube", [&](QByteArray &b) {
             unsigned f = 0;
             while (Get(b, at.Face(f, 0)) < 0x80000000u)
                 ++f;
             Put(b, at.Face(f, 0), Get(b, at.Face(f, 0)) + 1);
         }},
        {"octree cube count", [&](QByteArray &b) { Put(b, at.octree + 8, 0x01000000); }},
        {"octree root", [&](QByteArray &b) { Put(b, at.octree + 4, 5000); }},
        {"octree depth limit", [&](QByteArray &b) { Put(b, at.octree, 100000); }},
        {"octree child", [&](QByteArray &b) {
             const int root = int(Get(b, at.octree + 4));
             Put(b, at.cubes + 84 * root, 777);
         }},
        {"octree parent", [&](QByteArray &b) { Put(b, at.cubes + 84 * 0 + 32, 3); }},
        {"octree depths near the limit", [&](QByteArray &b) {
             // Consistent between parents and children, but a deeper tree would wrap around.
             for (int c = 0; c < int(Get(b, at.octree + 8)); ++c) {
                 int16_t depth = 0;
                 std::memcpy(&depth, b.constData() + at.cubes + 84 * c + 36, 2);
                 depth = int16_t(depth + 32000);
                 std::memcpy(b.data() + at.cubes + 84 * c + 36, &depth, 2);
             }
         }},
        {"cut inside the vertices", [&](QByteArray &b) { b.truncate(at.vertices + 30); }},
        {"cut inside the octree", [&](QByteArray &b) { b.truncate(at.cubes + 50); }},
        {"cut at the last byte", [&](QByteArray &b) { b.chop(1); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bad = good;
        c.damage(bad);
        auto mesh = MakeCube();
        mesh->BuildOctree();
        const QByteArray before = Write(*mesh, dir);
        Octree::Octree *octree = mesh->m_pOctree;
        Recorder().Clear();
        EXPECT_FALSE(Read(*mesh, bad, dir));
        EXPECT_TRUE(Recorder().LogContains(" Mesh record refused: ")) << Recorder().log.toStdString();
        EXPECT_EQ(mesh->m_pOctree, octree);
        EXPECT_EQ(Write(*mesh, dir), before);
    }
}
