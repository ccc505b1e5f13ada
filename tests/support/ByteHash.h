#pragma once
// 64-bit FNV-1a over raw bytes: tests pin a hash of records to show that a change left
// every bit of them as it was.
#include "foundation/Containers.h"

#include <cstddef>
#include <cstdint>

class ByteHash {
public:
    void Add(const void *data, size_t bytes)
    {
        const auto *p = static_cast<const unsigned char *>(data);
        for (size_t i = 0; i < bytes; ++i)
            m_iValue = (m_iValue ^ p[i]) * 0x100000001b3ull;
    }
    // The count, then the first `count` items.
    template <class T>
    void Add(const General::Store<T> &store, unsigned count)
    {
        Add(&count, sizeof count);
        if (count)
            Add(store.GetBuffer(), size_t(count) * sizeof(T));
    }
    template <class T>
    void Add(const T &value)
    {
        Add(&value, sizeof value);
    }
    uint64_t Value() const { return m_iValue; }

private:
    uint64_t m_iValue = 0xcbf29ce484222325ull;
};
