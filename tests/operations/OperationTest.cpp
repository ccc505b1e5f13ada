#include "operations/Operation.h"
#include "support/RecordingShell.h"

#include <gtest/gtest.h>

namespace {

// An edit that changes something once.
class Touch : public Operations::Operation {
public:
    void Change() { SetChanged(); }
};

TEST(Operation, ExecuteReportsAChangeOnceAndOnlyAfterOne)
{
    Touch op;
    EXPECT_FALSE(op.Execute());
    op.Change();
    EXPECT_TRUE(op.Execute());
    EXPECT_FALSE(op.Execute());
    EXPECT_FALSE(op.IsChanged());
}

TEST(Operation, TheBaseHasNoTypeAndSaysSo)
{
    Recorder().ExpectAssertionFailures();
    Touch op;
    EXPECT_EQ(op.GetType(), 0);
    EXPECT_TRUE(Recorder().LogContains("The expression false is false."));
}

}  // namespace
