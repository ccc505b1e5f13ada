#include "foundation/Containers.h"
#include "support/RecordingShell.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {
std::vector<int> Items(General::Store<int> &store) { return {store.begin(), store.end()}; }

// Sets a memory limit for one test and restores "no limit" afterwards.
struct LimitGuard {
    explicit LimitGuard(uint64_t headroom) { General::SetMemoryLimit(General::GetCountedMemory() + headroom); }
    ~LimitGuard() { General::SetMemoryLimit(~uint64_t(0)); }
};
}  // namespace

TEST(Store, GrowsCapacityAsTwiceAndOne)
{
    General::Store<int> store("test");
    const unsigned expected[] = {1, 3, 3, 7, 7, 7, 7, 15};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(store.Add(i), i);
        EXPECT_EQ(store.GetCapacity(), expected[i]);
    }
    General::Store<int> sparse("test");
    ASSERT_TRUE(sparse.EnsureIndex(10));
    EXPECT_EQ(sparse.GetCapacity(), 15u);
    EXPECT_EQ(sparse.GetItemCount(), 11u);
}

TEST(Store, OutOfRangeIndexReportsAndStaysInsideTheStore)
{
    Recorder().ExpectAssertionFailures();
    General::Store<int> store("test");
    store.Add(41);
    store.Add(42);
    EXPECT_EQ(store[2], 41);
    EXPECT_TRUE(Recorder().LogContains("The expression !(iIndex >= GetItemCount()) is false."));
    EXPECT_EQ(store[unsigned(-1)], 41);

    // An empty store has no item 0: the access must not touch memory it does not own.
    General::Store<int> empty("empty");
    Recorder().Clear();
    EXPECT_EQ(empty[0], 0);
    EXPECT_TRUE(Recorder().LogContains("!(iIndex >= GetItemCount())"));
    empty[5] = 7;  // writes to scratch, not to a null buffer
    EXPECT_EQ(empty.GetItemCount(), 0u);
}

TEST(Store, SetItemCountKeepsOrDropsItems)
{
    General::Store<int> store("test");
    for (int i = 1; i <= 3; ++i)
        store.Add(i);
    ASSERT_TRUE(store.SetItemCount(5, true));
    EXPECT_EQ(store[0], 1);
    EXPECT_EQ(store[2], 3);
    EXPECT_EQ(store.GetCapacity(), 5u);

    ASSERT_TRUE(store.SetItemCount(2, false));  // below the count: only the count changes
    EXPECT_EQ(store.GetItemCount(), 2u);
    EXPECT_EQ(store.GetCapacity(), 5u);
    EXPECT_EQ(store[1], 2);

    ASSERT_TRUE(store.SetItemCount(9, false));
    EXPECT_EQ(store.GetItemCount(), 9u);
    EXPECT_EQ(store.GetCapacity(), 9u);
}

TEST(Store, RemoveAndDuplicates)
{
    General::Store<int> store("test");
    for (int v : {3, 1, 3, 2, 1})
        store.Add(v);
    EXPECT_EQ(store.RemoveDuplicates(), 2u);
    EXPECT_EQ(Items(store), (std::vector<int>{1, 2, 3}));

    for (int v : {2, 5, 2})
        store.Add(v);
    EXPECT_EQ(store.Remove(2), 3u);
    EXPECT_EQ(Items(store), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(store.GetLast(), 5);

    General::Store<int> empty("test");
    EXPECT_EQ(empty.RemoveDuplicates(), 0u);
    EXPECT_EQ(empty.GetLast(), 0);
    General::Store<int *> pointers("test");
    EXPECT_EQ(pointers.GetLast(), nullptr);
}

TEST(Store, AddingAnItemOfTheStoreItselfSurvivesGrowth)
{
    General::Store<int> store("test");
    store.Add(7);
    for (int i = 0; i < 20; ++i)
        store.Add(store[0]);
    for (int v : store)
        EXPECT_EQ(v, 7);
}

TEST(Store, NestedStoresMoveOnGrowthAndTake)
{
    General::Store<General::Store<int>> outer("outer");
    for (int i = 0; i < 10; ++i) {
        General::Store<int> inner("inner");
        inner.Add(i);
        inner.Add(i * 10);
        outer.Add(std::move(inner));
        EXPECT_EQ(inner.GetItemCount(), 0u);
    }
    for (unsigned i = 0; i < 10; ++i) {
        ASSERT_EQ(outer[i].GetItemCount(), 2u);
        EXPECT_EQ(outer[i][1], int(i * 10));
    }

    General::Store<int> source("source");
    source.Add(1);
    source.Add(2);
    General::Store<int> target("target");
    const uint64_t before = General::GetCountedMemory();
    target.Take(source);
    EXPECT_EQ(General::GetCountedMemory(), before);
    EXPECT_EQ(source.GetCapacity(), 0u);
    EXPECT_EQ(target.GetCapacity(), 3u);
    EXPECT_EQ(target[1], 2);
}

TEST(Store, RefusedGrowthLogsAndLeavesTheStoreUnchanged)
{
    General::Store<int> store("refused store");
    store.Add(1);
    LimitGuard limit(64);
    for (int i = 0; i < 10; ++i)
        if (store.Add(i) < 0)
            break;
    const unsigned count = store.GetItemCount();
    const unsigned capacity = store.GetCapacity();
    Recorder().Clear();
    EXPECT_EQ(store.Add(99), -1);
    EXPECT_EQ(store.GetItemCount(), count);
    EXPECT_EQ(store.GetCapacity(), capacity);
    EXPECT_EQ(store[0], 1);
    const QString log = Recorder().log;
    EXPECT_TRUE(log.contains(QString(" Cannot allocate array for %1 items. (%2 bytes)\n")
                                 .arg(capacity * 2 + 1)
                                 .arg((capacity * 2 + 1) * 4)))
        << log.toStdString();
    EXPECT_TRUE(log.contains("  ID is [refused store]\n"));
    EXPECT_TRUE(log.contains("==== Memory Blocks Begin ====\n"));
    EXPECT_TRUE(log.contains("name: refused store, at 0x"));
    EXPECT_TRUE(log.contains("==== Memory Blocks End ====\n"));
    EXPECT_FALSE(store.EnsureIndex(100));
    EXPECT_FALSE(store.SetItemCount(100, true));
    EXPECT_EQ(store.GetItemCount(), count);
}

TEST(Map, SortsFindsAndComparesWithoutOverflow)
{
    General::Map map;
    const General::IntPair pairs[] = {{5, INT_MIN}, {1, INT_MAX}, {3, 0}, {7, -1}, {2, int(0x80000001)}};
    for (const auto &p : pairs)
        map.Add(p);
    map.Sort(General::Map::kBySecond);
    for (unsigned i = 1; i < map.GetItemCount(); ++i)
        EXPECT_LT(map[i - 1].second, map[i].second);
    EXPECT_EQ(map.FindKey(INT_MAX), 1);
    EXPECT_EQ(map.FindKey(INT_MIN), 5);
    EXPECT_EQ(map.FindKey(-1), 7);
    EXPECT_EQ(map.FindKey(42), -1);

    map.Sort(General::Map::kByFirst);
    const General::IntPair key{7, 0};
    const General::IntPair *found = map.Find(&key);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->second, -1);
    const General::IntPair missing{4, 0};
    EXPECT_EQ(map.Find(&missing), nullptr);

    // Sorting again in the same mode leaves the pairs alone, even when they were changed.
    map[0].first = 100;
    map.Sort(General::Map::kByFirst);
    EXPECT_EQ(map[0].first, 100);
}

TEST(BlockList, ArraysLinkAndUnlinkInAnyOrder)
{
    auto *a = new General::Store<int>("a");
    auto *b = new General::Store<int>("b");
    auto *c = new General::Store<int>("c");
    EXPECT_EQ(General::Block::Head(), c);
    delete b;
    EXPECT_EQ(c->GetNext(), a);
    delete c;
    EXPECT_EQ(General::Block::Head(), a);
    delete a;
    EXPECT_FALSE(Recorder().LogContains("Assertion failed"));
}
