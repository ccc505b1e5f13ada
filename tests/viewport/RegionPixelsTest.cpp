// The scissor rectangle of a dirty region: every pixel the region touches, in the picture.
#include "viewport/view/SceneView.h"

#include "foundation/math/Rect2D.h"

#include <gtest/gtest.h>

#include <array>

TEST(RegionPixels, CoverEveryPixelTheRegionTouches)
{
    const struct {
        const char *what;
        General::Rect2D region;
        std::array<int, 4> pixels;  // x, y from the bottom, width, height
    } cases[] = {
        {"whole view", {0.0f, 0.0f, 1.0f, 1.0f}, {0, 0, 160, 120}},
        {"left half", {0.0f, 0.0f, 0.5f, 1.0f}, {0, 0, 80, 120}},
        // 160 × 0.101 = 16.16 to 160 × 0.499 = 79.84: columns 16 to 79; from the bottom
        // 120 × 0.496 = 59.52 to 120 × 0.75 = 90: rows 59 to 89.
        {"fractions widen outward", {0.101f, 0.25f, 0.499f, 0.504f}, {16, 59, 64, 31}},
        {"beyond the view is cut", {-0.2f, -0.5f, 1.3f, 0.5f}, {0, 60, 160, 60}},
        {"empty", {0.5f, 0.5f, 0.5f, 0.5f}, {80, 60, 0, 0}},
    };
    for (const auto &c : cases) {
        std::array<int, 4> pixels{};
        SceneView::RegionPixels(c.region, 160, 120, pixels.data());
        EXPECT_EQ(pixels, c.pixels) << c.what;
    }
}
