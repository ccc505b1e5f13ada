#include "foundation/Containers.h"
#include "foundation/Memory.h"
#include "support/RecordingShell.h"

#include <gtest/gtest.h>

namespace {
// Runs one test against a zero-based counter with its own limit, then restores the real one.
class MemoryCounter : public testing::Test {
protected:
    void SetUp() override { m_iBase = General::GetCountedMemory(); }
    void TearDown() override { General::SetMemoryLimit(~uint64_t(0)); }
    void Limit(uint64_t bytes) { General::SetMemoryLimit(m_iBase + bytes); }
    uint64_t Counted() const { return General::GetCountedMemory() - m_iBase; }
    uint64_t m_iBase = 0;
};
}  // namespace

TEST_F(MemoryCounter, RefusesBeyondTheLimitAndKeepsTheTotal)
{
    Limit(1000000);
    EXPECT_TRUE(General::AddMemoryBlock(600000));
    EXPECT_FALSE(General::AddMemoryBlock(500000));
    EXPECT_EQ(Counted(), 600000u);
    EXPECT_TRUE(General::AddMemoryBlock(-600000));
    EXPECT_EQ(Counted(), 0u);
}

TEST_F(MemoryCounter, NoLimitAcceptsEverything)
{
    EXPECT_TRUE(General::AddMemoryBlock(int64_t(1) << 40));
    EXPECT_TRUE(General::AddMemoryBlock(-(int64_t(1) << 40)));
    EXPECT_EQ(Counted(), 0u);
}

TEST(MemoryLabel, ShowsTheLargestUnitAboveTheThreshold)
{
    struct Case {
        uint64_t bytes;
        const char *text;
    } cases[] = {{1024, ""}, {1025, "1.00K"}, {3u << 20, "3.00M"}, {uint64_t(5) << 30, "5.00G"},
                 {uint64_t(3) << 32, "12.00G"}};
    for (const Case &c : cases) {
        char text[32];
        EXPECT_STREQ(General::FormatMemorySize(c.bytes, text, sizeof text), c.text) << c.bytes;
    }
}

TEST_F(MemoryCounter, LabelFollowsTheCountedTotal)
{
    General::Store<char> store("label");
    ASSERT_TRUE(store.SetItemCount(3 << 20, false));
    char expected[32];
    General::FormatMemorySize(General::GetCountedMemory(), expected, sizeof expected);
    EXPECT_EQ(Recorder().memoryLabel, QString::fromLatin1(expected));
}

// Small allocations that leave the shown figure as it was do not set the label again.
TEST_F(MemoryCounter, LabelIsSetOnlyWhenItsFigureChanges)
{
    General::Store<char> store("label");
    ASSERT_TRUE(store.SetItemCount(3 << 20, false));
    Recorder().memoryLabelSets = 0;
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(General::AddMemoryBlock(16));
        ASSERT_TRUE(General::AddMemoryBlock(-16));
    }
    EXPECT_LE(Recorder().memoryLabelSets, 2);

    // A change of the figure is shown.
    ASSERT_TRUE(store.SetItemCount(5 << 20, false));
    char expected[32];
    General::FormatMemorySize(General::GetCountedMemory(), expected, sizeof expected);
    EXPECT_EQ(Recorder().memoryLabel, QString::fromLatin1(expected));
}

TEST_F(MemoryCounter, AvailableMemoryIsBoundByTheLimit)
{
    Limit(4096);
    EXPECT_LE(General::GetAvailableMemory(), 4096u);
    General::SetMemoryLimit(~uint64_t(0));
    EXPECT_GT(General::GetAvailableMemory(), 4096u);
}

TEST(MemoryReport, ListsLiveBlocksLargestAddressFirstWithTotals)
{
    General::Store<int> first("report first");
    General::Store<int> second("report second");
    first.SetItemCount(1000, false);
    second.SetItemCount(300, false);
    General::WriteMemoryBlockReport();
    const QString log = Recorder().log;
    EXPECT_TRUE(log.startsWith("==== Memory Blocks Begin ====\n"));
    EXPECT_TRUE(log.endsWith("==== Memory Blocks End ====\n"));
    EXPECT_TRUE(log.contains("Block size:4000 (4), name: report first, at 0x"));
    EXPECT_TRUE(log.contains("Block size:1200 (4), name: report second, at 0x"));
    EXPECT_TRUE(log.contains("Total: "));
    EXPECT_TRUE(log.contains("Free: "));
    // Highest buffer address first.
    const bool firstIsHigher = first.GetBufferAddress() > second.GetBufferAddress();
    EXPECT_EQ(log.indexOf("report first") < log.indexOf("report second"), firstIsHigher);
    // Addresses are printed in full on a 64-bit build.
    const QString address = QString::number(quintptr(first.GetBufferAddress()), 16);
    EXPECT_TRUE(log.contains("at 0x" + address.rightJustified(8, '0')));
}
