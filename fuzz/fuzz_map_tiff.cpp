// Reads arbitrary bytes as a map TIFF file into buffers of every sample type and
// channel count, sized as the file says (small sizes only).
#include "FuzzFile.h"
#include "foundation/Memory.h"
#include "mapping/MapBuffer.h"

#include <tiffio.h>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    General::SetMemoryLimit(64ull << 20);
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzFile file(data, size, "map.tif");
    uint32_t width = 0, height = 0;
    if (TIFF *tiff = TIFFOpen(file.Path().toLocal8Bit().constData(), "r")) {
        TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
        TIFFClose(tiff);
    }
    if (uint64_t(width) * height > 65536)
        return 0;
    const QString base = file.Sibling("map");
    for (int type : {0, 1, 2})
        for (unsigned channels : {1u, 3u, 4u}) {
            try {
                MapExtraction::MapBuffer map;
                map.Allocate(width, height, type, channels);
                map.Load(base);
            } catch (const General::Error &) {
            }
        }
    return 0;
}
