#include "foundation/Diagnostics.h"
#include "foundation/Memory.h"
#include "mapping/Info.h"
#include "mapping/MapBuffer.h"
#include "MapReadBack.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using MapExtraction::MapBuffer;

namespace {

// Sample bytes as the buffer holds them, read back through GetValue.
int ByteAt(const MapBuffer &map, unsigned x, unsigned y, unsigned c)
{
    return int(std::lround(map.GetValue(x, y, c) * 255.0f));
}

// A 3 × 2 map whose texels all differ: channel c of (x, y) is 40 * x + 100 * y + c * 10 + 5.
void FillPattern(MapBuffer &map)
{
    for (unsigned y = 0; y < map.GetHeight(); ++y)
        for (unsigned x = 0; x < map.GetWidth(); ++x)
            for (unsigned c = 0; c < map.GetChannelCount(); ++c)
                map.SetValue(x, y, c, float(40 * x + 100 * y + c * 10 + 5), 0.0f, 255.0f);
}

int Pattern(unsigned x, unsigned y, unsigned c) { return int(40 * x + 100 * y + c * 10 + 5); }

// Saves a 3 × 2 byte map of the pattern; the file name without its extension.
QString SavePattern(const TempDir &dir, const char *name, unsigned channels, bool expandGrey, int fileType)
{
    MapBuffer map;
    map.Allocate(3, 2, MapBuffer::typeByte, channels);
    FillPattern(map);
    const QString base = dir.File(name);
    EXPECT_TRUE(map.Save(base, expandGrey, fileType));
    return base;
}

// The texels of the pattern as ImageMagick reads them, within a tolerance.
void ExpectPattern(const QString &path, unsigned channels, int tolerance)
{
    const readback::Pixels pixels = readback::MagickPixels(path);
    ASSERT_EQ(pixels.size(), 6u);
    for (unsigned y = 0; y < 2; ++y)
        for (unsigned x = 0; x < 3; ++x) {
            // ImageMagick counts rows from the top; buffer row 0 is the bottom.
            const std::vector<int> &texel = pixels.at({int(x), int(1 - y)});
            ASSERT_GE(texel.size(), size_t(channels));
            for (unsigned c = 0; c < channels; ++c)
                EXPECT_NEAR(texel.at(c), Pattern(x, y, c), tolerance) << x << "," << y << " channel " << c;
        }
}

}  // namespace

TEST(MapBuffer, ValuesAreScaledIntoTheSampleRangeAndSaturate)
{
    struct Case {
        float value, min, max;
        int byte, word;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {0.0f, -1.0f, 1.0f, 127, 32767},    // truncated, not rounded
        {1.0f, -1.0f, 1.0f, 255, 65535},
        {-1.0f, -1.0f, 1.0f, 0, 0},
        {0.5f, -1.0f, 1.0f, 191, 49151},
        {1.5f, -1.0f, 1.0f, 255, 65535},    // above the range: saturates rather than wrapping to 127
        {-3.0f, -1.0f, 1.0f, 0, 0},         // below: 0, not a wrapped high value
        {4.0f, 4.0f, 4.0f, 127, 32767},     // a flat range sits in the middle
        {nan, -1.0f, 1.0f, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " in [" << c.min << ", " << c.max << "]");
        MapBuffer bytes, words, floats;
        bytes.Allocate(1, 1, MapBuffer::typeByte, 1);
        words.Allocate(1, 1, MapBuffer::typeWord, 1);
        floats.Allocate(1, 1, MapBuffer::typeFloat, 1);
        bytes.SetValue(0, 0, 0, c.value, c.min, c.max);
        words.SetValue(0, 0, 0, c.value, c.min, c.max);
        floats.SetValue(0, 0, 0, c.value, c.min, c.max);
        EXPECT_EQ(ByteAt(bytes, 0, 0, 0), c.byte);
        EXPECT_EQ(std::lround(words.GetValue(0, 0, 0) * 65535.0f), c.word);
        if (c.value == c.value)
            EXPECT_EQ(floats.GetValue(0, 0, 0), c.value);  // floats keep what they are given
    }
}

TEST(MapBuffer, ChannelsAndTexelsOutsideTheMapAreIgnored)
{
    Recorder().ExpectAssertionFailures();
    MapBuffer map;
    map.Allocate(2, 2, MapBuffer::typeByte, 3);
    map.SetNormal(1, 1, General::Vector(0, 0, 1));
    EXPECT_EQ(ByteAt(map, 1, 1, 0), 127);
    EXPECT_EQ(ByteAt(map, 1, 1, 1), 127);
    EXPECT_EQ(ByteAt(map, 1, 1, 2), 255);
    map.SetValue(0, 0, 3, 1.0f, 0.0f, 1.0f);
    map.SetValue(2, 0, 0, 1.0f, 0.0f, 1.0f);
    map.SetValue(0, 7, 0, 1.0f, 0.0f, 1.0f);
    EXPECT_EQ(map.GetValue(0, 0, 3), 0.0f);
    EXPECT_EQ(map.GetValue(5, 5, 0), 0.0f);
    // Nothing else was written, texel (0, 0) included.
    for (unsigned c = 0; c < 3; ++c)
        EXPECT_EQ(ByteAt(map, 0, 0, c), 0);
    EXPECT_EQ(map.GetMemorySize(), 12u);
}

TEST(MapBuffer, ARefusedAllocationThrowsAndLeavesNoMap)
{
    MapBuffer map;
    map.Allocate(4, 4, MapBuffer::typeFloat, 1);
    General::SetMemoryLimit(General::GetCountedMemory() + 100);
    try {
        map.Allocate(1000, 1000, MapBuffer::typeFloat, 4);
        ADD_FAILURE() << "no error";
    } catch (const General::Error &error) {
        EXPECT_EQ(error.GetMessage(), QStringLiteral("Not enough memory for map"));
        EXPECT_EQ(error.GetCode(), 1);
    }
    General::SetMemoryLimit(~uint64_t(0));
    EXPECT_EQ(map.GetType(), MapBuffer::typeNone);
    EXPECT_EQ(map.GetMemorySize(), 0u);
}

TEST(MapFiles, TiffTagsAndSamplesReadBackIndependently)
{
    struct Case {
        const char *name;
        int type;
        unsigned channels;
        bool expandGrey;
        long long bits, photometric, samplesPerPixel;
        long long sampleFormat;  // 0: no tag
        bool alpha;
    };
    const Case cases[] = {
        {"float grey", MapBuffer::typeFloat, 1, false, 32, 1, 1, 3, false},
        {"float grey expanded", MapBuffer::typeFloat, 1, true, 32, 2, 3, 3, false},
        {"byte grey", MapBuffer::typeByte, 1, false, 8, 1, 1, 0, false},
        {"byte rgb", MapBuffer::typeByte, 3, false, 8, 2, 3, 0, false},
        {"word rgba", MapBuffer::typeWord, 4, false, 16, 2, 4, 0, true},
    };
    TempDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        MapBuffer map;
        map.Allocate(3, 2, c.type, c.channels);
        FillPattern(map);
        const QString base = dir.File(c.name);
        ASSERT_TRUE(map.Save(base, c.expandGrey, MapExtraction::fileTIF));
        EXPECT_FALSE(QFile::exists(base + QStringLiteral(".tif.part")));
        const readback::TiffContents tiff = readback::ReadTiff(base + QStringLiteral(".tif"));
        ASSERT_FALSE(tiff.samples.empty()) << "tifffile could not read the file";
        EXPECT_EQ(tiff.tags.at(256), std::vector<long long>{3});
        EXPECT_EQ(tiff.tags.at(257), std::vector<long long>{2});
        EXPECT_EQ(tiff.tags.at(258).front(), c.bits);
        EXPECT_EQ(tiff.tags.at(262), std::vector<long long>{c.photometric});
        EXPECT_EQ(tiff.tags.at(277), std::vector<long long>{c.samplesPerPixel});
        EXPECT_EQ(tiff.tags.at(278), std::vector<long long>{2});  // one strip
        EXPECT_EQ(tiff.tags.at(284), std::vector<long long>{1});
        if (c.sampleFormat)
            EXPECT_EQ(tiff.tags.at(339).front(), c.sampleFormat);
        EXPECT_EQ(tiff.tags.count(338), c.alpha ? 1u : 0u);
        // Top row first in the file: buffer row 1, then row 0.
        ASSERT_EQ(tiff.samples.size(), size_t(6 * c.samplesPerPixel));
        const double scale = c.type == MapBuffer::typeFloat ? 1.0 : c.type == MapBuffer::typeWord ? 65535.0 : 255.0;
        size_t i = 0;
        for (unsigned fileRow = 0; fileRow < 2; ++fileRow)
            for (unsigned x = 0; x < 3; ++x)
                for (unsigned s = 0; s < unsigned(c.samplesPerPixel); ++s, ++i) {
                    const unsigned c0 = c.expandGrey ? 0 : s;
                    EXPECT_NEAR(tiff.samples[i], map.GetValue(x, 1 - fileRow, c0) * scale, 0.01)
                        << "texel " << x << "," << fileRow << " sample " << s;
                }
    }
}

TEST(MapFiles, TiffRoundTripRestoresTheMapAndMismatchesChangeNothing)
{
    TempDir dir;
    for (int type : {int(MapBuffer::typeByte), int(MapBuffer::typeWord), int(MapBuffer::typeFloat)}) {
        SCOPED_TRACE(type);
        MapBuffer map;
        map.Allocate(3, 2, type, 3);
        FillPattern(map);
        const QString base = dir.File("round");
        ASSERT_TRUE(map.Save(base, false, MapExtraction::fileTIF));
        MapBuffer back;
        back.Allocate(3, 2, type, 3);
        ASSERT_TRUE(back.Load(base));
        for (unsigned y = 0; y < 2; ++y)
            for (unsigned x = 0; x < 3; ++x)
                for (unsigned c = 0; c < 3; ++c)
                    EXPECT_EQ(back.GetValue(x, y, c), map.GetValue(x, y, c));

        // A grey buffer takes the file's first sample; a 4-channel one repeats the last.
        MapBuffer grey, four;
        grey.Allocate(3, 2, type, 1);
        four.Allocate(3, 2, type, 4);
        ASSERT_TRUE(grey.Load(base));
        ASSERT_TRUE(four.Load(base));
        EXPECT_EQ(grey.GetValue(2, 1, 0), map.GetValue(2, 1, 0));
        EXPECT_EQ(four.GetValue(2, 1, 3), map.GetValue(2, 1, 2));
        EXPECT_EQ(four.GetValue(1, 0, 1), map.GetValue(1, 0, 1));

        // Another size or another sample type is refused and the buffer keeps its values.
        for (auto [width, otherType] : {std::pair{3u, (type + 1) % 3}, std::pair{4u, type}}) {
            MapBuffer other;
            other.Allocate(width, 2, otherType, 3);
            other.SetValue(0, 0, 0, 7.0f, 0.0f, 255.0f);
            const float before = other.GetValue(0, 0, 0);
            EXPECT_FALSE(other.Load(base));
            EXPECT_EQ(other.GetValue(0, 0, 0), before);
        }
    }
    MapBuffer map;
    map.Allocate(3, 2, MapBuffer::typeByte, 3);
    EXPECT_FALSE(map.Load(dir.File("missing")));
    TempDir::Write(dir.File("junk.tif"), QByteArray("II*\0junk", 8));
    EXPECT_FALSE(map.Load(dir.File("junk")));
}

TEST(MapFiles, TgaFilesHoldGreyBgrAndBgraTexelsBottomUp)
{
    struct Case {
        const char *name;
        unsigned channels;
        int imageType, depth, descriptor;
    };
    const Case cases[] = {{"grey", 1, 3, 8, 0}, {"rgb", 3, 2, 24, 0}, {"rgba", 4, 2, 32, 8}};
    TempDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString base = SavePattern(dir, c.name, c.channels, true, MapExtraction::fileTGA);
        const QByteArray bytes = TempDir::Read(base + QStringLiteral(".tga"));
        ASSERT_EQ(bytes.size(), 18 + 6 * int(c.channels));
        EXPECT_EQ(bytes[2], char(c.imageType));
        EXPECT_EQ(bytes[12], char(3));
        EXPECT_EQ(bytes[14], char(2));
        EXPECT_EQ(bytes[16], char(c.depth));
        EXPECT_EQ(bytes[17], char(c.descriptor));
        if (c.channels == 3) {
            // Buffer row 0 first, blue first.
            EXPECT_EQ(uint8_t(bytes[18]), Pattern(0, 0, 2));
            EXPECT_EQ(uint8_t(bytes[20]), Pattern(0, 0, 0));
        }
        ExpectPattern(base + QStringLiteral(".tga"), c.channels, 0);
    }
}

TEST(MapFiles, TgaRefusesWideSamplesAndUnwritableFiles)
{
    TempDir dir;
    for (int type : {int(MapBuffer::typeWord), int(MapBuffer::typeFloat)}) {
        MapBuffer map;
        map.Allocate(2, 2, type, 3);
        EXPECT_FALSE(map.Save(dir.File("wide"), false, MapExtraction::fileTGA));
        EXPECT_FALSE(QFile::exists(dir.File("wide.tga")));
        EXPECT_TRUE(Recorder().LogContains(QStringLiteral("A TGA file cannot hold")));
    }
    MapBuffer map;
    map.Allocate(2, 2, MapBuffer::typeByte, 3);
    EXPECT_FALSE(map.Save(dir.File("no/such/folder/map"), false, MapExtraction::fileTGA));
    EXPECT_FALSE(map.Save(dir.File("no/such/folder/map"), false, MapExtraction::fileTIF));
    EXPECT_TRUE(Recorder().LogContains(QStringLiteral("Falied to create tif file with name")));
    EXPECT_FALSE(map.Save(dir.File("no/such/folder/map"), false, MapExtraction::filePNG));
    EXPECT_FALSE(map.Save(dir.File("other"), false, 5));
}

TEST(MapFiles, ImageWriterFilesAreTopDownWithChannelsInPlace)
{
    TempDir dir;
    struct Case {
        const char *name;
        int fileType;
        const char *extension;
        unsigned channels;
        bool exact;
    };
    const Case cases[] = {
        {"grey", MapExtraction::filePNG, "png", 1, true},
        {"rgb", MapExtraction::filePNG, "png", 3, true},
        {"rgba", MapExtraction::filePNG, "png", 4, true},
        {"bmp", MapExtraction::fileBMP, "bmp", 3, true},
        {"jpg", MapExtraction::fileJPG, "jpg", 3, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString base = SavePattern(dir, c.name, c.channels, false, c.fileType);
        ExpectPattern(base + QLatin1Char('.') + QLatin1String(c.extension), c.channels, c.exact ? 0 : 40);
    }
    MapBuffer words;
    words.Allocate(2, 2, MapBuffer::typeWord, 3);
    try {
        words.Save(dir.File("words"), false, MapExtraction::filePNG);
        ADD_FAILURE() << "no error";
    } catch (const General::Error &error) {
        EXPECT_EQ(error.GetMessage(), QStringLiteral("Invalid texture format"));
    }
}

TEST(MapFiles, TheUpNormalIsMiddleGreyAndFullBlueInEveryFormat)
{
    TempDir dir;
    MapBuffer map;
    map.Allocate(2, 2, MapBuffer::typeByte, 3);
    for (unsigned y = 0; y < 2; ++y)
        for (unsigned x = 0; x < 2; ++x)
            map.SetNormal(x, y, General::Vector(0, 0, 1));
    for (int type : {int(MapExtraction::fileTIF), int(MapExtraction::fileTGA), int(MapExtraction::filePNG)}) {
        const QString base = dir.File("normal");
        ASSERT_TRUE(map.Save(base, false, type));
        const char *extension = type == MapExtraction::fileTIF ? ".tif" : type == MapExtraction::fileTGA ? ".tga" : ".png";
        const readback::Pixels pixels = readback::MagickPixels(base + QLatin1String(extension));
        ASSERT_EQ(pixels.size(), 4u) << extension;
        EXPECT_EQ(pixels.at({1, 0}), (std::vector<int>{127, 127, 255})) << extension;
    }
}

TEST(MapFill, UncoveredTexelsTakeTheAverageOfFilledNeighboursRingByRing)
{
    // A 4 × 3 map with two covered texels; everything else is reached in rings.
    MapBuffer normal, displacement;
    normal.Allocate(4, 3, MapBuffer::typeByte, 3);
    displacement.Allocate(4, 3, MapBuffer::typeFloat, 1);
    General::Store<int> table;
    table.SetItemCount(12, false);
    table.Fill(-1);
    table[0] = 5;                     // (0, 0)
    table[1 * 4 + 1] = 7 | 0x40000000;  // (1, 1), with the bleeding mark
    normal.SetValue(0, 0, 0, 200.0f, 0.0f, 255.0f);
    normal.SetValue(1, 1, 0, 100.0f, 0.0f, 255.0f);
    normal.SetValue(1, 1, 2, 50.0f, 0.0f, 255.0f);
    displacement.SetValue(0, 0, 0, -4.0f, 0, 0);
    displacement.SetValue(1, 1, 0, 2.0f, 0, 0);

    EXPECT_EQ(MapExtraction::FillMaps(&normal, &displacement, table), 10u);
    for (unsigned i = 0; i < 12; ++i)
        if (i != 0 && i != 5)
            EXPECT_EQ(table[i], -3) << i;
    EXPECT_EQ(table[0], 5);
    // (1, 0) and (0, 1) touch both covered texels: the exact average.
    EXPECT_EQ(ByteAt(normal, 1, 0, 0), 150);
    EXPECT_EQ(ByteAt(normal, 0, 1, 2), 25);
    EXPECT_FLOAT_EQ(displacement.GetValue(0, 1, 0), -1.0f);
    // (3, 2) is three rings out and still filled.
    EXPECT_GT(ByteAt(normal, 3, 2, 0), 0);
    EXPECT_EQ(MapExtraction::FillMaps(&normal, &displacement, table), 0u);
    EXPECT_EQ(Recorder().progressTexts.last(), QStringLiteral("filling maps..."));

    // Nothing covered: nothing can be filled.
    table.Fill(-1);
    EXPECT_EQ(MapExtraction::FillMaps(&normal, nullptr, table), 0u);
}
