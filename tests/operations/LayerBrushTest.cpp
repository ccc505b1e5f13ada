#include "BrushFixtures.h"

#include "foundation/OperationBuffer.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/LayerLevel.h"
#include "operations/brushes/VertexBrushes.h"

#include <memory>

using General::Vector;
using namespace Operations;

namespace {

// The grid with an active layer that lifts every vertex within 3 of (4, 4) by 1 at weight 0.5.
class LayerBrushes : public BrushTestBase {
protected:
    void SetUp() override
    {
        BrushTestBase::SetUp();
        OperationBuffer::SetFactory([](int type) -> std::unique_ptr<General::Recordable> {
            if (type == kEraseBrush)
                return std::make_unique<EraseBrushOperation>(nullptr, nullptr, 0);
            if (type == kPaintLayerMask)
                return std::make_unique<PaintLayerMaskOperation>(nullptr, nullptr, 0);
            return nullptr;
        });
        m_layer = m_object->CreateLayer(nullptr, nullptr);
        ASSERT_TRUE(m_layer->LockToLevel(m_object));
        m_data = m_layer->GetLevel(m_object);
        for (unsigned v = 0; v < m_object->m_iVertexCount; ++v)
            if ((P(v) - Vector(4, 4, 0)).Length() < 3.0f) {
                const int index = m_data->FindVertex(v, true);
                m_data->GetVertexData(index)->m_fWeight = 0.5f;
                m_data->SetOffset(v, index, Vector(0, 0, 1));
            }
        ASSERT_TRUE(m_data->Extend());
        m_object->SetActiveLayer(m_layer);
        m_data->ApplyWeightsToMask();
        m_tool.m_bSmoothValues1 = m_tool.m_bSmoothValues2 = false;
        m_tool.m_aPairs[0].strength = 50.0f;
    }
    void TearDown() override
    {
        OperationBuffer::SetFactory(nullptr);
        BrushTestBase::TearDown();
    }

    template <class Op>
    std::unique_ptr<Op> Dab(int mode)
    {
        auto op = std::make_unique<Op>(&m_tool, &m_segment, mode);
        PickInfo pick = Pick(m_object, F(4, 4), {4, 4, 0.5f});
        EXPECT_TRUE(op->AddPoint(&pick, m_tool.GetSize(), 1.0f, Vector(0, 0, 0)));
        EXPECT_TRUE(op->Execute());
        return op;
    }
    const LayerLevel::VertexData &Record(unsigned v) const
    {
        return *m_data->GetVertexData(m_data->FindVertex(v, false));
    }
    // Undoes (or redoes) through a history file.
    std::unique_ptr<General::Recordable> Replay(std::unique_ptr<General::Recordable> op)
    {
        OperationBuffer history(m_dir.File("history"));
        EXPECT_TRUE(history.Append(*op, 0));
        op.reset();
        char kind;
        auto back = history.ReadPrevious(kind);
        if (back)
            EXPECT_TRUE(static_cast<Operation *>(back.get())->Execute());
        return back;
    }
    // Every layered vertex sits at strength × offset × weight above the plane, its byte following.
    void ExpectConsistent() const
    {
        for (unsigned i = 0; i < m_data->m_iVertexCount; ++i) {
            const LayerLevel::VertexData &r = m_data->m_aData[i];
            const unsigned v = unsigned(r.m_iGlobalVertexIndex);
            EXPECT_NEAR(P(v).z, r.m_vOffset.z * r.m_fWeight, 1e-5f) << v;
            EXPECT_EQ(m_object->m_pVertices[v].m_cMask, uint8_t(255.0f * r.m_fWeight)) << v;
        }
    }

    Layer3D *m_layer = nullptr;
    LayerLevel *m_data = nullptr;
};

TEST_F(LayerBrushes, EraseTakesTheOffsetBackAndRaisesTheWeight)
{
    auto op = Dab<EraseBrushOperation>(0);
    for (unsigned v : {V(4, 4), V(5, 4), V(5, 5), V(3, 2)}) {
        // The pick floats at the layer's height, so distances are the grid's.
        const float a = std::max(0.0f, 1.0f - (Vector(P(v).x, P(v).y, 0.5f) - Vector(4, 4, 0.5f)).Length() / 2.0f);
        EXPECT_NEAR(Record(v).m_vOffset.z, 1.0f - a, 1e-6f) << v;
        EXPECT_NEAR(Record(v).m_fWeight, 0.5f + 0.5f * a, 1e-6f) << v;
    }
    ExpectConsistent();

    // Undo gives back offsets, weights, bytes and positions; redo the erased state.
    auto undone = Replay(std::move(op));
    ASSERT_NE(undone, nullptr);
    for (unsigned i = 0; i < m_data->m_iVertexCount; ++i) {
        EXPECT_EQ(m_data->m_aData[i].m_vOffset, Vector(0, 0, 1)) << i;
        EXPECT_EQ(m_data->m_aData[i].m_fWeight, 0.5f) << i;
    }
    ExpectConsistent();
    ASSERT_NE(Replay(std::move(undone)), nullptr);
    EXPECT_NEAR(Record(V(4, 4)).m_vOffset.z, 0.0f, 1e-6f);
    EXPECT_EQ(Record(V(4, 4)).m_fWeight, 1.0f);
    ExpectConsistent();
}

TEST_F(LayerBrushes, MaskPaintingAddsOrRemovesWeightWithinZeroToOne)
{
    struct Case {
        int mode;
        float sign;
    } cases[] = {{1, 1.0f}, {0, -1.0f}};
    for (const Case &c : cases) {
        Reset();
        auto op = Dab<PaintLayerMaskOperation>(c.mode);
        for (unsigned v : {V(4, 4), V(5, 4), V(5, 5), V(3, 2)}) {
            const float w = std::max(0.0f, 1.0f - (Vector(P(v).x, P(v).y, 0) - Vector(4, 4, 0)).Length() / 2.0f);
            // Weight 0.5 ± strength 50 / 100 × falloff: never past 0 or 1.
            EXPECT_NEAR(Record(v).m_fWeight, 0.5f + c.sign * 0.5f * w, 1e-6f) << c.mode << " " << v;
        }
        ExpectConsistent();
        auto undone = Replay(std::move(op));
        ASSERT_NE(undone, nullptr);
        for (unsigned i = 0; i < m_data->m_iVertexCount; ++i)
            EXPECT_EQ(m_data->m_aData[i].m_fWeight, 0.5f) << i;
        ExpectConsistent();
    }
}

}  // namespace
