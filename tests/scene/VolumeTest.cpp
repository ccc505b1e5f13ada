#include "scene/picking/Picker.h"
#include "scene/volume/Volume.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <tuple>

using General::Vector;
using General::Volume;

TEST(Volume, CellsUseTheFloorAndRefuseWhatDoesNotFitSixteenBits)
{
    Volume volume;
    volume.m_fCellSize = 2.0f;
    volume.m_vOrigin = Vector(10, 0, 0);
    const struct {
        Vector point;
        bool ok;
        int x, y, z;
    } cases[] = {
        {{10, 0, 0}, true, 0, 0, 0},
        {{9, 0, 0}, true, -1, 0, 0},        // half a cell left of the origin
        {{11.9f, 3.9f, -0.1f}, true, 0, 1, -1},
        {{10 + 2 * 32767.5f, 0, 0}, true, 32767, 0, 0},
        {{10 + 2 * 32768.0f, 0, 0}, false, 0, 0, 0},
        {{10 - 2 * 32768.0f, 0, 0}, true, -32768, 0, 0},
        {{10 - 2 * 32768.5f, 0, 0}, false, 0, 0, 0},
        {{0, 1e30f, 0}, false, 0, 0, 0},
        {{0, 0, std::nanf("")}, false, 0, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.point.x << " " << c.point.y << " " << c.point.z);
        int x = 99, y = 99, z = 99;
        ASSERT_EQ(volume.CellOf(c.point, x, y, z), c.ok);
        if (c.ok)
            EXPECT_EQ(std::make_tuple(x, y, z), std::make_tuple(c.x, c.y, c.z));
        else
            EXPECT_EQ(std::make_tuple(x, y, z), std::make_tuple(99, 99, 99));
    }
}

TEST(Volume, IsFreeMatchesTheCellsOfTheRuns)
{
    Volume volume;
    EXPECT_TRUE(volume.IsFree(0, 0, 0));  // empty
    ASSERT_TRUE(volume.AddInterval(2, 3, -4, 5));  // z -4 .. 0
    ASSERT_TRUE(volume.AddInterval(-7, 3, 10, 1));
    EXPECT_EQ(volume.m_fMinX, -7.0f);
    EXPECT_EQ(volume.m_fMaxZ, 11.0f);
    std::set<std::tuple<int, int, int>> occupied;
    for (int z = -4; z <= 0; ++z)
        occupied.insert({2, 3, z});
    occupied.insert({-7, 3, 10});
    for (int x = -9; x <= 4; ++x)
        for (int y = 1; y <= 5; ++y)
            for (int z = -6; z <= 12; ++z)
                ASSERT_EQ(volume.IsFree(x, y, z), !occupied.count({x, y, z})) << x << " " << y << " " << z;

    // Runs that would not fit the 16-bit record are refused and change nothing.
    for (auto run : {std::make_tuple(40000, 0, 0, 1), std::make_tuple(0, -40000, 0, 1),
                     std::make_tuple(0, 0, 32767, 2), std::make_tuple(0, 0, 0, 70000)})
        EXPECT_FALSE(volume.AddInterval(std::get<0>(run), std::get<1>(run), std::get<2>(run), std::get<3>(run)));
    EXPECT_EQ(volume.GetIntervalCount(), 2);
    EXPECT_EQ(volume.m_fMaxX, 2.0f);
}

TEST(Volume, MergeJoinsTouchingAndOverlappingRunsOfAColumn)
{
    const struct {
        const char *what;
        int start, length;      // the run merged into (0, 0, 10, 5): z 10 .. 14
        int runs, zStart, zLength;
    } cases[] = {
        {"touching above", 15, 3, 1, 10, 8},
        {"touching below", 7, 3, 1, 7, 8},
        {"overlapping", 12, 10, 1, 10, 12},
        {"inside", 11, 2, 1, 10, 5},
        {"covering", 0, 40, 1, 0, 40},
        {"apart", 16, 2, 2, 10, 5},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Volume volume, other;
        ASSERT_TRUE(volume.AddInterval(0, 0, 10, 5));
        ASSERT_TRUE(other.AddInterval(0, 0, c.start, c.length));
        ASSERT_TRUE(other.AddInterval(1, 0, 10, 1));  // another column: always added
        ASSERT_TRUE(volume.Merge(other));
        EXPECT_EQ(volume.GetIntervalCount(), c.runs + 1);
        EXPECT_EQ(volume.GetInterval(0).zStart, c.zStart);
        EXPECT_EQ(volume.GetInterval(0).zLength, c.zLength);
        EXPECT_LE(volume.m_fMinZ, float(std::min(c.start, 10)));
        EXPECT_GE(volume.m_fMaxZ, float(std::max(c.start + c.length, 15)));
    }
    Volume self;
    ASSERT_TRUE(self.AddInterval(0, 0, 0, 3));
    EXPECT_TRUE(self.Merge(self));
    EXPECT_EQ(self.GetIntervalCount(), 1);
}

TEST(Volume, PickSegmentFindsTheFirstOccupiedCellOnTheWalk)
{
    Volume volume;
    volume.m_fCellSize = 0.5f;
    ASSERT_TRUE(volume.AddInterval(0, 0, -3, 2));  // z -3, -2
    ASSERT_TRUE(volume.AddInterval(-1, -1, 4, 1));
    const Vector eye(0, 0, 100);
    const struct {
        const char *what;
        Vector start, end;
        bool hit;
        Vector position;
    } cases[] = {
        {"down the column", {0.2f, 0.2f, 5}, {0.2f, 0.2f, -5}, true, {0, 0, -1.0f}},
        {"up the column", {0.2f, 0.2f, -5}, {0.2f, 0.2f, 5}, true, {0, 0, -1.5f}},
        {"within one layer", {0.2f, 0.2f, -1.4f}, {0.2f, 0.2f, -1.3f}, false, {}},
        {"beside", {3, 3, 5}, {3, 3, -5}, false, {}},
        // Left of the origin: the cell at -0.25 is cell -1, not cell 0.
        {"negative column", {-0.25f, -0.25f, 5}, {-0.25f, -0.25f, -5}, true, {-0.5f, -0.5f, 2}},
        {"beyond 16 bits", {0, 0, 5}, {0, 0, -40000}, false, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Picker picker;
        EXPECT_EQ(volume.PickSegment(picker, c.start, c.end, eye), c.hit);
        ASSERT_EQ(picker.GetPickCount(), c.hit ? 1 : 0);
        EXPECT_EQ(picker.m_bFound, c.hit);
        if (!c.hit)
            continue;
        const PickInfo &pick = *picker.GetFirstPick();
        EXPECT_EQ(pick.m_vPosition, c.position);
        EXPECT_EQ(pick.m_vNormal, eye - c.position);
        EXPECT_EQ(pick.m_pMesh, nullptr);
        EXPECT_EQ(pick.m_iFace, -1);
    }
}

TEST(Volume, PointsCarryTheNormalsOfTheirOpenSides)
{
    Volume volume;
    volume.m_vOrigin = Vector(100, 0, 0);
    ASSERT_TRUE(volume.AddInterval(0, 0, 0, 3));
    ASSERT_TRUE(volume.AddInterval(1, 0, 1, 1));
    ASSERT_TRUE(volume.AddInterval(5, 5, 7, 1));
    const std::vector<Volume::Point> points = volume.BuildPoints();
    ASSERT_EQ(points.size(), 5u);
    EXPECT_EQ(points[0].position, Vector(100, 0, 0));
    EXPECT_EQ(points[0].normal, Vector(0, 0, -1));   // open left and right, front and back cancel
    EXPECT_EQ(points[1].normal, Vector(-1, 0, 0));   // closed towards +x by (1, 0, 1)
    EXPECT_EQ(points[2].normal, Vector(0, 0, 1));
    EXPECT_EQ(points[3].normal, Vector(1, 0, 0) + Vector(0, 0, 0));  // a one-cell run: both z ends
    EXPECT_EQ(points[4].normal, Vector(0, 0, 0));
    EXPECT_EQ(points[4].position, Vector(105, 5, 7));
}
