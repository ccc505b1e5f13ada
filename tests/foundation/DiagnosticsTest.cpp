#include "foundation/Diagnostics.h"
#include "foundation/Timer.h"
#include "support/RecordingShell.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

TEST(Assertions, ReportToTheLogAndReturnFalse)
{
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
