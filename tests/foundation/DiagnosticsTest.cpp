#include "foundation/Diagnostics.h"
#include "foundation/Timer.h"
#include "support/RecordingShell.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

TEST(Assertions, ReportToTheLogAndReturnFalse)
{
    Recorder().ExpectAssertionFailures();
    EXPECT_FALSE(AssertFailed("Containers.h", 428, "m_pThis == this", nullptr));
    EXPECT_EQ(Recorder().log, "Assertion failed in Containers.h line 428\nThe expression m_pThis == this is false.\n");
    Recorder().Clear();
    EXPECT_FALSE(TV_CHECK(1 + 1 == 3));
    EXPECT_TRUE(Recorder().LogContains("The expression 1 + 1 == 3 is false."));
    EXPECT_TRUE(TV_CHECK(true));
}

TEST(LogFile, LongLinesAreWrittenWholeAndFlushed)
{
    std::FILE *file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    General::SetLogFile(file);
    const std::string text(5000, 'x');
    Log("start %s end %d\n", text.c_str(), 42);
    General::SetLogFile(nullptr);
    Log("dropped while no file is open\n");

    std::rewind(file);
    std::string written(6000, '\0');
    written.resize(std::fread(written.data(), 1, written.size(), file));
    std::fclose(file);
    EXPECT_EQ(written, "start " + text + " end 42\n");
    EXPECT_TRUE(Recorder().LogContains("dropped while no file is open"));
}

namespace {
// Notes which thread each log-window line arrived on.
class ThreadNotingShell : public General::ShellServices {
public:
    void AppendLogWindow(const QString &text) override
    {
        lines << text;
        threads.insert(QThread::currentThread());
    }
    QStringList lines;
    std::set<QThread *> threads;
};
}  // namespace

TEST(LogFile, WorkersLogWholeLinesAndTheWindowGetsThemOnTheGuiThread)
{
    int argc = 1;
    char name[] = "diagnostics";
    char *argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    ThreadNotingShell shell;
    General::InstallShell(&shell);
    std::FILE *file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    General::SetLogFile(file);

    constexpr int kThreads = 4, kLines = 200;
    const std::string filler(300, 'w');
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t)
        workers.emplace_back([&, t] {
            for (int i = 0; i < kLines; ++i)
                Log("worker %d line %d %s\n", t, i, filler.c_str());
        });
    Log("from the gui thread\n");
    for (std::thread &worker : workers)
        worker.join();
    General::SetLogFile(nullptr);
    // Nothing reaches the window from a worker until the GUI thread's event loop runs.
    EXPECT_EQ(shell.lines, QStringList{"from the gui thread\n"});
    QCoreApplication::processEvents();
    General::InstallShell(&Recorder());

    EXPECT_EQ(shell.lines.size(), kThreads * kLines + 1);
    EXPECT_EQ(shell.threads, std::set<QThread *>{application.thread()});
    std::rewind(file);
    std::vector<std::set<int>> seen(kThreads);
    char line[1024];
    int gui = 0;
    while (std::fgets(line, sizeof line, file)) {
        int t = -1, i = -1;
        char rest[400] = {};
        if (std::sscanf(line, "worker %d line %d %399s", &t, &i, rest) == 3) {
            ASSERT_TRUE(t >= 0 && t < kThreads) << line;
            EXPECT_EQ(rest, filler) << "a line was torn: " << line;
            seen[size_t(t)].insert(i);
        } else {
            EXPECT_STREQ(line, "from the gui thread\n");
            ++gui;
        }
    }
    std::fclose(file);
    EXPECT_EQ(gui, 1);
    for (const std::set<int> &lines : seen)
        EXPECT_EQ(lines.size(), size_t(kLines));
}

TEST(Timer, AccumulatesIntervalsAndCounts)
{
    General::Timer timer;
    timer.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    timer.Stop(3);
    const uint64_t first = timer.GetTicks();
    timer.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    timer.Stop(4);
    EXPECT_GE(first, 2000000u);
    EXPECT_GE(timer.GetTicks(), first + 2000000u);
    EXPECT_EQ(timer.GetItems(), 7u);
    General::Timer::Reset();
    EXPECT_EQ(General::Timer::CurrentStatistic(), -1);
    EXPECT_STREQ(General::Timer::Statistics().GetID(), "timer stat");
}
