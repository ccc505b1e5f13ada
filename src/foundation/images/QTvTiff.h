#pragma once
// Reads one TIFF file through libtiff into float channels. Half, 24-bit and
// 32-bit floats keep their values; integer samples are normalised. Files of
// 2, 4 and 8 bits go through libtiff's RGBA reader, 1-bit files become a mono
// image. Every refusal and every libtiff message is written to the log.

#include "foundation/images/TvTiffInfo.h"

#include <QString>
#include <QVector>

#include <cstdint>

class QImage;

// Sends libtiff's errors and warnings (process-wide) to the log.
void RouteTiffMessagesToLog();

// value[channel][row][column]; row 0 is the file's first scanline.
using TvChannels = QVector<QVector<QVector<float>>>;

// IEEE 754 binary16 to binary32, bit-exact (denormals, infinities and NaNs included).
float HalfToFloat(uint16_t half);
// Three bytes as stored in a scanline: a 16-bit little-endian mantissa, then the
// sign (bit 7) and a 7-bit exponent with bias 63.
float Float24ToFloat(const uint8_t *bytes);

class QTvTiff {
public:
    // Opens the file read-only and reads its fields; routes libtiff's messages to the log.
    explicit QTvTiff(const QString &fileName);
    virtual ~QTvTiff();
    QTvTiff(const QTvTiff &) = delete;
    QTvTiff &operator=(const QTvTiff &) = delete;

    bool IsOpen() const { return m_pTiff != nullptr; }
    // Tiled files have no scanlines: readImage reads their 16 to 32-bit samples tile by tile.
    bool IsTiled() const;
    const TvTiffInfo &GetInfo() const { return m_Info; }
    // 2.2 for float data and 32-bit samples, 1.0 otherwise; set by readImage.
    float GetGamma() const { return m_fGamma; }

    // Fills the channels from 2, 4, 8, 16, 24 or 32 bits per sample. On failure the
    // channels are empty and the reason is in the log (1-bit files fail silently:
    // they are read with read1bitTIFFImageToMono).
    bool readImage(TvChannels &channels);
    // The whole image as 32-bit ARGB, top row first; null on failure. Caller owns it.
    QImage *read8bitTIFFImageTo32bit();
    // A 1-bit image for a 1-bit grey file; null otherwise. Caller owns it.
    QImage *read1bitTIFFImageToMono();

private:
    bool CheckSize(const char *module) const;
    // How 16-, 24- and 32-bit samples lie in a scanline or tile.
    struct Layout {
        size_t size = 0;        // bytes per sample
        size_t step = 0;        // bytes from one pixel's sample to the next pixel's
        bool separate = false;  // each sample has a plane of its own
    };
    bool SampleLayout(const char *module, Layout &layout) const;
    bool ReadScanlines(TvChannels &channels, const Layout &layout);
    bool ReadTiles(TvChannels &channels, const Layout &layout);

    tiff *m_pTiff = nullptr;
    TvTiffInfo m_Info;
    float m_fGamma = 2.2f;
};
