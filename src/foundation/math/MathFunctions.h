#pragma once
// Scalar helpers shared by the geometric code.

namespace General {

// The upper bound of wrapped angles (slightly below 2π, as stored files expect).
constexpr float kAngleWrap = 6.283f;

// Brings value into lo..hi (both inclusive) by adding or subtracting (hi - lo).
// A value that is not finite, or an empty range, gives lo.
float WrapValue(float value, float lo, float hi);

// 1 for n < 2, else the smallest power of two not below n (2^31 for the largest ints).
unsigned NextPowerOfTwo(int n);

// base raised to an integer power; a negative power gives the reciprocal.
float PowInt(float base, int exponent);

// An (index, distance) pair, sorted by distance.
struct IndexDistance {
    int index;
    float distance;
};
static_assert(sizeof(IndexDistance) == 8);

// qsort comparison of 8-byte (int, float) records by the float, ascending:
// -1, 0 or 1. Not-a-number distances sort after all others, so the order stays consistent.
int CompareIndexDistance(const void *first, const void *second);

}  // namespace General
