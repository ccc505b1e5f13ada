// A PNG of some kilobytes whose compressed text chunks inflate to megabytes: every road a
// picture is read by (a thumbnail, a stamp or stencil's grey pixels, an image plane, a
// picture's size, a tray's picture) reads it within a small memory bound, or refuses it.
#include "foundation/images/GrayImage.h"
#include "foundation/images/ImageLimits.h"
#include "foundation/images/Pictures.h"
#include "support/MemoryLimit.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

QByteArray Chunk(const char *type, const QByteArray &data)
{
    QByteArray body = QByteArray(type, 4) + data;
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : body) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    crc ^= 0xFFFFFFFFu;
    const auto be = [](quint32 v) {
        const char bytes[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        return QByteArray(bytes, 4);
    };
    return be(quint32(data.size())) + body + be(crc);
}

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
    QByteArray png = QByteArray::fromHex("89504e470d0a1a0a") + Chunk("IHDR", header);
    for (int i = 0; i < 2; ++i)
        png += Chunk("zTXt", QByteArray("Description") + char('0' + i) + QByteArray(2, '\0') + zipped);
    png += Chunk("IDAT", qCompress(rows).mid(4));
    png += Chunk("zTXt", QByteArray("Comment") + QByteArray(2, '\0') + zipped);
    return png + Chunk("IEND", QByteArray());
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
        {"tray picture", [&](const QString &f) { return isGrey(General::Pictures::Image(f)); }},
    };
    for (const Road &road : roads) {
        // Warm up once here: the reader plugins and caches the child would otherwise load.
        road.read(file);
        EXPECT_TRUE(testsupport::RunsWithin(48LL << 20, [&] { return road.read(file); })) << road.name;
    }
}
