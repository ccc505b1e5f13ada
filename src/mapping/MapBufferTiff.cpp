// Map buffers in TIFF files, through libtiff.
#include "foundation/Diagnostics.h"
#include "foundation/images/QTvTiff.h"
#include "mapping/MapBuffer.h"

#include <QFile>

#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace MapExtraction {

namespace {

struct TiffCloser {
    void operator()(TIFF *tiff) const { TIFFClose(tiff); }
};
using TiffFile = std::unique_ptr<TIFF, TiffCloser>;

TiffFile Open(const QString &path, const char *mode)
{
    RouteTiffMessagesToLog();
    return TiffFile(TIFFOpen(QFile::encodeName(path).constData(), mode));
}

// A writer's temporary file sits next to the target, so the rename stays on one file system.
QString TemporaryName(const QString &path) { return path + QStringLiteral(".part"); }

bool ReplaceWith(const QString &temporary, const QString &path)
{
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) == 0)
        return true;
    QFile::remove(temporary);
    return false;
}

}  // namespace

bool MapBuffer::Load(const QString &fileName)
{
    const QString path = fileName + QStringLiteral(".tif");
    TiffFile tiff = Open(path, "r");
    if (!tiff)
        return false;
    uint16_t bits = 0, samples = 0, planar = PLANARCONFIG_CONTIG, format = SAMPLEFORMAT_UINT;
    uint32_t width = 0, height = 0;
    TV_ASSERT(TIFFGetField(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits));
    TV_ASSERT(TIFFGetField(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples));
    TV_ASSERT(TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width));
    TV_ASSERT(TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height));
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLEFORMAT, &format);
    const unsigned wantBits = GetSampleSize() * 8;
    const uint16_t wantFormat = m_eType == typeFloat ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT;
    if (width != m_iWidth || height != m_iHeight || bits != wantBits || !wantBits || format != wantFormat) {
        Log("Map %s does not fit: %u x %u, %u bits, format %u\n", qPrintable(path), width, height, unsigned(bits),
            unsigned(format));
        return false;
    }
    // Interleaved scan lines only: any other layout would be misread as texels.
    const uint64_t fileRowBytes = uint64_t(bits / 8) * width * samples;
    if (!samples || planar != PLANARCONFIG_CONTIG || TIFFIsTiled(tiff.get()) ||
        uint64_t(TIFFScanlineSize64(tiff.get())) != fileRowBytes || fileRowBytes > 0xFFFFFFFFu) {
        Log("Map %s has a layout that cannot be read\n", qPrintable(path));
        return false;
    }
    if (!m_iWidth || !m_iHeight)
        return true;

    // Everything is read before the buffer changes, so a broken file leaves it as it was.
    const unsigned sampleSize = bits / 8;
    General::Store<unsigned char> fileRow("mapextraction mapdata");
    General::Store<unsigned char> image("mapextraction mapdata");
    if (!fileRow.SetItemCount(unsigned(fileRowBytes), false) || RowBytes() * m_iHeight > 0xFFFFFFFFu ||
        !image.SetItemCount(unsigned(RowBytes() * m_iHeight), false))
        return false;
    for (uint32_t i = 0; i < height; ++i) {
        if (TIFFReadScanline(tiff.get(), fileRow.begin(), i, 0) < 0) {
            Log("Map %s: row %u cannot be read\n", qPrintable(path), i);
            return false;
        }
        // File row i is buffer row height - 1 - i: files run top down.
        unsigned char *target = image.begin() + RowBytes() * (m_iHeight - 1 - i);
        for (uint32_t x = 0; x < width; ++x)
            for (unsigned c = 0; c < m_iChannelCount; ++c) {
                // Extra file samples are dropped, missing ones repeat the last.
                const unsigned from = std::min<unsigned>(c, samples - 1u);
                std::memcpy(target + (uint64_t(x) * m_iChannelCount + c) * sampleSize,
                            fileRow.begin() + (uint64_t(x) * samples + from) * sampleSize, sampleSize);
            }
    }
    std::memcpy(Row(0), image.begin(), image.GetItemCount());
    return true;
}

bool MapBuffer::SaveTiff(const QString &path, bool expandGrey) const
{
    const QString temporary = TemporaryName(path);
    TiffFile tiff = Open(temporary, "w");
    if (!tiff) {
        Log("Falied to create tif file with name %s\n", qPrintable(path.chopped(4)));
        return false;
    }
    const bool expand = expandGrey && m_iChannelCount == 1;
    const unsigned samples = expand ? 3 : m_iChannelCount;
    TIFF *t = tiff.get();
    TV_ASSERT(TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(m_iWidth)));
    TV_ASSERT(TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(m_iHeight)));
    if (m_eType == typeFloat)
        TV_ASSERT(TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, uint16_t(SAMPLEFORMAT_IEEEFP)));
    TV_ASSERT(TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t(GetSampleSize() * 8)));
    TV_ASSERT(TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(m_iHeight)));
    TV_ASSERT(TIFFSetField(t, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG)));
    // Grey maps are grey to every reader; a fourth channel is alpha, a second one goes
    // with grey as an extra sample.
    TV_ASSERT(TIFFSetField(t, TIFFTAG_PHOTOMETRIC, uint16_t(samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK)));
    TV_ASSERT(TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t(samples)));
    if (samples == 2 || samples == 4) {
        const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
        TV_ASSERT(TIFFSetField(t, TIFFTAG_EXTRASAMPLES, uint16_t(1), extra));
    }

    const unsigned sampleSize = GetSampleSize();
    General::Store<unsigned char> expanded(sampleSize == 1 ? "mapex tempbyte" : sampleSize == 2 ? "mapex tempword"
                                                                                                 : "mapex tempfloat");
    if (expand && !expanded.SetItemCount(unsigned(RowBytes() * 3), false)) {
        tiff.reset();
        QFile::remove(temporary);
        return false;
    }
    bool ok = true;
    for (unsigned i = 0; i < m_iHeight && ok; ++i) {
        const unsigned char *row = Row(m_iHeight - 1 - i);
        if (expand) {
            for (unsigned x = 0; x < m_iWidth; ++x)
                for (unsigned c = 0; c < 3; ++c)
                    std::memcpy(expanded.begin() + (uint64_t(x) * 3 + c) * sampleSize, row + uint64_t(x) * sampleSize,
                                sampleSize);
            row = expanded.begin();
        }
        ok = TIFFWriteScanline(t, const_cast<unsigned char *>(row), i, 0) >= 0;
    }
    // Closing flushes the directory: a failure there is a failed write too.
    ok = ok && TIFFFlush(t) == 1;
    tiff.reset();
    if (!ok) {
        Log("Writing tif file %s failed\n", qPrintable(path));
        QFile::remove(temporary);
        return false;
    }
    return ReplaceWith(temporary, path);
}

}  // namespace MapExtraction
