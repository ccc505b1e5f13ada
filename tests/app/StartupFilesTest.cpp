// The instance check, the program's temporary files, the log file and the crash logs.
#include "app/startup/InstanceLock.h"
#include "app/startup/LeftoverTempFiles.h"
#include "app/startup/RunLog.h"
#include "foundation/Diagnostics.h"
#include "foundation/Globals.h"
#include "foundation/TempFileNames.h"
#include "support/RecordingShell.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utime.h>

namespace {

void Touch(const QString &path, const QByteArray &content = QByteArray(), time_t when = 0)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
    file.write(content);
    file.close();
    if (when) {
        const utimbuf times{when, when};
        ASSERT_EQ(::utime(QFile::encodeName(path).constData(), &times), 0);
    }
}

// The id of a process that has ended.
long long GoneProcessId()
{
    QProcess process;
    process.start(QStringLiteral("true"), {});
    process.waitForFinished();
    return process.processId() ? process.processId() : 4194305;
}

QString Ownpid() { return QString::number(QCoreApplication::applicationPid()); }

}  // namespace

TEST(InstanceLock, ASecondCopyGetsItsProcessIdAsSuffixUntilTheFirstEnds)
{
    QTemporaryDir dir;
    auto first = std::make_unique<InstanceLock>(dir.path());
    EXPECT_TRUE(first->IsFirstCopy());
    EXPECT_EQ(first->Suffix(), QString());
    {
        InstanceLock second(dir.path());
        EXPECT_FALSE(second.IsFirstCopy());
        EXPECT_EQ(second.Suffix(), QLatin1Char('.') + Ownpid());
        EXPECT_EQ(RunLog::LogFilePath(QStringLiteral("/logs"), second.Suffix()),
                  QStringLiteral("/logs/tevrin.%1.log").arg(Ownpid()));
    }
    first.reset();
    EXPECT_TRUE(InstanceLock(dir.path()).IsFirstCopy());
}

TEST(InstanceLock, ALockLeftByACrashedCopyDoesNotCount)
{
    QTemporaryDir dir;
    Touch(dir.filePath(QStringLiteral("tevrin.lock")),
          QByteArray::number(GoneProcessId()) + "\ntevrin\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    EXPECT_TRUE(InstanceLock(dir.path()).IsFirstCopy());
}

TEST(TempFiles, TheProgramsOwnFilesAreToldByNameAndSuffix)
{
    const struct {
        const char *name;
        bool ours;
        long long pid;
    } cases[] = {
        {"undo.tmp", true, 0},          {"redo.4711.tmp", true, 4711},  {"tempL.tmp", true, 0},
        {"tempH.12.tmp", true, 12},     {"tmp3v.tmp", true, 0},         {"tmp3_1fi.99.tmp", true, 99},
        {"tmp17vm.tmp", true, 0},       {"tmp.aB3dE9", true, 0},        {"tmp.123.aB3dE9", true, 123},
        {"tmp.123456", true, 0},        {"tevload.xY12zz", true, 0},    {"tevload.7.xY12zz", true, 7},
        {"notes.tmp", false, 0},        {"undo.tmp.bak", false, 0},     {"tmp3.tmp", false, 0},
        {"undo.x1.tmp", false, 0},      {"tmp.abc", false, 0},          {"mytmp.aB3dE9", false, 0},
        {"crash_x.log", false, 0},      {"tevrin.lock", false, 0},
    };
    for (const auto &c : cases) {
        long long pid = -1;
        EXPECT_EQ(ParseOwnTempFile(QLatin1String(c.name), pid), c.ours) << c.name;
        if (c.ours)
            EXPECT_EQ(pid, c.pid) << c.name;
    }
    // The unique files the program makes are its own, with the suffix of the copy.
    QTemporaryDir dir;
    Recorder().tempFolder = dir.path();
    for (const QString &suffix : {QString(), QStringLiteral(".4711")}) {
        General::InstanceSuffix() = suffix;
        for (const QString &prefix : {QStringLiteral("tmp"), QStringLiteral("tevload")}) {
            const QString file = General::NewTempFile(prefix);
            ASSERT_FALSE(file.isEmpty());
            long long pid = -1;
            EXPECT_TRUE(ParseOwnTempFile(QFileInfo(file).fileName(), pid)) << qPrintable(file);
            EXPECT_EQ(pid, suffix.isEmpty() ? 0 : 4711) << qPrintable(file);
        }
    }
    General::InstanceSuffix().clear();
    Recorder().tempFolder.clear();
}

class CrashLogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(m_cDir.path()).mkpath(QStringLiteral("Logs")));
        ASSERT_TRUE(QDir(m_cDir.path()).mkpath(QStringLiteral("Temp")));
        Touch(Log(QStringLiteral("tevrin.log")), "last run\n");
    }
    void CrashLogsOfDays(int count)
    {
        for (int i = 0; i < count; ++i)
            Touch(Log(QStringLiteral("crash_day%1.log").arg(i)), QByteArray(), 1000000000 + 86400 * i);
    }
    QStringList CrashLogList() const
    {
        return QDir(Log(QString())).entryList({QStringLiteral("crash*.log")}, QDir::Files, QDir::Name);
    }
    QString Log(const QString &name) const { return m_cDir.filePath(QStringLiteral("Logs/") + name); }
    QString Temp(const QString &name) const { return m_cDir.filePath(QStringLiteral("Temp/") + name); }
    bool Check() const
    {
        return RunLog::CheckCrashLogs(Log(QString()).chopped(1), Temp(QString()).chopped(1),
                                      QDateTime(QDate(2026, 12, 7), QTime(20, 51, 7)));
    }

    QTemporaryDir m_cDir;
};

TEST_F(CrashLogs, FiveCrashLogsAndALeftoverFileKeepFiveAndRemoveOnlyWhatNoRunningCopyOwns)
{
    CrashLogsOfDays(5);
    const QString gone = QString::number(GoneProcessId());
    for (const QString &name : {QStringLiteral("undo.tmp"), QStringLiteral("tmp4v.tmp"), QStringLiteral("tmp.aB3dE9"),
                                QStringLiteral("redo.%1.tmp").arg(gone), QStringLiteral("undo.%1.tmp").arg(Ownpid()),
                                QStringLiteral("notes.tmp"), QStringLiteral("tevrin.lock")})
        Touch(Temp(name));
    EXPECT_TRUE(Check());
    const QStringList logs = CrashLogList();
    EXPECT_EQ(logs.size(), 5) << qPrintable(logs.join(' '));
    EXPECT_FALSE(logs.contains(QStringLiteral("crash_day0.log")));
    ASSERT_TRUE(logs.contains(QStringLiteral("crash_Mon Dec 7 2026_20_51_07.log"))) << qPrintable(logs.join(' '));
    QFile renamed(Log(QStringLiteral("crash_Mon Dec 7 2026_20_51_07.log")));
    ASSERT_TRUE(renamed.open(QIODevice::ReadOnly));
    EXPECT_EQ(renamed.readAll(), QByteArray("last run\n"));
    EXPECT_FALSE(QFile::exists(Log(QStringLiteral("tevrin.log"))));
    const QStringList left = QDir(Temp(QString())).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(left, QStringList({QStringLiteral("notes.tmp"), QStringLiteral("tevrin.lock"),
                                 QStringLiteral("undo.%1.tmp").arg(Ownpid())}));
}

TEST_F(CrashLogs, FourCrashLogsAreAllKept)
{
    CrashLogsOfDays(4);
    Touch(Temp(QStringLiteral("redo.tmp")));
    EXPECT_TRUE(Check());
    EXPECT_EQ(CrashLogList().size(), 5);
}

TEST_F(CrashLogs, WithoutLeftoversOfTheFirstCopyNoCrashLogIsMade)
{
    CrashLogsOfDays(5);
    const QString orphan = QStringLiteral("undo.%1.tmp").arg(GoneProcessId());
    Touch(Temp(orphan));
    Touch(Temp(QStringLiteral("other.tmp")));
    EXPECT_FALSE(Check());
    EXPECT_EQ(CrashLogList().size(), 5);
    EXPECT_TRUE(QFile::exists(Log(QStringLiteral("tevrin.log"))));
    EXPECT_FALSE(QFile::exists(Temp(orphan)));
    EXPECT_TRUE(QFile::exists(Temp(QStringLiteral("other.tmp"))));
}

TEST_F(CrashLogs, TheLogFileIsRewrittenAndTakesTheLog)
{
    ASSERT_TRUE(RunLog::OpenLogFile(Log(QString()).chopped(1), QStringLiteral(".77")));
    ::Log("one line\n");
    RunLog::CloseLogFile();
    ::Log("after closing\n");
    QFile file(Log(QStringLiteral("tevrin.77.log")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("one line\n"));
    // A folder that cannot take the file leaves the program without a log file.
    EXPECT_FALSE(RunLog::OpenLogFile(m_cDir.filePath(QStringLiteral("missing")), QString()));
    EXPECT_EQ(General::GetLogFile(), nullptr);
}
