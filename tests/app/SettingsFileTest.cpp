// The settings and recent-files files: the exact bytes of the current version, files of
// older versions written by hand from the record's table, and every kind of damage.
#include "AppTestFolders.h"
#include "app/settings/LayoutFile.h"
#include "app/settings/Preferences.h"
#include "app/settings/RecentFiles.h"
#include "app/settings/Settings.h"
#include "app/settings/SettingsText.h"
#include "app/startup/CommandSwitches.h"
#include "mesh/surface/Material.h"
#include "scene/Brush.h"
#include "support/FileSizeLimit.h"
#include "support/RecordBytes.h"
#include "support/RecordingShell.h"
#include "support/StreamAtVersion.h"
#include "support/TempDir.h"
#include "viewport/view/ViewToggles.h"

#include <QDir>
#include <QDockWidget>
#include <QMainWindow>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <memory>
#include <utility>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void Colour(Bytes &b, float r, float g, float bl, float a) { b.F32(r).F32(g).F32(bl).F32(a); }

// The preferences record of version v, field by field from the table, with values that
// differ from every default so that a misaligned read shows.
QByteArray HandRecord(int v)
{
    Bytes b;
    if (v >= 221 && v <= 222)
        b.U8(7);  // skipped
    if (v >= 223)
        b.I32(1);  // Control
    if (v >= 224)
        b.F32(0.25f);  // RollArea
    b.U8(0);           // SaveReminder
    if (v >= 202)
        b.I32(4096);  // MaximumTextureSize
    b.U8(1).U8(0);    // ViewPickOption, DollyWithFocus
    b.U8(0).U8(1);    // SpareFlagA, SpareFlagB
    b.U8(0).U8(1);    // ImportFocusEmptyScene, ImportFocusAlways
    b.U8(1);          // ViewCommandFlag
    b.I32(3).I32(9);  // PressureLow, PressureHigh
    b.I32(12).I32(50);  // GridLines, GridSpacing
    b.I32(2);           // MirrorCount, then two pairs
    b.F32(1).F32(0).F32(0).F32(0.5f).F32(0).F32(0);
    b.F32(0).F32(1).F32(0).F32(0).F32(0.5f).F32(0);
    if (v >= 215)
        b.U8(0);  // MirrorLocal
    if (v >= 88 && v <= 119)
        b.U8(9);  // skipped
    b.U8(0);      // SculptBothSides
    for (int i = 0; i < 5; ++i)
        Colour(b, 0.1f * float(i + 1), 0.2f, 0.3f, 1.0f);  // Grid, GridAxis, ViewportBottom/Flat/Top
    b.F32(40.0f);  // DollyAmount
    b.I32(3);      // LinearUnit
    b.Str("/scenes").Str("/exports");
    b.U8(1).U8(1);             // SpareFlagC, StencilInvert
    b.F32(0.5f).F32(0.75f);    // StencilVisibility, StencilMultiplier
    b.U8(0).U8(1);             // StencilHideWhenSculpt, SpareFlagF
    b.F32(0.1f).F32(0.2f).F32(0.3f).F32(0.4f);  // jitters
    b.U8(1).U8(1);                              // FlipRandomizeX, OrientToStroke
    for (int i = 0; i < 4; ++i)
        Colour(b, 0.5f, 0.1f * float(i + 1), 0.5f, 1.0f);  // Selection, Frozen, ActiveLayer, ViewColor2
    b.U8(0).U8(1);                                         // CommandOption, LayerDisplay
    Colour(b, 0.9f, 0.1f, 0.1f, 1.0f);                     // LayerMask
    b.U8(0).I32(5).I32(2000);                              // UseDraftRender, DraftPoints, FaceCountLimit
    b.U8(0).I32(7);                                        // SpareFlagD, SpareValueA
    b.U8(0).U8(0).U8(1).U8(1).U8(0);  // face counts, stencil flips, SubdivideUVs
    Colour(b, 0.2f, 0.2f, 0.2f, 1.0f);  // ViewColor1
    b.U8(0);                            // reserved
    b.Str("MyIcons/");
    b.Str("/nowhere/Stamps/").Str("/nowhere/Stencils/");
    if (v >= 153)
        b.Str("tex/");
    b.I32(120000);                      // ReminderTime
    Colour(b, 0.3f, 0.3f, 0.3f, 1.0f);  // ObjectListBg
    b.I32(55).I32(1).I32(0);            // BuildupRate, SelectionMode, SelectionOption
    b.F32(45.0f).I32(1).U8(1).U8(0);    // StencilRotateSensitivity, InactiveLevels, SpareFlagE, LockLocalBorder
    b.Str("/nowhere/Logs").Str("/nowhere/Temp").Str("/nowhere/settings");
    b.U8(1);  // ShowFrozenVertices
    if (v >= 89 && v <= 150)
        b.U8(0);
    if (v >= 91 && v <= 150)
        b.I32(0);
    if (v >= 92) {
        b.I32(512).I32(256).Str("bake").U8(0).U8(0).U8(0).I32(3).F32(2.0f).I32(8).I32(1).I32(2);
        if (v >= 115)
            b.I32(5);
        else
            b.U8(1);  // BakeValue7 as a byte
        b.U8(0).Str("nm_%u").Str("dm_%u").U8(0);
        if (v >= 104)
            b.U8(1);
        if (v >= 105)
            b.Str("t2").Str("t3");
        if (v >= 119)
            b.F32(0.5f);
    }
    if (v >= 93)
        b.I32(6).I32(7);
    if (v >= 95)
        b.U8(1);
    if (v >= 95 && v <= 116)
        b.U8(0);
    if (v >= 116)
        b.U8(0).U8(0);
    if (v >= 117)
        b.I32(9);
    if (v >= 96 && v <= 100)
        b.U8(0);
    if (v >= 97)
        b.U8(1);  // FlipRandomizeY
    if (v >= 99)
        b.U8(0);  // FreezeInactive
    if (v >= 100)
        b.I32(11);  // BakeValue1
    if (v >= 103)
        b.Str("a1").F32(1.5f).I32(21).I32(22).I32(23).I32(25).I32(24).I32(26).Str("a2").Str("a3").Str("a4");
    if (v >= 107)
        b.U8(1);  // LocalFocus
    if (v >= 109)
        b.Str("planes/");
    if (v >= 112)
        b.U8(0).U8(0).U8(1).U8(0);
    if (v >= 121 && v <= 151)
        b.U8(0);
    if (v >= 121)
        b.Str("/nowhere/Shaders/");
    if (v >= 134)
        for (int i = 0; i < 3; ++i)
            Colour(b, 0.25f, 0.25f, 0.25f, 1.0f);
    if (v >= 136)
        b.I32(33);
    if (v >= 213)
        b.U8(1);
    if (v >= 216)
        b.F32(0.125f);
    if (v >= 217)
        b.U8(0).U8(1);
    if (v >= 225)
        b.U8(1);
    return b.Get();
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateDefaultFalloffs();
        Brush::Tools().clear();
        CreateDefaultTools();
        Surface::Materials().Clear();
        Surface::InitMaterials();
        m_pPreferences = std::make_unique<Preferences>();
        // A start whose folders were known: the stored folders count.
        m_pPreferences->PathsJustSet = false;
        Recorder().Clear();
    }
    void TearDown() override { m_pPreferences.reset(); }

    QString Path(const char *name) const { return m_cDir.File(name); }
    SettingsParts Parts() { return SettingsParts{m_pPreferences.get(), &m_cWindow, &m_cView}; }

    // A whole file of version v around a hand-written preferences record: no tools, the
    // default material and view block in that version's form, two window values, no falloffs.
    QByteArray HandFile(int v)
    {
        Surface::Material material(0);
        ViewToggles view;
        view.m_bGrid = false;
        Bytes b;
        b.I32(v).Append(HandRecord(v)).I32(0).I32(1);
        b.Append(WrittenAt(material, v, Path("material")));
        b.U8(0).I32(10).I32(20).I32(800).I32(600);
        b.Append(WrittenAt(view, v, Path("view")));
        if ((v >= 98 && v <= 119) || v >= 130)
            b.I32(0);
        return b.Get();
    }

    apptest::PrivateHome m_cHome;
    TempDir m_cDir;
    std::unique_ptr<Preferences> m_pPreferences;
    WindowPlacement m_cWindow;
    ViewToggles m_cView;
};

TEST_F(SettingsFile, CurrentVersionWritesAndReadsBackByteForByte)
{
    Preferences &p = *m_pPreferences;
    p.RollArea = 0.3f;
    p.LastSceneFolder = QStringLiteral("/home/ümlaut/scènes");  // kept whole: UTF-8
    p.MirrorCount = 1;
    p.MirrorNormals[0] = General::Vector(0.0f, 1.0f, 0.0f);
    p.ReminderTime = 5 * 60000;
    m_cWindow = WindowPlacement{true, 3, 4, 640, 480};
    m_cView.m_bWireframe = true;
    // A load turns the material's texture choice on: start from that state so that the read changes nothing.
    Surface::Materials().First()->m_aShowTextures.SetValue(true, true);
    const QString first = Path("settings.sav"), second = Path("again.sav");
    ASSERT_TRUE(SaveSettingsFile(first, Parts()));
    const QByteArray bytes = TempDir::Read(first);
    ASSERT_EQ(*reinterpret_cast<const int32_t *>(bytes.constData()), 228);

    // Another preferences object, window and view read it and write the same bytes.
    m_pPreferences.reset();
    m_pPreferences = std::make_unique<Preferences>();
    m_pPreferences->PathsJustSet = false;
    m_cWindow = WindowPlacement{};
    m_cView = ViewToggles{};
    const SettingsLoad load = LoadSettingsFile(first, Parts());
    ASSERT_EQ(load.outcome, SettingsLoad::Loaded) << qPrintable(load.message);
    EXPECT_EQ(m_pPreferences->LastSceneFolder, QStringLiteral("/home/ümlaut/scènes"));
    EXPECT_FLOAT_EQ(m_pPreferences->RollArea, 0.3f);
    EXPECT_EQ(m_pPreferences->MirrorNormals[0], General::Vector(0.0f, 1.0f, 0.0f));
    EXPECT_TRUE(m_cWindow.maximized);
    EXPECT_EQ(m_cWindow.width, 640);
    EXPECT_TRUE(m_cView.m_bWireframe);
    ASSERT_TRUE(SaveSettingsFile(second, Parts()));
    const QByteArray again = TempDir::Read(second);
    for (qsizetype i = 0; i < std::min(bytes.size(), again.size()); ++i)
        ASSERT_EQ(again[i], bytes[i]) << "first difference at byte " << i << ": "
                                      << bytes.mid(std::max<qsizetype>(0, i - 40), 80).toHex().constData();
    EXPECT_EQ(again.size(), bytes.size());
}

TEST_F(SettingsFile, EveryDefaultToolKeepsItsPictureAcrossALoad)
{
    // Written as a run that had itself loaded settings leaves it: the tools without a category.
    for (const auto &tool : Brush::Tools())
        tool->m_sGroup.clear();
    const QString path = Path("settings.sav");
    ASSERT_TRUE(SaveSettingsFile(path, Parts()));
    const SettingsLoad load = LoadSettingsFile(path, Parts());
    ASSERT_EQ(load.outcome, SettingsLoad::Loaded) << qPrintable(load.message);
    const struct {
        const char *name;
        const char *picture;
    } cases[] = {{"Soft", "Icons/tool_sculpting.png"},   {"Move", "Icons/tool_deform.png"},
                 {"Faces", "Icons/tool_selection.png"},  {"Translate", "Icons/tool_transform.png"},
                 {"Mask", "Icons/tool_propPaint.png"}};
    for (const auto &c : cases) {
        const Brush *tool = Brush::Find(QString::fromLatin1(c.name));
        ASSERT_NE(tool, nullptr) << c.name;
        EXPECT_EQ(tool->IconPath(), QString::fromLatin1(c.picture)) << c.name;
    }
}

TEST_F(SettingsFile, HandWrittenOlderVersionsLoadWithTheirGatedDefaults)
{
    for (const int v : {88, 100, 221, 223, 228}) {
        SCOPED_TRACE(v);
        SetUp();
        const QString path = Path("settings.sav");
        TempDir::Write(path, HandFile(v));
        const SettingsLoad load = LoadSettingsFile(path, Parts());
        ASSERT_EQ(load.outcome, SettingsLoad::Loaded) << qPrintable(load.message);
        const Preferences &p = *m_pPreferences;
        const PreferenceValues d;  // the defaults
        // Fields every version has.
        EXPECT_FALSE(p.SaveReminder);
        EXPECT_TRUE(p.ImportFocusAlways);
        EXPECT_EQ(p.PressureHigh, 9);
        EXPECT_EQ(p.MirrorCount, 2);
        EXPECT_EQ(p.MirrorOffsets[1], General::Vector(0.0f, 0.5f, 0.0f));
        EXPECT_EQ(p.LinearUnit, 3);
        EXPECT_EQ(p.LastExportFolder, QStringLiteral("/exports"));
        EXPECT_EQ(p.IconFiles, QStringLiteral("MyIcons/"));
        EXPECT_EQ(p.ReminderTime, 120000);
        EXPECT_TRUE(p.ShowFrozenVertices);
        EXPECT_FLOAT_EQ(p.StencilRotateSensitivity, 45.0f);
        // Stored folders that do not exist keep this run's.
        EXPECT_EQ(p.StampFiles, Preferences::DefaultDataFolder() + QStringLiteral("/Stamps/"));
        EXPECT_EQ(p.TempFiles, Preferences::DefaultTempFolder());
        EXPECT_EQ(m_cWindow.height, 600);
        EXPECT_FALSE(m_cView.m_bGrid);
        // Gated fields.
        EXPECT_EQ(p.Control, v >= 223 ? 1 : d.Control);
        EXPECT_FLOAT_EQ(p.RollArea, v >= 224 ? 0.25f : d.RollArea);
        EXPECT_EQ(p.MaximumTextureSize, v >= 202 ? 4096 : m_pPreferences->MaximumTextureSize);
        EXPECT_EQ(p.TextureFolder, v >= 153 ? QStringLiteral("tex/") : d.TextureFolder);
        EXPECT_EQ(p.BakeWidth, v >= 92 ? 512 : d.BakeWidth);
        EXPECT_EQ(p.BakeValue7, v >= 115 ? 5 : v >= 92 ? 1 : d.BakeValue7);
        EXPECT_EQ(p.BakeFlag6, v >= 104 ? true : d.BakeFlag6);
        EXPECT_EQ(p.BakeText2, v >= 105 ? QStringLiteral("t2") : d.BakeText2);
        EXPECT_FLOAT_EQ(p.ImportSizeFactor, v >= 119 ? 0.5f : d.ImportSizeFactor);
        EXPECT_EQ(p.BakeValue1, v >= 100 ? 11 : d.BakeValue1);
        EXPECT_EQ(p.AuxInt4, v >= 103 ? 24 : d.AuxInt4);
        EXPECT_EQ(p.AuxInt5, v >= 103 ? 25 : d.AuxInt5);
        EXPECT_EQ(p.ImagePlaneFolder, v >= 109 ? QStringLiteral("planes/") : d.ImagePlaneFolder);
        EXPECT_EQ(p.ExpertMenuBar, v >= 112 ? true : d.ExpertMenuBar);
        EXPECT_EQ(p.DragBoxSize, v >= 136 ? 33 : d.DragBoxSize);
        EXPECT_FLOAT_EQ(p.StencilOffset, v >= 216 ? 0.125f : d.StencilOffset);
        EXPECT_EQ(p.SmoothUVs, v >= 217 ? true : d.SmoothUVs);
        EXPECT_EQ(p.CreateBackup, v >= 225 ? true : d.CreateBackup);
        EXPECT_EQ(p.FreezeInactive, v >= 99 ? false : d.FreezeInactive);
        // No tools stored: the default tools are back by name.
        EXPECT_NE(Brush::Find(QStringLiteral("Soft")), nullptr);
    }
}

TEST_F(SettingsFile, CutOrHugeCountFilesLoadNothingAndSayWhy)
{
    const QString path = Path("settings.sav");
    const QByteArray whole = HandFile(228);
    std::vector<QByteArray> damaged;
    for (qsizetype length = 1; length < whole.size(); ++length)
        damaged.push_back(whole.left(length));
    // A huge tool count right after the preferences record.
    QByteArray huge = whole;
    const qsizetype countAt = 4 + HandRecord(228).size();
    const uint32_t many = 0xFFFFFFF0u;
    huge.replace(countAt, 4, reinterpret_cast<const char *>(&many), 4);
    damaged.push_back(huge);
    // A text that claims more bytes than the file holds (LastSceneFolder's length).
    QByteArray longText = whole;
    const int32_t length = 0x7FFFFFFF;
    longText.replace(longText.indexOf("/scenes") - 4, 4, reinterpret_cast<const char *>(&length), 4);
    damaged.push_back(longText);

    const size_t tools = Brush::Tools().size();
    const float shared = Brush::s_fSharedSize[0];
    for (const QByteArray &bytes : damaged) {
        SCOPED_TRACE(bytes.size());
        TempDir::Write(path, bytes);
        QFile::remove(path + QStringLiteral(".kept"));
        const SettingsLoad load = LoadSettingsFile(path, Parts());
        ASSERT_EQ(load.outcome, SettingsLoad::Refused);
        EXPECT_FALSE(load.message.isEmpty());
        EXPECT_EQ(TempDir::Read(load.keptCopy), bytes);
        // Nothing changed.
        EXPECT_TRUE(m_pPreferences->SaveReminder);
        EXPECT_EQ(m_pPreferences->LinearUnit, 1);
        EXPECT_EQ(Brush::Tools().size(), tools);
        EXPECT_EQ(Brush::s_fSharedSize[0], shared);
        EXPECT_EQ(m_cWindow.height, 0);
    }
}

TEST_F(SettingsFile, OldAndTooNewFilesAreKeptBesideAndNotRead)
{
    const QString path = Path("settings.sav");
    for (const int v : {0, 21, 50, 87, 229, -3}) {
        SCOPED_TRACE(v);
        TempDir::Write(path, Bytes().I32(v).Append(HandRecord(228)).Get());
        const SettingsLoad load = LoadSettingsFile(path, Parts());
        EXPECT_EQ(load.outcome, SettingsLoad::Refused);
        EXPECT_FALSE(QFileInfo::exists(path)) << "moved aside, so the next save cannot replace it";
        EXPECT_EQ(TempDir::Read(load.keptCopy), Bytes().I32(v).Append(HandRecord(228)).Get());
        QFile::remove(load.keptCopy);
        EXPECT_TRUE(m_pPreferences->SaveReminder);
    }
    // An empty or missing file is a first start: nothing to say.
    TempDir::Write(path, QByteArray());
    EXPECT_EQ(LoadSettingsFile(path, Parts()).outcome, SettingsLoad::Missing);
    EXPECT_EQ(LoadSettingsFile(Path("none.sav"), Parts()).outcome, SettingsLoad::Missing);
}

TEST_F(SettingsFile, StoredToolsReplaceTheListAndMissingDefaultsReturn)
{
    // Two tools stored: the list shrinks to them, then the defaults it lacks come back.
    const size_t defaults = Brush::Tools().size();
    auto &tools = Brush::Tools();
    tools.resize(2);
    tools[0]->m_aPairs[0].size = 77.0f;
    const QString name0 = tools[0]->m_sName;
    ASSERT_TRUE(SaveSettingsFile(Path("settings.sav"), Parts()));
    Brush::Tools().clear();
    CreateDefaultTools();
    ASSERT_EQ(LoadSettingsFile(Path("settings.sav"), Parts()).outcome, SettingsLoad::Loaded);
    EXPECT_EQ(Brush::Tools().size(), defaults);
    EXPECT_EQ(Brush::Tools()[0]->m_sName, name0);
    EXPECT_EQ(Brush::Tools()[0]->m_aPairs[0].size, 77.0f);
}

TEST_F(SettingsFile, FoldersChosenThisStartWinOverStoredOnes)
{
    TempDir other;
    m_pPreferences->TempFiles = other.Path();
    ASSERT_TRUE(SaveSettingsFile(Path("settings.sav"), Parts()));
    m_pPreferences->TempFiles = Preferences::DefaultTempFolder();
    m_pPreferences->PathsJustSet = true;
    ASSERT_EQ(LoadSettingsFile(Path("settings.sav"), Parts()).outcome, SettingsLoad::Loaded);
    EXPECT_EQ(m_pPreferences->TempFiles, Preferences::DefaultTempFolder());
    m_pPreferences->PathsJustSet = false;
    ASSERT_EQ(LoadSettingsFile(Path("settings.sav"), Parts()).outcome, SettingsLoad::Loaded);
    EXPECT_EQ(m_pPreferences->TempFiles, other.Path());
}

TEST_F(SettingsFile, AWriterKilledBeforeItFinishesLeavesTheOldFile)
{
    const QString path = Path("settings.sav");
    ASSERT_TRUE(SaveSettingsFile(path, Parts()));
    const QByteArray before = TempDir::Read(path);
    m_pPreferences->LinearUnit = 0;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SaveSettingsFile(path, Parts(), [] { std::raise(SIGKILL); });
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(TempDir::Read(path), before);
    m_pPreferences->LinearUnit = 2;
    ASSERT_EQ(LoadSettingsFile(path, Parts()).outcome, SettingsLoad::Loaded);
    EXPECT_EQ(m_pPreferences->LinearUnit, 1);
}

TEST(RecentFiles, KeepTenNewestFirstAndSurviveDamage)
{
    TempDir dir;
    RecentFiles recent;
    for (int i = 0; i < 15; ++i)
        recent.Add(QStringLiteral("/scenes/é%1.tev").arg(i));
    recent.Add(QStringLiteral("/scenes/é3.tev")); // not in the ten any more: back at the front
    recent.Add(QStringLiteral("/scenes/é14.tev"));
    ASSERT_EQ(recent.Files().size(), RecentFiles::kMaximum);
    EXPECT_EQ(recent.Files().front(), QStringLiteral("/scenes/é14.tev"));
    const QString path = dir.File("recent.sav");
    ASSERT_TRUE(recent.Save(path));
    RecentFiles read;
    ASSERT_TRUE(read.Load(path));
    EXPECT_EQ(read.Files(), recent.Files());

    // Fifteen stored names, written by hand: the first ten are taken.
    Bytes b;
    b.I32(228).I32(15);
    for (int i = 0; i < 15; ++i)
        b.Str(QByteArray("f").append(QByteArray::number(i)).constData());
    TempDir::Write(path, b.Get());
    RecentFiles fifteen;
    ASSERT_TRUE(fifteen.Load(path));
    EXPECT_EQ(fifteen.Files().size(), 10);
    EXPECT_EQ(fifteen.Files().back(), QStringLiteral("f9"));

    // Cut, damaged, and what is no list at all: empty, or zeros (no version).
    for (const QByteArray &bad : {Bytes().I32(228).I32(-1).Get(), b.Get().left(b.Get().size() - 1),
                                  Bytes().I32(228).I32(1).I32(1000).Get(), QByteArray(), QByteArray(4096, '\0')}) {
        TempDir::Write(path, bad);
        RecentFiles none;
        EXPECT_FALSE(none.Load(path));
        EXPECT_TRUE(none.Files().isEmpty());
    }
}

}  // namespace

namespace {

TEST_F(SettingsFile, BenchmarkRunsNeitherReadNorWriteTheSettings)
{
    const QString settings = m_pPreferences->SettingFiles + QStringLiteral("/settings.sav");
    const QString recentPath = m_pPreferences->SettingFiles + QStringLiteral("/recent.sav");
    RecentFiles recent;
    recent.Add(QStringLiteral("/a.tev"));
    for (bool *mode : {&CommandSwitches::s_bBenchmark, &CommandSwitches::s_bSaveBenchmark}) {
        *mode = true;
        EXPECT_TRUE(SaveSettings(Parts(), recent));
        EXPECT_FALSE(QFileInfo::exists(settings));
        EXPECT_FALSE(QFileInfo::exists(recentPath));
        *mode = false;
    }
    ASSERT_TRUE(SaveSettings(Parts(), recent));
    m_pPreferences->LinearUnit = 0;
    CommandSwitches::s_bBenchmark = true;
    EXPECT_EQ(LoadSettings(Parts()).outcome, SettingsLoad::Missing);
    RecentFiles none;
    LoadRecentFiles(none);
    EXPECT_TRUE(none.Files().isEmpty());
    CommandSwitches::s_bBenchmark = false;
    EXPECT_EQ(m_pPreferences->LinearUnit, 0);
    EXPECT_EQ(LoadSettings(Parts()).outcome, SettingsLoad::Loaded);
    EXPECT_EQ(m_pPreferences->LinearUnit, 1);
    LoadRecentFiles(none);
    EXPECT_EQ(none.Files(), recent.Files());
}

}  // namespace

namespace {

TEST_F(SettingsFile, AFileCutAfterItsToolsChangesNoTool)
{
    const QString path = Path("settings.sav");
    Brush::Tools()[0]->m_aPairs[0].size = 61.0f;
    ASSERT_TRUE(SaveSettingsFile(path, Parts()));
    const QByteArray whole = TempDir::Read(path);
    Brush::Tools()[0]->m_aPairs[0].size = 25.0f;
    const size_t count = Brush::Tools().size();
    // Cut inside the falloff curves at the end: every tool record was whole.
    TempDir::Write(path, whole.left(whole.size() - 10));
    EXPECT_EQ(LoadSettingsFile(path, Parts()).outcome, SettingsLoad::Refused);
    EXPECT_EQ(Brush::Tools()[0]->m_aPairs[0].size, 25.0f);
    EXPECT_EQ(Brush::Tools().size(), count);
}

TEST(SettingsText, EarlierWritersLatin1TextsStillRead)
{
    TempDir dir;
    const QString path = dir.File("texts");
    struct Case {
        QByteArray bytes;
        QString text;
    } cases[] = {{QByteArray("\xE9t\xE9"), QStringLiteral("été")},           // Latin-1
                 {QByteArray("\xC3\xA9t\xC3\xA9"), QStringLiteral("été")},   // UTF-8
                 {QByteArray("plain"), QStringLiteral("plain")}};
    for (const Case &c : cases) {
        TempDir::Write(path, Bytes().I32(228).I32(int32_t(c.bytes.size())).Append(c.bytes).Get());
        Stream stream(path, false);
        QString text;
        ASSERT_TRUE(SerializeText(stream, text));
        EXPECT_EQ(text, c.text);
    }
}

}  // namespace

namespace {

TEST(WindowPlacement, AStoredPlacementComesBackUnlessMaximized)
{
    QWidget window;
    EXPECT_FALSE(ApplyPlacement(window, WindowPlacement{false, 30, 40, 500, 300}));
    EXPECT_EQ(window.size(), QSize(500, 300));
    const WindowPlacement now = PlacementOf(window);
    EXPECT_EQ(now.width, 500);
    EXPECT_FALSE(now.maximized);
    EXPECT_TRUE(ApplyPlacement(window, WindowPlacement{true, 0, 0, 10, 10}));
    EXPECT_EQ(window.size(), QSize(500, 300));
    ApplyPlacement(window, WindowPlacement{false, 0, 0, 0, -5});  // a damaged size is not taken
    EXPECT_EQ(window.size(), QSize(500, 300));
}

}  // namespace

namespace {

off_t BlocksOf(const QString &path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? off_t(info.st_blocks) : -1;
}

TEST_F(SettingsFile, AHeaderAndZerosIsDamagedAndMovedAsideWithoutACopy)
{
    // A valid header and 64 MB of zeros, no blocks on the disk: read as zeros it would set
    // no unit, no draft points and no dolly step.
    const QString path = Path("settings.sav");
    TempDir::Write(path, Bytes().I32(228).Get());
    ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), 64 << 20), 0);
    const SettingsLoad load = LoadSettingsFile(path, Parts());
    ASSERT_EQ(load.outcome, SettingsLoad::Refused);
    EXPECT_TRUE(m_pPreferences->SaveReminder);
    EXPECT_EQ(m_pPreferences->DraftPoints, PreferenceValues().DraftPoints);
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(QFileInfo(load.keptCopy).size(), 64 << 20);
    EXPECT_LT(BlocksOf(load.keptCopy), 1024) << "renamed, not copied into real blocks";
    EXPECT_TRUE(load.message.contains(load.keptCopy));
}

TEST_F(SettingsFile, ADamagedOrNewerRecentListIsKeptAsideAndReported)
{
    const QString path = m_pPreferences->SettingFiles + QStringLiteral("/recent.sav");
    for (const QByteArray &bad : {Bytes().I32(229).I32(0).Get(), Bytes().I32(228).I32(3).I32(1000).Get()}) {
        TempDir::Write(path, bad);
        Recorder().Clear();
        RecentFiles recent;
        LoadRecentFiles(recent);
        EXPECT_TRUE(recent.Files().isEmpty());
        EXPECT_EQ(TempDir::Read(path + QStringLiteral(".kept")), bad);
        EXPECT_EQ(Recorder().boxes.size(), 1);
        EXPECT_TRUE(Recorder().boxes.join(QString()).contains(path));
        // The list written at exit leaves the kept file alone.
        ASSERT_TRUE(SaveSettings(Parts(), recent));
        EXPECT_EQ(TempDir::Read(path + QStringLiteral(".kept")), bad);
        QFile::remove(path + QStringLiteral(".kept"));
    }
}

TEST_F(SettingsFile, AnUnwritableSettingsFolderIsToldOnceAtStart)
{
    // Below a plain file no folder can ever be made: unwritable even for root.
    TempDir::Write(Path("plain"), "x");
    m_pPreferences->SettingFiles = Path("plain") + QStringLiteral("/settings");
    Recorder().Clear();
    LoadSettings(Parts());
    ASSERT_EQ(Recorder().boxes.size(), 1);
    EXPECT_TRUE(Recorder().boxes.front().contains(m_pPreferences->SettingFiles));
}

TEST_F(SettingsFile, LeftoversOfKilledSettingsSavesGoAtStart)
{
    const QString folder = m_pPreferences->SettingFiles;
    QStringList leftovers;
    for (const char *name : {".recent.sav.2147483000.AbC123", ".settings.sav.2147483000.XyZ789",
                             ".hotkeys.txt.2147483000.QwE456"})
        leftovers << folder + QLatin1Char('/') + QString::fromLatin1(name);
    for (const QString &file : leftovers)
        TempDir::Write(file, "partial");
    LoadSettings(Parts());
    for (const QString &file : leftovers)
        EXPECT_FALSE(QFileInfo::exists(file)) << file.toStdString();
}

TEST_F(SettingsFile, EverySettingsFileFollowsALinkToARegularFileAndRefusesAnyOther)
{
    const QString folder = m_pPreferences->SettingFiles;
    RecentFiles recent;
    recent.Add(QStringLiteral("/a.tev"));
    for (const char *name : {"settings.sav", "recent.sav"}) {
        SCOPED_TRACE(name);
        const QString path = folder + QLatin1Char('/') + QString::fromLatin1(name);
        const QString real = Path("real"), fifo = Path("fifo");
        TempDir::Write(real, "old");
        ASSERT_EQ(::chmod(QFile::encodeName(real).constData(), 0600), 0);
        QFile::remove(path);
        ASSERT_TRUE(QFile::link(real, path));
        ASSERT_TRUE(SaveSettings(Parts(), recent));
        EXPECT_TRUE(QFileInfo(path).isSymLink());
        EXPECT_NE(TempDir::Read(real), "old");
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(real).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, mode_t(0600)) << "the replaced file's bits stay";

        ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0666), 0);
        QFile::remove(path);
        ASSERT_TRUE(QFile::link(fifo, path));
        EXPECT_FALSE(SaveSettings(Parts(), recent));
        ASSERT_EQ(::lstat(QFile::encodeName(fifo).constData(), &info), 0);
        EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "the FIFO stays";
        EXPECT_TRUE(QFileInfo(path).isSymLink());
        QFile::remove(path);
        QFile::remove(fifo);
        QFile::remove(real);
    }
}

TEST_F(SettingsFile, ThePathsFileIsReadWithinItsBoundsAndRewrittenWhole)
{
    const QString paths = Preferences::PathsFile();
    TempDir::Write(paths, "");
    ASSERT_EQ(::truncate(QFile::encodeName(paths).constData(), 2LL << 30), 0);
    const QString before = m_pPreferences->SettingFiles;
    EXPECT_TRUE(m_pPreferences->ReadPathsFile()) << "a 2 GB file counts as none";
    EXPECT_EQ(m_pPreferences->SettingFiles, before);

    TempDir::Write(paths, "someone: /elsewhere\n");
    {
        const FileSizeLimit full(8);
        m_pPreferences->AppendToPathsFile();
    }
    EXPECT_EQ(TempDir::Read(paths), "someone: /elsewhere\n") << "a failed append keeps the file whole";
    m_pPreferences->AppendToPathsFile();
    EXPECT_EQ(TempDir::Read(paths), ("someone: /elsewhere\n" + m_pPreferences->UserName + QStringLiteral(": ") +
                                     m_pPreferences->SettingFiles + QLatin1Char('\n'))
                                        .toUtf8());
}

}  // namespace

namespace {

// Two changed bytes of a real state crashed Qt's reader of it: only a whole file gets there.
TEST(LayoutFile, OnlyAWholeFileGivesItsState)
{
    const QByteArray state("\x00\x00\x00\xff\x00\x00\x00\x00\xfd\x00\x00\x00\x02", 13);
    const QByteArray file = LayoutFile::Compose(state);
    QByteArray read;
    ASSERT_TRUE(LayoutFile::Parse(file, read));
    EXPECT_EQ(read, state);
    QByteArray flipped = file;
    flipped[5] = '\x03';
    const QByteArray damaged[] = {QByteArray(), state, file.left(file.size() - 1), file.mid(1), flipped,
                                  file + '\n'};
    for (const QByteArray &bytes : damaged) {
        QByteArray untouched("kept");
        EXPECT_FALSE(LayoutFile::Parse(bytes, untouched)) << bytes.toHex().toStdString();
        EXPECT_EQ(untouched, "kept");
    }
}

// A main window of the program's shape: four frames, two at the bottom, two at the right.
std::unique_ptr<QMainWindow> FramedWindow()
{
    auto window = std::make_unique<QMainWindow>();
    const std::pair<const char *, Qt::DockWidgetArea> frames[] = {{"North", Qt::BottomDockWidgetArea},
                                                                  {"South", Qt::BottomDockWidgetArea},
                                                                  {"East", Qt::RightDockWidgetArea},
                                                                  {"West", Qt::RightDockWidgetArea}};
    for (const auto &[name, area] : frames) {
        auto *dock = new QDockWidget(QString::fromLatin1(name), window.get());
        dock->setObjectName(QString::fromLatin1(name));
        window->addDockWidget(area, dock);
    }
    return window;
}

// Restores `file` into a fresh window in a child process: 1 restored, 0 refused, 128 and
// the signal when the child died.
int RestoreInChild(const QByteArray &file)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        auto window = FramedWindow();
        ::_exit(LayoutFile::Restore(*window, file) ? 1 : 0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// States with a matching hash, as a hand, a sync tool or a newer program may leave them:
// a dock position past Qt's array of four crashed its reader at every start.
TEST(LayoutFile, AStateWithAMatchingHashReachesQtOnlyInTheShapeThisWindowWrites)
{
    auto window = FramedWindow();
    window->findChild<QDockWidget *>(QStringLiteral("West"))->hide();
    const QByteArray genuine = window->saveState();
    // Header (marker, version), the dock section's marker and count, then its first area's position.
    constexpr int kFirstPosition = 13;
    ASSERT_EQ(genuine.mid(8, 5), QByteArray("\xfd\x00\x00\x00\x02", 5));
    const auto edited = [&](int offset, const QByteArray &bytes) {
        QByteArray state = genuine;
        state.replace(offset, bytes.size(), bytes);
        return state;
    };
    // Other shapes a person can give the frames: one floating, two as tabs, two side by side.
    const auto shaped = [](const std::function<void(QMainWindow &, QDockWidget *, QDockWidget *)> &shape) {
        auto window = FramedWindow();
        shape(*window, window->findChild<QDockWidget *>(QStringLiteral("East")),
              window->findChild<QDockWidget *>(QStringLiteral("West")));
        return window->saveState();
    };
    const QByteArray floating = shaped([](QMainWindow &, QDockWidget *east, QDockWidget *) {
        east->setFloating(true);
        east->setGeometry(10, 20, 300, 400);
    });
    const QByteArray tabbed = shaped([](QMainWindow &w, QDockWidget *east, QDockWidget *west) { w.tabifyDockWidget(east, west); });
    const QByteArray split =
        shaped([](QMainWindow &w, QDockWidget *east, QDockWidget *west) { w.splitDockWidget(east, west, Qt::Horizontal); });
    QByteArray renamed = genuine;
    renamed.replace(QByteArray("\0N\0o\0r\0t\0h", 10), QByteArray("\0N\0o\0r\0t\0x", 10));
    const struct {
        const char *what;
        QByteArray state;
        int outcome;
    } cases[] = {
        {"as written", genuine, 1},
        {"a floating frame", floating, 1},
        {"two frames as tabs", tabbed, 1},
        {"two frames side by side", split, 1},
        {"area 4", edited(kFirstPosition + 3, "\x04"), 0},
        {"area -1", edited(kFirstPosition, "\xff\xff\xff\xff"), 0},
        {"area 2^24 + 1", edited(kFirstPosition, "\x01"), 0},
        {"area 2^31 - 255", edited(kFirstPosition, "\x7f"), 0},
        {"a frame the window does not have", renamed, 0},
        {"a byte more", genuine + '\0', 0},
        {"a byte less", genuine.chopped(1), 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(RestoreInChild(LayoutFile::Compose(c.state)), c.outcome);
    }
}

}  // namespace
