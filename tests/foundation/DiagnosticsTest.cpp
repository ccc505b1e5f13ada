#include "foundation/Diagnostics.h"
#include "foundation/Timer.h"
#include "support/RecordingShell.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
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

// The application object whose event loop hands the workers' lines to the GUI thread.
struct CoreApplication {
    int argc = 1;
    char name[12] = "diagnostics";
    char *argv[2] = {name, nullptr};
    QCoreApplication application{argc, argv};
};
}  // namespace

// Many workers and the GUI thread log at once: every line reaches the window whole, on
// the GUI thread, and in exactly the order of the file (so each worker's lines in order).
TEST(LogFile, WorkersLogWholeLinesAndTheWindowGetsThemOnTheGuiThreadInFileOrder)
{
    CoreApplication core;
    QCoreApplication &application = core.application;
    ThreadNotingShell shell;
    General::InstallShell(&shell);
    std::FILE *file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    General::SetLogFile(file);

    constexpr int kThreads = 4, kLines = 200;
    const std::string filler(300, 'w');
    std::atomic<bool> go = false;
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t)
        workers.emplace_back([&, t] {
            while (!go)
                std::this_thread::yield();
            for (int i = 0; i < kLines; ++i)
                Log("worker %d line %d %s\n", t, i, filler.c_str());
        });
    go = true;
    for (int i = 0; i < 50; ++i) {
        Log("from the gui thread %d\n", i);
        if (i % 10 == 0)
            QCoreApplication::processEvents();
    }
    for (std::thread &worker : workers)
        worker.join();
    const int beforeEvents = int(shell.lines.size());
    Log("last gui line\n");
    // The GUI thread's own line takes every line logged before it along, oldest first.
    EXPECT_EQ(shell.lines.size(), kThreads * kLines + 51);
    EXPECT_GE(beforeEvents, 50);
    QCoreApplication::processEvents();
    General::SetLogFile(nullptr);
    General::InstallShell(&Recorder());

    EXPECT_EQ(shell.lines.size(), kThreads * kLines + 51);
    EXPECT_EQ(shell.threads, std::set<QThread *>{application.thread()});
    std::rewind(file);
    QStringList written;
    std::vector<int> next(kThreads, 0);
    std::vector<char> line(1024);
    while (std::fgets(line.data(), int(line.size()), file)) {
        written << QString::fromLocal8Bit(line.data());
        int t = -1, i = -1;
        char rest[400] = {};
        if (std::sscanf(line.data(), "worker %d line %d %399s", &t, &i, rest) == 3) {
            ASSERT_TRUE(t >= 0 && t < kThreads) << line.data();
            EXPECT_EQ(rest, filler) << "a line was torn: " << line.data();
            EXPECT_EQ(i, next[size_t(t)]++) << "a worker's lines out of order";
        }
    }
    std::fclose(file);
    EXPECT_EQ(shell.lines, written);
    for (int count : next)
        EXPECT_EQ(count, kLines);
}

TEST(LogFile, AWorkersLineWaitsForTheGuiThreadsEventLoop)
{
    CoreApplication core;
    ThreadNotingShell shell;
    General::InstallShell(&shell);
    std::thread([] { Log("from a worker\n"); }).join();
    EXPECT_TRUE(shell.lines.isEmpty());
    QCoreApplication::processEvents();
    General::InstallShell(&Recorder());
    EXPECT_EQ(shell.lines, QStringList{"from a worker\n"});
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
