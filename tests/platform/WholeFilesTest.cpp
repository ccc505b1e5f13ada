#include "platform/TempFiles.h"
#include "platform/WholeFiles.h"

#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

QByteArray Name(const QString &path) { return QFile::encodeName(path); }

mode_t ModeOf(const QString &path)
{
    struct stat info {};
    return ::lstat(Name(path).constData(), &info) == 0 ? info.st_mode : 0;
}

// Only the files a test made itself: no temporary may be left beside them.
QStringList Entries(const TempDir &dir)
{
    return QDir(dir.Path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                      QDir::Name);
}

}  // namespace

TEST(WholeFiles, SaveReplacesALinksRegularTargetAndRefusesEverythingElse)
{
    struct Case {
        const char *what;
        std::function<bool(const TempDir &, const QString &)> make;  // makes "thing"; false: not here
        bool saved;
    };
    const std::vector<Case> cases = {
        {"regular file", [](const TempDir &, const QString &t) { TempDir::Write(t, "old"); return true; }, true},
        {"FIFO", [](const TempDir &, const QString &t) { return ::mkfifo(Name(t).constData(), 0666) == 0; }, false},
        {"folder", [](const TempDir &, const QString &t) { return QDir().mkdir(t); }, false},
        // A device node of our own, never a system one: as root a faulty save replaced it.
        {"device",
         [](const TempDir &, const QString &t) {
             return ::mknod(Name(t).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;
         },
         false},
        {"nothing (a link that leads nowhere)", [](const TempDir &, const QString &) { return true; }, false},
    };
    for (const Case &c : cases) {
        for (const bool throughLink : {true, false}) {
            SCOPED_TRACE(std::string(c.what) + (throughLink ? " through a link" : ""));
            TempDir dir;
            const QString thing = dir.File("thing");
            const QString path = throughLink ? dir.File("hotkeys.txt") : thing;
            if (!c.make(dir, thing)) {
                std::printf("skipped: cannot make a %s here\n", c.what);
                continue;
            }
            if (throughLink)
                ASSERT_TRUE(QFile::link(thing, path));
            else if (!QFileInfo::exists(thing) && !c.saved)
                continue;  // a plain new name is simply written
            const mode_t before = ModeOf(thing);
            const QStringList entries = Entries(dir);
            QString error;
            EXPECT_EQ(SaveWholeFile(path, QByteArray("new\n"), &error), c.saved);
            EXPECT_EQ(error.isEmpty(), c.saved) << error.toStdString();
            if (c.saved) {
                EXPECT_EQ(TempDir::Read(thing), "new\n");
                EXPECT_EQ(QFileInfo(path).isSymLink(), throughLink) << "the link stays a link";
            } else {
                EXPECT_EQ(ModeOf(thing), before) << "the refused thing is as it was";
            }
            EXPECT_EQ(Entries(dir), entries) << "no temporary file is left";
        }
    }
}

TEST(WholeFiles, PermissionsComeFromARegularFileOrTheUmask)
{
    TempDir dir;
    const QString kept = dir.File("kept");
    TempDir::Write(kept, "old");
    ASSERT_EQ(::chmod(Name(kept).constData(), 0640), 0);
    ASSERT_TRUE(SaveWholeFile(kept, QByteArray("new")));
    EXPECT_EQ(ModeOf(kept) & 07777, mode_t(0640));

    const mode_t mask = ::umask(027);
    const QString fresh = dir.File("fresh");
    const bool saved = SaveWholeFile(fresh, QByteArray("new"));
    ::umask(mask);
    ASSERT_TRUE(saved);
    EXPECT_EQ(ModeOf(fresh) & 07777, mode_t(0640));
}

TEST(WholeFiles, AFailedWriteKeepsTheOldFileAndSaysSo)
{
    TempDir dir;
    const QString path = dir.File("hotkeys.txt");
    TempDir::Write(path, "Save scene: 83\n");
    const QStringList entries = Entries(dir);
    QString error;
    {
        const FileSizeLimit full(16);
        EXPECT_FALSE(SaveWholeFile(path, QByteArray(4096, 'x'), &error));
    }
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(TempDir::Read(path), "Save scene: 83\n");
    EXPECT_EQ(Entries(dir), entries);
    // A writer that reports a failure is treated the same.
    EXPECT_FALSE(SaveWholeFile(path, [](const QString &) { return false; }));
    EXPECT_EQ(TempDir::Read(path), "Save scene: 83\n");
    EXPECT_EQ(Entries(dir), entries);
}

TEST(WholeFiles, LeftoversOfKilledSavesGoAtTheNextSave)
{
    TempDir dir;
    const QString path = dir.File("recent.sav");
    // A process id no process has (beyond the kernel's largest), ours, and libzip's own
    // temporary made beside one of ours.
    const QString dead = dir.File(".recent.sav.2147483000.AbC123");
    const QString deadZip = dir.File(".recent.sav.2147483000.AbC123.xYz789");
    const QString running = dir.File(".recent.sav.%1.QwE456").arg(::getpid());
    const QString foreign = dir.File(".recent.sav.notours");
    for (const QString &file : {dead, deadZip, running, foreign})
        TempDir::Write(file, "partial");
    ASSERT_TRUE(SaveWholeFile(path, QByteArray("list")));
    EXPECT_FALSE(QFileInfo::exists(dead));
    EXPECT_FALSE(QFileInfo::exists(deadZip));
    EXPECT_TRUE(QFileInfo::exists(running));
    EXPECT_TRUE(QFileInfo::exists(foreign));
}

TEST(WholeFiles, ReadTakesOnlyRegularFilesWithinTheBounds)
{
    TempDir dir;
    const QString fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(Name(fifo).constData(), 0666), 0);
    const QString sparse = dir.File("sparse");
    TempDir::Write(sparse, "");
    ASSERT_EQ(::truncate(Name(sparse).constData(), 2LL << 30), 0);  // 2 GB, no blocks
    const QString longLine = dir.File("long");
    TempDir::Write(longLine, "a: 1\n" + QByteArray(200, 'x') + "\nb: 2\n");
    const QString fine = dir.File("fine");
    TempDir::Write(fine, "a: 1\r\nb: 2");
    const QString linkToFifo = dir.File("link");
    ASSERT_TRUE(QFile::link(fifo, linkToFifo));
    const QString linkToNothing = dir.File("dangling");
    ASSERT_TRUE(QFile::link(dir.File("gone"), linkToNothing));

    const struct {
        QString path;
        SmallFile::Outcome outcome;
    } cases[] = {
        {dir.File("missing"), SmallFile::Missing}, {fifo, SmallFile::Refused},
        {linkToFifo, SmallFile::Refused},         {dir.Path(), SmallFile::Refused},
        {QStringLiteral("/dev/zero"), SmallFile::Refused}, {sparse, SmallFile::Refused},
        {longLine, SmallFile::Refused},            {fine, SmallFile::Read},
        {linkToNothing, SmallFile::Refused},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const SmallFile file = ReadSmallFile(c.path, 1024, 100);
        EXPECT_EQ(file.outcome, c.outcome);
        EXPECT_EQ(file.error.isEmpty(), c.outcome != SmallFile::Refused);
        if (c.outcome == SmallFile::Refused)
            EXPECT_TRUE(file.error.contains(c.path)) << "the message names the file";
        EXPECT_EQ(file.bytes.isEmpty(), c.outcome != SmallFile::Read);
    }
    EXPECT_EQ(ReadSmallFile(fine, 1024, 100).bytes, "a: 1\r\nb: 2");
    EXPECT_EQ(ReadSmallFile(fine, 10).outcome, SmallFile::Read) << "exactly at the size bound";
    EXPECT_EQ(ReadSmallFile(fine, 9).outcome, SmallFile::Refused) << "one byte past the size bound";
    EXPECT_EQ(ReadSmallFile(longLine, 1024).outcome, SmallFile::Read) << "no line bound asked for";
}
