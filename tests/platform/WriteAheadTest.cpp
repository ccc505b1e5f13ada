#include "platform/WriteAhead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

uint8_t Pattern(size_t i) { return uint8_t(i * 2654435761u >> 24); }

}  // namespace

// Mapping ahead must never change what a block holds, wherever the block starts and ends
// relative to pages, nor reach past it: the bytes either side are guarded.
TEST(WriteAhead, KeepsEveryByteOfTheBlockAndAroundIt)
{
    const size_t big = Platform::kWriteAheadMinimum * 2 + 12345;
    struct Case {
        size_t offset, bytes;
    } cases[] = {{0, big - 64}, {1, big - 4097}, {4095, Platform::kWriteAheadMinimum}, {17, 4096}, {3, 0}};
    auto expected = std::make_unique<uint8_t[]>(big), buffer = std::make_unique<uint8_t[]>(big);
    // A page of noise repeated one byte further each time, so no page equals its neighbour.
    uint8_t noise[4096 + 64];
    for (size_t i = 0; i < sizeof noise; ++i)
        noise[i] = Pattern(i);
    for (size_t at = 0; at < big; at += 4096)
        std::memcpy(expected.get() + at, noise + at / 4096 % 64, std::min<size_t>(4096, big - at));
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "offset " << c.offset << ", bytes " << c.bytes);
        std::memcpy(buffer.get(), expected.get(), big);
        Platform::PrepareForWriting(buffer.get() + c.offset, c.bytes);
        EXPECT_EQ(std::memcmp(buffer.get(), expected.get(), big), 0);
    }
    Platform::PrepareForWriting(nullptr, big);  // nothing to map: no effect, no fault
}
