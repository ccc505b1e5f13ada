#pragma once
// The arithmetic of a stroke that needs no scene: pressure to size and strength, the
// samples along a curved mouse path, the ring's segment count and the stroke's random
// numbers, which come from a generator of our own so that a stroke replays the same.

#include <cstdint>
#include <vector>

namespace Stroke {

// The smallest spacing between curved-path samples (quality 100); smaller or invalid
// spacings take it, so the sample loop always ends.
constexpr float kMinimumSpacing = 0.005f;

// The brush size at a pressure: size × (a + (1 − a) × p), a = minPercent / 100, when the
// pressure controls it; the plain size otherwise.
float PressureSize(float size, bool controlsSize, int minPercent, float pressure);
// The strength factor: b + (1 − b) × p, b = minPercent / 100, when the pressure controls
// it (never above 1, never below the minimum); 1 otherwise.
float PressureStrength(bool controlsStrength, int minPercent, float pressure);

struct PathPoint {
    float x, y;
};
// The samples strictly inside the quadratic path from (x0, y0) to (x1, y1) that leaves
// along the tangent (tx, ty) (the chord when the tangent is zero), at t = s/L, 2s/L, ...
// below 1. The tangent becomes the path's direction at its end.
std::vector<PathPoint> CurvedSamples(float x0, float y0, float x1, float y1, float &tx, float &ty, float spacing);

// The segments of a ring of a tool size: 20 × log10(size), at least 64 (also for a size
// of 0 or less, which has no logarithm).
int RingSegments(float size);

// The numbers of a stroke: 0 to kMax, the same sequence for the same seed.
class Random {
public:
    static constexpr int kMax = 32767;
    explicit Random(uint32_t seed = 1) { Seed(seed); }
    void Seed(uint32_t seed);
    int Next();
    // Next() / kMax: 0 to 1.
    float Unit() { return float(Next()) / float(kMax); }

private:
    uint64_t m_iState = 0;
};

}  // namespace Stroke
