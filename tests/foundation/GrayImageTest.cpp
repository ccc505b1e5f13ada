#include "foundation/images/GrayImage.h"
#include "support/RecordingShell.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

QString Fixture(const char *folder, const char *name)
{
    return QStringLiteral(TEVRIN_TEST_DATA "/") + QLatin1String(folder) + QLatin1Char('/') + QLatin1String(name);
}

struct Loaded {
    bool ok = false;
    uint32_t width = 7, height = 9;  // a failed load keeps these
    bool isFloat = false;
    std::vector<float> values;
};

Loaded Load(const QString &file, bool invert = false, int modeA = 5, int modeB = 7)
{
    Loaded result;
    General::Store<float> pixels("test grey");
    pixels.SetItemCount(3, false);
    pixels.Fill(42.0f);
    result.isFloat = true;
    result.ok = General::LoadGrayImage(pixels, file, result.width, result.height, invert, modeA, modeB,
                                       &result.isFloat);
    result.values.assign(pixels.begin(), pixels.end());
    if (!result.ok)
        EXPECT_EQ(result.values, std::vector<float>(3, 42.0f)) << "a failed load touched the pixels";
    return result;
}

void ExpectValues(const std::vector<float> &actual, const std::vector<float> &expected, const QString &what)
{
    ASSERT_EQ(actual.size(), expected.size()) << what.toStdString();
    for (size_t i = 0; i < actual.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-6f) << what.toStdString() << " value " << i;
}

float Byte(int b) { return float(b) / 255.0f; }

}  // namespace

// 16 and 32-bit TIFFs keep their precision: integers scaled to [0, 1], floats as stored,
// mode A picks the sample (0 when the pixel has fewer), invert negates.
TEST(GrayImage, ReadsDeepTiffSamples)
{
    const float i32 = std::ldexp(1.0f, -32);
    const struct {
        const char *folder, *file;
        bool invert;
        int modeA;
        uint32_t width, height;
        std::vector<float> values;
    } cases[] = {
        {"tiff", "grey16.tif", false, 5, 4, 1, {0.0f, float(1000 / 65535.0), float(32768 / 65535.0), 1.0f}},
        {"tiff", "grey16.tif", true, 5, 4, 1, {-0.0f, -float(1000 / 65535.0), -float(32768 / 65535.0), -1.0f}},
        // Four samples, mode 5: the first sample.
        {"tiff", "rgba16.tif", false, 5, 2, 1, {1.0f, float(1 / 65535.0)}},
        {"tiff", "rgba16.tif", false, 1, 2, 1, {float(32768 / 65535.0), float(2 / 65535.0)}},
        // Three samples written by ImageMagick from 8-bit values.
        {"gray", "rgb16.tif", false, 5, 3, 1, {Byte(0x10), Byte(0x40), Byte(0xff)}},
        {"gray", "rgb16.tif", false, 2, 3, 1, {Byte(0x30), Byte(0xc0), Byte(0x7f)}},
        {"tiff", "float32_be.tif", false, 5, 3, 2, {0.5f, 0.25f, 1.0f, -0.5f, 3.5f, 100.0f}},
        {"tiff", "float32_rgb.tif", true, 5, 3, 2, {-0.5f, -0.25f, -1.0f, 0.5f, -3.5f, -100.0f}},
        // 32-bit integers are scaled, not taken for float bits.
        {"tiff", "uint32.tif", false, 5, 4, 1, {0.0f, i32, 0.5f, 1.0f}},
    };
    for (const auto &c : cases) {
        const QString file = Fixture(c.folder, c.file);
        const Loaded loaded = Load(file, c.invert, c.modeA);
        ASSERT_TRUE(loaded.ok) << c.file << "\n" << Recorder().log.toStdString();
        EXPECT_EQ(loaded.width, c.width) << c.file;
        EXPECT_EQ(loaded.height, c.height) << c.file;
        ExpectValues(loaded.values, c.values, file);
    }
    // Neither byte order nor tiles matter.
    ExpectValues(Load(Fixture("gray", "ramp16_be.tif")).values, Load(Fixture("gray", "ramp16.tif")).values,
                 QStringLiteral("big-endian ramp"));
    const Loaded tiled = Load(Fixture("gray", "ramp16_tiled.tif"));
    ASSERT_TRUE(tiled.ok) << Recorder().log.toStdString();
    EXPECT_EQ(tiled.width, 32u);
    ExpectValues(tiled.values, Load(Fixture("gray", "ramp16.tif")).values, QStringLiteral("tiled ramp"));
    // Tiles that overhang the image are cut to it.
    const Loaded overhang = Load(Fixture("gray", "float40x24_tiled.tif"));
    ASSERT_TRUE(overhang.ok) << Recorder().log.toStdString();
    EXPECT_EQ(overhang.width, 40u);
    EXPECT_EQ(overhang.height, 24u);
    ExpectValues(overhang.values, Load(Fixture("gray", "float40x24.tif")).values, QStringLiteral("overhanging tiles"));
}

// Everything else is 8-bit colour with an alpha of 1: mode 5 of an RGB image is green.
TEST(GrayImage, ReadsEightBitImagesByChannelMode)
{
    const std::vector<float> red = {Byte(0x10), Byte(0x40), Byte(0xff)};
    const std::vector<float> green = {Byte(0x20), Byte(0x80), Byte(0x00)};
    const std::vector<float> blue = {Byte(0x30), Byte(0xc0), Byte(0x7f)};
    auto minus = [](std::vector<float> a, const std::vector<float> &b) {
        for (size_t i = 0; i < a.size(); ++i)
            a[i] -= b[i];
        return a;
    };
    auto inverted = [](std::vector<float> a) {
        for (float &v : a)
            v = 1.0f - v;
        return a;
    };
    const struct {
        bool invert;
        int modeA, modeB;
        std::vector<float> values;
    } cases[] = {
        {false, 5, 7, green},       {false, 0, 7, blue},       {false, 2, 7, red},
        {false, 3, 7, {1, 1, 1}},   {false, 6, 7, red},        {false, 2, 0, minus(red, blue)},
        {true, 5, 7, inverted(green)},
    };
    // The 8-bit TIFF is opened, found shallow and read like the PNG.
    for (const char *file : {"rgb8.png", "rgb8.tif"}) {
        for (const auto &c : cases) {
            const Loaded loaded = Load(Fixture("gray", file), c.invert, c.modeA, c.modeB);
            const QString what = QStringLiteral("%1 mode %2/%3").arg(QLatin1String(file)).arg(c.modeA).arg(c.modeB);
            ASSERT_TRUE(loaded.ok) << what.toStdString();
            EXPECT_EQ(loaded.width, 3u);
            EXPECT_EQ(loaded.height, 1u);
            EXPECT_FALSE(loaded.isFloat);
            ExpectValues(loaded.values, c.values, what);
        }
    }
}

// Only the last four characters choose the TIFF path: ".TIF" does, ".tiff" does not.
TEST(GrayImage, TheNameEndingChoosesThePath)
{
    QTemporaryDir dir;
    const QString upper = dir.filePath(QStringLiteral("grey.TIF")), longer = dir.filePath(QStringLiteral("grey.tiff"));
    ASSERT_TRUE(QFile::copy(Fixture("tiff", "grey16.tif"), upper));
    ASSERT_TRUE(QFile::copy(Fixture("tiff", "grey16.tif"), longer));
    // Inverted deep samples are negated; inverted 8-bit values are 1 − v.
    const Loaded deep = Load(upper, true);
    ASSERT_TRUE(deep.ok);
    EXPECT_NEAR(deep.values.back(), -1.0f, 1e-6f);
    const Loaded shallow = Load(longer, true);
    ASSERT_TRUE(shallow.ok);
    EXPECT_FALSE(shallow.isFloat);
    ExpectValues(shallow.values, {1.0f, 1.0f - Byte(4), 1.0f - Byte(128), 0.0f}, longer);
}

TEST(GrayImage, ScalesLargeImagesToTheSizeLimit)
{
    const Loaded loaded = Load(Fixture("gray", "wide.png"));
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.width, 1024u);
    EXPECT_EQ(loaded.height, 1024u);
    ASSERT_EQ(loaded.values.size(), 1024u * 1024u);
    EXPECT_NEAR(loaded.values[12345], Byte(200), 1e-6f);
}

// Refused files keep the caller's store and size, and say why.
TEST(GrayImage, RefusesUnreadableFiles)
{
    QTemporaryDir dir;
    const QString truncated = dir.filePath(QStringLiteral("cut.tif"));
    QFile source(Fixture("gray", "ramp16.tif"));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    QFile cut(truncated);
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(source.read(300));
    cut.close();
    const struct {
        QString file;
        const char *message;
    } cases[] = {
        {Fixture("tiff", "nowidth.tif"), "could not be read"},
        {Fixture("tiff", "huge_float.tif"), "could not be read"},
        {truncated, "could not be read"},
        {dir.filePath(QStringLiteral("missing.png")), "could not be read"},
    };
    for (const auto &c : cases) {
        Recorder().Clear();
        const Loaded loaded = Load(c.file);
        EXPECT_FALSE(loaded.ok) << c.file.toStdString();
        EXPECT_EQ(loaded.width, 7u);
        EXPECT_EQ(loaded.height, 9u);
        EXPECT_TRUE(Recorder().LogContains(QString::fromLatin1(c.message)))
            << c.file.toStdString() << " logged:\n" << Recorder().log.toStdString();
    }
}

// Pictures of a few hundred bytes or kilobytes that declare more pixels than any stamp or
// stencil source has are refused from their header, before any decoding.
TEST(GrayImage, PictureBombsAreRefusedFromTheirDeclaredSize)
{
    QTemporaryDir dir;
    // 5000 x 5000 grey zeros: some 25 kB of PNG that Qt alone would decode whole.
    const QString png = dir.filePath(QStringLiteral("bomb.png"));
    QImage zeros(5000, 5000, QImage::Format_Grayscale8);
    zeros.fill(0);
    ASSERT_TRUE(zeros.save(png, "PNG", 0));
    zeros = QImage();
    const QString tif = dir.filePath(QStringLiteral("bomb.tif"));
    ASSERT_TRUE(QFile::copy(Fixture("tiff", "bomb8.tif"), tif));
    for (const QString &file : {png, tif, Fixture("tiff", "bomb8.tif")}) {
        SCOPED_TRACE(file.toStdString());
        Recorder().Clear();
        EXPECT_FALSE(Load(file).ok);
        EXPECT_TRUE(Recorder().log.contains(QStringLiteral("declares"))) << Recorder().log.toStdString();
    }
}
