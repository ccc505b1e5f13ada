#include "foundation/images/QTvImage.h"
#include "support/RecordingShell.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

QString Fixture(const char *name)
{
    return QStringLiteral(TEVRIN_TEST_DATA "/tiff/") + QLatin1String(name);
}

// A contiguous 32-bit float TIFF; values in row, column, sample order.
bool WriteFloatTiff(const QString &path, int width, int height, int samples, const std::vector<float> &values)
{
    TIFF *tif = TIFFOpen(path.toLocal8Bit().constData(), "w");
    if (!tif)
        return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(samples));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(32));
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, uint16_t(SAMPLEFORMAT_IEEEFP));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t(samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK));
    if (samples == 2 || samples == 4) {
        const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, uint16_t(1), extra);
    }
    bool ok = true;
    std::vector<float> row(size_t(width) * samples);
    for (int y = 0; y < height && ok; ++y) {
        std::copy_n(values.begin() + ptrdiff_t(y) * width * samples, row.size(), row.begin());
        ok = TIFFWriteScanline(tif, row.data(), uint32_t(y), 0) == 1;
    }
    TIFFClose(tif);
    return ok;
}

QRgb Pixel(const QTvImage &image, int x, int y)
{
    return image.GetImage()->pixel(x, y);
}

const QRgb kGreen = 0xFF00FF00u;
const float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();

class ImageFiles : public testing::Test {
protected:
    QString Path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    QTemporaryDir m_dir;
};

}  // namespace

TEST(Image, StartsEmpty)
{
    QTvImage image;
    EXPECT_EQ(image.GetImage(), nullptr);
    EXPECT_EQ(image.GetExposure(), 0.0f);
    EXPECT_EQ(image.GetGamma(), 2.2f);
    EXPECT_FALSE(image.IsMarkingNegative());
    EXPECT_EQ(image.GetBitDepth(), 32);
    EXPECT_EQ(image.GetChannelCount(), 0);
}

TEST(Image, ShowsFloatsWithGammaAndExposure)
{
    QTvImage image;
    ASSERT_TRUE(image.Load(Fixture("float32_rgb.tif"), false));
    EXPECT_TRUE(image.IsFloat());
    EXPECT_EQ(image.GetBitDepth(), 32);
    EXPECT_EQ(image.GetChannelCount(), 3);
    EXPECT_EQ(image.GetGamma(), 2.2f);
    ASSERT_EQ(image.GetImage()->size(), QSize(3, 2));
    EXPECT_EQ(image.GetImage()->format(), QImage::Format_ARGB32);
    // (0.5, 2.0, -1.0): 0.5 shows as 186, 2.0 clamps to 255, the sign is dropped.
    EXPECT_EQ(Pixel(image, 0, 0), qRgb(186, 255, 255));
    // (0.25, 0.0, 0.001)
    EXPECT_EQ(Pixel(image, 1, 0), qRgb(136, 0, 11));
    EXPECT_EQ(Pixel(image, 2, 0), qRgb(255, 255, 255));

    image.AddExposure(1.0f);
    EXPECT_EQ(image.GetExposure(), 1.0f);
    EXPECT_EQ(qRed(Pixel(image, 1, 0)), 186) << "0.25 one stop up shows as 0.5 did";

    image.SetExposure(0.0f);
    image.SetGamma(1.0f);
    EXPECT_EQ(qRed(Pixel(image, 0, 0)), 128);
}

TEST(Image, MarksNegativeColoursInGreen)
{
    QTvImage image;
    ASSERT_TRUE(image.Load(Fixture("float32_rgb.tif"), false));
    image.ToggleConversionFlag();
    EXPECT_TRUE(image.IsMarkingNegative());
    EXPECT_EQ(Pixel(image, 0, 0), kGreen);  // blue -1
    EXPECT_EQ(Pixel(image, 0, 1), kGreen);  // red -0.5
    EXPECT_EQ(Pixel(image, 2, 1), kGreen);  // green -100
    EXPECT_EQ(Pixel(image, 2, 0), qRgb(255, 255, 255));
    image.ToggleConversionFlag();
    EXPECT_EQ(Pixel(image, 0, 0), qRgb(186, 255, 255));
}

TEST_F(ImageFiles, ShowsAlphaWithoutExposureOrGamma)
{
    ASSERT_TRUE(WriteFloatTiff(Path("rgba.tif"), 2, 1, 4, {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, -0.25f, 0.5f, -0.5f}));
    QTvImage image;
    ASSERT_TRUE(image.Load(Path("rgba.tif"), false));
    ASSERT_EQ(image.GetChannelCount(), 4);
    EXPECT_EQ(Pixel(image, 0, 0), qRgba(186, 186, 186, 128));
    EXPECT_EQ(qAlpha(Pixel(image, 1, 0)), 128) << "a negative alpha shows as its magnitude";
    image.SetExposure(1.0f);
    EXPECT_EQ(Pixel(image, 0, 0), qRgba(255, 255, 255, 128));
    image.ToggleConversionFlag();
    EXPECT_EQ(Pixel(image, 1, 0), kGreen) << "negative green marks the pixel whatever the others hold";
    EXPECT_EQ(Pixel(image, 0, 0), qRgba(255, 255, 255, 128));
}

TEST_F(ImageFiles, ShowsOneAndTwoChannelImages)
{
    ASSERT_TRUE(WriteFloatTiff(Path("grey.tif"), 5, 1, 1, {kInf, kNaN, -0.5f, 0.5f, 1e-9f}));
    QTvImage grey;
    ASSERT_TRUE(grey.Load(Path("grey.tif"), false));
    EXPECT_EQ(Pixel(grey, 0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(Pixel(grey, 1, 0), qRgb(0, 0, 0));
    EXPECT_EQ(Pixel(grey, 2, 0), qRgb(186, 186, 186));
    EXPECT_EQ(Pixel(grey, 3, 0), qRgb(186, 186, 186));
    EXPECT_EQ(Pixel(grey, 4, 0), qRgb(0, 0, 0));
    grey.ToggleConversionFlag();
    EXPECT_EQ(Pixel(grey, 2, 0), kGreen);
    EXPECT_EQ(Pixel(grey, 3, 0), qRgb(186, 186, 186));

    ASSERT_TRUE(WriteFloatTiff(Path("two.tif"), 1, 1, 2, {0.5f, 1.0f}));
    QTvImage two;
    ASSERT_TRUE(two.Load(Path("two.tif"), false));
    EXPECT_EQ(Pixel(two, 0, 0), qRgb(186, 255, 0));
}

TEST(Image, ShowsEightBitTiffAtGammaOne)
{
    QTvImage image;
    image.SetExposure(1.0f);
    ASSERT_TRUE(image.Load(Fixture("grey8.tif"), false));
    EXPECT_EQ(image.GetExposure(), 1.0f) << "exposure survives a load";
    EXPECT_EQ(image.GetGamma(), 1.0f);
    EXPECT_FALSE(image.IsFloat());
    EXPECT_EQ(image.GetBitDepth(), 8);
    ASSERT_EQ(image.GetChannelCount(), 4);
    EXPECT_EQ(image.GetChannels()[0][0][2], 128.0f / 255.0f);
    EXPECT_EQ(Pixel(image, 1, 0), qRgb(128, 128, 128)) << "64 one stop up";
    image.SetExposure(0.0f);
    EXPECT_EQ(Pixel(image, 2, 0), qRgb(128, 128, 128));

    ASSERT_TRUE(image.Load(Fixture("half.tif"), false));
    EXPECT_EQ(image.GetGamma(), 2.2f) << "each load sets the gamma";
    EXPECT_EQ(image.GetBitDepth(), 16);
    EXPECT_TRUE(image.IsFloat());
}

TEST_F(ImageFiles, LoadsPlatformImagesAsFourChannels)
{
    QImage source(3, 2, QImage::Format_RGB32);
    source.fill(qRgb(10, 20, 30));
    source.setPixel(1, 0, qRgb(255, 128, 0));
    ASSERT_TRUE(source.save(Path("rgb.png")));
    QTvImage image;
    ASSERT_TRUE(image.Load(Path("rgb.png"), false));
    EXPECT_EQ(image.GetBitDepth(), QImage(Path("rgb.png")).depth());
    EXPECT_EQ(image.GetGamma(), 1.0f);
    ASSERT_EQ(image.GetChannelCount(), 4);
    float r = -1, g = -1, b = -1, a = -1;
    image.GetPixelValue(1, 0, r, g, b, a);
    EXPECT_EQ(r, 1.0f);
    EXPECT_EQ(g, 128.0f / 255.0f);
    EXPECT_EQ(b, 0.0f);
    EXPECT_EQ(a, 1.0f);
    EXPECT_EQ(image.GetImage()->pixel(1, 0), qRgb(255, 128, 0));

    // An indexed image is shown in colour once it is converted.
    QImage indexed = source.convertToFormat(QImage::Format_Indexed8);
    ASSERT_TRUE(indexed.save(Path("indexed.png")));
    ASSERT_TRUE(image.Load(Path("indexed.png"), false));
    EXPECT_EQ(image.GetBitDepth(), 8);
    image.SetExposure(0.0f);
    EXPECT_EQ(image.GetImage()->format(), QImage::Format_ARGB32);
    EXPECT_EQ(image.GetImage()->pixel(1, 0), qRgb(255, 128, 0));
    EXPECT_EQ(image.GetImage()->pixel(2, 1), qRgb(10, 20, 30));
}

TEST_F(ImageFiles, LimitsThePlatformImageSize)
{
    QImage source(2000, 500, QImage::Format_RGB32);
    source.fill(qRgb(1, 2, 3));
    ASSERT_TRUE(source.save(Path("wide.png")));
    const struct {
        bool limit;
        QSize size;
    } cases[] = {{true, QSize(1024, 1024)}, {false, QSize(2000, 500)}};
    for (const auto &c : cases) {
        QTvImage image;
        ASSERT_TRUE(image.Load(Path("wide.png"), c.limit));
        EXPECT_EQ(image.GetImage()->size(), c.size);
        EXPECT_EQ(image.GetChannels()[0].size(), c.size.height());
        EXPECT_EQ(image.GetChannels()[0][0].size(), c.size.width());
        EXPECT_EQ(image.GetChannels()[2][c.size.height() - 1][c.size.width() - 1], 3.0f / 255.0f);
    }
}

TEST(Image, ReadsPixelValues)
{
    const float unset = -7.0f;
    QTvImage grey;
    ASSERT_TRUE(grey.Load(Fixture("float32_be.tif"), false));
    float r = unset, g = unset, b = unset, a = unset;
    grey.GetPixelValue(2, 1, r, g, b, a);
    EXPECT_EQ(r, 100.0f);
    EXPECT_EQ(g, 100.0f);
    EXPECT_EQ(b, 100.0f);
    EXPECT_EQ(a, unset);

    QTvImage rgba;
    ASSERT_TRUE(rgba.Load(Fixture("rgba16.tif"), false));
    rgba.GetPixelValue(1, 0, r, g, b, a);
    EXPECT_EQ(r, float(1 / 65535.0));
    EXPECT_EQ(a, float(0x4000 / 65535.0));

    r = g = b = a = unset;
    for (const QPoint p : {QPoint(-1, 0), QPoint(2, 0), QPoint(0, 1)})
        rgba.GetPixelValue(p.x(), p.y(), r, g, b, a);
    EXPECT_EQ(r, unset);
    EXPECT_EQ(a, unset);
    QTvImage empty;
    empty.GetPixelValue(0, 0, r, g, b, a);
    EXPECT_EQ(r, unset);
}

TEST(Image, LoadsOneBitTiffAsMonoImage)
{
    QTvImage image;
    ASSERT_TRUE(image.Load(Fixture("mono_white.tif"), false));
    EXPECT_EQ(image.GetChannelCount(), 0);
    EXPECT_EQ(image.GetBitDepth(), 1);
    ASSERT_NE(image.GetImage(), nullptr);
    EXPECT_EQ(image.GetImage()->format(), QImage::Format_Mono);
    const QImage before = *image.GetImage();
    image.SetExposure(2.0f);
    EXPECT_EQ(*image.GetImage(), before) << "nothing to convert without channels";
}

TEST(Image, FailedLoadLeavesNothing)
{
    QTvImage image;
    ASSERT_TRUE(image.Load(Fixture("float32_rgb.tif"), false));
    for (const char *file : {"missing.tif", "grey12.tif", "make_fixtures.sh"}) {
        EXPECT_FALSE(image.Load(Fixture(file), false)) << file;
        EXPECT_EQ(image.GetImage(), nullptr) << file;
        EXPECT_EQ(image.GetChannelCount(), 0) << file;
        EXPECT_TRUE(image.GetChannels().isEmpty()) << file;
    }
    EXPECT_TRUE(Recorder().LogContains(QStringLiteral("Refused: 12 bits per sample are not supported")));
}
