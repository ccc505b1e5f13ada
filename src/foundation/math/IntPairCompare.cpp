#include "foundation/math/IntPairCompare.h"

#include "foundation/Containers.h"

#include <cstring>

namespace General {

namespace {

// The pairs may sit unaligned inside byte buffers; read them by copy.
IntPair Read(const void *p)
{
    IntPair pair;
    std::memcpy(&pair, p, sizeof pair);
    return pair;
}

int Compare(int a, int b) { return (a > b) - (a < b); }

}  // namespace

int CompareIntPairFirst(const void *a, const void *b) { return Compare(Read(a).first, Read(b).first); }
int CompareIntPairSecond(const void *a, const void *b) { return Compare(Read(a).second, Read(b).second); }

}  // namespace General
