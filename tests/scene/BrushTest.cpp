#include "foundation/Stream.h"
#include "scene/Brush.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <cstring>
#include <vector>

namespace {

QByteArray Int(int value) { return QByteArray(reinterpret_cast<const char *>(&value), 4); }
QByteArray Byte(int value) { return QByteArray(1, char(value)); }
QByteArray Floats(const std::vector<float> &values)
{
    QByteArray bytes;
    for (float value : values)
        bytes.append(reinterpret_cast<const char *>(&value), 4);
    return bytes;
}
QByteArray Text(const char *text) { return Int(int(std::strlen(text))) + QByteArray(text); }

// Fields 1 to 7: both pairs, window space, then the two true-by-default bools (second first).
QByteArray Leading() { return Floats({40, 7, 60, 9}) + Byte(1) + Byte(0) + Byte(1); }
// Fields 8 to 21 of a version-57 record.
QByteArray Middle(const char *name)
{
    return Byte(1) + Byte(0) + Byte(1) + Int(11)  // the bools after window space, restart, first int
           + Byte(0)                              // connect
           + Floats({33, 44})                     // the shared sizes
           + Text(name) + Text("icon") + Int(18)  // name, icon, type
           + Byte(1)                              // the bool before the pairs
           + Floats({200, 300, 0.5f, 0.25f})      // maximums and the two 0.1 floats
           + Byte(1)                              // hidden
           + Text("grp");
}
// A falloff point table of seven-float points.
QByteArray Table(int count, int written)
{
    QByteArray bytes = Int(count);
    for (int i = 0; i < written; ++i)
        bytes += Floats({float(i) / float(written - 1), 1.0f - float(i) / float(written - 1), 0, 0, 0, 0, 0});
    return bytes;
}
// Fields 23 to 30 (versions 71 to 151).
QByteArray Tail()
{
    return Int(5) + Int(4) + Byte(0) + Int(6) + Byte(1) + Byte(0)  // .. flag 1, flag 2
           + Byte(0)                                              // shared-size flag
           + Byte(0) + Byte(1)                                    // the bool after flag 4, flag 4
           + Byte(1) + Int(70);                                   // spaced dab, spacing
}

class BrushRecords : public testing::Test {
protected:
    void SetUp() override
    {
        Brush::Tools().clear();
        Brush::s_fSharedSize[0] = Brush::s_fSharedSize[1] = 25.0f;
        CreateDefaultFalloffs();
    }
    void TearDown() override { Brush::Tools().clear(); }

    QString Path() const { return m_dir.File("brush.str"); }
    // Reads one record out of a file of that version and body.
    bool ReadAt(int version, const QByteArray &body, Brush &brush)
    {
        TempDir::Write(Path(), Int(version) + body);
        Stream stream(Path(), false);
        return brush.Serialize(stream) && stream.BytesLeft() == 0;
    }

    RecordingShell m_shell;
    TempDir m_dir;
};

TEST_F(BrushRecords, DefaultTableHasItsToolsInTrayOrder)
{
    const std::vector<std::pair<const char *, int>> expected = {
        {"Soft", 1},       {"Soft B", 1},  {"Scratch", 7},    {"Smooth", 4},  {"Pinch", 2},  {"Bulge", 17},
        {"Flatten", 18},   {"Stamp", 1},   {"Smear", 1},      {"Move", 3},    {"Faces", 6},  {"Objects", 5},
        {"Translate", 22}, {"Rotate", 23}, {"Scale", 24},     {"Freeze", 8},  {"Mask", 13},  {"Erase", 19}};
    ASSERT_EQ(Brush::Tools().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(Brush::Tools()[i]->m_sName, QLatin1String(expected[i].first));
        EXPECT_EQ(Brush::Tools()[i]->m_iType, expected[i].second) << expected[i].first;
    }
    EXPECT_EQ(Brush::Falloffs().size(), 8u);

    const Brush &softB = *Brush::Find("Soft B");
    EXPECT_EQ(softB.m_aPairs[1].strength, 30.0f);
    EXPECT_TRUE(softB.m_bSpacedDab);
    EXPECT_EQ(softB.m_iStrokeSetting, 0);
    EXPECT_EQ(Brush::Find("Smear")->m_iStrokeSetting, 25);
    EXPECT_FALSE(Brush::Find("Smooth")->m_bSmoothLayer);  // the table's flag 3 is stored inverted
    EXPECT_TRUE(Brush::Find("Pinch")->m_bSmoothLayer);
    EXPECT_TRUE(Brush::Find("Stamp")->m_bFlag4);
    EXPECT_EQ(Brush::Find("Stamp")->m_sStampImage, QLatin1String("Stamps/cells01.jpg"));
    EXPECT_EQ(Brush::Find("Stamp")->m_iStampSetting, 7);
    EXPECT_EQ(Brush::Find("Move")->m_iDirection, 9);
    EXPECT_EQ(Brush::Find("Rotate")->m_aPairs[0].size, 0.0f);
    EXPECT_FALSE(Brush::Find("Faces")->m_bFlag1);
    // Every tool starts with the third default falloff.
    EXPECT_EQ(Brush::Find("Erase")->m_falloff.GetControlPoint(2).x, 0.506f);
    EXPECT_EQ(Brush::Find("Erase")->m_falloff.GetSamples().GetItemCount(), unsigned(General::NURBSCurve::kSampleCount));
}

TEST_F(BrushRecords, FindByTypeTakesTheFirstVisibleTool)
{
    EXPECT_EQ(Brush::FindByType(1)->m_sName, QLatin1String("Soft"));
    Brush::Find("Soft")->m_bHidden = true;
    EXPECT_EQ(Brush::FindByType(1)->m_sName, QLatin1String("Soft B"));
    EXPECT_EQ(Brush::FindByType(17)->m_sName, QLatin1String("Bulge"));
    EXPECT_EQ(Brush::FindByType(25), nullptr);
    EXPECT_EQ(Brush::Find("Nothing"), nullptr);
}

TEST_F(BrushRecords, AddingAnExistingNameOrCompletingTheTableChangesNothing)
{
    Brush *soft = Brush::Find("Soft");
    EXPECT_EQ(AddTool(0, "Soft", "other", 7, "x", 1, 1, 1, false, false, false, false), nullptr);
    CreateDefaultTools();
    ASSERT_EQ(Brush::Tools().size(), 18u);
    EXPECT_EQ(Brush::Tools()[0].get(), soft);
    EXPECT_EQ(soft->m_iType, 1);

    // A list that lost a tool gets it back at its place.
    Brush::Tools().erase(Brush::Tools().begin() + 3);
    CreateDefaultTools();
    ASSERT_EQ(Brush::Tools().size(), 18u);
    EXPECT_EQ(Brush::Tools()[3]->m_sName, QLatin1String("Smooth"));
}

TEST_F(BrushRecords, TheFixUpSetsWhatTheProgramNeedsWhateverTheSettingsHeld)
{
    // As a settings file might have left them.
    for (const auto &tool : Brush::Tools()) {
        tool->m_bFlag1 = false;
        tool->m_iDirection = 0;
        tool->m_bSmoothLayer = true;
        tool->m_sIconName = QStringLiteral("old");
    }
    FixUpTools();
    for (const auto &tool : Brush::Tools()) {
        const QString &name = tool->m_sName;
        EXPECT_EQ(tool->m_bFlag1, tool->m_iType == 1 || tool->m_iType == 17) << name.toStdString();
        const int direction = name == QLatin1String("Smear") ? 3 : tool->m_iType == 17 ? 2 : 0;
        EXPECT_EQ(tool->m_iDirection, direction) << name.toStdString();
        EXPECT_EQ(tool->m_bSmoothLayer, name != QLatin1String("Smear")) << name.toStdString();
        EXPECT_EQ(tool->m_sIconName, name == QLatin1String("Move") ? QStringLiteral("deform") : QStringLiteral("old"));
    }
}

TEST_F(BrushRecords, SharedSizesFollowEveryToolThatSharesThemPerPair)
{
    Brush &soft = *Brush::Find("Soft");
    Brush &pinch = *Brush::Find("Pinch");
    Brush &own = *Brush::Find("Flatten");
    own.m_bSharedSize = false;
    soft.SetSize(60.0f);
    EXPECT_EQ(pinch.GetSize(), 60.0f);
    EXPECT_EQ(own.GetSize(), 25.0f);

    pinch.m_bWindowSpace = true;  // pair 2 keeps its own shared size
    EXPECT_EQ(pinch.GetSize(), 25.0f);
    pinch.SetSize(8.0f);
    EXPECT_EQ(soft.GetSize(), 60.0f);
    soft.m_bWindowSpace = true;
    EXPECT_EQ(soft.GetSize(), 8.0f);

    // Strength is always the tool's own.
    pinch.SetStrength(3.0f);
    EXPECT_EQ(soft.GetStrength(), 15.0f);
    EXPECT_EQ(pinch.m_aPairs[1].strength, 3.0f);
}

TEST_F(BrushRecords, CopySettingsKeepsTypeAndDescription)
{
    Brush &smooth = *Brush::Find("Smooth");
    Brush copy("Copy", 2, "i", 0, "mine");
    copy.CopySettings(smooth);
    EXPECT_EQ(copy.m_iType, 2);
    EXPECT_EQ(copy.m_sDescription, QLatin1String("mine"));
    EXPECT_EQ(copy.m_sName, QLatin1String("Smooth"));
    EXPECT_EQ(copy.m_aPairs[0].strength, 100.0f);
    EXPECT_FALSE(copy.m_bSmoothLayer);
    // The default table names a picture by the tool's category word.
    EXPECT_EQ(smooth.IconPath(), QLatin1String("Icons/tool_sculpting.png"));
    EXPECT_EQ(copy.IconPath(), smooth.IconPath());
}

TEST_F(BrushRecords, OldVersionsReadOnlyTheirFields)
{
    // Version 13: the seven leading fields; everything else keeps the defaults.
    Brush v13("Keep", 4, "k", 2, "d");
    ASSERT_TRUE(ReadAt(13, Leading(), v13));
    EXPECT_EQ(v13.m_aPairs[0].size, 40.0f);
    EXPECT_EQ(v13.m_aPairs[0].strength, 7.0f);
    EXPECT_EQ(v13.m_aPairs[1].size, 60.0f);
    EXPECT_EQ(v13.m_aPairs[1].strength, 9.0f);
    EXPECT_TRUE(v13.m_bWindowSpace);
    EXPECT_FALSE(v13.m_bTrue2);
    EXPECT_TRUE(v13.m_bTrue1);
    EXPECT_FALSE(v13.m_bRestart);
    EXPECT_EQ(v13.m_sName, QLatin1String("Keep"));
    EXPECT_EQ(v13.m_iType, 4);
    EXPECT_EQ(Brush::s_fSharedSize[0], 25.0f);

    // Version 56: up to the hidden flag; no group, no falloff.
    Brush v56;
    ASSERT_TRUE(ReadAt(56, Leading() + Middle("Move").chopped(7), v56));
    EXPECT_TRUE(v56.m_bAfterWindow1);
    EXPECT_TRUE(v56.m_bRestart);
    EXPECT_EQ(v56.m_iStrokeSetting, 11);
    EXPECT_FALSE(v56.m_bConnect);
    EXPECT_EQ(Brush::s_fSharedSize[0], 33.0f);
    EXPECT_EQ(Brush::s_fSharedSize[1], 44.0f);
    EXPECT_EQ(v56.m_sName, QLatin1String("Move"));
    EXPECT_EQ(v56.m_sIconName, QLatin1String("deform"));  // renamed in files before 219
    EXPECT_EQ(v56.m_iType, 18);
    EXPECT_TRUE(v56.m_bBeforePairs);
    EXPECT_EQ(v56.m_fSizeMaximum, 200.0f);
    EXPECT_EQ(v56.m_fSetting2, 0.25f);
    EXPECT_TRUE(v56.m_bHidden);
    EXPECT_TRUE(v56.m_sGroup.isEmpty());
    EXPECT_EQ(v56.m_iDirection, 0);

    // Version 119: a falloff table of 5 points becomes the curve, then fields up to 94.
    Brush v100;
    ASSERT_TRUE(ReadAt(119, Leading() + Middle("Tool") + Table(5, 5) + Tail().left(4 + 4 + 1 + 4 + 2), v100));
    EXPECT_EQ(v100.m_sGroup, QLatin1String("grp"));
    EXPECT_EQ(v100.m_sIconName, QLatin1String("icon"));
    ASSERT_EQ(v100.m_falloff.GetControlPointCount(), 5);
    EXPECT_EQ(v100.m_falloff.GetControlPoint(4).x, 1.0f);
    EXPECT_EQ(v100.m_falloff.GetControlPoint(0).y, 1.0f);
    EXPECT_EQ(v100.m_iSecondSetting, 5);
    EXPECT_EQ(v100.m_iDirection, 4);
    EXPECT_FALSE(v100.m_bSmoothLayer);
    EXPECT_EQ(v100.m_iFinalSetting, 6);
    EXPECT_TRUE(v100.m_bFlag1);
    EXPECT_FALSE(v100.m_bFlag2);
    EXPECT_TRUE(v100.m_bSharedSize);  // from 120 only

    // Version 117: the table always holds 8 six-float points, whatever its count.
    QByteArray oldTable = Int(3);
    for (int i = 0; i < 8; ++i)
        oldTable += Floats({float(i), 0.5f, 0, 0, 0, 0});
    Brush v117;
    ASSERT_TRUE(ReadAt(117, Leading() + Middle("Tool") + oldTable + Tail().left(15), v117));
    ASSERT_EQ(v117.m_falloff.GetControlPointCount(), 3);
    EXPECT_EQ(v117.m_falloff.GetControlPoint(2).x, 2.0f);

    // Version 134 with every field after the table.
    Brush v134;
    ASSERT_TRUE(ReadAt(134, Leading() + Middle("Tool") + Table(4, 4) + Tail().left(4 + 4 + 1 + 4 + 2 + 1 + 2), v134));
    EXPECT_FALSE(v134.m_bSharedSize);
    EXPECT_TRUE(v134.m_bFlag4);
    EXPECT_FALSE(v134.m_bAfterFlag4);
    EXPECT_FALSE(v134.m_bSpacedDab);
}

TEST_F(BrushRecords, CurrentRecordsReadBackWhole)
{
    Brush &stamp = *Brush::Find("Stamp");
    stamp.m_bHidden = true;
    stamp.m_iSpacing = 12;
    stamp.m_bSpacedDab = true;
    stamp.m_bFlag4 = false;
    stamp.m_bAfterFlag4 = true;
    stamp.m_falloff = *Brush::Falloffs()[6];
    stamp.m_aPairs[1] = {3.0f, 4.0f};
    Brush::s_fSharedSize[1] = 77.0f;
    {
        Stream stream(Path(), true);
        ASSERT_TRUE(stamp.Serialize(stream));
    }
    Brush::s_fSharedSize[1] = 1.0f;
    Brush back;
    Stream stream(Path(), false);
    ASSERT_TRUE(back.Serialize(stream));
    EXPECT_EQ(stream.BytesLeft(), 0u);
    EXPECT_EQ(back.m_sName, QLatin1String("Stamp"));
    EXPECT_EQ(back.m_iType, 1);
    EXPECT_TRUE(back.m_bHidden);
    EXPECT_EQ(back.m_iSpacing, 12);
    EXPECT_TRUE(back.m_bSpacedDab);
    EXPECT_FALSE(back.m_bFlag4);
    EXPECT_TRUE(back.m_bAfterFlag4);
    EXPECT_EQ(back.m_aPairs[1].strength, 4.0f);
    EXPECT_EQ(back.m_sGroup, QLatin1String("sculpting"));
    EXPECT_EQ(back.m_falloff.GetControlPoint(0).y, 0.5f);
    EXPECT_EQ(Brush::s_fSharedSize[1], 77.0f);
    // The stamp image is not part of the record.
    EXPECT_TRUE(back.m_sStampImage.isEmpty());
}

TEST_F(BrushRecords, DamagedRecordsAreRefusedAndChangeNothing)
{
    const QByteArray full134 = Leading() + Middle("Tool") + Table(4, 4) + Tail().left(18);
    struct Case {
        const char *what;
        int version;
        QByteArray body;
    };
    const std::vector<Case> cases = {
        {"cut in the leading fields", 13, Leading().left(10)},
        {"cut in the name", 60, Leading() + Middle("Tool").left(40)},
        {"table count past its 64 points", 134, Leading() + Middle("Tool") + Table(65, 64) + Tail().left(18)},
        {"negative table count", 134, Leading() + Middle("Tool") + Int(-1) + Tail().left(18)},
        {"table points cut", 134, Leading() + Middle("Tool") + Table(4, 3)},
        {"cut after the table", 134, full134.chopped(1)},
        {"negative name length", 60, Leading() + Middle("Tool").left(16) + Int(-5) + Text("icon")},
        {"broken curve", 200, Leading() + Middle("Tool") + Int(3) + Text("ab")},
    };
    for (const Case &c : cases) {
        Brush brush("Keep", 4, "k", 2, "d");
        brush.m_aPairs[0].size = 5.0f;
        Brush::s_fSharedSize[0] = 25.0f;
        EXPECT_FALSE(ReadAt(c.version, c.body, brush)) << c.what;
        EXPECT_EQ(brush.m_aPairs[0].size, 5.0f) << c.what;
        EXPECT_EQ(brush.m_sName, QLatin1String("Keep")) << c.what;
        EXPECT_EQ(brush.m_iType, 4) << c.what;
        EXPECT_EQ(brush.m_falloff.GetControlPointCount(), 4) << c.what;
        EXPECT_EQ(Brush::s_fSharedSize[0], 25.0f) << c.what;
    }
}

}  // namespace
