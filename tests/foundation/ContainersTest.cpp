#include "foundation/Containers.h"

#include <gtest/gtest.h>

TEST(Store, GrowsCapacityAsTwiceAndOne)
{
    General::Store<int> store("test");
    const unsigned expected[] = {1, 3, 3, 7, 7, 7, 7, 15};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(store.Add(i), i);
        EXPECT_EQ(store.GetCapacity(), expected[i]);
    }
}
