#include "app/window/DefaultTrays.h"
#include "foundation/Globals.h"
#include "gui/trays/MTray.h"
#include "gui/trays/TrayFile.h"
#include "gui/trays/TrayItem.h"
#include "scene/Brush.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

QStringList Names(const GUI::MTray &tray)
{
    QStringList names;
    for (const GUI::TrayItem *item : tray.GetItems())
        names << item->GetName();
    return names;
}

QStringList ToolNames(int from, int to)
{
    QStringList names;
    for (int i = from; i <= to; ++i)
        names << Brush::Tools()[size_t(i)]->m_sName;
    return names;
}

class DefaultTraysTest : public testing::Test {
protected:
    void SetUp() override
    {
        GUI::InitTrayItemTypes();
        CreateDefaultFalloffs();
        Brush::Tools().clear();
        CreateDefaultTools();
        m_sOld = General::TraysFolder();
        General::TraysFolder() = m_dir.Path();
    }
    void TearDown() override { General::TraysFolder() = m_sOld; }

    void WriteTray(const char *name, const QByteArray &text)
    {
        QDir().mkpath(m_dir.Path() + QStringLiteral("/trays"));
        TempDir::Write(GUI::TrayFilePath(m_dir.Path(), QString::fromLatin1(name)), text);
    }

    TempDir m_dir;
    QString m_sOld;
};

TEST_F(DefaultTraysTest, AFirstRunFillsEveryTray)
{
    ASSERT_EQ(Brush::Falloffs().size(), 8u);
    ASSERT_EQ(Brush::Tools().size(), 18u);
    TempDir stamps;
    for (const char *file : {"a.png", "b.jpg", "c.tif"})
        TempDir::Write(stamps.File(file), "x");

    GUI::MTray falloff(nullptr, QStringLiteral("Falloff"));
    DefaultTrays::FillFalloffs(falloff);
    EXPECT_EQ(Names(falloff), QStringList({"0", "1", "2", "3", "4", "5", "6", "7"}));
    EXPECT_EQ(falloff.GetItems()[7]->GetLabel(), QStringLiteral("7"));

    GUI::MTray stamp(nullptr, QStringLiteral("Stamp"));
    DefaultTrays::FillImages(stamp, QStringLiteral("Stamp"), stamps.Path());
    ASSERT_EQ(Names(stamp).size(), 4);
    EXPECT_EQ(Names(stamp)[0], QStringLiteral("OFF"));
    EXPECT_EQ(stamp.GetItems()[0]->GetIcon(), QStringLiteral("Icons/Off.png"));
    EXPECT_EQ(stamp.GetItems()[1]->GetType(), QStringLiteral("Stamp"));
    EXPECT_EQ(Names(stamp)[1], stamps.File("a.png"));

    GUI::MTray stencil(nullptr, QStringLiteral("Stencil"));
    DefaultTrays::FillImages(stencil, QStringLiteral("Stencil"), stamps.File("missing"));
    EXPECT_EQ(Names(stencil), QStringList({"OFF"}));

    GUI::MTray mine(nullptr, QStringLiteral("My Tools"));
    DefaultTrays::FillMyTools(mine);
    EXPECT_EQ(Names(mine), ToolNames(0, 17));
    EXPECT_EQ(mine.GetItems()[0]->GetIcon(), QStringLiteral("Icons/tool_sculpting.png"));
    EXPECT_EQ(mine.GetItems()[0]->GetExtra(), QStringLiteral("Standard pull/push brush"));

    const struct {
        const char *tray;
        QStringList icons;
        int from, to;
    } categories[] = {{"Sculpting Tools", {"sculpting", "deform"}, 0, 9},
                      {"Selection Tools", {"selection", "transform"}, 10, 14},
                      {"Value Paint Tools", {"propPaint"}, 15, 17}};
    for (const auto &c : categories) {
        GUI::MTray tray(nullptr, QString::fromLatin1(c.tray));
        DefaultTrays::FillCategory(tray, c.icons);
        EXPECT_EQ(Names(tray), ToolNames(c.from, c.to)) << c.tray;
    }
}

TEST_F(DefaultTraysTest, LaterRunsOnlyAddWhatATrayMustHold)
{
    WriteTray("My Tools", "Tool;Soft;;Soft\nTool;Scratch;;Scratch\nTool;Smooth;;Smooth\nTool;Pinch;;Pinch\n"
                          "Tool;Bulge;;Bulge\nTool;Mask;;Mask\nTool;Soft B;;Soft B\nTool;Stamp;;Stamp\n"
                          "Tool;Erase;;Erase\nTool;Smear;;Smear\nTool;Translate;;Translate\nTool;Rotate;;Rotate\n"
                          "Tool;Scale;;Scale\n");
    WriteTray("Falloff", "Falloff;0;;0\nFalloff;1;;1\nFalloff;2;;2\nFalloff;3;;3\nFalloff;4;;4\nFalloff;5;;5\n");
    WriteTray("Stamp", "Stamp;/x/ring.png;/x/ring.png;\n");
    WriteTray("Sculpting Tools", "Tool;Pinch;;Pinch\n");

    GUI::MTray mine(nullptr, QStringLiteral("My Tools"));
    DefaultTrays::FillMyTools(mine);
    ASSERT_EQ(Names(mine).size(), 14);
    EXPECT_EQ(Names(mine)[5], QStringLiteral("Flatten"));
    const QStringList before = Names(mine);
    DefaultTrays::FillMyTools(mine);
    EXPECT_EQ(Names(mine), before) << "a tray with every listed tool is left alone";

    GUI::MTray falloff(nullptr, QStringLiteral("Falloff"));
    DefaultTrays::FillFalloffs(falloff);
    EXPECT_EQ(Names(falloff), QStringList({"0", "1", "2", "3", "4", "5", "6", "7"}));

    GUI::MTray stamp(nullptr, QStringLiteral("Stamp"));
    DefaultTrays::FillImages(stamp, QStringLiteral("Stamp"), m_dir.Path());
    EXPECT_EQ(Names(stamp), QStringList({"OFF", "/x/ring.png"}));

    GUI::MTray sculpting(nullptr, QStringLiteral("Sculpting Tools"));
    DefaultTrays::FillCategory(sculpting, {QStringLiteral("sculpting")});
    EXPECT_EQ(Names(sculpting), QStringList({"Pinch"}));
}

TEST_F(DefaultTraysTest, UserTraysComeFromTheTrayFilesButNotTheBuiltInOnes)
{
    WriteTray("Falloff", "");
    WriteTray("Camera Bookmark", "");
    WriteTray("Mine", "");
    TempDir::Write(m_dir.Path() + QStringLiteral("/trays/My Tools.txt.bak"), "");
    TempDir::Write(m_dir.Path() + QStringLiteral("/trays/Mine.old"), "");
    EXPECT_EQ(DefaultTrays::ExtraTrayNames(m_dir.Path()), QStringList({"Camera Bookmark", "Mine"}));
    EXPECT_TRUE(DefaultTrays::ExtraTrayNames(m_dir.File("nowhere")).isEmpty());
}

}  // namespace
