#include "interaction/stroke/StrokeRules.h"

#include <algorithm>
#include <cmath>

namespace Stroke {

float PressureSize(float size, bool controlsSize, int minPercent, float pressure)
{
    if (!controlsSize)
        return size;
    const float a = std::clamp(float(minPercent) * 0.01f, 0.0f, 1.0f);
    const float p = std::clamp(pressure, 0.0f, 1.0f);
    return size * (a + (1.0f - a) * p);
}

float PressureStrength(bool controlsStrength, int minPercent, float pressure)
{
    if (!controlsStrength)
        return 1.0f;
    const float b = std::clamp(float(minPercent) * 0.01f, 0.0f, 1.0f);
    const float p = std::clamp(pressure, 0.0f, 1.0f);
    return b + (1.0f - b) * p;
}

std::vector<PathPoint> CurvedSamples(float x0, float y0, float x1, float y1, float &tx, float &ty, float spacing)
{
    std::vector<PathPoint> samples;
    const float cx = x1 - x0, cy = y1 - y0;
    const float length = std::hypot(cx, cy);
    if (!(length > 0.0f) || !std::isfinite(length))
        return samples;
    // Leaving sideways from a zero tangent would bend the path: follow the chord instead.
    float dx = tx, dy = ty;
    const float tangent = std::hypot(dx, dy);
    if (tangent > 0.0f && std::isfinite(tangent)) {
        dx /= tangent;
        dy /= tangent;
    } else {
        dx = cx / length;
        dy = cy / length;
    }
    const float step = std::isfinite(spacing) ? std::max(spacing, kMinimumSpacing) : kMinimumSpacing;
    const float ax = cx - length * dx, ay = cy - length * dy;
    for (int k = 1;; ++k) {
        const float t = float(k) * step / length;
        if (!(t < 1.0f))
            break;
        samples.push_back({x0 + t * length * dx + t * t * ax, y0 + t * length * dy + t * t * ay});
    }
    tx = 2.0f * cx - length * dx;
    ty = 2.0f * cy - length * dy;
    return samples;
}

int RingSegments(float size)
{
    if (!(size > 1.0f) || !std::isfinite(size))
        return 64;
    return std::max(64, int(20.0f * std::log10(size)));
}

void Random::Seed(uint32_t seed) { m_iState = uint64_t(seed) * 0x9E3779B97F4A7C15ull + 1; }

int Random::Next()
{
    // A 64-bit linear congruential step; the top bits are the best mixed.
    m_iState = m_iState * 6364136223846793005ull + 1442695040888963407ull;
    return int((m_iState >> 33) % uint64_t(kMax + 1));
}

}  // namespace Stroke
