#include "app/startup/CommandLine.h"
#include "app/startup/CommandSwitches.h"
#include "foundation/Memory.h"
#include "mapping/Mapper.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QString kStart = QStringLiteral("/home/user/work");

CommandLine Split(QStringList words)
{
    words.prepend(QStringLiteral("tevrin"));
    return CommandLine(words, kStart);
}

QString Describe(const CommandLine &line)
{
    QString text = QStringLiteral("[%1]").arg(line.FileArgument());
    for (const CommandLine::Switch &s : line.Switches())
        text += QStringLiteral(" %1(%2)").arg(s.name, s.value);
    return text;
}

// Every switch flag and the limit back to their start values.
class CommandLineTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        General::SetMemoryLimit(~uint64_t(0));
        CommandSwitches::s_bBenchmark = CommandSwitches::s_bSaveBenchmark = CommandSwitches::s_bTest = false;
        CommandSwitches::s_bUnattended = false;
    }
};

}  // namespace

TEST_F(CommandLineTest, SplitsTheFileArgumentAndSwitchValuesAtWordsThatStartWithADash)
{
    const struct {
        QStringList words;
        QString expected;
    } cases[] = {
        {{}, "[]"},
        {{"model.obj"}, "[/home/user/work/model.obj]"},
        // A file name passed as several words keeps one blank between them.
        {{"a", "b", "-test"}, "[/home/user/work/a b] test()"},
        {{"../data/model.obj"}, "[/home/user/data/model.obj]"},
        {{"/abs/my model.tev"}, "[/abs/my model.tev]"},
        // A dash inside a word stays in the value.
        {{"-mapdirectory", "/data/my-maps/", "-test"}, "[] mapdirectory(/data/my-maps/) test()"},
        {{"-normalfilename", "n-%i", "-width", "512"}, "[] normalfilename(n-%i) width(512)"},
        {{"-mapdirectory", "/data/my", "maps"}, "[] mapdirectory(/data/my maps)"},
        // A word that starts with a dash is a switch: "-2" is no value of "range".
        {{"-range", "-2"}, "[] range() 2()"},
        {{"-", "x"}, "[] (x)"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Describe(Split(c.words)), c.expected) << qPrintable(c.words.join(' '));
}

TEST_F(CommandLineTest, MemoryLimitTakesAUnitAndRefusesWhatItCannotRead)
{
    const struct {
        const char *value;
        bool ok;
        unsigned long long bytes;
    } cases[] = {
        {"512m", true, 536870912ull}, {"2g", true, 2147483648ull}, {"100", true, 100},
        {"1K", true, 1024},           {"3M", true, 3145728ull},    {"8589934591g", true, 8589934591ull << 30},
        {"10x", false, 0},            {"abc", false, 0},           {"g", false, 0},
        {"99999999999g", false, 0},   {"8589934592g", false, 0},   {"18446744073709551616", false, 0},
        {"1.5g", false, 0},           {"+5", false, 0},            {"5 k", false, 0},
    };
    for (const auto &c : cases) {
        General::SetMemoryLimit(~uint64_t(0));
        CommandLine line = Split({"-limitmemory", c.value});
        EXPECT_EQ(line.Apply(nullptr), c.ok) << c.value;
        EXPECT_EQ(General::GetMemoryLimit(), c.ok ? c.bytes : ~uint64_t(0)) << c.value;
        if (!c.ok)
            EXPECT_TRUE(line.Error().contains(QLatin1String("-limitmemory"))) << qPrintable(line.Error());
    }
    // An empty value keeps the limit.
    General::SetMemoryLimit(4096);
    EXPECT_TRUE(Split({"-limitmemory"}).Apply(nullptr));
    EXPECT_EQ(General::GetMemoryLimit(), 4096u);
}

TEST_F(CommandLineTest, SwitchesFillTheEngineSettings)
{
    using MapExtraction::Mapper;
    const struct {
        QStringList words;
        std::function<bool(const Mapper &)> holds;
    } cases[] = {
        {{"-extractnormal", "no"}, [](const Mapper &m) { return !m.m_aCreateNormalMap.GetValue(); }},
        {{"-extractnormal", "yes"}, [](const Mapper &m) { return m.m_aCreateNormalMap.GetValue(); }},
        {{"-extractdisplacement", "Yes"}, [](const Mapper &m) { return !m.m_aCreateDisplacementMap.GetValue(); }},
        {{"-smoothnormals", "no"}, [](const Mapper &m) { return !m.m_aSmoothNormals.GetValue(); }},
        {{"-selectiononly", "yes"}, [](const Mapper &m) { return m.m_aSelectedOnly.GetValue(); }},
        {{"-lowmeshsubdivlevel", "2"}, [](const Mapper &m) { return m.m_aLowSubdivision.GetValue() == 2; }},
        {{"-displacementtype", "float"},
         [](const Mapper &m) { return m.m_aDisplacementMapFormat.GetValue() == MapExtraction::mapFloat; }},
        {{"-displacementtype", "normalalpha"},
         [](const Mapper &m) { return m.m_aDisplacementMapFormat.GetValue() == MapExtraction::mapNormalAlpha; }},
        {{"-normaltype", "float"},
         [](const Mapper &m) { return m.GetNormalMapFormat() == MapExtraction::mapFloat; }},
        {{"-normalspace", "world"}, [](const Mapper &m) { return m.m_aNormalMapSpace.GetValue() == 2; }},
        {{"-range", "2.5"},
         [](const Mapper &m) {
             return m.m_fDisplacementMax == 2.5f && m.m_fDisplacementMin == -2.5f &&
                    m.m_aSearchDistance.GetValue() == 2.5f;
         }},
        {{"-normaltype", "16bit"}, [](const Mapper &m) { return m.GetNormalMapFormat() == MapExtraction::map16Bit; }},
        {{"-displacementtype", "floatbw"},
         [](const Mapper &m) { return m.m_aDisplacementMapFormat.GetValue() == MapExtraction::mapBWFloat; }},
        {{"-highmeshsubdivlevel", "3"}, [](const Mapper &m) { return m.m_aHighSubdivision.GetValue() == 3; }},
        {{"-raycenter", "inside"}, [](const Mapper &m) { return m.m_aRayCenter.GetValue() == 1; }},
        {{"-testbothsides", "yes"}, [](const Mapper &m) { return m.m_aTestBothSides.GetValue(); }},
        {{"-urange", "3", "-ustart", "1001"},
         [](const Mapper &m) { return m.m_aURange.GetValue() == 3 && m.m_aUStart.GetValue() == 1001; }},
        {{"-tile", "1002"}, [](const Mapper &m) { return m.m_iFirstTile == 1002 && m.m_iLastTile == 1002; }},
        {{"-workers", "2"}, [](const Mapper &m) { return m.m_iWorkers == 2; }},
        {{"-edgebleed", "0"}, [](const Mapper &m) { return m.m_aEdgeBleeding.GetValue() == 0; }},
        {{"-width", "256", "-height", "128"},
         [](const Mapper &m) { return m.m_aMapWidth.GetValue() == 256 && m.m_aMapHeight.GetValue() == 128; }},
        {{"-normalfilename", "maps/n_%i"},
         [](const Mapper &m) { return m.m_aNormalMapFilename.GetValue() == QLatin1String("maps/n_%i"); }},
        // The map folder is joined to the file names as a folder.
        {{"-mapdirectory", "out/maps"},
         [](const Mapper &m) { return m.m_sMapFolder == QLatin1String("/home/user/work/out/maps/"); }},
        {{"-mapdirectory", "/data/my-maps/"},
         [](const Mapper &m) { return m.m_sMapFolder == QLatin1String("/data/my-maps/"); }},
    };
    for (const auto &c : cases) {
        Mapper engine;
        CommandLine line = Split(c.words);
        EXPECT_TRUE(line.Apply(&engine)) << qPrintable(c.words.join(' ')) << qPrintable(line.Error());
        EXPECT_TRUE(c.holds(engine)) << qPrintable(c.words.join(' '));
        EXPECT_TRUE(line.Warnings().isEmpty()) << qPrintable(c.words.join(' '));
    }
}

TEST_F(CommandLineTest, BadValuesAreRefusedWithTheSwitchNamed)
{
    const QStringList cases[] = {
        {"-width", "abc"},       {"-width", "0"},           {"-height", "12abc"},
        {"-width"},              {"-edgebleed", "1.5"},     {"-range", "abc"},
        {"-range", "-2"},        {"-range", "nan"},         {"-lowmeshsubdivlevel", "9"},
        {"-normalspace", "tangnet"}, {"-normaltype", "half"}, {"-displacementtype", "double"},
        {"-lowmesh"},            {"-workdir", "/no/such/folder/here"},
        {"-tile", "x"},          {"-tile", "99999999999"},  {"-workers", "0"},
        {"-urange", "0"},        {"-raycenter", "middle"},  {"-highmeshsubdivlevel", "4"},
    };
    for (const QStringList &words : cases) {
        MapExtraction::Mapper engine;
        const int width = engine.m_aMapWidth.GetValue();
        CommandLine line = Split(words);
        EXPECT_FALSE(line.Apply(&engine)) << qPrintable(words.join(' '));
        EXPECT_TRUE(line.Error().contains(words[0])) << qPrintable(line.Error());
        EXPECT_FALSE(line.Error().contains(QLatin1Char('\n')));
        EXPECT_EQ(engine.m_aMapWidth.GetValue(), width);
    }
}

// Recording would truncate the script before playback reads it.
TEST_F(CommandLineTest, RecordingAndPlayingBackTogetherAreRefused)
{
    CommandLine line = Split({"-savebenchmark", "-benchmark"});
    EXPECT_FALSE(line.Apply(nullptr));
    EXPECT_TRUE(line.Error().contains(QLatin1String("-savebenchmark"))) << qPrintable(line.Error());
    CommandSwitches::s_bBenchmark = CommandSwitches::s_bSaveBenchmark = false;
    EXPECT_TRUE(Split({"-savebenchmark"}).Apply(nullptr));
}

TEST_F(CommandLineTest, FlagsAreSetAndUnknownSwitchesOnlyWarn)
{
    CommandLine line = Split({"-benchmark", "-unattended", "-frobnicate", "7", "-test", "model.obj", "-mapextraction"});
    EXPECT_TRUE(line.MapExtraction());
    ASSERT_TRUE(line.Apply(nullptr)) << qPrintable(line.Error());
    EXPECT_TRUE(CommandSwitches::s_bBenchmark);
    EXPECT_FALSE(CommandSwitches::s_bSaveBenchmark);
    EXPECT_TRUE(CommandSwitches::s_bUnattended);
    EXPECT_TRUE(CommandSwitches::s_bTest);
    ASSERT_EQ(line.Warnings().size(), 2) << qPrintable(line.Warnings().join('\n'));
    EXPECT_TRUE(line.Warnings()[0].startsWith(QLatin1String("Warning: Unknown command line switch!")));
    EXPECT_TRUE(line.Warnings()[0].contains(QLatin1String("-frobnicate")));
    // A file named after a switch is not opened silently.
    EXPECT_TRUE(line.Warnings()[1].contains(QLatin1String("model.obj")));
    EXPECT_TRUE(line.Warnings()[1].contains(QLatin1String("comes before the switches")));
    EXPECT_FALSE(Split({"model.obj"}).MapExtraction());
}

// What the run goes on without is named, never taken silently.
TEST_F(CommandLineTest, WhatARunGoesOnWithoutIsWarnedAbout)
{
    const struct {
        QStringList words;
        const char *named;
    } cases[] = {
        {{"-limitmemory"}, "-limitmemory"},
        {{"-limitmemory", "-unattended"}, "no memory limit"},
        {{"scene.tev", "-mapextraction"}, "scene.tev"},
        {{"my", "scene.tev", "-mapextraction", "-width", "64"}, "-mapextraction"},
    };
    for (const auto &c : cases) {
        const uint64_t limit = General::GetMemoryLimit();
        CommandLine line = Split(c.words);
        ASSERT_TRUE(line.Apply(nullptr)) << qPrintable(line.Error());
        ASSERT_EQ(line.Warnings().size(), 1) << qPrintable(c.words.join(' '));
        EXPECT_TRUE(line.Warnings()[0].startsWith(QLatin1String("Warning: "))) << qPrintable(line.Warnings()[0]);
        EXPECT_TRUE(line.Warnings()[0].contains(QLatin1String(c.named))) << qPrintable(line.Warnings()[0]);
        EXPECT_EQ(General::GetMemoryLimit(), limit);
        CommandSwitches::s_bUnattended = false;
    }
    // A file with the window road is opened without a word.
    CommandLine window = Split({"scene.tev", "-test"});
    ASSERT_TRUE(window.Apply(nullptr));
    EXPECT_TRUE(window.Warnings().isEmpty()) << qPrintable(window.Warnings().join('\n'));
    CommandSwitches::s_bTest = false;
}

TEST_F(CommandLineTest, RelativePathsFollowTheStartFolderAndAPrecedingWorkdir)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("jobs")));
    const QString before = QDir::currentPath();
    CommandLine line({QStringLiteral("tevrin"), QStringLiteral("scene.tev"), QStringLiteral("-highmesh"),
                      QStringLiteral("high.obj"), QStringLiteral("-workdir"), QStringLiteral("jobs"),
                      QStringLiteral("-lowmesh"), QStringLiteral("../low.obj"), QStringLiteral("-mapdirectory"),
                      QStringLiteral("maps")},
                     dir.path());
    ASSERT_TRUE(line.Apply(nullptr)) << qPrintable(line.Error());
    const QString jobs = QDir(dir.path()).filePath(QStringLiteral("jobs"));
    EXPECT_EQ(QDir::currentPath(), jobs);
    QDir::setCurrent(before);
    EXPECT_EQ(line.FileArgument(), QDir(dir.path()).filePath(QStringLiteral("scene.tev")));
    EXPECT_EQ(line.HighMesh(), QDir(dir.path()).filePath(QStringLiteral("high.obj")));
    EXPECT_EQ(line.LowMesh(), QDir(dir.path()).filePath(QStringLiteral("low.obj")));
    EXPECT_EQ(line.MapDirectory(), QDir(jobs).filePath(QStringLiteral("maps")));
}
