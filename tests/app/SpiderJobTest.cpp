// The render-farm job file: its exact lines, and its command line read back by the
// program's own parser, one frame (tile) at a time, baking what one whole run bakes.
#include "app/startup/CommandLine.h"
#include "mapping/FileBake.h"
#include "mapping/Mapper.h"
#include "mapping/SheetFixtures.h"
#include "mapping/SpiderJob.h"
#include "scene/readers/Importer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>
#include <memory>

using MapExtraction::Info;
using MapExtraction::Mapper;
using MapExtraction::SpiderJob;

namespace {

QByteArray Bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The settings a job carries, as text, to compare a filled node with a parsed engine.
QStringList Settings(const Info &info)
{
    QStringList list;
    for (const General::AttributeInstance<bool> *flag :
         {&info.m_aCreateDisplacementMap, &info.m_aCreateNormalMap, &info.m_aSkipEmptyMaps, &info.m_aSmoothNormals,
          &info.m_aSelectedOnly, &info.m_aTestBothSides})
        list << QStringLiteral("%1=%2").arg(flag->GetName()).arg(flag->GetValue());
    for (const General::AttributeEnumeration *choice :
         {&info.m_aLowSubdivision, &info.m_aHighSubdivision, &info.m_aDisplacementMapFormat, &info.m_aNormalMapFormat,
          &info.m_aNormalMapSpace, &info.m_aRayCenter})
        list << QStringLiteral("%1=%2").arg(choice->GetName()).arg(choice->GetValue());
    for (const General::AttributeInstance<int> *number :
         {&info.m_aEdgeBleeding, &info.m_aMapWidth, &info.m_aMapHeight, &info.m_aURange,
          static_cast<const General::AttributeInstance<int> *>(&info.m_aUStart)})
        list << QStringLiteral("%1=%2").arg(number->GetName()).arg(number->GetValue());
    list << QStringLiteral("range=%1").arg(double(info.m_aSearchDistance.GetValue()))
         << info.m_aNormalMapFilename.GetValue() << info.m_aDisplacementMapFilename.GetValue() << info.m_sMapFolder;
    return list;
}

class SpiderJobTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_cDir.isValid());
        ASSERT_TRUE(QDir(m_cDir.path()).mkpath(QStringLiteral("in put")));
        // Two tiles side by side: u from 0 to 2.
        fixtures::WriteSheet(LowFile(), 8, [](float, float) { return 0.0f; }, true, 2.0f);
        fixtures::WriteSheet(HighFile(), 60, fixtures::Wave, false, 2.0f);
        std::unique_ptr<Importer> importer(Importer::Create(LowFile(), nullptr));
        ASSERT_TRUE(importer);
        m_pLow = importer->DoImport();
        ASSERT_TRUE(m_pLow);
        SubdivLevel *level = m_pLow->GetHighestLevel();
        level->CalculateAdjacency();
        level->CalculateNormals(false);
        m_cInfo.m_aLowMesh.SetValue(level);
        m_cInfo.m_aMapWidth.SetValue(16);
        m_cInfo.m_aMapHeight.SetValue(16);
        m_cInfo.m_aNormalMapFormat.SetValue(1);
        m_cInfo.m_aDisplacementMapFormat.SetValue(MapExtraction::mapFloat);
        m_cInfo.m_aEdgeBleeding.SetValue(2);
        m_cInfo.m_aUStart.SetValue(1001);
        m_cInfo.m_aSearchDistance.SetValue(0.3f);
        m_cInfo.m_aNormalMapFilename.SetValue(QStringLiteral("n_%i"));
        m_cInfo.m_aDisplacementMapFilename.SetValue(QStringLiteral("d %i"));
        m_cInfo.m_sMapFolder = QStringLiteral("/maps/out/");
        m_cInfo.CheckLowResMesh();
        m_cJob.title = QStringLiteral("two tiles");
        m_cJob.lowMeshPath = QStringLiteral("/farm/low mesh.obj");
        m_cJob.highMeshPath = QStringLiteral("/farm/high.obj");
        m_cJob.workers = 2;
    }
    void TearDown() override
    {
        m_cInfo.m_aLowMesh.SetValue(nullptr, true);
        Importer::DeleteChain(m_pLow);
    }

    QString LowFile() const { return m_cDir.filePath(QStringLiteral("in put/low mesh.obj")); }
    QString HighFile() const { return m_cDir.filePath(QStringLiteral("in put/high.obj")); }

    // The job's command line as a queue runs it for one frame, read by the program's parser.
    std::unique_ptr<Mapper> Parse(const QString &frame, CommandLine *&line)
    {
        const QString text = QStringLiteral("tevrin") + m_cJob.SwitchText(m_cInfo);
        QString command = text;
        command.replace(QLatin1String(SpiderJob::kFrameToken), frame);
        m_pLine = std::make_unique<CommandLine>(QProcess::splitCommand(command), m_cDir.path());
        auto engine = std::make_unique<Mapper>();
        EXPECT_TRUE(m_pLine->Apply(engine.get())) << qPrintable(m_pLine->Error());
        EXPECT_TRUE(m_pLine->Warnings().isEmpty()) << qPrintable(m_pLine->Warnings().join(QLatin1Char('\n')));
        line = m_pLine.get();
        return engine;
    }

    QTemporaryDir m_cDir;
    Object *m_pLow = nullptr;
    Info m_cInfo;
    SpiderJob m_cJob;
    std::unique_ptr<CommandLine> m_pLine;
};

}  // namespace

TEST_F(SpiderJobTest, WritesExactlyTheTwentyFiveLines)
{
    const QString switches =
        " -mapextraction -extractdisplacement yes -extractnormal yes -lowmeshsubdivlevel 0 -skipemptymaps no"
        " -smoothnormals yes -displacementtype float -normaltype 16bit -normalspace tangent -range 0.3 -edgebleed 2"
        " -width 16 -height 16 -lowmesh \"/farm/low mesh.obj\" -highmesh \"/farm/high.obj\""
        " -displacementfilename \"d %i\" -normalfilename \"n_%i\" -mapdirectory \"/maps/out/\" -selectiononly no"
        " -highmeshsubdivlevel 0 -raycenter closest -testbothsides no -urange 2 -ustart 1001 -workers 2"
        " -tile %FRAME%";
    const QString expected = "GEN_EXEWINDOWS tevrin.exe" + switches + "\n"
                             "GEN_EXELINUX tevrin" + switches + "\n"
                             "JOB_SPIDERVERSION 1.9\n"
                             "JOB_TITLE two tiles\n"
                             "JOB_FRAMESTART 1001\n"
                             "JOB_FRAMEEND 1002\n"
                             "JOB_FRAMESPERCPU 1\n"
                             "JOB_MULTITHREAD 0\n"
                             "JOB_MAXCPUS 9999\n"
                             "JOB_PRIORITY 1\n"
                             "GEN_LINUX 1\n"
                             "GEN_WINDOWS 1\n"
                             "JOB_FRAMESTEP 1\n"
                             "JOB_LIMITTOJOB 0\n"
                             "JOB_CONFIRMFRAMES 0\n"
                             "JOB_REMOVEBADCPUS 1\n"
                             "JOB_KILLNONGROUPFRAMES 0\n"
                             "JOB_FAILSBEFOREREQUEUE 3\n"
                             "JOB_REQUEUETRIES 5\n"
                             "JOB_EMAILSTATUS 0\n"
                             "JOB_EMAILRECPTS \n"
                             "JOB_WORKINGDIR /maps/out/\n"
                             "JOB_STALEMULT 300\n"
                             "GEN_FRAMEPATH strip\n"
                             "JOB_SHOW NONE\n";
    const QString file = m_cDir.filePath(QStringLiteral("job.RDR"));
    QString error;
    ASSERT_TRUE(m_cJob.Write(file, m_cInfo, &error)) << qPrintable(error);
    EXPECT_EQ(QString::fromUtf8(Bytes(file)), expected);
    EXPECT_EQ(expected.count(QLatin1Char('\n')), 25);
}

TEST_F(SpiderJobTest, EdgeValuesOfTheSwitches)
{
    m_cInfo.m_aCreateDisplacementMap.SetValue(false);
    m_cInfo.m_aCreateNormalMap.SetValue(false);
    m_cInfo.m_aSearchDistance.SetValue(-2.5f);
    m_cInfo.m_aNormalMapSpace.SetValue(-1, true);
    const QString text = m_cJob.SwitchText(m_cInfo);
    EXPECT_TRUE(text.contains(QLatin1String(" -extractdisplacement no -extractnormal no "))) << qPrintable(text);
    EXPECT_TRUE(text.contains(QLatin1String(" -range 2.5 "))) << qPrintable(text);
    // A choice outside the items writes the first item, never an index past the names.
    EXPECT_TRUE(text.contains(QLatin1String(" -normalspace object "))) << qPrintable(text);
}

TEST_F(SpiderJobTest, TheCommandLineReadsBackToTheSameSettingsForEachFrame)
{
    m_cInfo.m_sMapFolder = QDir(m_cDir.path()).absolutePath() + QStringLiteral("/");
    m_cJob.lowMeshPath = LowFile();
    m_cJob.highMeshPath = HighFile();
    for (const char *frame : {"1001", "1002"}) {
        CommandLine *line = nullptr;
        const std::unique_ptr<Mapper> engine = Parse(QLatin1String(frame), line);
        EXPECT_TRUE(line->MapExtraction());
        EXPECT_EQ(Settings(*engine), Settings(m_cInfo)) << frame;
        EXPECT_EQ(line->LowMesh(), LowFile());
        EXPECT_EQ(line->HighMesh(), HighFile());
        EXPECT_EQ(engine->m_iWorkers, 2);
        EXPECT_EQ(engine->m_iFirstTile, QString::fromLatin1(frame).toInt());
        EXPECT_EQ(engine->m_iLastTile, QString::fromLatin1(frame).toInt());
    }
}

TEST_F(SpiderJobTest, EachFrameBakesItsTileAndTheFramesTogetherEqualOneRun)
{
    const QDir root(m_cDir.path());
    ASSERT_TRUE(root.mkpath(QStringLiteral("frames")) && root.mkpath(QStringLiteral("whole")));
    m_cJob.lowMeshPath = LowFile();
    m_cJob.highMeshPath = HighFile();
    m_cInfo.m_sMapFolder = root.filePath(QStringLiteral("frames")) + QStringLiteral("/");
    const QStringList maps = {QStringLiteral("n_1001.tif"), QStringLiteral("n_1002.tif"), QStringLiteral("d 1001.tif"),
                              QStringLiteral("d 1002.tif")};
    for (const char *frame : {"1001", "1002"}) {
        CommandLine *line = nullptr;
        const std::unique_ptr<Mapper> engine = Parse(QLatin1String(frame), line);
        QString error;
        ASSERT_TRUE(MapExtraction::BakeFromFiles(*engine, line->LowMesh(), line->HighMesh(), &error))
            << qPrintable(error);
        // This frame's tile and no other.
        const QDir frames(root.filePath(QStringLiteral("frames")));
        EXPECT_TRUE(frames.exists(QStringLiteral("n_%1.tif").arg(QLatin1String(frame))));
        EXPECT_EQ(frames.entryList(QDir::Files).size(), QLatin1String(frame) == QLatin1String("1001") ? 2 : 4);
    }
    m_cInfo.m_sMapFolder = root.filePath(QStringLiteral("whole")) + QStringLiteral("/");
    CommandLine *line = nullptr;
    const std::unique_ptr<Mapper> whole = Parse(QStringLiteral("0"), line);
    whole->m_iFirstTile = 0;
    whole->m_iLastTile = INT_MAX;
    QString error;
    ASSERT_TRUE(MapExtraction::BakeFromFiles(*whole, line->LowMesh(), line->HighMesh(), &error)) << qPrintable(error);
    for (const QString &map : maps) {
        const QByteArray frame = Bytes(root.filePath(QStringLiteral("frames/") + map));
        EXPECT_FALSE(frame.isEmpty()) << qPrintable(map);
        EXPECT_EQ(frame, Bytes(root.filePath(QStringLiteral("whole/") + map))) << qPrintable(map);
    }
}

TEST_F(SpiderJobTest, TheFramesOfAThreeTileJobEqualOneRunInEveryFormat)
{
    const QString low = m_cDir.filePath(QStringLiteral("in put/low3.obj"));
    const QString high = m_cDir.filePath(QStringLiteral("in put/high3.obj"));
    fixtures::WriteSheet(low, 12, [](float, float) { return 0.0f; }, true, 3.0f);
    fixtures::WriteSheet(high, 90, fixtures::Wave, false, 3.0f);
    std::unique_ptr<Importer> importer(Importer::Create(low, nullptr));
    ASSERT_TRUE(importer);
    struct Imported {
        ~Imported()
        {
            info.m_aLowMesh.SetValue(nullptr, true);
            Importer::DeleteChain(first);
        }
        Info &info;
        Object *first;
    } imported{m_cInfo, importer->DoImport()};
    ASSERT_TRUE(imported.first);
    SubdivLevel *level = imported.first->GetHighestLevel();
    level->CalculateAdjacency();
    level->CalculateNormals(false);
    m_cInfo.m_aLowMesh.SetValue(level);
    m_cInfo.m_aSearchDistance.SetValue(0.3f);
    m_cInfo.CheckLowResMesh();
    m_cJob.lowMeshPath = low;
    m_cJob.highMeshPath = high;
    const QDir root(m_cDir.path());
    for (const int format : {int(MapExtraction::map8Bit), int(MapExtraction::map16Bit), int(MapExtraction::mapFloat),
                             int(MapExtraction::mapNormalAlpha)}) {
        SCOPED_TRACE(format);
        const QString frames = QStringLiteral("frames%1").arg(format), whole = QStringLiteral("whole%1").arg(format);
        ASSERT_TRUE(root.mkpath(frames) && root.mkpath(whole));
        m_cInfo.m_aDisplacementMapFormat.SetValue(format);
        m_cInfo.m_sMapFolder = root.filePath(frames) + QLatin1Char('/');
        for (const char *frame : {"1001", "1002", "1003"}) {
            CommandLine *line = nullptr;
            const std::unique_ptr<Mapper> engine = Parse(QLatin1String(frame), line);
            QString error;
            ASSERT_TRUE(MapExtraction::BakeFromFiles(*engine, line->LowMesh(), line->HighMesh(), &error))
                << frame << qPrintable(error);
        }
        // One run over every tile, its range the one a job's frames share.
        m_cInfo.m_sMapFolder = root.filePath(whole) + QLatin1Char('/');
        CommandLine *line = nullptr;
        const std::unique_ptr<Mapper> run = Parse(QStringLiteral("0"), line);
        run->m_iFirstTile = 0;
        run->m_iLastTile = INT_MAX;
        run->m_aNormalizeToSearchDistance.SetValue(true);
        QString error;
        ASSERT_TRUE(MapExtraction::BakeFromFiles(*run, line->LowMesh(), line->HighMesh(), &error)) << qPrintable(error);
        const QStringList maps = QDir(root.filePath(whole)).entryList(QDir::Files, QDir::Name);
        // Normal alpha keeps the displacement in the normal maps.
        EXPECT_EQ(maps.size(), format == MapExtraction::mapNormalAlpha ? 3 : 6)
            << qPrintable(maps.join(QLatin1Char(' ')));
        EXPECT_EQ(QDir(root.filePath(frames)).entryList(QDir::Files, QDir::Name), maps);
        for (const QString &map : maps) {
            const QByteArray fromFrame = Bytes(root.filePath(frames + QLatin1Char('/') + map));
            EXPECT_FALSE(fromFrame.isEmpty()) << qPrintable(map);
            EXPECT_TRUE(fromFrame == Bytes(root.filePath(whole + QLatin1Char('/') + map))) << qPrintable(map);
        }
    }
}

TEST_F(SpiderJobTest, QuotedValuesComeBackWordForWord)
{
    for (const char *value : {"plain", "with blank", "with \"quote\"", "ends in \\", "%i and %FRAME"}) {
        const QStringList words = QProcess::splitCommand(QStringLiteral("tevrin ") + SpiderJob::Quote(QString::fromUtf8(value)));
        ASSERT_EQ(words.size(), 2) << value;
        EXPECT_EQ(words[1], QString::fromUtf8(value));
    }
}

TEST_F(SpiderJobTest, AFailedWriteIsReported)
{
    QString error;
    const QString file = m_cDir.filePath(QStringLiteral("missing/job.RDR"));
    EXPECT_FALSE(m_cJob.Write(file, m_cInfo, &error));
    EXPECT_TRUE(error.contains(file)) << qPrintable(error);
    EXPECT_FALSE(QFile::exists(file));
}
