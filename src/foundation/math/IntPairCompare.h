#pragma once
// qsort comparisons of 8-byte integer pairs (General::IntPair) by one member: negative,
// zero or positive. They compare rather than subtract, so pairs far apart (INT_MIN and a
// positive value) still sort the right way round.

namespace General {

int CompareIntPairFirst(const void *a, const void *b);
int CompareIntPairSecond(const void *a, const void *b);

}  // namespace General
