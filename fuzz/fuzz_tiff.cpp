// Reads arbitrary bytes as a TIFF file through every path of the reader.
#include "FuzzFile.h"
#include "foundation/Memory.h"
#include "foundation/images/QTvTiff.h"

#include <QImage>

#include <memory>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Declared sizes beyond this are refused before anything is allocated for them.
    General::SetMemoryLimit(64ull << 20);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzFile file(data, size, "input.tif");
    QTvTiff tiff(file.Path());
    if (!tiff.IsOpen())
        return 0;
    TvChannels channels;
    if (!tiff.readImage(channels)) {
        std::unique_ptr<QImage> mono(tiff.read1bitTIFFImageToMono());
        const unsigned bits = tiff.GetInfo().m_iBitsPerSample;
        if (!mono && bits != 2 && bits != 4 && bits != 8)
            std::unique_ptr<QImage>(tiff.read8bitTIFFImageTo32bit());
    }
    return 0;
}
