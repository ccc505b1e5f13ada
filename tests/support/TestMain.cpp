#include "support/RecordingShell.h"

#include "foundation/Globals.h"

#include <gtest/gtest.h>

namespace {
// Every test starts with an empty record.
class ClearRecorder : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo &) override { Recorder().Clear(); }
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
