// The older falloff form: its spline coefficients, evaluation and the fixed 64 points.
#include "foundation/curves/CurvePointTable.h"

#include <gtest/gtest.h>

namespace {

CurvePoint Point(float x, float y)
{
    CurvePoint point{};
    point.x = x;
    point.Clear();
    point.y = y;
    return point;
}

CurvePointTable Table(std::initializer_list<std::pair<float, float>> points)
{
    CurvePointTable table;
    for (const auto &[x, y] : points)
        EXPECT_TRUE(table.InsertPoint(Point(x, y), -1));
    return table;
}

TEST(CurvePointTable, TwoPointsMakeOneQuadraticSegment)
{
    const CurvePointTable table = Table({{0.0f, 1.0f}, {1.0f, 0.0f}});
    EXPECT_EQ(table.GetPoint(0).c2, -1.0f);
    EXPECT_EQ(table.GetPoint(1).c1, -2.0f);
    EXPECT_EQ(table.GetPoint(1).c2, 2.0f);
    EXPECT_EQ(table.Evaluate(0.5f), 0.75f);
    // The ends are inside and exact; a hair outside either is 0.
    EXPECT_EQ(table.Evaluate(0.0f), 1.0f);
    EXPECT_EQ(table.Evaluate(1.0f), 0.0f);
    EXPECT_EQ(table.Evaluate(-1e-6f), 0.0f);
    EXPECT_EQ(table.Evaluate(1.0f + 1e-6f), 0.0f);
    EXPECT_EQ(CurvePointTable().Evaluate(0.5f), 0.0f);
    EXPECT_EQ(Table({{0.0f, 1.0f}}).Evaluate(0.0f), 0.0f);
}

TEST(CurvePointTable, SegmentsJoinInValueAndSlopeThroughEveryPoint)
{
    const CurvePointTable table = Table({{0.0f, 1.0f}, {0.3f, 0.8f}, {0.7f, 0.2f}, {1.0f, 0.0f}});
    for (int i = 0; i < table.GetCount(); ++i)
        EXPECT_FLOAT_EQ(table.Evaluate(table.GetPoint(i).x), table.GetPoint(i).y) << i;
    for (int i = 0; i + 1 < table.GetCount(); ++i) {
        const CurvePoint &p = table.GetPoint(i), &q = table.GetPoint(i + 1);
        // The end of segment i (t = 1) and its slope there meet the next segment's start.
        EXPECT_FLOAT_EQ(p.y + p.c1 + p.c2, q.y) << i;
        EXPECT_FLOAT_EQ(p.c1 + 2.0f * p.c2, q.c1) << i;
    }
}

TEST(CurvePointTable, HoldsSixtyFourPointsAndKeepsItsEnds)
{
    CurvePointTable table;
    for (int i = 0; i < CurvePointTable::kCapacity; ++i)
        ASSERT_TRUE(table.InsertPoint(Point(float(i) / 63.0f, 0.5f), -1)) << i;
    EXPECT_FALSE(table.InsertPoint(Point(0.5f, 1.0f), 10));
    EXPECT_EQ(table.GetCount(), 64);
    EXPECT_EQ(table.GetPoint(10).y, 0.5f);

    CurvePointTable small = Table({{0.0f, 1.0f}, {1.0f, 0.0f}});
    EXPECT_FALSE(small.InsertPoint(Point(0.5f, 0.5f), 64));
    EXPECT_FALSE(small.InsertPoint(Point(0.5f, 0.5f), 3));  // past the end
    ASSERT_TRUE(small.InsertPoint(Point(0.5f, 0.25f), 1));
    EXPECT_FLOAT_EQ(small.Evaluate(0.5f), 0.25f);
    small.RemovePoint(0);
    small.RemovePoint(2);
    EXPECT_EQ(small.GetCount(), 3);
    small.RemovePoint(1);
    EXPECT_EQ(small.GetCount(), 2);
    EXPECT_EQ(small.Evaluate(0.5f), 0.75f);
}

TEST(CurvePointTable, ASegmentOfNoLengthGivesItsStartValue)
{
    const CurvePointTable table = Table({{0.0f, 1.0f}, {1.0f, 0.4f}, {1.0f, 0.0f}});
    EXPECT_EQ(table.Evaluate(1.0f), 0.4f);
}

}  // namespace
