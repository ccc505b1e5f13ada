// What the main window decides about input, without a window.
#include "app/services/AppInteractionServices.h"
#include "app/window/WindowInput.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(TabletPressure, MapsThroughThePreferencesRangeAndClamps)
{
    struct Case {
        double pressure;
        int low, high;
        float expected;
    };
    const Case cases[] = {
        {0.0, 0, 1, 0.0f},   {0.25, 0, 1, 0.25f}, {1.0, 0, 1, 1.0f},  {1.5, 0, 1, 1.0f},
        {-0.5, 0, 1, 0.0f},  {2.0, 2, 6, 0.0f},   {4.0, 2, 6, 0.5f},  {7.0, 2, 6, 1.0f},
        // Equal bounds have no range: the pressure is taken as it is, never a division by zero.
        {0.4, 1, 1, 0.4f},   {0.0, 0, 0, 0.0f},   {3.0, 0, 0, 1.0f},
        // Reversed bounds still give a value in range.
        {0.25, 1, 0, 0.75f},
        {std::numeric_limits<double>::quiet_NaN(), 0, 1, 0.0f},
    };
    for (const Case &c : cases) {
        const float p = TabletPressure(c.pressure, c.low, c.high);
        EXPECT_TRUE(std::isfinite(p));
        EXPECT_FLOAT_EQ(p, c.expected) << c.pressure << " in " << c.low << ".." << c.high;
    }
}

TEST(TabletPressure, MovesCarryTheTabletsPressureForOneSecondOnly)
{
    EXPECT_FLOAT_EQ(MovePressure(0.3f, 1500, 1000), 0.3f);
    EXPECT_FLOAT_EQ(MovePressure(0.3f, 1999, 1000), 0.3f);
    EXPECT_FLOAT_EQ(MovePressure(0.3f, 2000, 1000), 1.0f);
    EXPECT_FLOAT_EQ(MovePressure(0.3f, 10, -1000000), 1.0f);
}

TEST(PickRows, AViewRowBecomesTheCamerasRowInTheOffscreenBuffer)
{
    // A 300-row view drawn into a 512-row buffer: the picture fills the buffer's lower part,
    // and the camera counts rows from the buffer's top.
    EXPECT_FLOAT_EQ(AppInteractionServices::CameraRow(0.0f, 300, 300.0f / 512.0f), 212.0f);
    EXPECT_FLOAT_EQ(AppInteractionServices::CameraRow(299.5f, 300, 300.0f / 512.0f), 511.5f);
    // Without a larger buffer the rows are the view's.
    EXPECT_FLOAT_EQ(AppInteractionServices::CameraRow(40.0f, 300, 1.0f), 40.0f);
    EXPECT_FLOAT_EQ(AppInteractionServices::CameraRow(40.0f, 0, 0.5f), 40.0f);
    EXPECT_FLOAT_EQ(AppInteractionServices::CameraRow(40.0f, 300, 0.0f), 40.0f);
}
