// The built program end to end: batch map extraction with no display, the console lines
// of a start, the interactive road without OpenGL, and a second copy.
#include "AppTestFolders.h"
#include "app/startup/InstanceLock.h"
#include "mapping/FileBake.h"
#include "mapping/Mapper.h"
#include "mapping/SheetFixtures.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>

namespace {

struct Outcome {
    int exitCode = -1;
    QStringList out, err;
};

// Lines of standard error that the run itself printed (sanitizer reports would fail the run anyway).
QStringList Lines(const QByteArray &bytes) { return QString::fromLocal8Bit(bytes).split(QLatin1Char('\n'), Qt::SkipEmptyParts); }

class BatchRoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QDir root(m_cDir.path());
        for (const char *folder : {"in", "run", "home/data", "home/config"})
            ASSERT_TRUE(root.mkpath(QLatin1String(folder)));
        fixtures::WriteSheet(In(QStringLiteral("low.obj")), 4, [](float, float) { return 0.0f; }, true);
        fixtures::WriteSheet(In(QStringLiteral("high.obj")), 80, fixtures::Wave, false);
    }

    QString In(const QString &name) const { return m_cDir.filePath(QStringLiteral("in/") + name); }
    QString RunFolder() const { return m_cDir.filePath(QStringLiteral("run")); }
    // The program's per-user folders in the private home.
    QString DataFolder() const { return m_cDir.filePath(QStringLiteral("home/data/Orvexa/Tevrin")); }
    QString ConfigFolder() const { return m_cDir.filePath(QStringLiteral("home/config/Orvexa/Tevrin")); }

    // Runs the program in the run folder, on the offscreen platform with no display (or the
    // display named).
    Outcome Start(const QStringList &arguments, const QString &platform = QStringLiteral("offscreen"),
                  const QString &display = QString()) const
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        if (!display.isEmpty())
            environment.insert(QStringLiteral("DISPLAY"), display);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        // With a display the GLX libraries are unloaded before the leak check, which then
        // cannot name their allocations: leaks are checked by the in-process tests.
        if (!display.isEmpty())
            environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0:abort_on_error=1"));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), m_cDir.filePath(QStringLiteral("home/data")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_cDir.filePath(QStringLiteral("home/config")));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(RunFolder());
        process.start(QStringLiteral(TEVRIN_EXECUTABLE), arguments);
        Outcome run;
        if (!process.waitForFinished(300000))
            return run;
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        run.out = Lines(process.readAllStandardOutput());
        run.err = Lines(process.readAllStandardError());
        return run;
    }

    // The bake's switches with paths relative to the run folder.
    static QStringList BakeSwitches()
    {
        return {QStringLiteral("-mapextraction"), QStringLiteral("-lowmesh"), QStringLiteral("../in/low.obj"),
                QStringLiteral("-highmesh"), QStringLiteral("../in/high.obj"), QStringLiteral("-mapdirectory"),
                QStringLiteral("maps"), QStringLiteral("-width"), QStringLiteral("32"), QStringLiteral("-height"),
                QStringLiteral("32"), QStringLiteral("-edgebleed"), QStringLiteral("2"),
                QStringLiteral("-normalspace"), QStringLiteral("object"), QStringLiteral("-normaltype"),
                QStringLiteral("float"), QStringLiteral("-displacementtype"), QStringLiteral("float"),
                QStringLiteral("-normalfilename"), QStringLiteral("normal-%i"), QStringLiteral("-displacementfilename"),
                QStringLiteral("disp-%i")};
    }

    static QStringList Files(const QString &folder) { return QDir(folder).entryList(QDir::Files, QDir::Name); }

    QTemporaryDir m_cDir;
};

// The arguments with switch -name set to value (added when absent); a null value takes the
// switch out.
QStringList WithSwitch(QStringList arguments, const QString &name, const QString &value)
{
    const qsizetype at = arguments.indexOf(QLatin1Char('-') + name);
    if (at < 0)
        arguments << QLatin1Char('-') + name << value;
    else if (value.isNull())
        arguments.remove(at, 2);
    else
        arguments[at + 1] = value;
    return arguments;
}

QByteArray Bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

TEST_F(BatchRoad, WritesTheSameMapsAsTheHeadlessBakeWithoutADisplay)
{
    ASSERT_TRUE(QDir(RunFolder()).mkpath(QStringLiteral("maps")));
    const Outcome run = Start(BakeSwitches());
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err.join('\n'));
    EXPECT_TRUE(run.err.isEmpty()) << qPrintable(run.err.join('\n'));
    const QString maps = QDir(RunFolder()).filePath(QStringLiteral("maps"));
    const QStringList written = Files(maps);
    ASSERT_EQ(written.size(), 2) << qPrintable(written.join(' '));

    // The same settings, set here on an engine of our own, baked in this process.
    QTemporaryDir expected;
    MapExtraction::Mapper engine;
    engine.m_aMapWidth.SetValue(32);
    engine.m_aMapHeight.SetValue(32);
    engine.m_aEdgeBleeding.SetValue(2);
    engine.m_aNormalMapSpace.SetValue(0);
    engine.m_aNormalMapFormat.SetValue(2);
    engine.m_aDisplacementMapFormat.SetValue(MapExtraction::mapFloat);
    engine.m_aNormalMapFilename.SetValue(QStringLiteral("normal-%i"));
    engine.m_aDisplacementMapFilename.SetValue(QStringLiteral("disp-%i"));
    engine.m_sMapFolder = expected.path() + QLatin1Char('/');
    // Without -range the search distance is a tenth of the low sheet's largest side.
    engine.m_aSearchDistance.SetValue(0.1f);
    QString error;
    ASSERT_TRUE(MapExtraction::BakeFromFiles(engine, In(QStringLiteral("low.obj")), In(QStringLiteral("high.obj")), &error))
        << qPrintable(error);
    ASSERT_EQ(Files(expected.path()), written);
    for (const QString &name : written) {
        const QByteArray ours = Bytes(QDir(maps).filePath(name));
        EXPECT_FALSE(ours.isEmpty()) << qPrintable(name);
        EXPECT_TRUE(ours == Bytes(QDir(expected.path()).filePath(name))) << qPrintable(name);
    }
    // No window layout is written, and the log is where the preferences keep logs.
    EXPECT_FALSE(QFile::exists(QDir(ConfigFolder()).filePath(QStringLiteral("ui.sav"))));
    const QByteArray log = Bytes(QDir(DataFolder()).filePath(QStringLiteral("Logs/tevrin.log")));
    EXPECT_TRUE(log.contains("Map extraction from command line"));
    EXPECT_TRUE(log.contains("Search Distance: 0.10\n"));
}

TEST_F(BatchRoad, AMapWithoutAFileNameIsRefusedWithTheSwitchToAdd)
{
    ASSERT_TRUE(QDir(RunFolder()).mkpath(QStringLiteral("maps")));
    QStringList withoutNames = BakeSwitches();
    withoutNames.remove(withoutNames.indexOf(QStringLiteral("-normalfilename")), 2);
    withoutNames.remove(withoutNames.indexOf(QStringLiteral("-displacementfilename")), 2);
    QStringList withoutNormalName = withoutNames;
    withoutNormalName << QStringLiteral("-displacementfilename") << QStringLiteral("disp-%i");
    const struct {
        QStringList arguments;
        QStringList err;
    } cases[] = {
        {withoutNames,
         {"Map extraction failed: No displacement file specified",
          "Name the displacement maps with -displacementfilename NAME (or add -extractdisplacement no)"}},
        {withoutNormalName,
         {"Map extraction failed: No normalmap filename specified",
          "Name the normal maps with -normalfilename NAME (or add -extractnormal no)"}},
    };
    for (const auto &c : cases) {
        const Outcome run = Start(c.arguments);
        EXPECT_EQ(run.exitCode, 255);
        EXPECT_EQ(run.err, c.err);
        EXPECT_TRUE(Files(QDir(RunFolder()).filePath(QStringLiteral("maps"))).isEmpty());
    }
    // Turning the map off is the other way out.
    QStringList normalOff = withoutNormalName;
    normalOff << QStringLiteral("-extractnormal") << QStringLiteral("no");
    const Outcome run = Start(normalOff);
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.err.join('\n'));
}

TEST_F(BatchRoad, TheConsoleShowsTheStartInOrder)
{
    ASSERT_TRUE(QDir(RunFolder()).mkpath(QStringLiteral("maps")));
    const struct {
        QStringList arguments;
        QString platform;
        int exitCode;
        QStringList out;
    } cases[] = {
        {BakeSwitches(), QStringLiteral("offscreen"), 0,
         {"Starting initialization...", "Application object created.", "Mapper initialized.", "Arguments parsed.",
          "New handler set.", "Instance lock checked.", "Preferences object created.", "Checking crash logs...",
          "Logfile: " + DataFolder() + "/Logs/tevrin.log", "Log file created.", "Map extraction finished."}},
        // Without an OpenGL context the interactive program says so and ends.
        {{QStringLiteral("model.obj")}, QStringLiteral("offscreen"), 255,
         {"Starting initialization...", "Application object created."}},
        {{QStringLiteral("-width"), QStringLiteral("abc"), QStringLiteral("-mapextraction")},
         QStringLiteral("offscreen"), 255,
         {"Starting initialization...", "Application object created.", "Mapper initialized."}},
    };
    for (const auto &c : cases) {
        const Outcome run = Start(c.arguments, c.platform);
        EXPECT_EQ(run.exitCode, c.exitCode) << qPrintable(c.arguments.join(' ')) << qPrintable(run.err.join('\n'));
        EXPECT_EQ(run.out, c.out) << qPrintable(c.arguments.join(' ')) << "\n" << qPrintable(run.out.join('\n'));
    }
    const Outcome noGL = Start({QStringLiteral("model.obj")});
    EXPECT_TRUE(noGL.err.contains(QStringLiteral("This system has no OpenGL support. Exiting."))) << qPrintable(noGL.err.join('\n'));
}

TEST_F(BatchRoad, ARunThatCannotSucceedSaysWhyOnOneLineAndWritesNothing)
{
    ASSERT_TRUE(QDir(RunFolder()).mkpath(QStringLiteral("maps")));
    {
        QFile plain(QDir(RunFolder()).filePath(QStringLiteral("plain")));
        ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    }
    const auto with = WithSwitch;
    const struct {
        const char *what;
        QStringList arguments;
        const char *reason;
    } cases[] = {
        {"missing low mesh", with(BakeSwitches(), "lowmesh", "../in/none.obj"), "none.obj"},
        {"missing high mesh", with(BakeSwitches(), "highmesh", "../in/none.obj"), "none.obj"},
        {"no high mesh", with(BakeSwitches(), "highmesh", QString()), "-highmesh"},
        {"no low mesh", with(BakeSwitches(), "lowmesh", QString()), "-lowmesh"},
        {"missing map folder", with(BakeSwitches(), "mapdirectory", "nowhere"), "nowhere"},
        {"map folder under a file", with(BakeSwitches(), "mapdirectory", "plain/maps"), "plain/maps"},
        {"bad number", with(BakeSwitches(), "width", "abc"), "-width"},
        {"overflowing limit", with(BakeSwitches(), "limitmemory", "99999999999g"), "-limitmemory"},
        {"low memory limit", with(BakeSwitches(), "limitmemory", "64k"), "Map extraction failed"},
        {"not a mesh", with(BakeSwitches(), "highmesh", "plain"), "Map extraction failed"},
        {"a tile the mesh lacks", with(BakeSwitches(), "tile", "7"), "no tile 7; its tiles are 1"},
        {"tile zero", with(BakeSwitches(), "tile", "0"), "no tile 0; its tiles are 1"},
    };
    for (const auto &c : cases) {
        const Outcome run = Start(c.arguments);
        EXPECT_EQ(run.exitCode, 255) << c.what;
        ASSERT_EQ(run.err.size(), 1) << c.what << "\n" << qPrintable(run.err.join('\n'));
        EXPECT_TRUE(run.err[0].contains(QLatin1String(c.reason))) << c.what << ": " << qPrintable(run.err[0]);
        EXPECT_TRUE(Files(QDir(RunFolder()).filePath(QStringLiteral("maps"))).isEmpty()) << c.what;
        EXPECT_FALSE(QFile::exists(QDir(ConfigFolder()).filePath(QStringLiteral("ui.sav")))) << c.what;
    }
}

// Runs that did what was asked keep exit 0, yet what they could not make is said on one
// line: a skipped tile without faces, maps that stay flat; a high mesh out of reach fails
// naming the switch that lengthens the reach.
TEST_F(BatchRoad, WhatARunCouldNotMakeIsSaidOnStandardError)
{
    ASSERT_TRUE(QDir(RunFolder()).mkpath(QStringLiteral("maps")));
    {
        QFile gap(In(QStringLiteral("gap.obj")));
        ASSERT_TRUE(gap.open(QIODevice::WriteOnly));
        gap.write("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 0 0\nv 3 0 0\nv 3 1 0\nv 2 1 0\n"
                  "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvt 2 0\nvt 3 0\nvt 3 1\nvt 2 1\n"
                  "f 1/1 2/2 3/3 4/4\nf 5/5 6/6 7/7 8/8\n");
    }
    fixtures::WriteSheet(In(QStringLiteral("far.obj")), 40, [](float, float) { return 5.0f; }, false);
    const auto with = WithSwitch;
    const struct {
        const char *what;
        QStringList arguments;
        int exitCode;
        const char *line;
        bool written;
    } cases[] = {
        {"an empty tile skipped",
         with(with(with(BakeSwitches(), "lowmesh", "../in/gap.obj"), "tile", "2"), "skipemptymaps", "yes"), 0,
         "Map extraction: Tile 2 has no faces of the low mesh: no map was written for it", false},
        {"the low mesh as the high one", with(BakeSwitches(), "highmesh", "../in/low.obj"), 0,
         "Map extraction: Every texel lies at zero", true},
        {"a high mesh out of reach", with(BakeSwitches(), "highmesh", "../in/far.obj"), 255,
         "Map extraction failed: No face of the high resolution mesh lies within the search distance", false},
    };
    for (const auto &c : cases) {
        const QString maps = QDir(RunFolder()).filePath(QStringLiteral("maps"));
        for (const QString &name : Files(maps))
            QFile::remove(QDir(maps).filePath(name));
        const Outcome run = Start(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.what;
        ASSERT_EQ(run.err.size(), 1) << c.what << "\n" << qPrintable(run.err.join('\n'));
        EXPECT_TRUE(run.err[0].startsWith(QLatin1String(c.line))) << c.what << ": " << qPrintable(run.err[0]);
        EXPECT_EQ(!Files(maps).isEmpty(), c.written) << c.what;
        // The one that fails names the switch.
        EXPECT_EQ(run.err[0].contains(QLatin1String("-range")), c.exitCode != 0) << c.what;
    }
}

// A window run needs a display: without one (or with one nobody answers on) it says so on
// one line and ends like a batch run that cannot go on, instead of aborting inside Qt.
TEST_F(BatchRoad, AWindowRunWithoutADisplaySaysWhyOnOneLineAndEnds)
{
    const struct {
        const char *platform;
        const char *display;
    } cases[] = {{"xcb", ""}, {"", ""}, {"xcb", ":87"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.platform) + " " + c.display);
        const Outcome run = Start({QStringLiteral("-benchmark"), QStringLiteral("-unattended")},
                                  QLatin1String(c.platform), QLatin1String(c.display));
        EXPECT_EQ(run.exitCode, 255);
        ASSERT_EQ(run.err.size(), 1) << qPrintable(run.err.join('\n'));
        EXPECT_TRUE(run.err[0].contains(QLatin1String("display"))) << qPrintable(run.err[0]);
    }
}

// A benchmark script that cannot be played is a run that cannot go on: the run ends with
// 255 and says why on its last line of standard error, naming the file, and not on
// standard output where a report would go.
TEST_F(BatchRoad, ABenchmarkScriptThatCannotBePlayedEndsTheRunWith255AndOneLine)
{
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        GTEST_SKIP() << "the window needs a display (run under xvfb-run)";
    const QString script = QDir(RunFolder()).filePath(QStringLiteral("benchmark"));
    const auto write = [&](const QByteArray &bytes) {
        QFile file(script);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    QByteArray noise(4096, '\0');
    quint32 state = 12345;
    for (char &byte : noise) {
        state = state * 1103515245u + 12345u;
        byte = char(state >> 24);
    }
    const struct {
        const char *kind;
        std::function<bool()> make;
        const char *line;
    } cases[] = {
        {"a line of 1 MB",
         [&] { return write("sectionstart \"" + QByteArray(1 << 20, 'x') + "\"\nsectionend\n"); },
         "benchmark has a line longer than 4096 bytes and was not read."},
        {"2 GB", [&] { return write("sectionend\n") && QFile::resize(script, 2LL << 30); },
         "benchmark is larger than 67108864 bytes and was not read."},
        {"a FIFO", [&] { return ::mkfifo(QFile::encodeName(script).constData(), 0666) == 0; },
         "benchmark is not a regular file and was not read."},
        {"random bytes", [&] { return write(noise); },
         "The benchmark script benchmark cannot be played: it holds a NUL byte."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.kind);
        QFile::remove(script);
        ASSERT_TRUE(c.make());
        const Outcome run = Start({QStringLiteral("-benchmark"), QStringLiteral("-unattended")},
                                  QStringLiteral("xcb"), display);
        EXPECT_EQ(run.exitCode, 255);
        ASSERT_FALSE(run.err.isEmpty());
        EXPECT_EQ(run.err.last(), QLatin1String(c.line)) << qPrintable(run.err.join('\n'));
        EXPECT_EQ(run.err.count(QLatin1String(c.line)), 1) << qPrintable(run.err.join('\n'));
        EXPECT_FALSE(run.out.contains(QLatin1String(c.line))) << qPrintable(run.out.join('\n'));
    }
}

TEST_F(BatchRoad, ASecondCopyLogsUnderItsProcessIdAndLeavesTheFirstCopysFilesAlone)
{
    ASSERT_TRUE(QDir(RunFolder()).mkpath(QStringLiteral("maps")));
    const QString temp = QDir(DataFolder()).filePath(QStringLiteral("Temp"));
    ASSERT_TRUE(QDir().mkpath(temp));
    const QString undo = QDir(temp).filePath(QStringLiteral("undo.tmp"));
    QFile(undo).open(QIODevice::WriteOnly);
    {
        // This process plays the first copy.
        const InstanceLock first(temp);
        ASSERT_TRUE(first.IsFirstCopy());
        const Outcome run = Start(BakeSwitches());
        ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err.join('\n'));
        const QRegularExpression logLine(QStringLiteral("^Logfile: .*/Logs/tevrin\\.(\\d+)\\.log$"));
        const QStringList logLines = run.out.filter(logLine);
        ASSERT_EQ(logLines.size(), 1) << qPrintable(run.out.join('\n'));
        const QString path = logLines[0].mid(int(strlen("Logfile: ")));
        EXPECT_TRUE(Bytes(path).contains("Map extraction from command line"));
        EXPECT_TRUE(QFile::exists(undo));
    }
    // The first copy after a crash: the leftover goes and the old log becomes a crash log.
    QFile(QDir(DataFolder()).filePath(QStringLiteral("Logs/tevrin.log"))).open(QIODevice::WriteOnly);
    ASSERT_EQ(Start(BakeSwitches()).exitCode, 0);
    EXPECT_FALSE(QFile::exists(undo));
    EXPECT_EQ(QDir(QDir(DataFolder()).filePath(QStringLiteral("Logs"))).entryList({QStringLiteral("crash_*.log")}).size(), 1);
}
