#include "mesh/levels/FileArray.h"
#include "support/FileSizeLimit.h"
#include "support/RecordingShell.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {
struct Vec3 {
    float x, y, z;
};

// Leaves only `bytes` of room under the memory limit for one test.
struct LimitGuard {
    explicit LimitGuard(uint64_t bytes) { General::SetMemoryLimit(General::GetCountedMemory() + bytes); }
    ~LimitGuard() { General::SetMemoryLimit(~uint64_t(0)); }
};
}  // namespace

TEST(FileArray, InMemoryWhenTheMemoryIsThere)
{
    General::FileArray<unsigned> array(1000);
    EXPECT_FALSE(array.IsWindowed());
    array.Fill(0xFFFFFFFFu);
    array[10] = 5u;
    array[11] = array[10];
    EXPECT_EQ(array.Get(11), 5u);
    EXPECT_EQ(array.Get(999), 0xFFFFFFFFu);
}

TEST(FileArray, FallsBackToAWindowOverATemporaryFile)
{
    constexpr unsigned kCount = 3000000;
    std::vector<unsigned> expected(kCount);
    LimitGuard limit(8u << 20);  // room for the 4 MiB window, not for 12 MB
    General::FileArray<unsigned> array(kCount);
    ASSERT_TRUE(array.IsWindowed());
    EXPECT_EQ(array.GetWindowLength(), 1048576u);
    EXPECT_TRUE(Recorder().LogContains(" Cannot allocate file array for 3000000 items.\n"));
    EXPECT_TRUE(Recorder().LogContains(" Buffer allocated and temporary file created.\n"));

    for (unsigned i = 0; i < kCount; ++i) {
        expected[i] = i * 2654435761u;
        array[i] = expected[i];
    }
    EXPECT_EQ(array.Get(2999999), expected[2999999]);
    EXPECT_EQ(array.GetWindowStart(), 1951424u);
    // Copying between items in different windows moves the window between the read and the write.
    array[5] = array[2999998];
    array[2999997] = array[7];
    expected[5] = expected[2999998];
    expected[2999997] = expected[7];
    for (unsigned i = 0; i < kCount; i += 997)
        ASSERT_EQ(array.Get(i), expected[i]) << i;
    EXPECT_EQ(array.Get(5), expected[5]);
    EXPECT_EQ(array.Get(2999997), expected[2999997]);
    EXPECT_FALSE(array.HasFailed());
}

TEST(FileArray, AFileThatCannotBeWrittenIsReportedNotIgnored)
{
    constexpr unsigned kCount = 3000000;
    // A temporary file on a disk that is full after 1 MiB, and a given file that takes no bytes at all.
    for (const char *backing : {"", "/dev/full"}) {
        Recorder().Clear();
        LimitGuard memory(8u << 20);
        std::unique_ptr<General::FileArray<unsigned>> array;
        {
            FileSizeLimit disk(1u << 20);
            array = std::make_unique<General::FileArray<unsigned>>(kCount, QString(backing), false);
            ASSERT_TRUE(array->IsWindowed());
            for (unsigned i = 0; i < kCount; ++i)
                array->Set(i, i + 1);
            // The first window went out only in part: its items cannot all come back.
            EXPECT_TRUE(array->HasFailed()) << backing;
            array->Release();
        }
        EXPECT_TRUE(array->HasFailed()) << backing;
        EXPECT_TRUE(Recorder().LogContains("File array could not write to its file")) << backing;
        EXPECT_EQ(Recorder().log.count("File array could not"), 1) << "reported once: " << backing;
        EXPECT_EQ(Recorder().statusMessages, QStringList{"A work file could not be written or read. Disk may be full."});
    }
}

TEST(FileArray, WindowedItemsNeverWrittenReadAsZero)
{
    LimitGuard limit(16u << 20);
    General::FileArray<Vec3> array(2500000);
    ASSERT_TRUE(array.IsWindowed());
    array[0] = Vec3{1, 2, 3};
    const Vec3 far = array.Get(2400000);  // beyond what the file holds yet
    EXPECT_EQ(far.x, 0.0f);
    EXPECT_EQ(far.z, 0.0f);
    EXPECT_EQ(array.Get(0).y, 2.0f);
}

TEST(FileArray, SingleItemAccessKeepsTheValues)
{
    LimitGuard limit(2u << 20);
    General::FileArray<unsigned char> array(3000000);
    ASSERT_TRUE(array.IsWindowed());
    for (unsigned i = 0; i < 3000000; i += 1000)
        array[i] = (unsigned char)(i / 1000);
    array.SetSingleItemAccess();
    EXPECT_EQ(array.GetWindowLength(), 1u);
    for (int i = 2999000; i >= 0; i -= 1000 * 101)
        ASSERT_EQ(array.Get(unsigned(i)), (unsigned char)(i / 1000)) << i;
}

TEST(FileArray, BadIndexReportsAndTouchesNothing)
{
    Recorder().ExpectAssertionFailures();
    General::FileArray<unsigned> array(4);
    array.Fill(9);
    array[4] = 1u;
    EXPECT_TRUE(Recorder().LogContains("The expression index < m_iSize is false."));
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_EQ(array.Get(i), 9u);
}

TEST(FileArray, MemoryIsCountedAndReturned)
{
    const uint64_t before = General::GetCountedMemory();
    {
        General::FileArray<unsigned> array(1000);
        EXPECT_EQ(General::GetCountedMemory(), before + 4000);
    }
    EXPECT_EQ(General::GetCountedMemory(), before);
}
