#include "ObjectFixtures.h"
#include "support/RecordBytes.h"
#include "support/RecordingShell.h"
#include "support/StreamAtVersion.h"
#include "support/TempDir.h"

#include "mesh/levels/LevelSwapFiles.h"

#include <gtest/gtest.h>

#include <iterator>
#include <limits>

#include <cstring>
#include <functional>

using fixtures::Position;
using General::Vector;

namespace {

class Layers : public testing::Test {
protected:
    // Gives `layer`, locked to the object's active level, offset (0, 0, v + 1) at the listed vertices.
    static void Sculpt(Layer3D *layer, const std::vector<unsigned> &vertices)
    {
        SubdivLevel *level = layer->GetOwner()->m_pActiveLevel;
        ASSERT_TRUE(layer->LockToLevel(level));
        LayerLevel *data = layer->GetLevel(level);
        ASSERT_NE(data, nullptr);
        for (unsigned v : vertices) {
            const int index = data->FindVertex(v, true);
            data->SetOffset(v, index, Vector(0, 0, float(v + 1)));
        }
        ASSERT_TRUE(data->Extend());
    }

    std::vector<Vector> Positions() const
    {
        std::vector<Vector> p;
        for (unsigned i = 0; i < m_pObject->m_iVertexCount; ++i)
            p.push_back(Position(*m_pObject, i));
        return p;
    }

    fixtures::ModelFixture m_model;
    fixtures::RecordingMeshHost m_host;
    std::unique_ptr<Object> m_pObject = fixtures::MakeGridObject(3, 3);
    TempDir m_dir;
};

}  // namespace

TEST_F(Layers, NamesCountUpAndAreNeverReused)
{
    Layer3D *first = m_pObject->CreateLayer(nullptr, nullptr);
    Layer3D *second = m_pObject->CreateLayer(nullptr, nullptr);
    EXPECT_EQ(first->GetName(), "Layer 0");
    EXPECT_EQ(second->GetName(), "Layer 1");
    m_pObject->DeleteLayer(second);
    EXPECT_EQ(m_pObject->CreateLayer(first, nullptr)->GetName(), "Layer 2");

    // Without `after` a layer goes to the head; with it, right after.
    Layer3D *head = m_pObject->CreateLayer(nullptr, nullptr);
    EXPECT_EQ(m_pObject->GetFirstLayer(), head);
    EXPECT_EQ(m_pObject->GetLayerByIndex(1), first);
    EXPECT_EQ(m_pObject->GetLayerByIndex(2)->GetName(), "Layer 2");
    EXPECT_EQ(m_pObject->LayerCount(), 3);
    EXPECT_EQ(m_pObject->GetLayerIndex(first), 1);
    EXPECT_EQ(m_pObject->GetLayerByIndex(-1), nullptr);
}

TEST_F(Layers, NewLayerIsFullVisibleAndEmptyOnEveryLevel)
{
    auto object = fixtures::MakeGridObject(2, 2, 3);
    Layer3D *layer = object->CreateLayer(nullptr, nullptr);
    EXPECT_EQ(layer->GetStrength(), 1.0f);
    EXPECT_TRUE(layer->IsVisible());
    EXPECT_FALSE(layer->IsLocked());
    EXPECT_EQ(layer->GetLevelIndex(), -1);
    for (int i = 0; i < 3; ++i) {
        LayerLevel *data = layer->GetLevel(object->GetLevel(i));
        ASSERT_NE(data, nullptr) << i;
        EXPECT_EQ(data->m_iVertexCount, 0u);
        EXPECT_EQ(data->m_fStrength, 1.0f);
    }
}

TEST_F(Layers, StrengthChangesApplyDifferences)
{
    const std::vector<Vector> base = Positions();
    Layer3D *layer = m_pObject->CreateLayer(nullptr, nullptr);
    Sculpt(layer, {0, 5, 15});
    const std::vector<Vector> sculpted = Positions();
    EXPECT_EQ(sculpted[5], base[5] + Vector(0, 0, 6));

    layer->SetTransparency(0.5f, true, false);
    EXPECT_EQ(Position(*m_pObject, 5), base[5] + Vector(0, 0, 3));
    EXPECT_EQ(layer->GetLevel(m_pObject.get())->m_fStrength, 0.5f);
    layer->SetTransparency(1.0f, true, false);
    EXPECT_EQ(Positions(), sculpted);

    // Without apply only the numbers change.
    layer->SetTransparency(0.25f, false, false);
    EXPECT_EQ(Positions(), sculpted);
}

TEST_F(Layers, HideAndShowRoundTrip)
{
    const std::vector<Vector> base = Positions();
    Layer3D *layer = m_pObject->CreateLayer(nullptr, nullptr);
    Sculpt(layer, {1, 2, 3});
    const std::vector<Vector> sculpted = Positions();

    layer->SetVisible(false);
    EXPECT_EQ(Positions(), base);
    const int redraws = m_host.redraws;
    layer->SetVisible(false);  // already hidden: nothing
    EXPECT_EQ(Positions(), base);
    EXPECT_EQ(m_host.redraws, redraws);
    layer->SetVisible(true);
    EXPECT_EQ(Positions(), sculpted);
}

TEST_F(Layers, DuplicateDoublesTheEffectOnce)
{
    const std::vector<Vector> base = Positions();
    Layer3D *layer = m_pObject->CreateLayer(nullptr, nullptr);
    Sculpt(layer, {4, 9});
    Layer3D *copy = m_pObject->CreateLayer(layer, layer);
    EXPECT_TRUE(copy->IsVisible());
    EXPECT_EQ(copy->m_pLockedMesh, m_pObject.get());
    const LayerLevel *a = layer->GetLevel(m_pObject.get());
    const LayerLevel *b = copy->GetLevel(m_pObject.get());
    ASSERT_EQ(a->m_iVertexCount, b->m_iVertexCount);
    for (unsigned i = 0; i < a->m_iVertexCount; ++i) {
        EXPECT_EQ(a->m_aData[i].m_vOffset, b->m_aData[i].m_vOffset);
        EXPECT_EQ(a->m_aData[i].m_iGlobalVertexIndex, b->m_aData[i].m_iGlobalVertexIndex);
    }
    EXPECT_EQ(Position(*m_pObject, 4), base[4] + Vector(0, 0, 10));
    EXPECT_EQ(Position(*m_pObject, 9), base[9] + Vector(0, 0, 20));
    EXPECT_EQ(Position(*m_pObject, 0), base[0]);
}

TEST_F(Layers, ExtendMergesInterleavedRecordsInOrder)
{
    Recorder().ExpectAssertionFailures();
    Layer3D *layer = m_pObject->CreateLayer(nullptr, nullptr);
    LayerLevel *data = layer->GetLevel(m_pObject.get());
    for (unsigned v : {10u, 2u, 6u})
        data->FindVertex(v, true);
    ASSERT_TRUE(data->Extend());
    EXPECT_TRUE(Recorder().LogContains("Layer extended, vertex count: 3\n"));
    for (unsigned v : {7u, 1u, 15u, 3u})
        EXPECT_LT(data->FindVertex(v, true), 0);
    EXPECT_EQ(data->FindVertex(6, true), 1);  // found: no new record
    ASSERT_TRUE(data->Extend());
    std::vector<int> ids;
    for (unsigned i = 0; i < data->m_iVertexCount; ++i)
        ids.push_back(data->m_aData[i].m_iGlobalVertexIndex);
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 6, 7, 10, 15}));
    EXPECT_EQ(m_host.objectInfoRefreshes, 2);
    EXPECT_EQ(data->GetVertexData(7), nullptr);  // past the records: reported
}

TEST_F(Layers, LockingToALevel)
{
    auto object = fixtures::MakeGridObject(2, 2, 2);
    Layer3D *layer = object->CreateLayer(nullptr, nullptr);
    SubdivLevel *one = object->GetLevel(1);
    EXPECT_TRUE(layer->LockToLevel(one));
    EXPECT_EQ(m_host.layerListRefreshes, 1);
    EXPECT_TRUE(layer->LockToLevel(one));
    EXPECT_FALSE(layer->LockToLevel(object.get()));
    EXPECT_EQ(Recorder().statusMessages, QStringList{"This layer is currently locked to level 1"});
    EXPECT_EQ(Recorder().statusStates, std::vector<int>{2});
    EXPECT_EQ(layer->GetLevelIndex(), 1);

    // While level 0 is active the layer can be neither changed nor deleted.
    layer->SetVisible(false);
    EXPECT_TRUE(layer->IsVisible());
    layer->SetTransparency(0.5f, true, false);
    EXPECT_EQ(layer->GetStrength(), 1.0f);
    object->DeleteLayer(layer);
    EXPECT_EQ(object->GetFirstLayer(), layer);
    EXPECT_EQ(Recorder().statusMessages.mid(1),
              (QStringList{"Locked layers can be adjusted on the active level only!",
                           "Locked layers can be adjusted on the active level only!",
                           "Layer can be deleted on the locked level only!"}));

    object->m_pActiveLevel = one;
    object->DeleteLayer(layer);
    EXPECT_EQ(object->GetFirstLayer(), nullptr);
}

TEST_F(Layers, SubLayersFollowTheirParentsStrength)
{
    const std::vector<Vector> base = Positions();
    Layer3D *parent = m_pObject->CreateLayer(nullptr, nullptr);
    Sculpt(parent, {0});
    // A sub-layer, as a stored tree brings them.
    auto *child = new Layer3D(m_pObject.get(), nullptr);
    child->m_pParent = parent;
    parent->m_pFirstChild = child;
    Sculpt(child, {1});
    EXPECT_EQ(m_pObject->LayerCount(), 2);
    EXPECT_EQ(m_pObject->GetLayerByIndex(1), child);

    parent->SetTransparency(0.5f, true, false);
    EXPECT_EQ(Position(*m_pObject, 0), base[0] + Vector(0, 0, 0.5f));
    EXPECT_EQ(Position(*m_pObject, 1), base[1] + Vector(0, 0, 1.0f));
    EXPECT_FLOAT_EQ(child->GetEffectiveStrength(), 0.5f);

    parent->SetTransparency(1.0f, true, false);
    EXPECT_EQ(Position(*m_pObject, 1), base[1] + Vector(0, 0, 2.0f));

    // Deleting the parent takes the child's offsets off too, and the active layer with it.
    m_pObject->SetActiveLayer(child);
    m_pObject->DeleteLayer(parent);
    EXPECT_EQ(Positions(), base);
    EXPECT_EQ(m_pObject->GetActiveLayer(), nullptr);
    EXPECT_EQ(m_pObject->m_pActiveLayerData, nullptr);
}

TEST_F(Layers, MergeBakeAndDestroy)
{
    Layer3D *target = m_pObject->CreateLayer(nullptr, nullptr);
    Sculpt(target, {2, 8});
    Layer3D *source = m_pObject->CreateLayer(target, nullptr);
    Sculpt(source, {8, 12});
    const std::vector<Vector> sculpted = Positions();
    m_pObject->SetActiveLayer(source);

    m_pObject->MergeLayer(source, target);
    EXPECT_EQ(m_pObject->LayerCount(), 1);
    EXPECT_EQ(m_pObject->GetActiveLayer(), nullptr);
    const LayerLevel *data = target->GetLevel(m_pObject.get());
    ASSERT_EQ(data->m_iVertexCount, 3u);
    EXPECT_EQ(data->m_aData[1].m_iGlobalVertexIndex, 8);
    EXPECT_EQ(data->m_aData[1].m_vOffset, Vector(0, 0, 18));
    EXPECT_EQ(Positions(), sculpted);

    // Baking keeps the shape and makes every weight and strength 1.
    target->SetTransparency(0.5f, true, false);
    LayerLevel *weighted = target->GetLevel(m_pObject.get());
    const std::vector<Vector> half = Positions();
    target->BakeStrength();
    EXPECT_EQ(target->GetStrength(), 1.0f);
    EXPECT_EQ(weighted->m_fStrength, 1.0f);
    EXPECT_EQ(weighted->m_aData[1].m_vOffset, Vector(0, 0, 9));
    EXPECT_EQ(Positions(), half);

    // Destroying leaves the mesh alone.
    m_pObject->DestroyLayer(target);
    EXPECT_EQ(m_pObject->GetFirstLayer(), nullptr);
    EXPECT_EQ(Positions(), half);
}

TEST_F(Layers, WeightsMaskAndVertexMapping)
{
    Layer3D *layer = m_pObject->CreateLayer(nullptr, nullptr);
    LayerLevel *data = layer->GetLevel(m_pObject.get());
    ASSERT_TRUE(data->SetVertexCount(2));
    data->SetVertex(0, 3, 0.5f);
    data->SetVertex(1, 7, 0.0f);
    data->ApplyWeightsToMask();
    EXPECT_EQ(m_pObject->m_pVertices[3].m_cMask, 127);
    EXPECT_EQ(m_pObject->m_pVertices[7].m_cMask, 0);
    EXPECT_EQ(m_pObject->m_pVertices[4].m_cMask, 255);
    // Weights a damaged file may hold are held to the byte's range.
    const float loaded[] = {-0.5f, 1.5f, std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::infinity()};
    const uint8_t expected[] = {0, 255, 0, 0};
    for (size_t i = 0; i < std::size(loaded); ++i) {
        data->SetVertex(0, 3, loaded[i]);
        m_pObject->m_pVertices[3].m_cMask = 99;
        data->ApplyWeightsToMask();
        EXPECT_EQ(m_pObject->m_pVertices[3].m_cMask, expected[i]) << loaded[i];
    }
    data->SetVertex(0, 3, 0.5f);

    General::Store<General::IntPair> table("test table");
    ASSERT_TRUE(data->MapVertices(table));
    ASSERT_EQ(table.GetItemCount(), m_pObject->m_iVertexCount);
    EXPECT_EQ(table[3], (General::IntPair{3, 0}));
    EXPECT_EQ(table[7], (General::IntPair{7, 1}));
    EXPECT_EQ(table[8].second, -1);

    // With the layer weights shown, making the layer active writes them to the mask.
    m_pObject->m_pVertices[7].m_cMask = 200;
    m_host.layerWeights = true;
    m_pObject->SetActiveLayer(layer);
    EXPECT_EQ(m_pObject->m_pVertices[7].m_cMask, 0);
    EXPECT_TRUE(m_pObject->m_bRecreateBuffers);
    EXPECT_EQ(m_pObject->m_pActiveLayerData, data);
}

TEST_F(Layers, VertexLookupsAndGlobalWalksLeaveTheVertexMapInOneOrder)
{
    // Local vertex i is global vertex 2 × (n - 1 - i): the two orders are opposite.
    const unsigned n = m_pObject->m_iVertexCount;
    General::Map &map = m_pObject->m_aVertexMap;
    for (unsigned i = 0; i < n; ++i)
        map.Add({int(i), int(2 * (n - 1 - i))});
    Layer3D *layer = m_pObject->CreateLayer(nullptr, nullptr);
    LayerLevel *data = layer->GetLevel(m_pObject.get());
    ASSERT_TRUE(data->SetVertexCount(2));
    data->SetVertex(0, 2, 0.5f);  // local n - 2
    data->SetVertex(1, 4, 0.5f);  // local n - 3
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(data->FindVertex(n - 2, false), 0);
        EXPECT_EQ(data->FindVertex(n - 3, false), 1);
        EXPECT_EQ(data->FindVertex(0, false), -1);
        const int order = map.GetSortMode();
        General::Store<General::IntPair> table("test table");
        ASSERT_TRUE(data->MapVertices(table));
        EXPECT_EQ(map.GetSortMode(), order) << round;  // not sorted again for the walk
        ASSERT_EQ(table.GetItemCount(), n);
        // In global order: local n - 1, then n - 2 and n - 3, which the layer holds.
        EXPECT_EQ(table[0], (General::IntPair{int(n - 1), -1}));
        EXPECT_EQ(table[1], (General::IntPair{int(n - 2), 0}));
        EXPECT_EQ(table[2], (General::IntPair{int(n - 3), 1}));
    }
}

TEST_F(Layers, ApplyingReachesSwappedVertices)
{
    Layer3D *layer = m_pObject->CreateLayer(nullptr, nullptr);
    Sculpt(layer, {0, 1, 4, 5});
    // Face 0 (vertices 0, 1, 5, 4) goes to the swap files with the vertices only it uses.
    General::Store<unsigned int> faces("test faces");
    faces.Add(0);
    ASSERT_TRUE(m_pObject->RemoveFaces(faces, false));
    const QString base = m_pObject->GetSwapFileName();
    const QString vertexFile = LevelSwapFiles::Path(base, LevelSwapFiles::kVertices);
    const QByteArray before = TempDir::Read(vertexFile);
    ASSERT_EQ(before.size(), 16);  // vertex 0 alone, a level-0 record
    Vertex swapped{};
    std::memcpy(&swapped, before.constData(), 16);
    EXPECT_EQ(swapped.m_vPosition, Vector(0, 0, 1));

    m_pObject->m_iPropagationStamp = 77;
    layer->SetVisible(false);
    const QByteArray hidden = TempDir::Read(vertexFile);
    std::memcpy(&swapped, hidden.constData(), 16);
    EXPECT_EQ(swapped.m_vPosition, Vector(0, 0, 0));
    EXPECT_EQ(swapped.m_iStrokeID, 77);

    layer->SetVisible(true);
    EXPECT_EQ(TempDir::Read(vertexFile), before.left(12) + hidden.mid(12));
}

namespace {

// A layer with two levels of data, locked, with a sub-layer that is the object's active layer.
struct StoredTree {
    explicit StoredTree(Object &object)
    {
        layer = object.CreateLayer(nullptr, nullptr);
        layer->SetName(QStringLiteral("tree"));
        layer->LockToLevel(object.GetLevel(1));
        layer->SetLocked(true);
        layer->SetTransparency(0.75f, false, false);
        LayerLevel *data = layer->GetLevel(object.GetLevel(1));
        data->SetVertexCount(2);
        data->SetVertex(0, 4, 0.5f);
        data->SetVertex(1, 9, 1.0f);
        data->m_aData[1].m_vOffset = Vector(1, 2, 3);
        auto *child = new Layer3D(&object, nullptr);
        child->SetName(QStringLiteral("child"));
        child->m_pParent = layer;
        layer->m_pFirstChild = child;
        object.SetActiveLayer(child);
    }
    Layer3D *layer;
};

}  // namespace

TEST_F(Layers, RecordRoundTripsAtEveryVersionGate)
{
    for (int version : {60, 65, 66, 89, 90, 101, 102, 109, 110, 112, 113, 114, 228}) {
        SCOPED_TRACE(version);
        auto object = fixtures::MakeGridObject(2, 2, 2);
        StoredTree stored(*object);
        {
            StreamAtVersion stream(m_dir.File("layer"), version);
            ASSERT_TRUE(stored.layer->Serialize(stream));
        }
        auto copy = fixtures::MakeGridObject(2, 2, 2);
        Layer3D *read = copy->CreateLayer(nullptr, nullptr);
        Stream stream(m_dir.File("layer"), false);
        ASSERT_TRUE(read->Serialize(stream));
        EXPECT_EQ(stream.BytesLeft(), 0u);

        EXPECT_EQ(read->GetName(), "tree");
        EXPECT_EQ(read->GetStrength(), 0.75f);
        const LayerLevel *data = read->GetLevel(copy->GetLevel(1));
        ASSERT_EQ(data->m_iVertexCount, 2u);
        EXPECT_EQ(data->m_aData[1].m_vOffset, Vector(1, 2, 3));
        EXPECT_EQ(data->m_aData[0].m_fWeight, 0.5f);
        EXPECT_EQ(data->m_fStrength, version >= 66 ? 0.75f : 1.0f);
        // Before version 90 the lock is the lowest level with data, here level 1 as well.
        EXPECT_EQ(read->m_pLockedMesh, copy->GetLevel(1));
        EXPECT_EQ(read->IsLocked(), version >= 110);
        const bool tree = version >= 114;
        EXPECT_EQ(read->m_pFirstChild != nullptr, tree);
        if (tree) {
            EXPECT_EQ(read->m_pFirstChild->GetName(), "child");
            EXPECT_EQ(read->m_pFirstChild->m_pParent, read);
            EXPECT_EQ(copy->GetActiveLayer(), read->m_pFirstChild);
        }
    }
}

namespace {

// The level-data record: count, strength from 66, then the records (with the store's own
// count from 102).
void LayerLevelBytes(Bytes &b, int v, float strength, std::initializer_list<LayerLevel::VertexData> records)
{
    b.I32(int32_t(records.size()));
    if (v >= 66)
        b.F32(strength);
    if (v >= 102)
        b.I32(int32_t(records.size()));
    for (const LayerLevel::VertexData &r : records)
        b.F32(r.m_vOffset.x).F32(r.m_vOffset.y).F32(r.m_vOffset.z).F32(r.m_fWeight).I32(r.m_iGlobalVertexIndex);
}

}  // namespace

TEST_F(Layers, RecordBytesFollowTheTable)
{
    for (int v : {228, 101}) {
        SCOPED_TRACE(v);
        auto object = fixtures::MakeGridObject(2, 2, 2);
        Layer3D *stored = StoredTree(*object).layer;

        Bytes b;
        b.F32(0.75f).Str("tree").U8(1);
        // Level data, newest level first.
        LayerLevelBytes(b, v, 0.75f, {{Vector(0, 0, 0), 0.5f, 4}, {Vector(1, 2, 3), 1.0f, 9}});
        LayerLevelBytes(b, v, 0.75f, {});
        b.I32(1);  // the locked level: without a scene, its index
        if (v >= 110)
            b.U8(1);
        if (v >= 113)
            b.F32(0.75f);  // previous strength
        if (v >= 114) {
            b.I32(1).I32(0);  // one sub-layer, and it is the active layer
            b.F32(1.0f).Str("child").U8(1);
            LayerLevelBytes(b, v, 1.0f, {});
            LayerLevelBytes(b, v, 1.0f, {});
            b.I32(-1).U8(0).F32(1.0f).I32(0).I32(-1);
        }
        EXPECT_EQ(WrittenAt(*stored, v, m_dir.File("layer")).toHex().toStdString(), b.Get().toHex().toStdString());

        auto copy = fixtures::MakeGridObject(2, 2, 2);
        Layer3D *read = copy->CreateLayer(nullptr, nullptr);
        auto stream = ReadingAt(v, b.Get(), m_dir.File("layer"));
        ASSERT_TRUE(read->Serialize(*stream));
        EXPECT_EQ(stream->BytesLeft(), 0u);
        EXPECT_EQ(read->GetName(), "tree");
        EXPECT_EQ(read->GetStrength(), 0.75f);
        EXPECT_EQ(read->m_pLockedMesh, copy->GetLevel(1));
        EXPECT_EQ(read->IsLocked(), v >= 110);
        const LayerLevel *data = read->GetLevel(copy->GetLevel(1));
        ASSERT_EQ(data->m_iVertexCount, 2u);
        EXPECT_EQ(data->m_aData[0].m_iGlobalVertexIndex, 4);
        EXPECT_EQ(data->m_aData[0].m_fWeight, 0.5f);
        EXPECT_EQ(data->m_aData[1].m_vOffset, Vector(1, 2, 3));
        EXPECT_EQ(data->m_fStrength, 0.75f);
        ASSERT_EQ(read->m_pFirstChild != nullptr, v >= 114);
        if (read->m_pFirstChild) {
            EXPECT_EQ(read->m_pFirstChild->GetName(), "child");
            EXPECT_EQ(copy->GetActiveLayer(), read->m_pFirstChild);
        }
    }
}

TEST_F(Layers, LockedLevelIsNamedByTheScene)
{
    m_host.scene = true;
    auto object = fixtures::MakeGridObject(2, 2, 2);
    m_host.objects = {m_pObject.get(), object.get()};
    StoredTree stored(*object);
    {
        Stream stream(m_dir.File("layer"), true);
        ASSERT_TRUE(stored.layer->Serialize(stream));
    }
    // The packed id: object 1, level 1.
    const QByteArray bytes = TempDir::Read(m_dir.File("layer"));
    Layer3D *read = object->CreateLayer(nullptr, nullptr);
    Stream stream(m_dir.File("layer"), false);
    ASSERT_TRUE(read->Serialize(stream));
    EXPECT_EQ(read->m_pLockedMesh, object->GetLevel(1));
    EXPECT_NE(bytes.indexOf(QByteArray("\x01\x00\x01\x00", 4)), -1);
}

namespace {
void SetFirstRecordId(QByteArray &b, int id)
{
    const float half = 0.5f;
    const int four = 4;
    const QByteArray key = QByteArray(reinterpret_cast<const char *>(&half), 4) + QByteArray(reinterpret_cast<const char *>(&four), 4);
    const qsizetype at = b.indexOf(key);
    ASSERT_GE(at, 0);
    b.replace(at + 4, 4, QByteArray(reinterpret_cast<const char *>(&id), 4));
}
}  // namespace

TEST_F(Layers, CorruptRecordsAreRefused)
{
    const struct {
        const char *name;
        int version;
        std::function<void(QByteArray &)> spoil;
    } cases[] = {
        {"cut short", 228, [](QByteArray &b) { b.chop(5); }},
        {"more valid records than stored", 228,
         [](QByteArray &b) {
             const int count = 99;
             b.replace(4 + 4 + 4 + 4 + 1, 4, QByteArray(reinterpret_cast<const char *>(&count), 4));
         }},
        // The records hold ids 4 and 9; the first one's id follows its weight 0.5.
        {"repeated vertex id", 228, [](QByteArray &b) { SetFirstRecordId(b, 9); }},
        {"descending vertex ids", 228, [](QByteArray &b) { SetFirstRecordId(b, 12); }},
        {"descending vertex ids in the old form", 101, [](QByteArray &b) { SetFirstRecordId(b, 12); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        auto object = fixtures::MakeGridObject(2, 2, 2);
        StoredTree stored(*object);
        {
            StreamAtVersion stream(m_dir.File("layer"), c.version);
            ASSERT_TRUE(stored.layer->Serialize(stream));
        }
        QByteArray bytes = TempDir::Read(m_dir.File("layer"));
        c.spoil(bytes);
        TempDir::Write(m_dir.File("layer"), bytes);
        auto copy = fixtures::MakeGridObject(2, 2, 2);
        Layer3D *read = copy->CreateLayer(nullptr, nullptr);
        Stream stream(m_dir.File("layer"), false);
        EXPECT_FALSE(read->Serialize(stream));
        EXPECT_TRUE(stream.HasError());
    }
}
