#include "operations/TransformationOperation.h"

#include "scene/SceneFixtures.h"
#include "scene/Transformation.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

using General::Vector;

namespace {

class TransformationOperationTest : public SceneTestBase {
protected:
    void SetUp() override
    {
        SceneTestBase::SetUp();
        for (int i = 0; i < 2; ++i)
            m_scene->AddObject(MakeLeveledObject({2}).release());
    }
    Transformation &Node(int position)
    {
        return *dynamic_cast<Transformation *>(m_scene->GetObject(position)->GetTransformation());
    }
    struct Values {
        Vector translate, rotate, scale;
        bool operator==(const Values &) const = default;
    };
    Values Of(Transformation &t)
    {
        return {t.m_aTranslate.GetValue(), t.m_aRotate.GetValue(), t.m_aScale.GetValue()};
    }
};

TEST_F(TransformationOperationTest, ExecuteTwiceIsTheIdentity)
{
    Transformation &node = Node(1);
    node.SetTranslate(Vector(1, 2, 3));
    const Values before = Of(node);
    const Values kept{Vector(-4, 5, 6), Vector(10, 20, 30), Vector(2, 2, 2)};
    TransformationOperation op(node, kept.translate, kept.rotate, kept.scale);
    EXPECT_EQ(op.m_iObject, 1);
    ASSERT_TRUE(op.Execute());
    EXPECT_EQ(Of(node), kept);
    ASSERT_TRUE(op.Execute());
    EXPECT_EQ(Of(node), before);
    EXPECT_EQ(Of(Node(0)), (Values{Vector(0, 0, 0), Vector(0, 0, 0), Vector(1, 1, 1)}));
}

TEST_F(TransformationOperationTest, ARecordReadBackMovesTheObjectAtItsPosition)
{
    QTemporaryDir dir;
    OperationBuffer::SetFactory([](int type) -> std::unique_ptr<General::Recordable> {
        return type == Operations::kTransformation ? std::make_unique<TransformationOperation>() : nullptr;
    });
    OperationBuffer buffer(dir.filePath(QStringLiteral("undo")));
    {
        Transformation &node = Node(1);
        TransformationOperation op(node, Vector(7, 8, 9), Vector(0, 90, 0), Vector(1, 3, 1));
        ASSERT_TRUE(buffer.Append(op, 0));
        // The record is 1 + 4 + 40 + 4 bytes.
        EXPECT_EQ(buffer.Tell(), 4u + 49u);
    }
    // An object without a node yet gets one on the first Execute.
    m_scene->GetObject(1)->m_aTransformation.SetValue(nullptr, true);
    char kind = -1;
    auto record = buffer.ReadPrevious(kind);
    OperationBuffer::SetFactory(nullptr);
    auto *op = dynamic_cast<TransformationOperation *>(record.get());
    ASSERT_NE(op, nullptr);
    ASSERT_TRUE(op->Execute());
    EXPECT_EQ(Of(Node(1)), (Values{Vector(7, 8, 9), Vector(0, 90, 0), Vector(1, 3, 1)}));
}

TEST_F(TransformationOperationTest, NonFiniteValuesAndMissingObjectsAreRefused)
{
    Transformation &node = Node(0);
    const Values before = Of(node);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const Vector fine(1, 1, 1);
    for (const Values &bad : {Values{Vector(nan, 0, 0), fine, fine}, Values{fine, Vector(0, inf, 0), fine},
                              Values{fine, fine, Vector(0, 0, -inf)}}) {
        TransformationOperation op(node, bad.translate, bad.rotate, bad.scale);
        EXPECT_FALSE(op.Execute());
        EXPECT_EQ(Of(node), before);
    }
    TransformationOperation none;
    none.m_iObject = 5;
    EXPECT_FALSE(none.Execute());
}

}  // namespace
