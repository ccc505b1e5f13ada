// The "Log" window: the file written so far, read in pieces, then the lines as they come,
// from any thread, on the GUI thread and in the order of the file.
#include "GuiApplication.h"
#include "foundation/Diagnostics.h"
#include "foundation/LogFile.h"
#include "gui/dialogs/LogWindow.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

// Hands log lines to the log windows, as the program's shell does.
class LogWindowShell : public RecordingShell {
public:
    LogWindowShell() { General::InstallShell(this); }
    ~LogWindowShell() override { General::InstallShell(&Recorder()); }
    void AppendLogWindow(const QString &text) override { GUI::LogWindow::AppendEverywhere(text); }
};

class LogWindowTest : public testing::Test {
protected:
    void SetUp() override { guitest::Application(); }
    void TearDown() override
    {
        General::SetLogFile(nullptr);
        if (m_pFile)
            std::fclose(m_pFile);
    }
    // Opens `name` in the test's folder as the program's log.
    QString OpenLog(const char *name)
    {
        const QString path = m_dir.File(name);
        m_pFile = std::fopen(QFile::encodeName(path).constData(), "w");
        EXPECT_NE(m_pFile, nullptr);
        General::SetLogFile(m_pFile);
        General::SetLogFilePath(path);
        return path;
    }

    TempDir m_dir;
    std::FILE *m_pFile = nullptr;
};

// 2,500 bytes with two-byte characters across both piece boundaries: three pieces, and the
// window shows the file's text exactly.
TEST_F(LogWindowTest, TheFileIsReadInPiecesAndShownUnchanged)
{
    QByteArray bytes(2500, 'x');
    for (int i = 49; i < bytes.size(); i += 50)
        bytes[i] = '\n';
    // Characters start on the last byte of the first and of the second piece.
    bytes.replace(1023, 2, "\xc3\xa9");
    bytes.replace(2047, 2, "\xc3\xa9");
    const QString path = m_dir.File("tevrin.2.log");
    TempDir::Write(path, bytes);
    QList<qint64> pieces;
    const QString text = GUI::LogWindow::LoadLogText(path, &pieces);
    EXPECT_EQ(pieces, (QList<qint64>{1024, 1024, 452}));
    EXPECT_EQ(text, QString::fromUtf8(bytes));
    EXPECT_TRUE(GUI::LogWindow::LoadLogText(m_dir.File("missing.log")).isEmpty());
}

// The window opens the file the log is written to, whatever its suffix.
TEST_F(LogWindowTest, ShowsTheFileActuallyWrittenThenEveryNewLine)
{
    LogWindowShell shell;
    OpenLog("tevrin.3.log");
    Log("before the window\n");
    auto window = std::make_unique<GUI::LogWindow>(nullptr, "Log");
    window->show();
    EXPECT_EQ(window->GetText(), QStringLiteral("before the window\n"));
    EXPECT_EQ(window->objectName(), QStringLiteral("log"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Log"));
    Log("one %d\n", 1);
    Log("two\n");
    EXPECT_EQ(window->GetText(), QStringLiteral("before the window\none 1\ntwo\n"));
    // A shut window skips lines; a closed one hears none until it is shown again.
    window->setEnabled(false);
    Log("skipped\n");
    window->setEnabled(true);
    window->close();
    EXPECT_FALSE(window->IsLinked());
    Log("while closed\n");
    window->show();
    EXPECT_TRUE(window->IsLinked());
    Log("shown again\n");
    EXPECT_EQ(window->GetText(), QStringLiteral("before the window\none 1\ntwo\nshown again\n"));
}

TEST_F(LogWindowTest, WithoutAFileTheWindowStartsEmpty)
{
    General::SetLogFile(nullptr);
    GUI::LogWindow window(nullptr, "Log");
    EXPECT_TRUE(window.GetText().isEmpty());
    GUI::LogWindow::AppendEverywhere(QStringLiteral("x\n"));
    EXPECT_EQ(window.GetText(), QStringLiteral("x\n"));
}

// Workers and the GUI thread log at once; once the events are processed the window holds
// exactly the file's text, so every line arrived whole and in order.
TEST_F(LogWindowTest, LinesFromWorkersArriveInTheFilesOrder)
{
    LogWindowShell shell;
    const QString path = OpenLog("tevrin.log");
    GUI::LogWindow window(nullptr, "Log");
    window.show();
    constexpr int kThreads = 4, kLines = 300;
    std::atomic<bool> go = false;
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t)
        workers.emplace_back([&, t] {
            while (!go)
                std::this_thread::yield();
            for (int i = 0; i < kLines; ++i)
                Log("worker %d line %d\n", t, i);
        });
    go = true;
    for (int i = 0; i < 100; ++i) {
        Log("gui line %d\n", i);
        if (i % 7 == 0)
            QCoreApplication::processEvents();
    }
    for (std::thread &worker : workers)
        worker.join();
    QCoreApplication::processEvents();
    std::fflush(m_pFile);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString written = QString::fromUtf8(file.readAll());
    EXPECT_EQ(written.count(QLatin1Char('\n')), kThreads * kLines + 100);
    EXPECT_EQ(window.GetText(), written);
}

TEST_F(LogWindowTest, AFloatedWindowStandsAt600By600)
{
    QWidget main;
    auto *window = new GUI::LogWindow(&main, "Log");
    window->MakeFloating();
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->pos(), QPoint(600, 600));
    EXPECT_EQ(window->size(), QSize(400, 140));
}

}  // namespace
