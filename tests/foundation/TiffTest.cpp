#include "foundation/Memory.h"
#include "foundation/images/QTvTiff.h"
#include "support/RecordingShell.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace {

QString Fixture(const char *name)
{
    return QStringLiteral(TEVRIN_TEST_DATA "/tiff/") + QLatin1String(name);
}

// Every value in [channel][row][column] order.
std::vector<float> Flatten(const TvChannels &channels)
{
    std::vector<float> values;
    for (const auto &channel : channels)
        for (const auto &row : channel)
            values.insert(values.end(), row.begin(), row.end());
    return values;
}

// Same bits, so that -0, infinities and NaN payloads compare exactly.
void ExpectSameFloats(const std::vector<float> &actual, const std::vector<float> &expected, const char *what)
{
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (size_t i = 0; i < actual.size(); ++i)
        EXPECT_EQ(std::bit_cast<uint32_t>(actual[i]), std::bit_cast<uint32_t>(expected[i]))
            << what << " value " << i << ": " << actual[i] << " instead of " << expected[i];
}

// Lowers the memory limit so that `available` bytes are left, for the test's duration.
class MemoryLeft {
public:
    explicit MemoryLeft(uint64_t available) : m_iOld(General::GetMemoryLimit())
    {
        General::SetMemoryLimit(General::GetCountedMemory() + available);
    }
    ~MemoryLeft() { General::SetMemoryLimit(m_iOld); }

private:
    uint64_t m_iOld;
};

const float kInf = std::numeric_limits<float>::infinity();

}  // namespace

TEST(TiffFloats, HalfDecodesTheKnownValues)
{
    EXPECT_EQ(HalfToFloat(0x3C00), 1.0f);
    EXPECT_EQ(HalfToFloat(0xC000), -2.0f);
    EXPECT_EQ(HalfToFloat(0x0001), std::ldexp(1.0f, -24));
    EXPECT_EQ(HalfToFloat(0x7C00), kInf);
    EXPECT_EQ(HalfToFloat(0xFC00), -kInf);
    EXPECT_EQ(std::bit_cast<uint32_t>(HalfToFloat(0x8000)), 0x80000000u);
    EXPECT_EQ(HalfToFloat(0x7BFF), 65504.0f);
    EXPECT_EQ(HalfToFloat(0x03FF), 1023 * std::ldexp(1.0f, -24));
    EXPECT_EQ(std::bit_cast<uint32_t>(HalfToFloat(0x7E01)), 0x7FC02000u);
}

TEST(TiffFloats, HalfMatchesTheBinary16FormulaForEveryCode)
{
    for (uint32_t code = 0; code < 0x10000; ++code) {
        const int sign = code >> 15, exponent = (code >> 10) & 31, mantissa = code & 0x3FF;
        const float value = HalfToFloat(uint16_t(code));
        if (exponent == 31) {
            EXPECT_EQ(std::bit_cast<uint32_t>(value), uint32_t(sign) << 31 | 0x7F800000u | uint32_t(mantissa) << 13);
            continue;
        }
        const double magnitude = exponent == 0 ? std::ldexp(double(mantissa), -24)
                                               : std::ldexp(double(1024 + mantissa), exponent - 25);
        ASSERT_EQ(value, float(sign ? -magnitude : magnitude)) << "code " << code;
        ASSERT_EQ(std::signbit(value), sign == 1) << "code " << code;
    }
}

TEST(TiffFloats, Float24MatchesItsFormulaForEveryCode)
{
    const uint8_t one[] = {0x00, 0x00, 0x3F}, oneAndHalf[] = {0x00, 0x80, 0x3F};
    EXPECT_EQ(Float24ToFloat(one), 1.0f);
    EXPECT_EQ(Float24ToFloat(oneAndHalf), 1.5f);
    for (uint32_t code = 0; code < 0x1000000; ++code) {
        const uint8_t bytes[] = {uint8_t(code), uint8_t(code >> 8), uint8_t(code >> 16)};
        const int sign = code >> 23, exponent = (code >> 16) & 127, mantissa = code & 0xFFFF;
        const float value = Float24ToFloat(bytes);
        if (exponent == 127) {
            ASSERT_EQ(std::bit_cast<uint32_t>(value), uint32_t(sign) << 31 | 0x7F800000u | uint32_t(mantissa) << 7);
            continue;
        }
        const double magnitude = exponent == 0 ? std::ldexp(double(mantissa), -78)
                                               : std::ldexp(double(65536 + mantissa), exponent - 79);
        ASSERT_EQ(value, float(sign ? -magnitude : magnitude)) << "code " << code;
        ASSERT_EQ(std::signbit(value), sign == 1) << "code " << code;
    }
}

// Files of 16, 24 and 32 bits per sample, read scanline by scanline.
TEST(TiffReader, ReadsEveryScanlineFormat)
{
    const std::vector<float> rgb = {
        // red, green, blue planes of the 3 x 2 test image
        0.5f, 0.25f, 1.0f, -0.5f, 3.5f, 100.0f,    //
        2.0f, 0.0f, 1.0f, 4.0f, 0.75f, -100.0f,    //
        -1.0f, 1e-3f, 1.0f, 0.125f, 0.0625f, 1e-6f,
    };
    const float i31 = std::ldexp(1.0f, -31), i32 = std::ldexp(1.0f, -32);
    const struct {
        const char *file;
        int channels, width, height;
        float gamma;
        std::vector<float> values;
    } cases[] = {
        {"half.tif", 1, 8, 1, 2.2f,
         {1.0f, -2.0f, std::ldexp(1.0f, -24), kInf, 0.5f, -0.0f, 65504.0f, std::ldexp(1.0f, -14)}},
        {"float32_rgb.tif", 3, 3, 2, 2.2f, rgb},
        {"float32_planar.tif", 3, 3, 2, 2.2f, rgb},
        {"float32_lzw.tif", 3, 3, 2, 2.2f, rgb},
        {"float32_be.tif", 1, 3, 2, 2.2f, std::vector<float>(rgb.begin(), rgb.begin() + 6)},
        {"float24_rgb.tif", 3, 2, 1, 2.2f, {1.0f, 0.5f, 1.5f, 0.0f, -1.0f, std::ldexp(1.0f, -62)}},
        {"grey16.tif", 1, 4, 1, 1.0f, {0.0f, float(1000 / 65535.0), float(32768 / 65535.0), 1.0f}},
        {"rgba16.tif", 4, 2, 1, 1.0f,
         {1.0f, float(1 / 65535.0), float(32768 / 65535.0), float(2 / 65535.0), 0.0f, float(3 / 65535.0), 1.0f,
          float(0x4000 / 65535.0)}},
        {"int16.tif", 1, 4, 1, 1.0f, {float(-32768 / 32767.0), -1.0f, 0.0f, 1.0f}},
        {"int32.tif", 1, 4, 1, 2.2f, {-1.0f, -i31, 0.0f, float(2147483647 * double(i31))}},
        {"uint32.tif", 1, 4, 1, 2.2f, {0.0f, i32, 0.5f, float(4294967295 * double(i32))}},
    };
    for (const auto &c : cases) {
        QTvTiff tiff(Fixture(c.file));
        ASSERT_TRUE(tiff.IsOpen()) << c.file;
        TvChannels channels;
        ASSERT_TRUE(tiff.readImage(channels)) << c.file << "\n" << Recorder().log.toStdString();
        ASSERT_EQ(channels.size(), c.channels) << c.file;
        ASSERT_EQ(channels[0].size(), c.height) << c.file;
        ASSERT_EQ(channels[0][0].size(), c.width) << c.file;
        EXPECT_EQ(tiff.GetGamma(), c.gamma) << c.file;
        ExpectSameFloats(Flatten(channels), c.values, c.file);
    }
}

// Files of 8 bits per sample go through libtiff's RGBA reader, in every compression.
TEST(TiffReader, ReadsEightBitFilesAsFourChannels)
{
    const auto v = [](int byte) { return float(byte) / 255.0f; };
    const std::vector<float> rgb = {
        v(255), v(0), v(0), v(128), v(16), v(250),   //
        v(0), v(255), v(0), v(64), v(32), v(251),    //
        v(0), v(0), v(255), v(32), v(48), v(252),    //
        1, 1, 1, 1, 1, 1,
    };
    const struct {
        const char *file;
        uint16_t compression;
        const char *compressionName;
    } cases[] = {
        {"rgb8.tif", 1, "No compression ( COMPRESSION_NONE )"},
        {"rgb8_lzw.tif", 5, "LZW ( COMPRESSION_LZW )"},
        {"rgb8_deflate.tif", 8, "Deflate ('Adobe-style') ( COMPRESSION_ADOBE_DEFLATE )"},
        {"rgb8_packbits.tif", 32773, "PackBits compression, aka Macintosh RLE ( COMPRESSION_PACKBITS )"},
    };
    for (const auto &c : cases) {
        QTvTiff tiff(Fixture(c.file));
        const TvTiffInfo &info = tiff.GetInfo();
        EXPECT_EQ(info.m_iCompression, c.compression) << c.file;
        EXPECT_EQ(info.CompressionNames().value(info.m_iCompression), QString::fromLatin1(c.compressionName));
        EXPECT_EQ(info.SampleFormatNames().value(info.m_iSampleFormat),
                  QStringLiteral("unsigned integer data ( SAMPLEFORMAT_UINT )"));
        TvChannels channels;
        ASSERT_TRUE(tiff.readImage(channels)) << c.file;
        EXPECT_EQ(tiff.GetGamma(), 1.0f);
        ExpectSameFloats(Flatten(channels), rgb, c.file);
    }

    QTvTiff grey(Fixture("grey8.tif"));
    TvChannels channels;
    ASSERT_TRUE(grey.readImage(channels));
    ASSERT_EQ(channels.size(), 4);
    const int bytes[2][4] = {{0, 64, 128, 255}, {10, 200, 30, 90}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(channels[c][y][x], v(bytes[y][x]));
            EXPECT_EQ(channels[3][y][x], 1.0f);
        }
    EXPECT_EQ(channels[0][0][2], 128.0f / 255.0f);

    // Alpha comes through; libtiff premultiplies the colours of unassociated alpha.
    QTvTiff rgba(Fixture("rgba8.tif"));
    ASSERT_TRUE(rgba.readImage(channels));
    EXPECT_EQ(channels[3][0][0], 1.0f);
    EXPECT_EQ(channels[3][0][1], v(128));
    EXPECT_EQ(channels[3][1][0], 0.0f);
    EXPECT_EQ(channels[0][0][0], v(200));
    EXPECT_EQ(channels[1][0][0], v(100));
    EXPECT_EQ(channels[2][0][0], v(50));
    EXPECT_EQ(channels[0][1][1], 1.0f);
}

TEST(TiffReader, ReadsOneBitFilesAsMonoImages)
{
    for (const char *file : {"mono_black.tif", "mono_white.tif"}) {
        QTvTiff tiff(Fixture(file));
        TvChannels channels;
        EXPECT_FALSE(tiff.readImage(channels)) << file;
        EXPECT_TRUE(channels.isEmpty());
        std::unique_ptr<QImage> image(tiff.read1bitTIFFImageToMono());
        ASSERT_TRUE(image) << file;
        EXPECT_EQ(image->format(), QImage::Format_Mono);
        ASSERT_EQ(image->size(), QSize(10, 3));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 10; ++x)
                EXPECT_EQ(image->pixel(x, y), (x + y) % 3 == 0 ? 0xFF000000u : 0xFFFFFFFFu) << file << x << y;
        if (tiff.GetInfo().m_iPhotometric == 0) {
            EXPECT_EQ(image->pixelIndex(0, 0), 1) << "set bits of a min-is-white file are black";
        }
    }
    QTvTiff notMono(Fixture("grey8.tif"));
    EXPECT_EQ(notMono.read1bitTIFFImageToMono(), nullptr);
}

// Files the reader must refuse, each with a message in the log and nothing allocated for them.
TEST(TiffReader, RefusesUnusableFilesWithAMessage)
{
    const struct {
        const char *file;
        const char *message;
    } cases[] = {
        {"grey12.tif", "Refused: 12 bits per sample are not supported"},
        // libtiff already refuses these at opening; the reader would refuse them as well.
        {"nowidth.tif", "TIFF error in TIFFReadDirectory"},
        {"planar3.tif", "PlanarConfiguration"},
        // 65536 x 65536 x 4 bytes wraps to 0 in 32 bits.
        {"huge8.tif", "Refused: the image declares 65536 x 65536 pixels"},
        // What a file with its size tags missing would have asked for: 65535 x 65535, 4 floats.
        {"huge_float.tif", "Refused: the image declares 65535 x 65535 pixels"},
        // 210 bytes asking for 1.6 billion pixels: refused from its header, not after
        // gigabytes were tried.
        {"bomb8.tif", "Refused: the image declares 40000 x 40000 pixels"},
        {"missing.tif", "TIFF error"},
    };
    const MemoryLeft left(uint64_t(1) << 30);
    for (const auto &c : cases) {
        Recorder().Clear();
        QTvTiff tiff(Fixture(c.file));
        TvChannels channels;
        EXPECT_FALSE(tiff.readImage(channels)) << c.file;
        EXPECT_TRUE(channels.isEmpty()) << c.file;
        EXPECT_TRUE(Recorder().LogContains(QString::fromLatin1(c.message)))
            << c.file << " logged:\n" << Recorder().log.toStdString();
    }
}

TEST(TiffReader, RefusesTheRasterWhenTheMemoryIsNotThere)
{
    QTvTiff tiff(Fixture("rgb8.tif"));
    const MemoryLeft left(40);  // the 3 x 2 raster and image need 48 bytes
    EXPECT_EQ(tiff.read8bitTIFFImageTo32bit(), nullptr);
    TvChannels channels;
    EXPECT_FALSE(tiff.readImage(channels));
    EXPECT_TRUE(Recorder().LogContains(QStringLiteral("QTvTiff::read8bitTIFFImageTo32bit: Refused")));
}

// A file whose pixel data is cut short or garbled fails as a whole: no half-read image.
TEST(TiffReader, FailsOnDamagedPixelData)
{
    QTemporaryDir dir;
    const struct {
        const char *file;
        int cut;         // bytes dropped from the end, where these files keep their strip
        int garbleFrom;  // or bytes overwritten from here on (the LZW strip starts at 8)
        int garbleTo;
    } cases[] = {
        {"float32_rgb.tif", 20, 0, 0},
        {"half.tif", 4, 0, 0},
        {"float32_lzw.tif", 0, 8, 70},
    };
    for (const auto &c : cases) {
        QFile source(Fixture(c.file));
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        QByteArray bytes = source.readAll();
        bytes.chop(c.cut);
        for (int i = c.garbleFrom; i < c.garbleTo; ++i)
            bytes[i] = char(0xFF);
        const QString path = dir.filePath(QLatin1String(c.file));
        QFile damaged(path);
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
        damaged.write(bytes);
        damaged.close();

        Recorder().Clear();
        QTvTiff tiff(path);
        ASSERT_TRUE(tiff.IsOpen()) << c.file;
        TvChannels channels;
        EXPECT_FALSE(tiff.readImage(channels)) << c.file;
        EXPECT_TRUE(channels.isEmpty()) << c.file;
        EXPECT_TRUE(Recorder().LogContains(QStringLiteral("QTvTiff::readImage: Error \"TIFFReadScanline\"")))
            << c.file << " logged:\n" << Recorder().log.toStdString();
    }
}
