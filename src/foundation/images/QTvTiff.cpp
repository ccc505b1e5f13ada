#include "foundation/images/QTvTiff.h"

#include "foundation/Diagnostics.h"
#include "foundation/Memory.h"
#include "foundation/images/ImageLimits.h"

#include <QImage>

#include <tiffio.h>

#include <algorithm>
#include <bit>
#include <cstdarg>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace {

void LogTiffMessage(const char *kind, const char *module, const char *format, va_list args)
{
    char text[2048];
    std::vsnprintf(text, sizeof text, format, args);
    Log("TIFF %s in %s: %s\n", kind, module ? module : "libtiff", text);
}

void TiffErrorHandler(const char *module, const char *format, va_list args)
{
    LogTiffMessage("error", module, format, args);
}

void TiffWarningHandler(const char *module, const char *format, va_list args)
{
    LogTiffMessage("warning", module, format, args);
}

// a × b, or the largest value when that does not fit: a saturated size never fits in memory.
uint64_t MulSat(uint64_t a, uint64_t b)
{
    uint64_t product;
    return __builtin_mul_overflow(a, b, &product) ? std::numeric_limits<uint64_t>::max() : product;
}

uint64_t AddSat(uint64_t a, uint64_t b)
{
    uint64_t sum;
    return __builtin_add_overflow(a, b, &sum) ? std::numeric_limits<uint64_t>::max() : sum;
}

// Refuses a request before it is made, so that a file declaring a huge image with
// almost no data behind it costs nothing.
bool CheckMemory(const char *module, uint64_t bytes)
{
    const uint64_t available = General::GetAvailableMemory();
    if (bytes <= available && bytes <= uint64_t(std::numeric_limits<tmsize_t>::max()))
        return true;
    TIFFError(module, "Refused: the image needs %.2f MB, more than the %.2f MB available", double(bytes) / 1048576.0,
              double(available) / 1048576.0);
    return false;
}

template <typename T>
T Load(const uint8_t *bytes)
{
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// One row of one channel: `count` samples, `step` bytes apart.
template <typename Convert>
void DecodeSamples(const uint8_t *src, size_t step, float *dst, uint32_t count, Convert convert)
{
    for (uint32_t x = 0; x < count; ++x, src += step)
        dst[x] = convert(src);
}

void DecodeRow(unsigned bits, unsigned format, const uint8_t *src, size_t step, float *dst, uint32_t count)
{
    if (bits == 24) {
        DecodeSamples(src, step, dst, count, Float24ToFloat);
    } else if (bits == 16) {
        if (format == SAMPLEFORMAT_IEEEFP)
            DecodeSamples(src, step, dst, count, [](const uint8_t *p) { return HalfToFloat(Load<uint16_t>(p)); });
        else if (format == SAMPLEFORMAT_INT)
            DecodeSamples(src, step, dst, count, [](const uint8_t *p) { return float(Load<int16_t>(p) / 32767.0); });
        else
            DecodeSamples(src, step, dst, count, [](const uint8_t *p) { return float(Load<uint16_t>(p) / 65535.0); });
    } else {
        if (format == SAMPLEFORMAT_IEEEFP)
            DecodeSamples(src, step, dst, count, Load<float>);
        else if (format == SAMPLEFORMAT_INT)
            DecodeSamples(src, step, dst, count, [](const uint8_t *p) { return float(Load<int32_t>(p) * 0x1p-31); });
        else
            DecodeSamples(src, step, dst, count, [](const uint8_t *p) { return float(Load<uint32_t>(p) * 0x1p-32); });
    }
}

struct TiffBuffer {
    explicit TiffBuffer(tmsize_t size) : data(static_cast<uint8_t *>(_TIFFmalloc(size))) {}
    ~TiffBuffer() { _TIFFfree(data); }
    TiffBuffer(const TiffBuffer &) = delete;
    TiffBuffer &operator=(const TiffBuffer &) = delete;
    uint8_t *data;
};

}  // namespace

float HalfToFloat(uint16_t half)
{
    const uint32_t sign = uint32_t(half >> 15) << 31;
    int exponent = (half >> 10) & 0x1F;
    uint32_t mantissa = half & 0x3FF;
    if (exponent == 31)
        return std::bit_cast<float>(sign | 0x7F800000u | mantissa << 13);
    if (exponent == 0) {
        if (mantissa == 0)
            return std::bit_cast<float>(sign);
        exponent = 1;
        while (!(mantissa & 0x400)) {
            mantissa <<= 1;
            --exponent;
        }
        mantissa &= 0x3FF;
    }
    return std::bit_cast<float>(sign | uint32_t(exponent + 112) << 23 | mantissa << 13);
}

float Float24ToFloat(const uint8_t *bytes)
{
    const uint32_t sign = uint32_t(bytes[2] >> 7) << 31;
    int exponent = bytes[2] & 0x7F;
    uint32_t mantissa = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8;
    if (exponent == 127)
        return std::bit_cast<float>(sign | 0x7F800000u | mantissa << 7);
    if (exponent == 0) {
        if (mantissa == 0)
            return std::bit_cast<float>(sign);
        exponent = 1;
        while (!(mantissa & 0x10000)) {
            mantissa <<= 1;
            --exponent;
        }
        mantissa &= 0xFFFF;
    }
    return std::bit_cast<float>(sign | uint32_t(exponent + 64) << 23 | mantissa << 7);
}

void RouteTiffMessagesToLog()
{
    TIFFSetErrorHandler(TiffErrorHandler);
    TIFFSetWarningHandler(TiffWarningHandler);
}

QTvTiff::QTvTiff(const QString &fileName)
{
    // Process-wide: every later libtiff call of the program reports to the log too.
    RouteTiffMessagesToLog();
    m_pTiff = TIFFOpen(fileName.toLocal8Bit().constData(), "r");
    if (m_pTiff)
        m_Info.readTiffFields(m_pTiff);
}

QTvTiff::~QTvTiff()
{
    if (m_pTiff)
        TIFFClose(m_pTiff);
}

bool QTvTiff::IsTiled() const { return m_pTiff && TIFFIsTiled(m_pTiff); }

// A missing size tag leaves a placeholder of 65535 that would be read as a real size.
bool QTvTiff::CheckSize(const char *module) const
{
    // Every path makes at least one 4-byte value per pixel: Qt's image allocation limit
    // bounds the pixels, so a header of a few bytes cannot ask for gigabytes.
    const uint32_t most = uint32_t(std::numeric_limits<int>::max());
    const bool fits = uint64_t(m_Info.m_iWidth) * m_Info.m_iLength <= uint64_t(General::MaxImagePixels());
    if (m_Info.m_bHasSize && m_Info.m_iWidth > 0 && m_Info.m_iLength > 0 && m_Info.m_iWidth <= most
        && m_Info.m_iLength <= most && fits)
        return true;
    if (!m_Info.m_bHasSize)
        TIFFError(module, "Refused: the image has no width or no length tag");
    else if (!fits)
        TIFFError(module, "Refused: the image declares %u x %u pixels, more than can be read", m_Info.m_iWidth,
                  m_Info.m_iLength);
    else
        TIFFError(module, "Refused: the image size %u x %u is not usable", m_Info.m_iWidth, m_Info.m_iLength);
    return false;
}

bool QTvTiff::readImage(TvChannels &channels)
{
    const char *const module = "QTvTiff::readImage";
    channels.clear();
    if (!m_pTiff)
        return false;
    const unsigned bits = m_Info.m_iBitsPerSample;
    if (bits == 16 || bits == 24 || bits == 32) {
        m_fGamma = bits == 16 && m_Info.m_iSampleFormat != SAMPLEFORMAT_IEEEFP ? 1.0f : 2.2f;
        Layout layout;
        if (CheckSize(module) && SampleLayout(module, layout)
            && (IsTiled() ? ReadTiles(channels, layout) : ReadScanlines(channels, layout)))
            return true;
        channels.clear();
        return false;
    }
    if (bits != 2 && bits != 4 && bits != 8) {
        if (bits != 1)
            TIFFError(module, "Refused: %u bits per sample are not supported", bits);
        return false;
    }
    m_fGamma = 1.0f;
    std::unique_ptr<QImage> image(read8bitTIFFImageTo32bit());
    if (!image)
        return false;
    const uint32_t width = uint32_t(image->width()), height = uint32_t(image->height());
    if (!CheckMemory(module, MulSat(MulSat(4, height), AddSat(MulSat(width, sizeof(float)), sizeof(QVector<float>)))))
        return false;
    try {
        channels.resize(4);
        for (auto &channel : channels) {
            channel.resize(height);
            for (auto &row : channel)
                row.resize(width);
        }
    } catch (const std::bad_alloc &) {
        TIFFError(module, "Refused: out of memory for the channels");
        channels.clear();
        return false;
    }
    for (uint32_t y = 0; y < height; ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image->constScanLine(int(y)));
        float *r = channels[0][y].data(), *g = channels[1][y].data(), *b = channels[2][y].data(),
              *a = channels[3][y].data();
        for (uint32_t x = 0; x < width; ++x) {
            r[x] = float(qRed(line[x])) / 255.0f;
            g[x] = float(qGreen(line[x])) / 255.0f;
            b[x] = float(qBlue(line[x])) / 255.0f;
            a[x] = float(qAlpha(line[x])) / 255.0f;
        }
    }
    return true;
}

// False (and said) for a layout not read.
bool QTvTiff::SampleLayout(const char *module, Layout &layout) const
{
    const unsigned samples = m_Info.m_iSamplesPerPixel, planar = m_Info.m_iPlanarConfig;
    if (samples == 0) {
        TIFFError(module, "Refused: the image has no samples per pixel");
        return false;
    }
    if (samples > 1 && planar != PLANARCONFIG_CONTIG && planar != PLANARCONFIG_SEPARATE) {
        TIFFError(module, "Refused: unknown planar configuration %u", planar);
        return false;
    }
    layout.separate = samples > 1 && planar == PLANARCONFIG_SEPARATE;
    layout.size = m_Info.m_iBitsPerSample / 8;
    layout.step = layout.separate ? layout.size : layout.size * samples;
    return true;
}

// 16-, 24- and 32-bit samples, one scanline at a time. Rows are allocated as they are
// read, so a file that ends early fails before it has cost the whole image.
bool QTvTiff::ReadScanlines(TvChannels &channels, const Layout &layout)
{
    const char *const module = "QTvTiff::readImage";
    const uint32_t width = m_Info.m_iWidth, height = m_Info.m_iLength;
    const unsigned bits = m_Info.m_iBitsPerSample, format = m_Info.m_iSampleFormat;
    const unsigned samples = m_Info.m_iSamplesPerPixel;
    const size_t size = layout.size, step = layout.step;
    const bool separate = layout.separate;
    const tmsize_t lineSize = TIFFScanlineSize(m_pTiff);
    if (lineSize <= 0 || uint64_t(lineSize) < MulSat(width, step)) {
        TIFFError(module, "Refused: scanlines of %lld bytes cannot hold %u samples of %u bits", (long long)lineSize,
                  width * (separate ? 1 : samples), bits);
        return false;
    }
    const uint64_t rowBytes = AddSat(MulSat(width, sizeof(float)), sizeof(QVector<float>));
    if (!CheckMemory(module, AddSat(MulSat(samples, MulSat(height, rowBytes)), AddSat(uint64_t(lineSize), rowBytes))))
        return false;
    TiffBuffer buffer(lineSize);
    TiffBuffer decoded(tmsize_t(width) * tmsize_t(sizeof(float)));
    if (!buffer.data || !decoded.data) {
        TIFFError(module, "Refused: cannot allocate a scanline of %lld bytes", (long long)lineSize);
        return false;
    }
    // Stored floats one after the other need no decoding.
    const bool plain = bits == 32 && format == SAMPLEFORMAT_IEEEFP && step == size;
    const float *values = reinterpret_cast<const float *>(plain ? buffer.data : decoded.data);
    auto readRow = [&](uint32_t y, uint16_t sample) {
        _TIFFmemset(buffer.data, 0, lineSize);
        if (TIFFReadScanline(m_pTiff, buffer.data, y, sample) != -1)
            return true;
        TIFFError(module, "Error \"%s\"", "TIFFReadScanline");
        return false;
    };
    // Rows are built from the decoded scanline in one pass, without zeroing them first.
    auto fillRow = [&](unsigned s, uint32_t y, const uint8_t *first) {
        if (!plain)
            DecodeRow(bits, format, first, step, reinterpret_cast<float *>(decoded.data), width);
        channels[s][y] = QVector<float>(values, values + width);
    };
    try {
        channels.resize(int(samples));
        for (auto &channel : channels)
            channel.resize(height);
        if (!separate) {
            for (uint32_t y = 0; y < height; ++y) {
                if (!readRow(y, 0))
                    return false;
                for (unsigned s = 0; s < samples; ++s)
                    fillRow(s, y, buffer.data + s * size);
            }
        } else {
            for (unsigned s = 0; s < samples; ++s) {
                for (uint32_t y = 0; y < height; ++y) {
                    if (!readRow(y, uint16_t(s)))
                        return false;
                    fillRow(s, y, buffer.data);
                }
            }
        }
    } catch (const std::bad_alloc &) {
        TIFFError(module, "Refused: out of memory for the channels");
        return false;
    }
    return true;
}

// The same samples from a tiled file, one tile at a time; the tiles past the right and
// bottom edges are cut to the image.
bool QTvTiff::ReadTiles(TvChannels &channels, const Layout &layout)
{
    const char *const module = "QTvTiff::readImage";
    const uint32_t width = m_Info.m_iWidth, height = m_Info.m_iLength;
    const unsigned bits = m_Info.m_iBitsPerSample, format = m_Info.m_iSampleFormat;
    const unsigned samples = m_Info.m_iSamplesPerPixel;
    const size_t size = layout.size, step = layout.step;
    const bool separate = layout.separate;
    uint32_t tileWidth = 0, tileLength = 0;
    // Tiles may overhang the image, but a small file must not make a huge one.
    if (!TIFFGetField(m_pTiff, TIFFTAG_TILEWIDTH, &tileWidth) || !TIFFGetField(m_pTiff, TIFFTAG_TILELENGTH, &tileLength)
        || tileWidth == 0 || tileLength == 0 || tileWidth > std::max(width, 1024u) || tileLength > std::max(height, 1024u)) {
        TIFFError(module, "Refused: the tile size %u x %u is not usable", tileWidth, tileLength);
        return false;
    }
    const tmsize_t tileSize = TIFFTileSize(m_pTiff);
    if (tileSize <= 0 || uint64_t(tileSize) < MulSat(MulSat(tileWidth, tileLength), step)) {
        TIFFError(module, "Refused: tiles of %lld bytes cannot hold %u x %u pixels", (long long)tileSize, tileWidth,
                  tileLength);
        return false;
    }
    const uint64_t rowBytes = AddSat(MulSat(width, sizeof(float)), sizeof(QVector<float>));
    if (!CheckMemory(module, AddSat(MulSat(samples, MulSat(height, rowBytes)), uint64_t(tileSize))))
        return false;
    TiffBuffer buffer(tileSize);
    TiffBuffer decoded(tmsize_t(tileWidth) * tmsize_t(sizeof(float)));
    if (!buffer.data || !decoded.data) {
        TIFFError(module, "Refused: cannot allocate a tile of %lld bytes", (long long)tileSize);
        return false;
    }
    const float *values = reinterpret_cast<const float *>(decoded.data);
    try {
        channels.resize(int(samples));
        for (auto &channel : channels) {
            channel.resize(height);
            for (auto &row : channel)
                row.resize(width);
        }
        for (unsigned plane = 0; plane < (separate ? samples : 1u); ++plane) {
            for (uint32_t y = 0; y < height; y += tileLength) {
                for (uint32_t x = 0; x < width; x += tileWidth) {
                    _TIFFmemset(buffer.data, 0, tileSize);
                    if (TIFFReadTile(m_pTiff, buffer.data, x, y, 0, uint16_t(plane)) == -1) {
                        TIFFError(module, "Error \"%s\"", "TIFFReadTile");
                        return false;
                    }
                    const uint32_t columns = std::min(tileWidth, width - x), rows = std::min(tileLength, height - y);
                    for (uint32_t r = 0; r < rows; ++r) {
                        const uint8_t *line = buffer.data + size_t(r) * tileWidth * step;
                        for (unsigned s = separate ? plane : 0; s < (separate ? plane + 1 : samples); ++s) {
                            DecodeRow(bits, format, line + (separate ? 0 : s * size), step,
                                      reinterpret_cast<float *>(decoded.data), columns);
                            std::copy(values, values + columns, channels[s][y + r].data() + x);
                        }
                    }
                }
            }
        }
    } catch (const std::bad_alloc &) {
        TIFFError(module, "Refused: out of memory for the channels");
        return false;
    }
    return true;
}

QImage *QTvTiff::read8bitTIFFImageTo32bit()
{
    const char *const module = "QTvTiff::read8bitTIFFImageTo32bit";
    if (!m_pTiff || !CheckSize(module))
        return nullptr;
    const uint32_t width = m_Info.m_iWidth, height = m_Info.m_iLength;
    // 64-bit arithmetic: the raster of a 65536 x 65536 image is 2^34 bytes.
    const uint64_t bytes = MulSat(MulSat(width, height), 4);
    if (!CheckMemory(module, MulSat(bytes, 2)))  // the raster and the image
        return nullptr;
    std::unique_ptr<QImage> image(new QImage(int(width), int(height), QImage::Format_ARGB32));
    if (image->isNull()) {
        TIFFError(module, "Refused: cannot create a %u x %u image", width, height);
        return nullptr;
    }
    TiffBuffer raster{tmsize_t(bytes)};
    if (!raster.data) {
        TIFFError(module, "Refused: cannot allocate the raster of %llu bytes", (unsigned long long)bytes);
        return nullptr;
    }
    // Strips that fail to decode are skipped by libtiff and stay transparent black.
    _TIFFmemset(raster.data, 0, tmsize_t(bytes));
    uint32_t *pixels = reinterpret_cast<uint32_t *>(raster.data);
    if (!TIFFReadRGBAImageOriented(m_pTiff, width, height, pixels, ORIENTATION_TOPLEFT, 0)) {
        TIFFError(module, "Tiff read image error");
        return nullptr;
    }
    // libtiff packs red in the lowest byte; the image keeps blue there.
    for (uint64_t i = 0, n = uint64_t(width) * height; i < n; ++i) {
        const uint32_t p = pixels[i];
        pixels[i] = (p & 0xFF00FF00u) | (p & 0xFFu) << 16 | (p >> 16 & 0xFFu);
    }
    for (uint32_t y = 0; y < height; ++y)
        _TIFFmemcpy(image->scanLine(int(y)), pixels + uint64_t(y) * width, tmsize_t(width) * 4);
    return image.release();
}

QImage *QTvTiff::read1bitTIFFImageToMono()
{
    const char *const module = "QTvTiff::read1bitTIFFImageToMono";
    if (!m_pTiff || m_Info.m_iBitsPerSample != 1 || !CheckSize(module))
        return nullptr;
    const uint32_t width = m_Info.m_iWidth, height = m_Info.m_iLength;
    if (!CheckMemory(module, MulSat(height, AddSat(width / 8, 8))))
        return nullptr;
    std::unique_ptr<QImage> image(new QImage(int(width), int(height), QImage::Format_Mono));
    if (image->isNull()) {
        TIFFError(module, "Refused: cannot create a %u x %u image", width, height);
        return nullptr;
    }
    const QRgb black = 0xFF000000u, white = 0xFFFFFFFFu;
    image->setColorCount(2);
    if (m_Info.m_iPhotometric == PHOTOMETRIC_MINISBLACK) {
        image->setColor(0, black);
        image->setColor(1, white);
    } else if (m_Info.m_iPhotometric == PHOTOMETRIC_MINISWHITE) {
        image->setColor(0, white);
        image->setColor(1, black);
    } else {
        TIFFError(module, "Tiff read image error ( the image is not mono )");
        return nullptr;
    }
    // Scanlines go straight into the image's lines, so one must not be longer.
    const tmsize_t lineSize = TIFFScanlineSize(m_pTiff);
    if (m_Info.m_iSamplesPerPixel != 1 || lineSize <= 0 || lineSize > image->bytesPerLine()) {
        TIFFError(module, "Tiff read image error ( the image is not mono )");
        return nullptr;
    }
    for (uint32_t y = 0; y < height; ++y) {
        if (TIFFReadScanline(m_pTiff, image->scanLine(int(y)), y, 0) < 0) {
            TIFFError(module, "Tiff read image error ( mono )");
            return nullptr;
        }
    }
    return image.release();
}
