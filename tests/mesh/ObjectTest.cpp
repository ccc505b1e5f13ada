#include "ObjectFixtures.h"
#include "mesh/object/MeshEdits.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "support/RecordBytes.h"
#include "support/RecordingShell.h"
#include "support/StreamAtVersion.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QByteArray>

using fixtures::RecordingMeshHost;
using fixtures::TestTransformation;
using General::Vector;

namespace {

// The mesh record of version v for `mesh` (memory images of its records: versions above 42),
// with the object fields that records before version 30 carried.
void MeshRecord(Bytes &b, int v, const Mesh &mesh)
{
    b.I32(Mesh::typeQuadric).I32(int32_t(mesh.m_iVertexCount)).I32(int32_t(mesh.m_iFaceCount));
    b.I32(int32_t(mesh.m_iTCCount)).U8(0).U8(0).I32(1);
    if (v > 75)
        b.I32(0);  // symmetry
    if (v > 46)
        b.I32(int32_t(mesh.m_iFaceCount));
    if (v >= 30)
        b.I32(0);  // open edges
    if (v > 7 && v < 30)
        b.U8(0);  // visible
    if (v > 7)
        b.I32(0).I32(0);  // hidden faces, visible-face table
    if (v > 42)
        b.I32(16);
    b.Raw(mesh.m_pVertices.begin(), int(mesh.m_iVertexCount * sizeof(Vertex)));
    b.Raw(mesh.m_pQuads.begin(), int(mesh.m_iFaceCount * sizeof(Quad)));
    b.Raw(mesh.m_pTCs.begin(), int(mesh.m_iTCCount * sizeof(TC)));
    if (v < 218)
        b.U8(0);
    b.F32(0).F32(0).F32(0).F32(-1).F32(-1).F32(-1);  // box
    b.I32(8).I32(-1).I32(0).U8(0).U8(0);              // octree without cubes (deepest: 2 bytes)
    if (v < 30)
        b.U8(0);
    b.I32(0);  // selected faces
    if (v >= 20 && v < 30)
        b.U8(1).Str("old").I32(0);  // locked, name, material
    if (v >= 31)
        b.I32(0);
    if (v >= 83)
        b.I32(0);
    if (v >= 210)
        b.I32(0);
    if (v >= 217)
        b.I32(0);
}

// The level record of version v: `levels` meshes chained upward.
void LevelRecord(Bytes &b, int v, const std::vector<const Mesh *> &levels, size_t at = 0)
{
    const Mesh &mesh = *levels[at];
    b.I32(int32_t(mesh.m_iFaceCount)).I32(int32_t(mesh.m_iVertexCount)).Str("").U8(1);
    MeshRecord(b, v, mesh);
    b.U8(at + 1 < levels.size() ? 1 : 0);
    if (at + 1 < levels.size())
        LevelRecord(b, v, levels, at + 1);
    if (v >= 36) {
        b.U8(1).U8(0).I32(1).I32(int32_t(mesh.m_iVertexCount));
        if (v < 62)
            b.I32(0).I32(0).I32(0);
        else
            b.I32(0).I32(0).I32(0).I32(0).I32(0);  // no Catmull-Clark positions, four empty swap files
    }
    if (v >= 50)
        b.I32(0);
    if (v >= 55)
        b.I32(0);
    if (v >= 59)
        b.U8(0);
    if (v >= 61)
        b.I32(0);
    if (v >= 62) {
        for (int map = 0; map < 2; ++map) {
            b.I32(0);
            b.I32(0);  // sort mode, before or after the (empty) pairs
        }
    }
}

// A layer record of version v: full strength, visible, not locked, no sub-layers, and
// empty data for each of `levels` levels.
void EmptyLayerRecord(Bytes &b, int v, const char *name, int levels)
{
    b.F32(1.0f).Str(name).U8(1);
    for (int level = 0; level < levels; ++level) {
        b.I32(0);  // records in use
        if (v >= 66)
            b.F32(1.0f);  // strength
        if (v >= 102)
            b.I32(0);  // the record store's count
    }
    if (v >= 90)
        b.I32(-1);  // no locked level
    if (v >= 110)
        b.U8(0);
    if (v >= 113)
        b.F32(1.0f);  // previous strength
    if (v >= 114)
        b.I32(0).I32(-1);  // no sub-layers, none of them active
}

class Objects : public testing::Test {
protected:
    QString Path() const { return m_dir.File("object"); }

    fixtures::ModelFixture m_model;
    RecordingMeshHost m_host;
    TempDir m_dir;
};

}  // namespace

TEST_F(Objects, NewObject)
{
    Object object;
    EXPECT_EQ(object.GetObjectName(), "mesh");
    EXPECT_EQ(object.GetName(), "mesh (1 levels)");
    EXPECT_EQ(object.LevelCount(), 1);
    EXPECT_EQ(object.GetFirstLayer(), nullptr);
    EXPECT_EQ(object.GetActiveLayer(), nullptr);
    EXPECT_EQ(object.GetMaterial(), Surface::Materials().First());
    EXPECT_EQ(object.GetMaterial()->GetName(), "defaultMat");
    EXPECT_TRUE(object.m_bVisible);
    EXPECT_FALSE(object.m_bLocked);
    EXPECT_EQ(object.m_pActiveLevel, &object);
    EXPECT_EQ(object.GetObject(), &object);
    EXPECT_EQ(object.GetLevel(1), nullptr);
    EXPECT_EQ(object.m_aSymmetryValues[0], 1.0f);

    const General::TypeInfo *record = General::TypeInfo::Find(QStringLiteral("Object"));
    ASSERT_EQ(record, &Object::s_typeInfo);
    EXPECT_EQ(record->GetParent(), &SubdivLevel::s_typeInfo);
    EXPECT_EQ(record->GetParent()->GetParent(), &Mesh::s_typeInfo);
    for (int count : {0, 1}) {
        General::Node *one = record->Create(count);
        EXPECT_EQ(one->GetName(), "mesh (1 levels)");
        delete one;
    }
    auto *three = static_cast<Object *>(record->Create(3));
    EXPECT_EQ(three[2].GetObject(), &three[2]);
    delete[] three;
}

TEST_F(Objects, LevelsAndSelection)
{
    auto object = fixtures::MakeGridObject(2, 2, 3);
    EXPECT_EQ(object->GetName(), "mesh (3 levels)");
    EXPECT_EQ(object->GetName(&Object::s_typeInfo), "mesh (3 levels)");
    EXPECT_EQ(object->GetName(&SubdivLevel::s_typeInfo), "mesh (level: 0, faces: 4)");
    EXPECT_EQ(object->GetName(&General::Node::s_typeInfo), "mesh (level: 0, faces: 4)");
    EXPECT_EQ(object->GetLevel(2)->m_iFaceCount, 64u);
    EXPECT_EQ(object->GetLevel(3), nullptr);
    EXPECT_EQ(object->GetLevel(-1), nullptr);
    EXPECT_FALSE(object->HasSelectedFaces());
    // A selected face that is shown is a selection; parked by a subdivision (hidden with its
    // selected bit kept) it is none, and the level's count goes with it.
    SubdivLevel &top = *object->GetLevel(2);
    LevelBits::SetSelected(top.m_pQuads[5], true);
    top.m_iSelectedFaces = 1;
    EXPECT_TRUE(object->HasSelectedFaces());
    LevelBits::SetVisible(top.m_pQuads[5], false);
    EXPECT_FALSE(object->HasSelectedFaces());
    EXPECT_EQ(top.m_iSelectedFaces, 0u);
}

TEST_F(Objects, DestroyingTheActiveObjectClearsIt)
{
    auto object = std::make_unique<Object>();
    Object other;
    m_host.active = object.get();
    object.reset();
    EXPECT_EQ(m_host.active, nullptr);
    m_host.active = &other;
    { Object third; }
    EXPECT_EQ(m_host.active, &other);
}

TEST_F(Objects, ChangingTheMaterialRebuildsEveryLevel)
{
    auto object = fixtures::MakeGridObject(2, 2, 3);
    auto *material = new Surface::Material(1);
    Surface::Materials().Append(material);
    material->m_aDiffuseTexture.SetValue(m_dir.File("skin_0001.png"));
    const int redraws = m_host.redraws;
    object->m_aMaterial.SetValue(material);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(object->GetLevel(i)->m_bPartitionsBuilt) << i;
        EXPECT_EQ(object->GetLevel(i)->m_aPartitions.GetItemCount(), 1u) << i;
    }
    EXPECT_EQ(m_host.redraws, redraws + 1);

    // A change of the material's texture reaches the object through the pointer.
    for (int i = 0; i < 3; ++i)
        object->GetLevel(i)->m_bPartitionsBuilt = false;
    material->m_aURange.SetValue(2);
    EXPECT_TRUE(object->GetLevel(2)->m_bPartitionsBuilt);
    EXPECT_EQ(m_host.redraws, redraws + 2);
}

TEST_F(Objects, WorldBoxAndPlacement)
{
    auto object = fixtures::MakeGridObject(2, 1);
    auto *placement = dynamic_cast<TestTransformation *>(object->GetTransformation());
    ASSERT_NE(placement, nullptr);
    EXPECT_EQ(placement->m_pSubject, object.get());
    EXPECT_EQ(object->GetTransformation(), placement);  // made once
    placement->m_aScale.SetValue(Vector(2, 2, 2));
    placement->m_aTranslate.SetValue(Vector(10, 0, 0));
    const AABB box = object->GetWorldAABB(true);
    EXPECT_EQ(box.m_vMin, Vector(10, 0, 0));
    EXPECT_EQ(box.m_vMax, Vector(14, 2, 0));

    Object empty;
    EXPECT_TRUE(empty.GetWorldAABB(true).IsEmpty());

    // A stand-alone copy of level 0 takes the faces and the placement.
    Object copy(static_cast<const Mesh &>(*object));
    EXPECT_EQ(copy.m_iFaceCount, 2u);
    EXPECT_EQ(copy.m_pVertices[5].m_vPosition, object->m_pVertices[5].m_vPosition);
    EXPECT_EQ(copy.m_pTCs[5].u, object->m_pTCs[5].u);
    EXPECT_EQ(copy.m_pQuads[1].m_iIndices[2], object->m_pQuads[1].m_iIndices[2]);
    auto *copied = dynamic_cast<TestTransformation *>(copy.GetTransformation());
    ASSERT_NE(copied, nullptr);
    EXPECT_NE(copied, placement);
    EXPECT_EQ(copied->m_aTranslate.GetValue(), Vector(10, 0, 0));
    EXPECT_EQ(copied->m_aScale.GetValue(), Vector(2, 2, 2));
}

TEST_F(Objects, MirrorFacesAcrossLevels)
{
    // Two quads mirrored onto each other with corner offset 1; face 0 on the marked side.
    auto object = fixtures::MakeGridObject(2, 1, 3);
    object->m_aObjectSymmetry.SetItemCount(2, false);
    object->m_aObjectSymmetry[0] = 0x80000000u | (1 * 4 + 1);
    object->m_aObjectSymmetry[1] = 0 * 4 + 1;

    unsigned corner = 99;
    bool side = false;
    EXPECT_EQ(object->GetSymmetricFace(0, 0, corner, side), 1u);
    EXPECT_EQ(corner, 1u);
    EXPECT_TRUE(side);

    // Level 2, face 7: ancestor 0; child position 3 on level 2 and 1 on level 1, which
    // offset 1 mirrors to 0 and 1: mirror ancestor 1 × 16 + 1 × 4 + 0.
    object->GetLevel(2)->m_iTotalFaceCount = 32;
    EXPECT_EQ(object->GetSymmetricFace(2, 7, corner, side), 20u);
    EXPECT_TRUE(side);
    // Level 1, face 5: ancestor 1, child 1, which stays 1 under offset 1.
    EXPECT_EQ(object->GetSymmetricFace(1, 5, corner, side), 1u);
    EXPECT_FALSE(side);

    // No mirror: the outputs stay.
    object->m_aObjectSymmetry[1] = 0xFFFFFFFF;
    corner = 42;
    EXPECT_EQ(object->GetSymmetricFace(1, 5, corner, side), 0xFFFFFFFFu);
    EXPECT_EQ(corner, 42u);
}

TEST_F(Objects, MirrorQueriesNeverMakeLevels)
{
    // A triangle base reads level 1's table, which this object does not have.
    auto object = std::make_unique<Object>();
    auto triangles = fixtures::MakeTriangles({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    object->m_eType = Mesh::typeTriangular;
    object->m_pTriangles.SetItemCount(1, false);
    object->m_pTriangles[0] = triangles->m_pTriangles[0];
    object->m_iFaceCount = object->m_iTotalFaceCount = 1;
    unsigned corner = 0;
    bool side = false;
    EXPECT_EQ(object->GetSymmetricFace(1, 2, corner, side), 0xFFFFFFFFu);
    EXPECT_EQ(object->LevelCount(), 1);
    EXPECT_EQ(object->GetLevel(1), nullptr);
}

TEST_F(Objects, PolygonEdgesOfMirroredFans)
{
    // Two pentagons as fans of three triangles each, the second a rotated copy.
    std::vector<Vector> p;
    for (int i = 0; i < 10; ++i)
        p.emplace_back(float(i), float(i * i % 7), 0.0f);
    auto mesh = fixtures::MakeTriangles(p, {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {6, 7, 8}, {6, 8, 9}, {6, 9, 5}});
    Object object;
    fixtures::SetVertices(object, p);
    object.m_eType = Mesh::typeTriangular;
    object.m_iFaceCount = 6;
    object.m_pTriangles.SetItemCount(6, false);
    for (unsigned t = 0; t < 6; ++t) {
        object.m_pTriangles[t] = mesh->m_pTriangles[t];
        if (t % 3)
            object.m_pTriangles[t].m_iIndices[2] |= MeshFlags::kBit31;
    }
    object.CalculateAdjacency();
    unsigned mirrorFace = 3, mirrorSlot = 2;  // edge 6-7 of the second fan
    object.MatchPolygonEdge(0, 2, mirrorFace, mirrorSlot);  // edge 0-1 of the first
    // The second fan now starts where its matching edge ends, and the mirror edge moved with it.
    EXPECT_LT(mirrorFace, 6u);
    EXPECT_GE(mirrorFace, 3u);
    Mesh::Polygon polygon;
    object.GetPolygon(polygon, 3);
    EXPECT_EQ(polygon.m_iCount, 5u);

    // On a quad object nothing changes.
    auto quads = fixtures::MakeGridObject(1, 1);
    unsigned face = 7, slot = 1;
    quads->MatchPolygonEdge(0, 0, face, slot);
    EXPECT_EQ(face, 7u);
    EXPECT_EQ(slot, 1u);
}

namespace {

// An object with two levels, layers (a tree with an active sub-layer), symmetry and a placement.
std::unique_ptr<Object> StoredObject()
{
    auto object = fixtures::MakeGridObject(1, 1, 2);
    object->SetObjectName(QStringLiteral("bust"));
    object->m_bLocked = true;
    object->m_aObjectSymmetry.SetItemCount(1, false);
    object->m_aObjectSymmetry[0] = 0xFFFFFFFF;
    object->m_aSymmetryValues[1] = 5.0f;
    object->m_bLevelsOnDisk = true;
    auto *placement = dynamic_cast<TestTransformation *>(object->GetTransformation());
    placement->m_aTranslate.SetValue(Vector(1, 2, 3));
    Layer3D *a = object->CreateLayer(nullptr, nullptr);
    Layer3D *b = object->CreateLayer(a, nullptr);
    b->LockToLevel(object->GetLevel(1));
    LayerLevel *data = b->GetLevel(object->GetLevel(1));
    data->SetVertexCount(1);
    data->SetVertex(0, 3, 1.0f);
    auto *child = new Layer3D(object.get(), nullptr);
    child->SetName(QStringLiteral("sub"));
    child->m_pParent = a;
    a->m_pFirstChild = child;
    object->SetActiveLayer(b);
    object->m_pSecondLayer = child;
    return object;
}

}  // namespace

TEST_F(Objects, RecordRoundTripsAtTheCurrentVersion)
{
    auto stored = StoredObject();
    {
        Stream stream(Path(), true);
        ASSERT_TRUE(stored->Serialize(stream));
    }
    const QByteArray first = TempDir::Read(Path());
    Object read;
    {
        Stream stream(Path(), false);
        ASSERT_TRUE(read.Serialize(stream));
        EXPECT_EQ(stream.BytesLeft(), 0u);
    }
    EXPECT_EQ(read.GetObjectName(), "bust");
    EXPECT_TRUE(read.m_bLocked);
    EXPECT_EQ(read.LevelCount(), 2);
    EXPECT_EQ(read.m_pActiveLevel, read.GetLevel(1));
    EXPECT_EQ(read.LayerCount(), 3);
    EXPECT_EQ(read.GetFirstLayer()->GetName(), "Layer 0");
    EXPECT_EQ(read.GetFirstLayer()->m_pFirstChild->GetName(), "sub");
    EXPECT_EQ(read.GetActiveLayer(), read.GetLayerByIndex(2));
    EXPECT_EQ(read.GetActiveLayer()->m_pLockedMesh, read.GetLevel(1));
    EXPECT_EQ(read.GetLevel(1)->m_pActiveLayerData, read.GetActiveLayer()->GetLevel(read.GetLevel(1)));
    // The second reference is resolved before the stored layers exist.
    EXPECT_EQ(read.m_pSecondLayer, nullptr);
    EXPECT_EQ(read.m_aObjectSymmetry.GetItemCount(), 1u);
    EXPECT_EQ(read.m_aSymmetryValues[1], 5.0f);
    EXPECT_TRUE(read.m_bLevelsOnDisk);
    EXPECT_EQ(dynamic_cast<TestTransformation *>(read.GetTransformation())->m_aTranslate.GetValue(), Vector(1, 2, 3));
    // Reading numbered the layers: the next one goes on from there.
    EXPECT_EQ(read.CreateLayer(nullptr, nullptr)->GetName(), "Layer 2");
    read.DestroyLayer(read.GetFirstLayer());

    // Stored again, the object reads back the same.
    {
        Stream stream(Path(), true);
        ASSERT_TRUE(read.Serialize(stream));
    }
    Object again;
    Stream stream(Path(), false);
    ASSERT_TRUE(again.Serialize(stream));
    EXPECT_EQ(again.GetObjectName(), "bust");
    EXPECT_EQ(again.LayerCount(), 3);
    EXPECT_EQ(again.GetActiveLayer(), again.GetLayerByIndex(2));
    EXPECT_EQ(again.GetLayerByIndex(2)->GetLevel(again.GetLevel(1))->m_aData[0].m_iGlobalVertexIndex, 3);
}

TEST_F(Objects, TheRecordEndsWithItsLayersAsTheTableGivesThem)
{
    auto stored = StoredObject();
    {
        Stream stream(Path(), true);
        ASSERT_TRUE(stored->Serialize(stream));
    }
    // From field 8 on: the second layer reference (depth first: "Layer 0", "sub", "Layer 1"),
    // the top-level layers with the active one, their records, then the fields after them.
    Bytes b;
    b.I32(1).I32(2).I32(1);
    auto emptyData = [&](float strength) {
        for (int level = 0; level < 2; ++level)
            b.I32(0).F32(strength).I32(0);
    };
    b.F32(1.0f).Str("Layer 0").U8(1);
    emptyData(1.0f);
    b.I32(-1).U8(0).F32(1.0f).I32(1).I32(-1);  // not locked; one sub-layer, not the active one
    b.F32(1.0f).Str("sub").U8(1);
    emptyData(1.0f);
    b.I32(-1).U8(0).F32(1.0f).I32(0).I32(-1);
    b.F32(1.0f).Str("Layer 1").U8(1);
    b.I32(1).F32(1.0f).I32(1).F32(0).F32(0).F32(0).F32(1.0f).I32(3);  // level 1: one record
    b.I32(0).F32(1.0f).I32(0);                                        // level 0: none
    b.I32(1).U8(0).F32(1.0f).I32(0).I32(-1);  // locked to level 1 (no scene: its index)
    const float *values = stored->m_aSymmetryValues;
    b.I32(1).I32(int32_t(0xFFFFFFFF)).F32(values[0]).F32(5).F32(values[2]).U8(1);  // symmetry, its values, levels on disk
    b.F32(1).F32(2).F32(3).F32(0).F32(0).F32(0).F32(1).F32(1).F32(1);  // the placement's record
    const QByteArray written = TempDir::Read(Path());
    ASSERT_GT(written.size(), b.Get().size());
    EXPECT_EQ(written.right(b.Get().size()).toHex().toStdString(), b.Get().toHex().toStdString());
}

TEST_F(Objects, OlderRecordsLoadAtEveryVersionGate)
{
    auto *other = new Surface::Material(3);
    Surface::Materials().Append(other);
    for (int v : {25, 30, 38, 39, 54, 55, 76, 77, 78, 79, 80, 123, 124, 206, 207, 208, 216, 217, 226}) {
        SCOPED_TRACE(v);
        // Levels with faces need the record layout of versions above 42.
        auto source = fixtures::MakeGridObject(1, 1, 2);
        if (v <= 42) {
            for (SubdivLevel *level = source.get(); level; level = level->m_pNext)
                level->m_iFaceCount = level->m_iVertexCount = level->m_iTCCount = 0;
        }
        Bytes b;
        b.I32(v);
        if (v < 30) {
            MeshRecord(b, v, *source);
        } else {
            b.U8(0).U8(1).U8(0).Str("old bust").I32(3);
            LevelRecord(b, v, {source.get(), source->GetLevel(1)});
            if (v >= 39)
                b.I32(0);  // active level 0: reading then takes the highest with visible faces
            if (v >= 77)
                b.I32(0);
        }
        if (v >= 55) {
            // Two layers in the record form of v, the second one active.
            b.I32(2).I32(1);
            EmptyLayerRecord(b, v, "old layer", 2);
            EmptyLayerRecord(b, v, "old layer", 2);
        }
        if (v >= 78)
            b.I32(1).I32(0x80000001);
        if (v >= 80)
            b.F32(0).F32(0).F32(1);
        if (v >= 124)
            b.U8(1);
        if (v >= 207)
            b.F32(4).F32(5).F32(6).F32(0).F32(0).F32(0).F32(1).F32(1).F32(1);
        if (v >= 208 && v <= 216)
            b.U8(0);
        TempDir::Write(Path(), b.Get());

        Object read;
        Stream stream(Path(), false);
        ASSERT_TRUE(read.Serialize(stream)) << Recorder().log.toStdString();
        EXPECT_EQ(stream.BytesLeft(), 0u);
        EXPECT_EQ(read.GetObjectName(), v < 30 ? "old" : "old bust");
        EXPECT_TRUE(read.m_bLocked);
        EXPECT_FALSE(read.m_bVisible);
        EXPECT_EQ(read.GetMaterial(), v < 30 ? Surface::Materials().First() : other);
        EXPECT_EQ(read.LevelCount(), v < 30 ? 1 : 2);
        EXPECT_EQ(read.m_pActiveLevel, v > 42 ? read.GetLevel(1) : read.GetLevel(0));
        EXPECT_EQ(read.LayerCount(), v >= 55 ? 2 : 0);
        if (v >= 55) {
            EXPECT_EQ(read.GetActiveLayer(), read.GetLayerByIndex(1));
            EXPECT_EQ(read.GetLayerByIndex(1)->GetName(), "old layer");
        }
        EXPECT_EQ(read.m_aObjectSymmetry.GetItemCount(), v >= 78 ? 1u : 0u);
        EXPECT_EQ(read.m_aSymmetryValues[2], v >= 80 ? 1.0f : 0.0f);
        EXPECT_EQ(read.m_bLevelsOnDisk, v >= 124);
        const Vector translate = dynamic_cast<TestTransformation *>(read.GetTransformation())->m_aTranslate.GetValue();
        EXPECT_EQ(translate, v >= 207 ? Vector(4, 5, 6) : Vector(0, 0, 0));
    }
}

TEST_F(Objects, CorruptRecordsAreRefused)
{
    auto stored = StoredObject();
    {
        Stream stream(Path(), true);
        ASSERT_TRUE(stored->Serialize(stream));
    }
    const QByteArray good = TempDir::Read(Path());
    const int layersAt = good.indexOf(QByteArray("\x02\x00\x00\x00\x01\x00\x00\x00", 8));
    ASSERT_GT(layersAt, 0);
    const struct {
        const char *name;
        QByteArray bytes;
    } cases[] = {
        {"cut in the level record", good.left(200)},
        {"cut in the layers", good.left(layersAt + 20)},
        {"a layer count the file cannot hold", QByteArray(good).replace(layersAt, 4, QByteArray("\xff\xff\xff\x0f", 4))},
        {"a negative layer count", QByteArray(good).replace(layersAt, 4, QByteArray("\xfe\xff\xff\xff", 4))},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TempDir::Write(Path(), c.bytes);
        Object read;
        Stream stream(Path(), false);
        EXPECT_FALSE(read.Serialize(stream));
        EXPECT_TRUE(stream.HasError());
    }
}

TEST_F(Objects, SelectAllFacesSelectsTheVisibleOnesAsOneEdit)
{
    struct RecordingEdits : MeshEdits {
        void SelectFaces(Mesh &mesh, const General::Store<unsigned int> &faces, bool select) override
        {
            calls.push_back({std::vector<unsigned>(faces.begin(), faces.end()), select});
            MeshEdits::SelectFaces(mesh, faces, select);
        }
        std::vector<std::pair<std::vector<unsigned>, bool>> calls;
    } edits;
    MeshEdits::Install(&edits);
    auto object = fixtures::MakeGridObject(2, 2, 1);
    ASSERT_EQ(object->m_iFaceCount, 4u);
    object->m_pQuads[0].m_iIndices[0] &= ~MeshFlags::kBit31;  // hidden
    object->m_iHiddenFaces = 1;

    object->SelectAllFaces(true);
    EXPECT_EQ(object->m_iSelectedFaces, 3u);
    EXPECT_FALSE(object->IsFaceSelected(0));
    EXPECT_TRUE(object->IsFaceSelected(3));
    object->SelectAllFaces(false);
    EXPECT_EQ(object->m_iSelectedFaces, 0u);
    EXPECT_FALSE(object->IsFaceSelected(3));
    MeshEdits::Install(nullptr);

    ASSERT_EQ(edits.calls.size(), 2u);
    EXPECT_EQ(edits.calls[0].first, (std::vector<unsigned>{1, 2, 3}));
    EXPECT_TRUE(edits.calls[0].second);
    EXPECT_FALSE(edits.calls[1].second);
    ASSERT_EQ(m_host.selected.size(), 2u);
    EXPECT_EQ(m_host.selected[0].first, object.get());
}
