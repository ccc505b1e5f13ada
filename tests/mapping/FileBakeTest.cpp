#include "mapping/FileBake.h"
#include "mapping/Mapper.h"
#include "mapping/MappingGlobals.h"
#include "SheetFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

using MapExtraction::MapBuffer;
using MapExtraction::Mapper;

namespace {

using fixtures::Wave;
using fixtures::WriteSheet;

class FileBakeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitializeMappingGlobals();
        ASSERT_TRUE(m_cDir.isValid());
        WriteSheet(m_cDir.filePath(QStringLiteral("low.obj")), 4, [](float, float) { return 0.0f; }, true);
        WriteSheet(m_cDir.filePath(QStringLiteral("high.obj")), 80, Wave, false);
        m_cMapper.m_aMapWidth.SetValue(32, true);
        m_cMapper.m_aMapHeight.SetValue(32, true);
        m_cMapper.m_aSearchDistance.SetValue(0.3f, true);
        m_cMapper.m_aNormalMapFormat.SetValue(2, true);
        m_cMapper.m_aDisplacementMapFormat.SetValue(MapExtraction::mapBWFloat, true);
        m_cMapper.m_aCreateNormalMap.SetValue(true, true);
        m_cMapper.m_aCreateDisplacementMap.SetValue(true, true);
        m_cMapper.m_aNormalMapFilename.SetValue(m_cDir.filePath(QStringLiteral("n")), true);
        m_cMapper.m_aDisplacementMapFilename.SetValue(m_cDir.filePath(QStringLiteral("d")), true);
    }

    QTemporaryDir m_cDir;
    Mapper m_cMapper;
};

}  // namespace

TEST_F(FileBakeTest, BakesTheHighFileOntoTheLowFile)
{
    QString error;
    ASSERT_TRUE(MapExtraction::BakeFromFiles(m_cMapper, m_cDir.filePath(QStringLiteral("low.obj")),
                                             m_cDir.filePath(QStringLiteral("high.obj")), &error))
        << qPrintable(error);
    MapBuffer displacement;
    displacement.Allocate(32, 32, MapBuffer::typeFloat, 1);
    ASSERT_TRUE(displacement.Load(m_cDir.filePath(QStringLiteral("d"))));
    float worst = 0;
    for (unsigned y = 0; y < 32; ++y)
        for (unsigned x = 0; x < 32; ++x)
            worst = std::max(worst, std::fabs(displacement.GetValue(x, y, 0) - Wave((x + 0.5f) / 32, (y + 0.5f) / 32)));
    EXPECT_LT(worst, 1e-3f);
    EXPECT_EQ(m_cMapper.m_aLowMesh.GetValue(), nullptr);
}

TEST_F(FileBakeTest, UnreadableFilesFailWithAReason)
{
    const QString low = m_cDir.filePath(QStringLiteral("low.obj"));
    QFile broken(m_cDir.filePath(QStringLiteral("broken.obj")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("v 0 0 0\nv 1 0 0\nf 1 2 7\n");
    broken.close();
    const struct {
        QString low, high;
    } cases[] = {
        {m_cDir.filePath(QStringLiteral("missing.obj")), low},
        {low, m_cDir.filePath(QStringLiteral("missing.obj"))},
        {low, broken.fileName()},
        {low, m_cDir.filePath(QStringLiteral("high.xyz"))},
    };
    for (const auto &c : cases) {
        QString error;
        EXPECT_FALSE(MapExtraction::BakeFromFiles(m_cMapper, c.low, c.high, &error)) << qPrintable(c.high);
        EXPECT_FALSE(error.isEmpty()) << qPrintable(c.high);
    }
}

namespace {

// The high sheet is read per region: every tile of a three-tile low sheet, and every part
// of a run split for memory, meets the whole high surface.
struct SmallMemoryMapper : Mapper {
    uint64_t m_iAvailable = UINT64_MAX;
    uint64_t AvailableMemory() const override { return m_iAvailable; }
};

}  // namespace

TEST_F(FileBakeTest, EveryTileAndEveryPartReadsTheHighFile)
{
    const auto wave = [](float x, float y) { return Wave(x, y); };
    const QString low = m_cDir.filePath(QStringLiteral("low3.obj")), high = m_cDir.filePath(QStringLiteral("high3.obj"));
    WriteSheet(low, 12, [](float, float) { return 0.0f; }, true, 3.0f);
    WriteSheet(high, 90, wave, false, 3.0f);
    MapBuffer maps[2][3];
    for (int run = 0; run < 2; ++run) {
        SmallMemoryMapper mapper;
        if (run == 1)
            mapper.m_iAvailable = 6000;  // a quarter of a tile a part
        mapper.m_aMapWidth.SetValue(32, true);
        mapper.m_aMapHeight.SetValue(32, true);
        mapper.m_aSearchDistance.SetValue(0.3f, true);
        mapper.m_aDisplacementMapFormat.SetValue(MapExtraction::mapBWFloat, true);
        mapper.m_aCreateNormalMap.SetValue(false, true);
        mapper.m_aCreateDisplacementMap.SetValue(true, true);
        mapper.m_aProcessMultipleTiles.SetValue(true, true);
        const QString mask = m_cDir.filePath(QStringLiteral("t%1_%i").arg(run));
        mapper.m_aDisplacementMapFilename.SetValue(mask, true);
        QString error;
        ASSERT_TRUE(MapExtraction::BakeFromFiles(mapper, low, high, &error)) << qPrintable(error);
        EXPECT_EQ(mapper.m_iRegionsSplit > 0, run == 1);
        for (int tile = 0; tile < 3; ++tile) {
            MapBuffer &map = maps[run][tile];
            map.Allocate(32, 32, MapBuffer::typeFloat, 1);
            ASSERT_TRUE(map.Load(m_cDir.filePath(QStringLiteral("t%1_%2").arg(run).arg(1 + tile, 4, 10, QLatin1Char('0'))))) << tile;
            float worst = 0;
            for (unsigned y = 0; y < 32; ++y)
                for (unsigned x = 0; x < 32; ++x)
                    worst = std::max(worst, std::fabs(map.GetValue(x, y, 0) -
                                                      Wave(float(tile) + (x + 0.5f) / 32, (y + 0.5f) / 32)));
            // Flat high pieces a thirtieth wide follow the wave to a few ten-thousandths.
            EXPECT_LT(worst, 1e-3f) << "run " << run << " tile " << tile;
        }
    }
    for (int tile = 0; tile < 3; ++tile)
        for (unsigned y = 0; y < 32; ++y)
            for (unsigned x = 0; x < 32; ++x)
                ASSERT_NEAR(maps[0][tile].GetValue(x, y, 0), maps[1][tile].GetValue(x, y, 0), 1e-6f) << tile;
}

// A farm frame names one tile: a tile the low mesh has bakes only that tile, one it does
// not have is refused with the tiles it has, before anything is written.
TEST_F(FileBakeTest, AFrameForATileTheMeshLacksIsRefusedWithTheTilesItHas)
{
    const QString low = m_cDir.filePath(QStringLiteral("low3.obj")), high = m_cDir.filePath(QStringLiteral("high3.obj"));
    WriteSheet(low, 6, [](float, float) { return 0.0f; }, true, 3.0f);
    WriteSheet(high, 30, Wave, false, 3.0f);
    const struct {
        int tile;
        bool baked;
    } cases[] = {{0, false}, {7, false}, {4, false}, {1, true}, {3, true}};
    for (const auto &c : cases) {
        QTemporaryDir maps;
        Mapper mapper;
        mapper.m_aMapWidth.SetValue(16, true);
        mapper.m_aMapHeight.SetValue(16, true);
        mapper.m_aSearchDistance.SetValue(0.3f, true);
        mapper.m_aCreateNormalMap.SetValue(false, true);
        mapper.m_aCreateDisplacementMap.SetValue(true, true);
        mapper.m_aDisplacementMapFilename.SetValue(maps.filePath(QStringLiteral("d_%i")), true);
        mapper.m_iFirstTile = mapper.m_iLastTile = c.tile;
        QString error;
        EXPECT_EQ(MapExtraction::BakeFromFiles(mapper, low, high, &error), c.baked) << c.tile;
        const QStringList written = QDir(maps.path()).entryList(QDir::Files);
        if (c.baked) {
            EXPECT_EQ(written, QStringList{QStringLiteral("d_%1.tif").arg(c.tile, 4, 10, QLatin1Char('0'))}) << c.tile;
        } else {
            EXPECT_TRUE(written.isEmpty()) << c.tile;
            EXPECT_EQ(error, QStringLiteral("The low mesh has no tile %1; its tiles are 1-3").arg(c.tile));
        }
        EXPECT_EQ(mapper.m_aLowMesh.GetValue(), nullptr) << c.tile;
    }
}

TEST_F(FileBakeTest, RunsThatCannotSucceedAreRefusedBeforeWritingAndKeepTheLastRange)
{
    const QString low = m_cDir.filePath(QStringLiteral("low.obj")), high = m_cDir.filePath(QStringLiteral("high.obj"));
    QString error;
    ASSERT_TRUE(MapExtraction::BakeFromFiles(m_cMapper, low, high, &error)) << qPrintable(error);
    const float lastMin = m_cMapper.m_fDisplacementMin, lastMax = m_cMapper.m_fDisplacementMax;
    ASSERT_LT(lastMin, lastMax);

    const QString far = m_cDir.filePath(QStringLiteral("far.obj"));
    WriteSheet(far, 4, [](float, float) { return 5.0f; }, false);
    const struct {
        const char *what;
        std::function<void(Mapper &)> set;
        bool farHigh = false;
    } cases[] = {
        {"normal alpha as PNG",
         [](Mapper &m) {
             m.m_aDisplacementMapFormat.SetValue(MapExtraction::mapNormalAlpha, true);
             m.m_aFileType.SetValue(MapExtraction::filePNG, true);
         }},
        {"normal alpha as JPG",
         [](Mapper &m) {
             m.m_aDisplacementMapFormat.SetValue(MapExtraction::mapNormalAlpha, true);
             m.m_aFileType.SetValue(MapExtraction::fileJPG, true);
         }},
        {"zero width", [](Mapper &m) { m.m_aMapWidth.SetValue(0, true); }},
        {"zero height", [](Mapper &m) { m.m_aMapHeight.SetValue(0, true); }},
        // Every ray misses: the high sheet lies beyond the search distance.
        {"all rays miss", [](Mapper &) {}, true},
    };
    const QStringList before = QDir(m_cDir.path()).entryList(QDir::Files);
    for (const auto &c : cases) {
        Mapper mapper;
        mapper.m_aMapWidth.SetValue(32, true);
        mapper.m_aMapHeight.SetValue(32, true);
        mapper.m_aSearchDistance.SetValue(0.3f, true);
        mapper.m_aDisplacementMapFormat.SetValue(MapExtraction::mapBWFloat, true);
        mapper.m_aCreateDisplacementMap.SetValue(true, true);
        mapper.m_aCreateNormalMap.SetValue(true, true);
        mapper.m_aNormalMapFilename.SetValue(m_cDir.filePath(QStringLiteral("refused_n")), true);
        mapper.m_aDisplacementMapFilename.SetValue(m_cDir.filePath(QStringLiteral("refused_d")), true);
        mapper.m_fDisplacementMin = lastMin;
        mapper.m_fDisplacementMax = lastMax;
        c.set(mapper);
        QString reason;
        EXPECT_FALSE(MapExtraction::BakeFromFiles(mapper, low, c.farHigh ? far : high, &reason)) << c.what;
        EXPECT_FALSE(reason.isEmpty()) << c.what;
        EXPECT_EQ(mapper.m_fDisplacementMin, lastMin) << c.what;
        EXPECT_EQ(mapper.m_fDisplacementMax, lastMax) << c.what;
        EXPECT_EQ(QDir(m_cDir.path()).entryList(QDir::Files), before) << c.what;
    }
}

TEST_F(FileBakeTest, AFailedRunLeavesTheMapsOfTheLastGoodRun)
{
    const QString low = m_cDir.filePath(QStringLiteral("low.obj")), high = m_cDir.filePath(QStringLiteral("high.obj"));
    // Near enough to be read for the region, beyond every ray (half of 0.3 either way).
    const QString far = m_cDir.filePath(QStringLiteral("far.obj"));
    WriteSheet(far, 4, [](float, float) { return 0.2f; }, false);
    auto contents = [&] {
        QStringList files;
        for (const QString &name : QDir(m_cDir.path()).entryList(QDir::Files)) {
            QFile file(m_cDir.filePath(name));
            EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(name);
            files << name + QLatin1Char(' ') + QString::fromLatin1(file.readAll().toHex());
        }
        return files;
    };
    // Bytes go through temporary float maps and a final pass; floats are written at once.
    for (const int format : {int(MapExtraction::map8Bit), int(MapExtraction::mapBWFloat)}) {
        SCOPED_TRACE(format);
        m_cMapper.m_aDisplacementMapFormat.SetValue(format, true);
        QString error;
        ASSERT_TRUE(MapExtraction::BakeFromFiles(m_cMapper, low, high, &error)) << qPrintable(error);
        const QStringList good = contents();
        ASSERT_TRUE(QFile::exists(m_cDir.filePath(QStringLiteral("d.tif"))));
        EXPECT_FALSE(MapExtraction::BakeFromFiles(m_cMapper, low, far, &error));
        EXPECT_TRUE(error.startsWith(QStringLiteral("No ray hit the high resolution mesh"))) << qPrintable(error);
        EXPECT_EQ(contents(), good);
    }
}

// A sheet modelled in millimetres: side 1000 and waves of amplitude 30. Without a range of
// its own the run searches a tenth of the low sheet (100) and finds every wave whole.
TEST_F(FileBakeTest, WithoutARangeTheSearchDistanceIsATenthOfTheLowMeshAtAnySize)
{
    constexpr float kScale = 1000.0f, kAmplitude = 0.03f;
    const auto wave = [](float x, float y) {
        constexpr float kPi = 3.14159265f;
        return kAmplitude * std::sin(2 * kPi * x) * std::sin(2 * kPi * y);
    };
    const QString low = m_cDir.filePath(QStringLiteral("low_mm.obj")), high = m_cDir.filePath(QStringLiteral("high_mm.obj"));
    WriteSheet(low, 4, [](float, float) { return 0.0f; }, true, 1.0f, kScale);
    WriteSheet(high, 80, wave, false, 1.0f, kScale);
    QString error;
    ASSERT_TRUE(MapExtraction::BakeFromFiles(m_cMapper, low, high, &error, true)) << qPrintable(error);
    EXPECT_FLOAT_EQ(m_cMapper.m_aSearchDistance.GetValue(), 100.0f);
    EXPECT_EQ(m_cMapper.m_iRunHits, m_cMapper.m_iRunRays);
    // The texel centres nearest the crests lie at 7.5 / 32 and 8.5 / 32.
    const float crest = kScale * wave(7.5f / 32, 7.5f / 32);
    EXPECT_NEAR(m_cMapper.m_fDisplacementMax, crest, 0.05f * crest);
    EXPECT_NEAR(m_cMapper.m_fDisplacementMin, -crest, 0.05f * crest);
    EXPECT_TRUE(m_cMapper.m_aNotices.isEmpty()) << qPrintable(m_cMapper.m_aNotices.join('\n'));
}

// A high sheet far above the low one holds its faces; the run says that none of them lies
// within reach, how many there are, and which switch lengthens the reach.
TEST_F(FileBakeTest, AHighMeshBeyondTheSearchDistanceIsSaidToBeOutOfReachNotEmpty)
{
    const QString far = m_cDir.filePath(QStringLiteral("far.obj"));
    WriteSheet(far, 40, [](float, float) { return 5.0f; }, false);
    QString error;
    EXPECT_FALSE(MapExtraction::BakeFromFiles(m_cMapper, m_cDir.filePath(QStringLiteral("low.obj")), far, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("No face of the high resolution mesh lies within the search "
                                                "distance (0.3) of the low mesh: all 1600 of its faces")))
        << qPrintable(error);
    EXPECT_TRUE(error.contains(QStringLiteral("-range"))) << qPrintable(error);
    EXPECT_FALSE(error.contains(QStringLiteral("no faces"))) << qPrintable(error);
    EXPECT_TRUE(QDir(m_cDir.path()).entryList({QStringLiteral("*.tif")}).isEmpty());
}

// A run that did what it was asked but made maps that are flat where a bake should show
// relief says why, besides its success: the surface it met is the low mesh itself, or most
// texels met nothing; a wavy high sheet wholly in reach gets no such word.
TEST_F(FileBakeTest, FlatOrMostlyMissedMapsSucceedWithANotice)
{
    const QString low = m_cDir.filePath(QStringLiteral("low.obj"));
    const QString narrow = m_cDir.filePath(QStringLiteral("narrow.obj"));
    WriteSheet(narrow, 20, Wave, false, 0.3f);
    const struct {
        const char *what;
        QString high;
        QString notice;
    } cases[] = {
        {"the low sheet itself", low, QStringLiteral("Every texel lies at zero")},
        {"a high strip over a third", narrow, QStringLiteral("% of the texels found no high surface")},
        {"the wave", m_cDir.filePath(QStringLiteral("high.obj")), QString()},
    };
    for (const auto &c : cases) {
        QString error;
        ASSERT_TRUE(MapExtraction::BakeFromFiles(m_cMapper, low, c.high, &error)) << c.what << qPrintable(error);
        if (c.notice.isEmpty()) {
            EXPECT_TRUE(m_cMapper.m_aNotices.isEmpty()) << c.what << qPrintable(m_cMapper.m_aNotices.join('\n'));
            EXPECT_EQ(m_cMapper.FinishedText(false), QStringLiteral("Map extraction finished without errors"));
            continue;
        }
        ASSERT_EQ(m_cMapper.m_aNotices.size(), 1) << c.what << qPrintable(m_cMapper.m_aNotices.join('\n'));
        EXPECT_TRUE(m_cMapper.m_aNotices[0].contains(c.notice)) << c.what << qPrintable(m_cMapper.m_aNotices[0]);
        EXPECT_TRUE(m_cMapper.FinishedText(false).endsWith(m_cMapper.m_aNotices[0])) << c.what;
    }
}

// Tile 2 of a low mesh whose texture coordinates skip it: a frame for that tile that skips
// empty maps writes nothing, succeeds, and says so.
TEST_F(FileBakeTest, ASkippedEmptyTileSaysItHasNoFacesAndNoMap)
{
    const QString low = m_cDir.filePath(QStringLiteral("gap.obj"));
    QFile file(low);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 0 0\nv 3 0 0\nv 3 1 0\nv 2 1 0\n"
               "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvt 2 0\nvt 3 0\nvt 3 1\nvt 2 1\n"
               "f 1/1 2/2 3/3 4/4\nf 5/5 6/6 7/7 8/8\n");
    file.close();
    const QString high = m_cDir.filePath(QStringLiteral("high3.obj"));
    WriteSheet(high, 30, Wave, false, 3.0f);
    QTemporaryDir maps;
    m_cMapper.m_aProcessMultipleTiles.SetValue(true, true);
    m_cMapper.m_aSkipEmptyMaps.SetValue(true, true);
    m_cMapper.m_aNormalMapFilename.SetValue(maps.filePath(QStringLiteral("n_%i")), true);
    m_cMapper.m_aDisplacementMapFilename.SetValue(maps.filePath(QStringLiteral("d_%i")), true);
    m_cMapper.m_iFirstTile = m_cMapper.m_iLastTile = 2;
    QString error;
    EXPECT_TRUE(MapExtraction::BakeFromFiles(m_cMapper, low, high, &error)) << qPrintable(error);
    EXPECT_TRUE(QDir(maps.path()).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(m_cMapper.m_aNotices,
              QStringList{QStringLiteral("Tile 2 has no faces of the low mesh: no map was written for it")});
}
