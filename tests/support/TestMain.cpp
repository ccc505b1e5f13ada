#include "support/RecordingShell.h"

#include "foundation/Globals.h"

#include <gtest/gtest.h>

namespace {
// Every test starts with an empty record, and fails on a failed consistency check it did not
// announce (or on none when it announced one). Failures added here still count for the test
// that just ran: the listeners see its end before the result printer does.
class ClearRecorder : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo &) override { Recorder().StartTest(); }
    void OnTestEnd(const testing::TestInfo &info) override
    {
        if (info.result()->Skipped())
            return;
        const RecordingShell &shell = Recorder();
        if (shell.AssertionsExpected())
            EXPECT_GT(shell.AssertionFailures(), 0) << "the test expected a failed check";
        else
            EXPECT_EQ(shell.AssertionFailures(), 0) << "failed checks (see the log):\n"
                                                    << shell.log.toStdString();
    }
};
}  // namespace

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    General::InstallShell(&Recorder());
    General::InitializeGlobals();
    testing::UnitTest::GetInstance()->listeners().Append(new ClearRecorder);
    return RUN_ALL_TESTS();
}
