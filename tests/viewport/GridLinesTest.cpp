// The ground grid: whole steps from the middle, never a grid-coloured line through the origin.
#include "viewport/draw/GridLines.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(GridLines, StepsFromTheMiddleLeaveTheOriginToTheAxes)
{
    struct Case {
        int count;
        float spacing;
        size_t linesPerDirection;
    };
    // 0.1 does not add up exactly in floats: a loop that adds the spacing up misses or
    // doubles the line at zero; counted steps do not.
    const Case cases[] = {{20, 1.0f, 20}, {10, 0.1f, 10}, {7, 0.3f, 6}, {1, 2.0f, 0}, {40, 0.025f, 40}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.count);
        const GridLines grid = MakeGrid(c.count, c.spacing);
        ASSERT_EQ(grid.m_aLines.size(), 4 * c.linesPerDirection);
        const float half = float(c.count) * 0.5f * c.spacing;
        for (size_t i = 0; i < grid.m_aLines.size(); i += 2) {
            const General::Vector &a = grid.m_aLines[i], &b = grid.m_aLines[i + 1];
            const bool alongX = i < 2 * c.linesPerDirection;
            const float offset = alongX ? a.z : a.x;
            EXPECT_GT(std::fabs(offset), c.spacing * 0.5f) << "a grid line through the origin";
            EXPECT_LE(std::fabs(offset), half * 1.0001f);
            EXPECT_EQ(alongX ? b.z : b.x, offset);
            EXPECT_FLOAT_EQ(alongX ? b.x - a.x : b.z - a.z, 2 * half);
        }
        ASSERT_EQ(grid.m_aAxes.size(), 4u);
        EXPECT_EQ(grid.m_aAxes[0].z, 0.0f);
        EXPECT_EQ(grid.m_aAxes[2].x, 0.0f);
    }
}

TEST(GridLines, NoLinesOrBadSpacingDrawNothing)
{
    for (auto [count, spacing] : {std::pair{0, 1.0f}, {-3, 1.0f}, {10, 0.0f}, {10, -1.0f}, {10, NAN}, {10, INFINITY}}) {
        const GridLines grid = MakeGrid(count, spacing);
        EXPECT_TRUE(grid.m_aLines.empty() && grid.m_aAxes.empty()) << count << " " << spacing;
    }
}
