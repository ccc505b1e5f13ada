#include "operations/brushes/StrokeSegment.h"

#include <gtest/gtest.h>

#include <cmath>

using General::Vector;
using Operations::StrokeSegment;

namespace {

// Segment with current sample a (radius ra) and previous sample b (radius rb).
StrokeSegment Segment(Vector a, float ra, Vector b, float rb)
{
    StrokeSegment s;
    s.m_cCurrent.m_vPosition = a;
    s.m_cCurrent.m_fRadius = ra;
    s.m_cCurrent.m_bValid = true;
    s.m_cPrevious.m_vPosition = b;
    s.m_cPrevious.m_fRadius = rb;
    s.m_cPrevious.m_bValid = true;
    return s;
}

TEST(StrokeSegment, FalloffIsMeasuredFromTheSegmentBetweenTheLastTwoSamples)
{
    struct Case {
        const char *what;
        Vector a, b, p;
        float ra, rb;
        float falloff, parameter;
    } cases[] = {
        {"beside the middle: projected, radius interpolated", {4, 0, 0}, {0, 0, 0}, {1, 1, 0}, 4, 2, 1 - 1 / 2.5f, 0.75f},
        {"on the current sample: measured against the previous", {4, 0, 0}, {0, 0, 0}, {4, 0, 0}, 8, 8, 0.5f, 1.0f},
        {"samples together: plain distance", {1, 1, 1}, {1, 1, 1}, {1, 1, 3}, 4, 4, 0.5f, 0.0f},
        {"past the current sample: its own distance", {4, 0, 0}, {0, 0, 0}, {6, 0, 0}, 4, 4, 0.5f, 0.0f},
        {"behind the previous sample", {4, 0, 0}, {0, 0, 0}, {-1, 0, 0}, 4, 2, 0.5f, 1.0f},
        {"beyond the radius: negative", {0, 0, 0}, {0, 0, 0}, {3, 0, 0}, 1, 1, -2.0f, 0.0f},
    };
    for (const Case &c : cases) {
        StrokeSegment s = Segment(c.a, c.ra, c.b, c.rb);
        EXPECT_NEAR(s.GetFalloff(c.p, false), c.falloff, 1e-6f) << c.what;
        EXPECT_FLOAT_EQ(s.m_fParameter, c.parameter) << c.what;
    }
}

TEST(StrokeSegment, ProjectionOntoTheCurrentSampleItselfIsNotTaken)
{
    // t = 1 exactly: the point is measured against the samples only, never the projection.
    StrokeSegment s = Segment({2, 0, 0}, 4, {0, 0, 0}, 4);
    EXPECT_NEAR(s.GetFalloff({2, 2, 0}, false), 0.5f, 1e-6f);
    EXPECT_EQ(s.m_fParameter, 0.0f);
}

TEST(StrokeSegment, SamplesJoinTheirOwnSideAndTheOriginIsAnOrdinaryPlace)
{
    StrokeSegment s;
    ASSERT_TRUE(s.Update(0, nullptr, 0, {-2, 0, 0}, {}, 1, 1, false));
    // The first sample of a side has nothing to join: both ends are the sample.
    EXPECT_EQ(s.m_cPrevious.m_vPosition, Vector(-2, 0, 0));
    EXPECT_EQ(s.m_cCurrent.m_vMotion, Vector(0, 0, 0));

    // A stroke through the origin goes on joining its samples.
    ASSERT_TRUE(s.Update(0, nullptr, 0, {0, 0, 0}, {}, 1, 1, false));
    ASSERT_TRUE(s.Update(0, nullptr, 0, {2, 0, 0}, {}, 1, 1, false));
    EXPECT_EQ(s.m_cPrevious.m_vPosition, Vector(0, 0, 0));
    EXPECT_EQ(s.m_cCurrent.m_vMotion, Vector(1, 0, 0));

    // The mirror side starts fresh, then joins its own samples; side 0 keeps its own.
    ASSERT_TRUE(s.Update(-1, nullptr, 0, {-5, 0, 0}, {}, 1, 1, false));
    EXPECT_EQ(s.m_cPrevious.m_vPosition, Vector(-5, 0, 0));
    ASSERT_TRUE(s.Update(0, nullptr, 0, {3, 0, 0}, {}, 1, 1, false));
    EXPECT_EQ(s.m_cPrevious.m_vPosition, Vector(2, 0, 0));
    ASSERT_TRUE(s.Update(1, nullptr, 0, {-6, 0, 0}, {}, 1, 1, false));
    EXPECT_EQ(s.m_cPrevious.m_vPosition, Vector(-5, 0, 0));

    // Restart: the sample is a segment of its own.
    ASSERT_TRUE(s.Update(0, nullptr, 0, {4, 0, 0}, {}, 1, 1, true));
    EXPECT_EQ(s.m_cPrevious.m_vPosition, Vector(4, 0, 0));
}

TEST(StrokeSegment, SidesWithoutAHistorySlotAreRefused)
{
    StrokeSegment s;
    ASSERT_TRUE(s.Update(0, nullptr, 0, {1, 0, 0}, {}, 1, 1, false));
    for (int side : {2, -2, 1000}) {
        EXPECT_FALSE(s.Update(side, nullptr, 0, {9, 9, 9}, {}, 5, 5, false)) << side;
        EXPECT_EQ(s.m_cCurrent.m_vPosition, Vector(1, 0, 0)) << side;
    }
}

TEST(StrokeSegment, StartMakesAOnePointSegment)
{
    StrokeSegment s;
    s.Update(1, nullptr, 0, {7, 7, 7}, {}, 1, 1, false);
    s.Start({1, 2, 3}, 2);
    EXPECT_NEAR(s.GetFalloff({1, 2, 4}, false), 0.5f, 1e-6f);
    EXPECT_FALSE(s.m_aHistory[1].m_bValid);
}

}  // namespace
