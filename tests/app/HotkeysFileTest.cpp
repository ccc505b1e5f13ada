// "hotkeys.txt" against a live handler table: lines that apply, lines that are ignored
// (logged once for the file, never shown), and a round trip of every default binding.
#include "app/settings/HotkeysFile.h"
#include "interaction/Interface.h"
#include "scene/Scene.h"
#include "support/FileSizeLimit.h"
#include "support/RecordingShell.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class HotkeysFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        Recorder().tempFolder = m_temp.path();
        m_scene = std::make_unique<Scene>();
        m_interface = std::make_unique<Interface>();
    }
    void TearDown() override
    {
        m_interface.reset();
        m_scene.reset();
    }

    EventHandler &Table() { return m_interface->m_cEventHandler; }
    uint32_t Code(const char *name) { return Table().FindHandlerByName(name)->m_iKey; }
    QString Path() const { return m_temp.filePath(QStringLiteral("hotkeys.txt")); }
    void WriteText(const QByteArray &text)
    {
        QFile file(Path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QTemporaryDir m_temp;
    std::unique_ptr<Scene> m_scene;
    std::unique_ptr<Interface> m_interface;
};

TEST_F(HotkeysFileTest, LinesApplyOrAreIgnoredOneByOne)
{
    const uint32_t saveDefault = Code("Save scene");
    struct Case {
        const char *line;
        bool applies;
        uint32_t code;  // of "Save scene" afterwards
    };
    const Case cases[] = {
        {"Save scene: 83", true, 83},
        {"Save scene:83   ", true, 83},          // value trimmed
        {"Save scene: -1", true, 0xffffffff},    // signed decimal
        {"save scene: 83", false, saveDefault},  // names are case-sensitive
        {" Save scene: 83", false, saveDefault}, // and not trimmed
        {"Save scene: 0x53", false, saveDefault},
        {"Save scene: 8:3", false, saveDefault}, // split at the first colon
        {"Save scene 83", false, saveDefault},
        {"No such command: 83", false, saveDefault},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        Table().FindHandlerByName("Save scene")->m_iKey = saveDefault;
        Recorder().Clear();
        // Beside a line that applies: a file of no such line is no hotkeys file.
        WriteText(QByteArray(c.line) + "\n\nBulge brush: 7\n");
        const HotkeysFile::ReadResult result = HotkeysFile::Read(Table(), Path());
        EXPECT_TRUE(result.opened);
        EXPECT_EQ(result.applied, c.applies ? 2 : 1);
        EXPECT_EQ(result.ignored, c.applies ? 0 : 1);
        EXPECT_EQ(Code("Save scene"), c.code);
        // Never a message box; one log line for a file with ignored lines.
        EXPECT_TRUE(Recorder().messages.isEmpty());
        EXPECT_TRUE(Recorder().boxes.isEmpty());
        EXPECT_EQ(Recorder().log.count(QStringLiteral("ignored")), c.applies ? 0 : 1);
    }
}

// Bytes no person or program writes as hotkeys: nothing of them is applied, and the reader
// says so (the window keeps the file aside and tells the user).
TEST_F(HotkeysFileTest, NoiseSetsNoCodeAndIsRefused)
{
    const QByteArray before = HotkeysFile::Compose(Table());
    const struct {
        const char *what;
        QByteArray bytes;
    } cases[] = {
        {"a NUL byte", QByteArray("Save scene: 83\n\0\n", 17)},
        {"not UTF-8", QByteArray("Save scene: 83\n\xff\xfe\n")},
        {"no line that parses", QByteArray("\x01\x02 noise\n=== 12\n")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        WriteText(c.bytes);
        const HotkeysFile::ReadResult result = HotkeysFile::Read(Table(), Path());
        EXPECT_TRUE(result.notHotkeys);
        EXPECT_TRUE(result.refusal.contains(Path()));
        EXPECT_EQ(HotkeysFile::Compose(Table()), before);
    }
}

TEST_F(HotkeysFileTest, AMissingFileChangesNothing)
{
    const QByteArray before = HotkeysFile::Compose(Table());
    EXPECT_FALSE(HotkeysFile::Read(Table(), m_temp.filePath(QStringLiteral("none.txt"))).opened);
    EXPECT_EQ(HotkeysFile::Compose(Table()), before);
}

TEST_F(HotkeysFileTest, EveryDefaultBindingRoundTripsByteForByte)
{
    ASSERT_TRUE(HotkeysFile::Write(Table(), Path()));
    QFile written(Path());
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray first = written.readAll();
    written.close();
    // Lines in the table's order, one per handler.
    EXPECT_EQ(first.count('\n'), qsizetype(Table().GetHandlerCount()));
    EXPECT_TRUE(first.contains("\nSave scene: 262227\n"));
    EXPECT_TRUE(first.startsWith("Bulge brush: 0\n"));

    // A fresh table with every code scrambled reads the file back to the same bytes.
    for (unsigned i = 0; i < Table().GetHandlerCount(); ++i)
        Table().GetHandler(i).m_iKey = 12345;
    const HotkeysFile::ReadResult result = HotkeysFile::Read(Table(), Path());
    EXPECT_EQ(result.ignored, 0);
    EXPECT_EQ(HotkeysFile::Compose(Table()), first);
    ASSERT_TRUE(HotkeysFile::Write(Table(), Path()));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), first);
}

TEST_F(HotkeysFileTest, AnUnwritableFolderLeavesTheOldFile)
{
    WriteText("Save scene: 83\n");
    const QString folder = m_temp.filePath(QStringLiteral("locked"));
    EXPECT_FALSE(HotkeysFile::Write(Table(), folder + QStringLiteral("/missing/hotkeys.txt")));
    QFile kept(Path());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("Save scene: 83\n"));
}

TEST_F(HotkeysFileTest, WhatIsNoRegularFileWithinTheBoundsIsNotReadAndLogged)
{
    const uint32_t before = Code("Save scene");
    // A FIFO with no writer, a 2 GB file of no blocks, one 100 kB line.
    const auto fifo = [this] { return ::mkfifo(QFile::encodeName(Path()).constData(), 0666) == 0; };
    const auto sparse = [this] {
        WriteText("Save scene: 83\n");
        return ::truncate(QFile::encodeName(Path()).constData(), 2LL << 30) == 0;
    };
    const auto longLine = [this] {
        WriteText("Save scene: 83\n" + QByteArray(100000, ' ') + "\n");
        return true;
    };
    for (const std::function<bool()> &make : {std::function<bool()>(fifo), std::function<bool()>(sparse),
                                              std::function<bool()>(longLine)}) {
        QFile::remove(Path());
        ASSERT_TRUE(make());
        Recorder().Clear();
        const HotkeysFile::ReadResult result = HotkeysFile::Read(Table(), Path());
        EXPECT_FALSE(result.opened);
        EXPECT_TRUE(result.refusal.contains(Path()));
        EXPECT_TRUE(Recorder().LogContains(Path()));
        EXPECT_EQ(Code("Save scene"), before);
    }
}

TEST_F(HotkeysFileTest, AFullDiskKeepsTheOldFileAndIsLogged)
{
    WriteText("Save scene: 83\n");
    Recorder().Clear();
    {
        const FileSizeLimit full(8);
        EXPECT_FALSE(HotkeysFile::Write(Table(), Path()));
    }
    QFile kept(Path());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("Save scene: 83\n"));
    EXPECT_TRUE(Recorder().LogContains(Path()));
}

TEST_F(HotkeysFileTest, AWriteFollowsALinkToARegularFileAndRefusesAFifo)
{
    const QString target = m_temp.filePath(QStringLiteral("real.txt"));
    QFile::remove(Path());
    ASSERT_TRUE(QFile::link(target, Path()));
    WriteText("old\n");
    ASSERT_TRUE(HotkeysFile::Write(Table(), Path()));
    EXPECT_TRUE(QFileInfo(Path()).isSymLink());
    QFile real(target);
    ASSERT_TRUE(real.open(QIODevice::ReadOnly));
    EXPECT_EQ(real.readAll(), HotkeysFile::Compose(Table()));

    QFile::remove(target);
    ASSERT_EQ(::mkfifo(QFile::encodeName(target).constData(), 0666), 0);
    EXPECT_FALSE(HotkeysFile::Write(Table(), Path()));
    EXPECT_TRUE(QFileInfo(target).exists() && !QFileInfo(target).isFile()) << "the FIFO stays";
    EXPECT_TRUE(QFileInfo(Path()).isSymLink());
}

}  // namespace
