#include "operations/LayerOperation.h"

#include "mesh/ObjectFixtures.h"
#include "mesh/object/Layer3D.h"
#include "scene/Scene.h"
#include "support/TempDir.h"
#include "foundation/Memory.h"

#include <QTextStream>

#include <cstring>

#include <gtest/gtest.h>

using General::Vector;
using Operations::LayerOperation;

namespace {

class LayerOperationTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_scene = std::make_unique<Scene>();
        m_scene->AddObject(fixtures::MakeGridObject(3, 3).release());
        m_object = m_scene->GetObject(0);
        m_a = m_object->CreateLayer(nullptr, nullptr);
        Sculpt(m_a, {1, 2}, 1.0f);
        m_b = m_object->CreateLayer(m_a, nullptr);
        Sculpt(m_b, {2, 5}, 3.0f);
        m_b->SetTransparency(0.5f, true, false);
        m_b->SetName(QStringLiteral("B"));
        m_object->SetActiveLayer(m_a);
    }
    void TearDown() override { m_scene.reset(); }

    static void Sculpt(Layer3D *layer, const std::vector<unsigned> &vertices, float height)
    {
        SubdivLevel *level = layer->GetOwner()->m_pActiveLevel;
        ASSERT_TRUE(layer->LockToLevel(level));
        LayerLevel *data = layer->GetLevel(level);
        for (unsigned v : vertices)
            data->SetOffset(v, data->FindVertex(v, true), Vector(0, 0, height));
        ASSERT_TRUE(data->Extend());
    }

    // Everything an action may change: the mesh, and per layer its name, strength,
    // visibility and non-zero records; which layer is active.
    std::string Describe() const
    {
        QString text;
        QTextStream out(&text);
        for (unsigned v = 0; v < m_object->m_iVertexCount; ++v)
            out << fixtures::Position(*m_object, v).z << ' ';
        out << "| active " << m_object->GetLayerIndex(m_object->GetActiveLayer()) << '\n';
        for (Layer3D *layer = m_object->GetFirstLayer(); layer; layer = layer->GetNextInTree()) {
            out << layer->GetName() << ' ' << layer->GetStrength() << ' ' << layer->IsVisible() << ' '
                << layer->GetLevelIndex() << " under " << m_object->GetLayerIndex(layer->m_pParent) << ':';
            const LayerLevel *data = layer->GetLevel(m_object->m_pActiveLevel);
            for (unsigned i = 0; data && i < data->m_aData.GetItemCount(); ++i) {
                const auto &r = data->m_aData[i];
                if (r.m_vOffset.z != 0.0f)
                    out << ' ' << r.m_iGlobalVertexIndex << '=' << r.m_vOffset.z << 'x' << r.m_fWeight;
            }
            out << '\n';
        }
        out.flush();
        return text.toStdString();
    }

    fixtures::ModelFixture m_model;
    fixtures::RecordingMeshHost m_host;
    TempDir m_dir;
    std::unique_ptr<Scene> m_scene;
    Object *m_object = nullptr;
    Layer3D *m_a = nullptr;
    Layer3D *m_b = nullptr;
};

struct Case {
    const char *what;
    int action;
    int inverse;
    std::function<LayerOperation(Object *, Layer3D *)> make;
};

// Each action changes the scene, its second Execute restores it exactly, and a third
// redoes it; the record of the inverse, read back into a fresh operation, undoes too.
TEST_F(LayerOperationTest, ExecuteTwiceIsTheIdentity)
{
    using L = LayerOperation;
    const std::vector<Case> cases = {
        {"delete", L::kDelete, L::kInsert, [](Object *o, Layer3D *l) { return L(o, L::kDelete, l, 1.0f); }},
        {"flatten", L::kFlatten, L::kUnflatten, [](Object *o, Layer3D *l) { return L(o, L::kFlatten, l, 1.0f); }},
        {"merge", L::kMerge, L::kUnmerge, [](Object *o, Layer3D *l) { return L(o, L::kMerge, l, 1.0f); }},
        {"duplicate", L::kDuplicate, L::kDelete, [](Object *o, Layer3D *l) { return L(o, L::kDuplicate, l, 1.0f); }},
        {"select", L::kSelect, L::kSelect, [](Object *o, Layer3D *l) { return L(o, L::kSelect, l, 1.0f); }},
        {"transparency", L::kTransparency, L::kTransparency,
         [](Object *o, Layer3D *l) { return L(o, L::kTransparency, l, 0.25f); }},
        {"visibility", L::kVisibility, L::kVisibility, [](Object *o, Layer3D *l) { return L(o, L::kVisibility, l, false); }},
        {"rename", L::kRename, L::kRename, [](Object *o, Layer3D *l) { return L(o, L::kRename, l, QString()); }},
        {"bake", L::kBakeTransparency, L::kRestoreTransparency,
         [](Object *o, Layer3D *l) { return L(o, L::kBakeTransparency, l, 1.0f); }},
        {"move to the bottom", L::kMoveLayer, L::kMoveLayer, [](Object *o, Layer3D *l) { return L(o, l, nullptr, 0); }},
        {"move under another layer", L::kMoveLayer, L::kMoveLayer,
         [](Object *o, Layer3D *l) { return L(o, l, o->GetFirstLayer(), 0); }},
    };
    OperationBuffer::SetFactory([](int type) -> std::unique_ptr<General::Recordable> {
        return type == Operations::kLayer ? std::make_unique<LayerOperation>() : nullptr;
    });
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        const std::string before = Describe();
        LayerOperation op = c.make(m_object, m_b);
        ASSERT_TRUE(op.Execute());
        EXPECT_EQ(op.GetAction(), c.inverse);
        const std::string after = Describe();
        // Baking changes records and strength but must keep the mesh.
        EXPECT_NE(after, before);
        if (c.action == L::kFlatten || c.action == L::kBakeTransparency || c.action == L::kSelect ||
            c.action == L::kRename || c.action == L::kMoveLayer)
            EXPECT_EQ(after.substr(0, after.find('|')), before.substr(0, before.find('|')));

        // Undo through the history record.
        OperationBuffer buffer(m_dir.File("undo"));
        ASSERT_TRUE(buffer.Append(op, 0));
        char kind = -1;
        auto record = buffer.ReadPrevious(kind);
        auto *undo = dynamic_cast<LayerOperation *>(record.get());
        ASSERT_NE(undo, nullptr);
        ASSERT_TRUE(undo->Execute());
        EXPECT_EQ(Describe(), before);
        // Redo with the same record.
        ASSERT_TRUE(undo->Execute());
        EXPECT_EQ(Describe(), after);
        // The operation itself undoes as well (from the state it left).
        ASSERT_TRUE(undo->Execute());
        EXPECT_EQ(Describe(), before);
    }
    OperationBuffer::SetFactory(nullptr);
}

TEST_F(LayerOperationTest, InsertWithoutRecordsGivesAnEmptyLayerNamedByTheObject)
{
    LayerOperation op(m_object, LayerOperation::kInsert, m_b, 1.0f);
    ASSERT_TRUE(op.Execute());
    EXPECT_EQ(m_object->LayerCount(), 3);
    EXPECT_EQ(op.GetLayer()->GetName(), QStringLiteral("Layer 2"));
    EXPECT_EQ(op.GetLayer()->m_pPrev, m_b);
    EXPECT_EQ(op.GetAction(), LayerOperation::kDelete);
}

TEST_F(LayerOperationTest, MissingPiecesChangeNothing)
{
    Recorder().ExpectAssertionFailures();
    const std::string before = Describe();
    for (int action : {1, 3, 5, 7, 9, 10, 11, 12}) {
        LayerOperation op(m_object, action, nullptr, 1.0f);
        EXPECT_TRUE(op.Execute()) << action;
        EXPECT_EQ(op.GetAction(), action);
    }
    // Merging the active layer into itself cannot be done.
    LayerOperation self(m_object, LayerOperation::kMerge, m_a, 1.0f);
    EXPECT_FALSE(self.Execute());
    LayerOperation bad(m_object, 15, m_b, 1.0f);
    EXPECT_FALSE(bad.Execute());
    EXPECT_EQ(Describe(), before);
}

TEST_F(LayerOperationTest, RecordsWithCountsBeyondTheFileAreRefused)
{
    LayerOperation op(m_object, LayerOperation::kDelete, m_b, 1.0f);
    ASSERT_TRUE(op.Execute());
    const QString file = m_dir.File("record");
    {
        Stream out(file, true);
        op.Serialize(out);
    }
    // After the version header: action, transparency, visible, the name "B", object,
    // layer, bound level, then the level count.
    QByteArray bytes = TempDir::Read(file);
    const int levelCount = 4 + 4 + 4 + 1 + 4 + 1 + 4 + 4 + 4;
    int levels = 0;
    std::memcpy(&levels, bytes.constData() + levelCount, 4);
    ASSERT_EQ(levels, 1);
    const int huge = 0x7fffffff;
    bytes.replace(levelCount, 4, QByteArray(reinterpret_cast<const char *>(&huge), 4));
    TempDir::Write(file, bytes);
    Stream buffer(file, false);
    LayerOperation read;
    read.Serialize(buffer);
    EXPECT_TRUE(buffer.HasError());
    EXPECT_EQ(read.GetAction(), LayerOperation::kInsert);
}

// Under another parent a layer's offsets weigh by that parent's strength: the mesh follows
// the move, and the record of the move, read back, takes the layer and the mesh back.
TEST_F(LayerOperationTest, AMoveUnderAnotherParentReweighsTheOffsetsAndUndoes)
{
    m_a->SetTransparency(0.5f, true, false);
    const std::string before = Describe();
    LayerOperation move(m_object, m_b, m_a, 0);
    ASSERT_TRUE(move.Execute());
    EXPECT_EQ(m_b->m_pParent, m_a);
    EXPECT_EQ(m_a->m_pFirstChild, m_b);
    EXPECT_EQ(m_a->m_pNext, nullptr);
    // B lifts vertices 2 and 5 by 3 x 0.5; under A by 3 x 0.5 x 0.5.
    EXPECT_FLOAT_EQ(fixtures::Position(*m_object, 5).z, 0.75f);

    OperationBuffer::SetFactory([](int type) -> std::unique_ptr<General::Recordable> {
        return type == Operations::kLayer ? std::make_unique<LayerOperation>() : nullptr;
    });
    OperationBuffer buffer(m_dir.File("undo"));
    ASSERT_TRUE(buffer.Append(move, 0));
    char kind = -1;
    auto record = buffer.ReadPrevious(kind);
    OperationBuffer::SetFactory(nullptr);
    auto *undo = dynamic_cast<LayerOperation *>(record.get());
    ASSERT_NE(undo, nullptr);
    ASSERT_TRUE(undo->Execute());
    EXPECT_EQ(Describe(), before);
    EXPECT_EQ(m_b->m_pParent, nullptr);
}

TEST_F(LayerOperationTest, ALayerCannotMoveUnderItsOwnSubLayer)
{
    LayerOperation down(m_object, m_b, m_a, 0);
    ASSERT_TRUE(down.Execute());
    const std::string before = Describe();
    LayerOperation loop(m_object, m_a, m_b, 0);
    EXPECT_FALSE(loop.Execute());
    EXPECT_FALSE(loop.GetFailure().isEmpty());
    EXPECT_EQ(Describe(), before);
}

// Whatever allocation a merge is refused, it either completes or leaves both layers and
// the mesh exactly as they were, and says the cause.
TEST_F(LayerOperationTest, AMergeRefusedMemoryChangesNothing)
{
    const std::string before = Describe();
    bool refused = false, merged = false;
    for (uint64_t room = 0; room < 4096 && !merged; room += 16) {
        TearDown();
        SetUp();
        LayerOperation merge(m_object, LayerOperation::kMerge, m_b, 1.0f);
        General::SetMemoryLimit(General::GetCountedMemory() + room);
        const bool ok = merge.Execute();
        General::SetMemoryLimit(~uint64_t(0));
        if (ok) {
            merged = true;
            EXPECT_EQ(m_object->LayerCount(), 1);
            continue;
        }
        refused = true;
        EXPECT_EQ(Describe(), before) << "room " << room;
        EXPECT_EQ(merge.GetFailure(), QStringLiteral("not enough memory"));
    }
    EXPECT_TRUE(refused);
    EXPECT_TRUE(merged);
}

}  // namespace
