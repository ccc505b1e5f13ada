// Loads arbitrary bytes as a stream of boxes in the form of the file's version,
// using each box the way scene code does once it is read.
#include "FuzzFile.h"
#include "foundation/math/AABB.h"
#include "foundation/Stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzFile file(data, size);
    return WithLoadingStream(file, [&](Stream &stream) {
        AABB total;
        AABB box;
        while (box.Serialize(stream)) {
            total.Extend(box);
            float t = 0;
            box.IntersectSegment(total.m_vMin, total.m_vMax, t);
            (void)box.Intersects(total);
            (void)box.GetMaxSize();
        }
    });
}
