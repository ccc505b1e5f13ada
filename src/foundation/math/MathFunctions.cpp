#include "foundation/math/MathFunctions.h"

#include <cmath>
#include <cstring>

namespace General {

float WrapValue(float value, float lo, float hi)
{
    const float range = hi - lo;
    if (!std::isfinite(value) || !(range > 0.0f) || !std::isfinite(range))
        return lo;
    // Far values are brought near first; stepping alone would never get there.
    if (std::fabs(value - lo) > 64.0f * range)
        value = float(double(lo) + std::fmod(double(value) - double(lo), double(range)));
    // Rounding at the ends of a range far from zero could step over it forever.
    for (int step = 0; step < 256 && (value > hi || value < lo); ++step) {
        if (value > hi)
            value -= range;
        if (value < lo)
            value += range;
    }
    return value > hi ? hi : (value < lo ? lo : value);
}

unsigned NextPowerOfTwo(int n)
{
    unsigned power = 1;
    while (power < unsigned(n > 1 ? n : 1))
        power <<= 1;
    return power;
}

float PowInt(float base, int exponent)
{
    float result = 1.0f;
    // Widened so that the magnitude of the smallest int does not overflow.
    long long count = exponent < 0 ? -(long long)exponent : exponent;
    float factor = base;
    while (count) {
        if (count & 1)
            result *= factor;
        factor *= factor;
        count >>= 1;
    }
    return exponent < 0 ? 1.0f / result : result;
}

int CompareIndexDistance(const void *first, const void *second)
{
    float a, b;
    std::memcpy(&a, static_cast<const char *>(first) + 4, 4);
    std::memcpy(&b, static_cast<const char *>(second) + 4, 4);
    const bool aNan = std::isnan(a), bNan = std::isnan(b);
    if (aNan || bNan)
        return aNan == bNan ? 0 : (aNan ? 1 : -1);
    return a < b ? -1 : (a == b ? 0 : 1);
}

}  // namespace General
