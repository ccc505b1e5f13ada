#include "mapping/Info.h"
#include "mapping/MapBuffer.h"
#include "mapping/MapOutput.h"
#include "MapReadBack.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <vector>

using MapExtraction::MapBuffer;

namespace {

// One run over a 3 × 1 map and the tiles (0, 0) and (1, 0), identifiers 1 and 2.
class MapRun : public testing::Test {
protected:
    void SetUp() override
    {
        m_info.m_aMapWidth.SetValue(3);
        m_info.m_aMapHeight.SetValue(1);
        m_info.m_aNormalMapFilename.SetValue(QStringLiteral("normal_%i"));
        m_info.m_aDisplacementMapFilename.SetValue(QStringLiteral("disp_%i_%g_%f"));
        m_info.m_iUStart = m_info.m_iVStart = 0;
        m_info.m_iUEnd = 2;
        m_info.m_iVEnd = 1;
        m_info.m_aURange.SetValue(2);
        m_output.m_sDirectory = m_dir.Path() + QLatin1Char('/');
        // Bytes in the end, floats while the tiles are made.
        m_output.m_eDisplacementFinalType = MapExtraction::map8Bit;
        m_output.m_eWorkingDisplacementType = MapExtraction::mapFloat;
        m_output.m_sDisplacePostFilename = QStringLiteral("_temp");
    }

    // Writes the temporary float displacement map of tile (u, 0).
    void WriteTile(int u, const std::vector<float> &values)
    {
        MapBuffer map;
        map.Allocate(3, 1, MapBuffer::typeFloat, 1);
        for (unsigned x = 0; x < 3; ++x)
            map.SetValue(x, 0, 0, values[x], 0, 0);
        m_info.m_iTileU = u;
        m_info.m_iTileV = 0;
        ASSERT_TRUE(m_output.SaveMaps(nullptr, &map, 3));
    }

    std::vector<int> Grey(const char *file)
    {
        const readback::Pixels pixels = readback::MagickPixels(m_dir.File(file));
        std::vector<int> grey;
        for (int x = 0; x < 3; ++x)
            grey.push_back(pixels.count({x, 0}) ? pixels.at({x, 0}).at(0) : -1);
        return grey;
    }

    TempDir m_dir;
    MapExtraction::Info m_info;
    MapExtraction::MapOutput m_output{m_info};
};

}  // namespace

TEST_F(MapRun, DisplacementIsNormalisedOverAllTilesWithZeroAsMiddleGrey)
{
    WriteTile(0, {-2.0f, 0.0f, 0.5f});
    WriteTile(1, {1.0f, 0.25f, -1.0f});
    // Temporary names drop the range, which is not known yet.
    ASSERT_TRUE(QFile::exists(m_dir.File("disp_0001___temp.tif")));
    m_output.NormalizeDisplacementMaps();
    ASSERT_TRUE(m_output.CommitRun()) << qPrintable(m_output.GetError());
    EXPECT_TRUE(Recorder().LogContains(QStringLiteral("Range of displacement maps: [-2.000000:2.000000]")));
    // (value + 2) / 4 of 255, truncated; the files carry the range in their names.
    EXPECT_EQ(Grey("disp_0001_-2_2.tif"), (std::vector<int>{0, 127, 159}));
    EXPECT_EQ(Grey("disp_0002_-2_2.tif"), (std::vector<int>{191, 143, 63}));
    EXPECT_FALSE(QFile::exists(m_dir.File("disp_0001___temp.tif")));
    EXPECT_FALSE(QFile::exists(m_dir.File("disp_0002___temp.tif")));
}

TEST_F(MapRun, TheRangeComesFromTheMapsOrTheSearchDistance)
{
    struct Case {
        const char *name;
        bool keepZero, toSearchDistance;
        std::vector<float> values;
        const char *file;
        std::vector<int> grey;
    };
    const Case cases[] = {
        {"scanned", false, false, {-2.0f, 0.0f, 1.0f}, "disp_0001_-2_1.tif", {0, 170, 255}},
        // Values beyond a narrower range saturate instead of wrapping.
        {"search distance", false, true, {-3.0f, 0.0f, 3.0f}, "disp_0001_-2_2.tif", {0, 127, 255}},
        // A flat map has no range to divide by: it is middle grey.
        {"flat", true, false, {0.0f, 0.0f, 0.0f}, "disp_0001_0_0.tif", {127, 127, 127}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        m_info.m_aKeepZeroAsMiddleGrey.SetValue(c.keepZero);
        m_info.m_aNormalizeToSearchDistance.SetValue(c.toSearchDistance);
        m_info.m_aSearchDistance.SetValue(4.0f);
        m_info.m_iUEnd = 1;
        WriteTile(0, c.values);
        m_output.NormalizeDisplacementMaps();
        ASSERT_TRUE(m_output.CommitRun());
        EXPECT_EQ(Grey(c.file), c.grey);
    }
}

TEST_F(MapRun, OnlyTheFirstTileCountsWithoutMultipleTiles)
{
    WriteTile(0, {-1.0f, 0.0f, 1.0f});
    WriteTile(1, {-8.0f, 0.0f, 8.0f});
    m_info.m_aProcessMultipleTiles.SetValue(false);
    m_output.NormalizeDisplacementMaps();
    // The other tile is left alone.
    EXPECT_TRUE(QFile::exists(m_dir.File("disp_0002___temp.tif")));
    ASSERT_TRUE(m_output.CommitRun());
    EXPECT_EQ(Grey("disp_0001_-1_1.tif"), (std::vector<int>{0, 127, 255}));
}

TEST_F(MapRun, NormalAlphaPutsTheDisplacementIntoTheNormalMap)
{
    m_output.m_eDisplacementFinalType = MapExtraction::mapNormalAlpha;
    m_output.m_eNormalType = MapExtraction::map8Bit;
    MapBuffer normal;
    normal.Allocate(3, 1, MapBuffer::typeByte, 3);
    for (unsigned x = 0; x < 3; ++x)
        normal.SetNormal(x, 0, General::Vector(0, 0, 1));
    MapBuffer displacement;
    displacement.Allocate(3, 1, MapBuffer::typeFloat, 1);
    displacement.SetValue(0, 0, 0, -1.0f, 0, 0);
    displacement.SetValue(2, 0, 0, 1.0f, 0, 0);
    m_info.m_iUEnd = 1;
    ASSERT_TRUE(m_output.SaveMaps(&normal, &displacement, 3));
    m_output.NormalizeDisplacementMaps();
    ASSERT_TRUE(m_output.CommitRun());
    const readback::TiffContents tiff = readback::ReadTiff(m_dir.File("normal_0001.tif"));
    EXPECT_EQ(tiff.tags.at(277), std::vector<long long>{4});
    EXPECT_EQ(tiff.samples, (std::vector<double>{127, 127, 255, 0, 127, 127, 255, 127, 127, 127, 255, 255}));

    // Without a normal map to put it in, the run fails with the map's name.
    QFile::remove(m_dir.File("normal_0001.tif"));
    ASSERT_TRUE(m_output.SaveMaps(nullptr, &displacement, 3));
    try {
        m_output.NormalizeDisplacementMaps();
        ADD_FAILURE() << "no error";
    } catch (const General::Error &error) {
        EXPECT_EQ(error.GetMessage(), QStringLiteral("Cannot load normal map %1/normal_0001.tif").arg(m_dir.Path()));
    }
}

TEST_F(MapRun, SavingSkipsEmptyTilesAndReportsFailuresWithoutAsking)
{
    MapBuffer normal, displacement;
    normal.Allocate(3, 1, MapBuffer::typeByte, 3);
    displacement.Allocate(3, 1, MapBuffer::typeFloat, 1);
    m_info.m_aSkipEmptyMaps.SetValue(true);
    EXPECT_TRUE(m_output.SaveMaps(&normal, &displacement, 0));
    EXPECT_TRUE(QDir(m_dir.Path()).isEmpty());

    // Final formats go straight to their files, grey expanded.
    m_output.m_eWorkingDisplacementType = m_output.m_eDisplacementFinalType = MapExtraction::map8Bit;
    m_output.m_sDisplacePostFilename.clear();
    MapBuffer bytes;
    bytes.Allocate(3, 1, MapBuffer::typeByte, 1);
    EXPECT_TRUE(m_output.SaveMaps(&normal, &bytes, 1));
    ASSERT_TRUE(m_output.CommitRun());
    EXPECT_EQ(readback::ReadTiff(m_dir.File("normal_0001.tif")).tags.at(277), std::vector<long long>{3});
    EXPECT_EQ(readback::ReadTiff(m_dir.File("disp_0001__.tif")).tags.at(277), std::vector<long long>{3});
    EXPECT_TRUE(Recorder().LogContains(QStringLiteral("New texels on maps: 1\n")));

    m_output.m_sDirectory = m_dir.File("missing/");
    EXPECT_FALSE(m_output.SaveMaps(&normal, &bytes, 1));
    EXPECT_EQ(m_output.GetError(),
              QStringLiteral("Can not save normal map %1normal_0001 (disk full or bad filename?)").arg(m_output.m_sDirectory));
    m_info.m_aCreateNormalMap.SetValue(false);
    EXPECT_FALSE(m_output.SaveMaps(&normal, &bytes, 1));
    EXPECT_TRUE(m_output.GetError().startsWith(QStringLiteral("Can not save displacement map")));
    // A batch run never waits on a message box.
    EXPECT_TRUE(Recorder().messages.isEmpty());
}

TEST_F(MapRun, AFrameOfAJobTakesTheSharedRangeAndLeavesTheOtherFramesTilesAlone)
{
    // Another frame's temporary map lies in the shared folder while this frame (tile 2) ends.
    MapBuffer other;
    other.Allocate(3, 1, MapBuffer::typeFloat, 1);
    other.SetValue(0, 0, 0, 7.0f, 0, 0);
    ASSERT_TRUE(other.Save(m_dir.File("disp_0001___temp"), false, MapExtraction::fileTIF));
    const QByteArray otherBytes = [&] {
        QFile file(m_dir.File("disp_0001___temp.tif"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    m_info.m_iFirstTile = m_info.m_iLastTile = 2;
    m_info.m_aSearchDistance.SetValue(4.0f);
    WriteTile(1, {-1.0f, 0.0f, 0.5f});
    m_output.NormalizeDisplacementMaps();
    ASSERT_TRUE(m_output.CommitRun());
    // Half the search distance either way, whatever this tile or the other holds.
    EXPECT_TRUE(Recorder().LogContains(QStringLiteral("Range of displacement maps: [-2.000000:2.000000]")));
    EXPECT_EQ(Grey("disp_0002_-2_2.tif"), (std::vector<int>{63, 127, 159}));
    QFile file(m_dir.File("disp_0001___temp.tif"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), otherBytes);
    EXPECT_EQ(QDir(m_dir.Path()).entryList(QDir::Files),
              (QStringList{QStringLiteral("disp_0001___temp.tif"), QStringLiteral("disp_0002_-2_2.tif")}));
}

TEST_F(MapRun, MapsTakeTheirNamesOnlyWhenTheRunCommits)
{
    // The maps of an earlier run, under the names this run writes.
    for (const char *name : {"normal_0001.tif", "disp_0001_-1_1.tif"}) {
        QFile file(m_dir.File(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("earlier");
    }
    const QStringList earlier = QDir(m_dir.Path()).entryList(QDir::Files);
    auto contents = [&](const char *name) {
        QFile file(m_dir.File(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    MapBuffer normal;
    normal.Allocate(3, 1, MapBuffer::typeByte, 3);
    m_info.m_iUEnd = 1;
    for (const bool commit : {false, true}) {
        SCOPED_TRACE(commit ? "committed" : "discarded");
        MapBuffer displacement;
        displacement.Allocate(3, 1, MapBuffer::typeFloat, 1);
        displacement.SetValue(0, 0, 0, -1.0f, 0, 0);
        displacement.SetValue(2, 0, 0, 1.0f, 0, 0);
        ASSERT_TRUE(m_output.SaveMaps(&normal, &displacement, 3));
        m_output.NormalizeDisplacementMaps();
        // Until the run ends, the earlier maps are what the names hold.
        EXPECT_EQ(contents("normal_0001.tif"), QByteArray("earlier"));
        EXPECT_EQ(contents("disp_0001_-1_1.tif"), QByteArray("earlier"));
        if (!commit) {
            m_output.DiscardRun();
            EXPECT_EQ(QDir(m_dir.Path()).entryList(QDir::Files), earlier);
            EXPECT_EQ(contents("normal_0001.tif"), QByteArray("earlier"));
            continue;
        }
        ASSERT_TRUE(m_output.CommitRun());
        EXPECT_EQ(QDir(m_dir.Path()).entryList(QDir::Files), earlier);
        EXPECT_EQ(Grey("disp_0001_-1_1.tif"), (std::vector<int>{0, 127, 255}));
        EXPECT_EQ(readback::ReadTiff(m_dir.File("normal_0001.tif")).tags.at(277), std::vector<long long>{3});
    }
}
