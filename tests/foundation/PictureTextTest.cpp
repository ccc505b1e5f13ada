// A PNG of some kilobytes whose compressed text chunks inflate to megabytes: every road a
// picture is read by (a thumbnail, a stamp or stencil's grey pixels, an image plane, a
// picture's size, a tray's picture) reads it within a small memory bound, or refuses it.
// A PNG far longer than its pixels is refused on every road before any of it is copied.
#include "foundation/images/GrayImage.h"
#include "foundation/images/ImageLimits.h"
#include "foundation/images/Pictures.h"
#include "support/MemoryLimit.h"
#include "support/PngFixtures.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

// A 4 x 4 grey picture of value 128 with two text chunks of 6.4 MB each before its pixels
// and one after them (each under the decoder's own 8 MB bound for one chunk).
QByteArray TextBomb()
{
    const QByteArray text = QByteArray("k: v\n").repeated(1280000);
    const QByteArray zipped = qCompress(text, 9).mid(4);  // the zlib stream without Qt's length
    const QByteArray header = QByteArray::fromHex("0000000400000004") + QByteArray::fromHex("0800000000");
    QByteArray rows;
    for (int y = 0; y < 4; ++y)
        rows += QByteArray(1, '\0') + QByteArray(4, char(128));
    QByteArray png = QByteArray::fromHex("89504e470d0a1a0a") + testsupport::PngChunk("IHDR", header);
    for (int i = 0; i < 2; ++i)
        png += testsupport::PngChunk("zTXt", QByteArray("Description") + char('0' + i) + QByteArray(2, '\0') + zipped);
    png += testsupport::PngChunk("IDAT", qCompress(rows).mid(4));
    png += testsupport::PngChunk("zTXt", QByteArray("Comment") + QByteArray(2, '\0') + zipped);
    return png + testsupport::PngChunk("IEND", QByteArray());
}

struct Road {
    const char *name;
    std::function<bool(const QString &)> read;  // true when the picture came whole
};

}  // namespace

TEST(PictureText, EveryRoadReadsAPictureWithHugeTextWithinABound)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("text.png"));
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        const QByteArray bytes = TextBomb();
        ASSERT_LT(bytes.size(), 64 * 1024);
        out.write(bytes);
    }
    const auto isGrey = [](const QImage &image) {
        return image.width() == 4 && image.height() == 4 && qGray(image.pixel(1, 2)) == 128;
    };
    const Road roads[] = {
        {"thumbnail",
         [&](const QString &f) {
             return isGrey(General::ReadBoundedImage(f, General::kMaxScaledPixels, QSize(96, 96), true).image);
         }},
        {"stamp or stencil",
         [](const QString &f) {
             General::Store<float> pixels;
             uint32_t width = 0, height = 0;
             return General::LoadGrayImage(pixels, f, width, height, false, General::kGrayGreen, General::kGrayNone) &&
                    width == 4 && std::abs(pixels[5] - 128.0f / 255.0f) < 1e-6f;
         }},
        {"image plane",
         [&](const QString &f) { return isGrey(General::ReadBoundedImage(f, General::MaxImagePixels()).image); }},
        {"size", [](const QString &f) { return General::DeclaredImageSize(f) == QSize(4, 4); }},
        {"picture", [&](const QString &f) { return isGrey(General::Pictures::Image(f)); }},
    };
    for (const Road &road : roads) {
        // Warm up once here: the reader plugins and caches the child would otherwise load.
        road.read(file);
        EXPECT_TRUE(testsupport::RunsWithin(48LL << 20, [&] { return road.read(file); })) << road.name;
    }
}

TEST(PictureText, APngFarLongerThanItsPixelsIsRefusedBeforeAnyOfItIsCopied)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const struct {
        const char *name;
        qint64 privateBytes;
    } files[] = {{"a private chunk of 64 MB", 64LL << 20}, {"a private chunk of 2 GB", 0x7FFFFFF0LL}};
    const Road roads[] = {
        {"thumbnail",
         [](const QString &f) {
             return General::ReadBoundedImage(f, General::kMaxScaledPixels, QSize(96, 96), true).tooLarge;
         }},
        {"stamp or stencil",
         [](const QString &f) {
             General::Store<float> pixels;
             uint32_t width = 0, height = 0;
             return !General::LoadGrayImage(pixels, f, width, height, false, General::kGrayGreen, General::kGrayNone);
         }},
        {"image plane",
         [](const QString &f) { return General::ReadBoundedImage(f, General::MaxImagePixels()).tooLarge; }},
        {"size", [](const QString &f) { return !General::DeclaredImageSize(f).isValid(); }},
        {"picture", [](const QString &f) { return General::Pictures::Image(f).isNull(); }},
    };
    for (const auto &file : files) {
        const QString path = dir.filePath(QStringLiteral("long.png"));
        ASSERT_TRUE(testsupport::WriteLongPng(path, file.privateBytes)) << file.name;
        for (const Road &road : roads) {
            road.read(path);
            EXPECT_TRUE(testsupport::RunsWithin(48LL << 20, [&] { return road.read(path); }, 5))
                << file.name << " by " << road.name;
        }
    }
}
