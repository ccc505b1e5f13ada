// The stroke's arithmetic without a scene: pressure, curved samples, ring segments and the
// stroke's own random numbers.
#include "interaction/stroke/StrokeRules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace Stroke;

TEST(StrokeRules, PressureScalesSizeFromItsMinimumToTheFullSize)
{
    struct Case {
        bool controls;
        int minPercent;
        float pressure, expected;
    };
    const Case cases[] = {
        {true, 25, 0.0f, 10.0f},  {true, 25, 1.0f, 40.0f},  {true, 25, 0.5f, 25.0f},
        {true, 0, 0.0f, 0.0f},    {true, 100, 0.0f, 40.0f}, {false, 25, 0.0f, 40.0f},
        // A pressure outside 0..1 from a badly calibrated tablet stays within the bounds.
        {true, 25, 2.0f, 40.0f},  {true, 25, -1.0f, 10.0f},
    };
    for (const Case &c : cases)
        EXPECT_FLOAT_EQ(PressureSize(40.0f, c.controls, c.minPercent, c.pressure), c.expected)
            << c.controls << " " << c.minPercent << " " << c.pressure;
}

TEST(StrokeRules, PressureStrengthStaysBetweenItsMinimumAndOne)
{
    struct Case {
        int minPercent;
        float pressure, expected;
    };
    // "Min Strength" is the strength at no pressure; full pressure is full strength, never more.
    const Case cases[] = {{0, 0.0f, 0.0f},   {0, 1.0f, 1.0f},   {50, 0.0f, 0.5f}, {50, 1.0f, 1.0f},
                          {50, 0.5f, 0.75f}, {100, 0.3f, 1.0f}, {30, 1.5f, 1.0f}};
    for (const Case &c : cases) {
        const float strength = PressureStrength(true, c.minPercent, c.pressure);
        EXPECT_FLOAT_EQ(strength, c.expected) << c.minPercent << " " << c.pressure;
        EXPECT_LE(strength, 1.0f);
        EXPECT_GE(strength, float(c.minPercent) * 0.01f - 1e-6f);
    }
    EXPECT_EQ(PressureStrength(false, 50, 0.0f), 1.0f);
}

TEST(StrokeRules, ALongMoveIsSampledAtTheSpacingAShortOneNotAtAll)
{
    float tx = 1.0f, ty = 0.0f;
    // 0.1 of the view at spacing 0.04: samples at t = 0.4 and 0.8, the pointer's own comes after.
    std::vector<PathPoint> samples = CurvedSamples(0.2f, 0.5f, 0.3f, 0.5f, tx, ty, 0.04f);
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_NEAR(samples[0].x, 0.24f, 1e-5f);
    EXPECT_NEAR(samples[1].x, 0.28f, 1e-5f);
    EXPECT_NEAR(samples[0].y, 0.5f, 1e-6f);
    // The tangent at the end of a straight path is the chord, doubled less its length.
    EXPECT_NEAR(tx, 0.1f, 1e-6f);
    EXPECT_NEAR(ty, 0.0f, 1e-6f);

    tx = 1.0f, ty = 0.0f;
    EXPECT_TRUE(CurvedSamples(0.2f, 0.5f, 0.23f, 0.5f, tx, ty, 0.04f).empty());
    // No move: no sample, and the tangent stays.
    tx = 0.3f, ty = 0.4f;
    EXPECT_TRUE(CurvedSamples(0.2f, 0.5f, 0.2f, 0.5f, tx, ty, 0.04f).empty());
    EXPECT_EQ(tx, 0.3f);
}

TEST(StrokeRules, AZeroTangentFollowsTheChordInsteadOfLeavingSideways)
{
    float tx = 0.0f, ty = 0.0f;
    const std::vector<PathPoint> samples = CurvedSamples(0.1f, 0.1f, 0.52f, 0.1f, tx, ty, 0.04f);
    ASSERT_EQ(samples.size(), 10u);
    for (const PathPoint &p : samples)
        EXPECT_NEAR(p.y, 0.1f, 1e-6f) << p.x;
}

TEST(StrokeRules, SpacingsOfZeroOrLessStillEndAtTheSmallestSpacing)
{
    for (const float spacing : {0.0f, -0.5f, std::numeric_limits<float>::quiet_NaN(), 1e-30f}) {
        float tx = 1.0f, ty = 0.0f;
        const std::vector<PathPoint> samples = CurvedSamples(0.0f, 0.0f, 0.101f, 0.0f, tx, ty, spacing);
        // Steps of 0.005 below 0.101: twenty of them.
        EXPECT_EQ(samples.size(), 20u) << spacing;
    }
}

TEST(StrokeRules, RingSegmentsNeedNoLogarithmOfNothing)
{
    for (const float size : {0.0f, -3.0f, 1.0f, 25.0f, std::numeric_limits<float>::quiet_NaN()})
        EXPECT_EQ(RingSegments(size), 64) << size;
    EXPECT_EQ(RingSegments(1e5f), 100);
}

TEST(StrokeRules, TheRandomNumbersRepeatForTheSameSeedAndStayInRange)
{
    Random a(7), b(7), c(8);
    bool differs = false;
    int low = Random::kMax, high = 0;
    for (int i = 0; i < 2000; ++i) {
        const int x = a.Next();
        EXPECT_EQ(x, b.Next());
        differs = differs || x != c.Next();
        low = std::min(low, x);
        high = std::max(high, x);
    }
    EXPECT_TRUE(differs);
    EXPECT_GE(low, 0);
    EXPECT_LE(high, Random::kMax);
    // The range is used, not a corner of it.
    EXPECT_LT(low, 200);
    EXPECT_GT(high, Random::kMax - 200);
}
