#pragma once
// The program's own containers. Every buffer is announced to the memory counter
// before it is allocated (which may refuse it) and every array sits in one list
// of live blocks, so that an allocation failure can report where memory went.
// Containers are built, grown and freed by one thread at a time; other threads may
// touch items of a store that is not being reallocated meanwhile.

#include "foundation/Diagnostics.h"
#include "foundation/Memory.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace General {

// The registry record of one array in the program-wide list of live blocks.
class Block {
public:
    explicit Block(unsigned itemSize);
    virtual ~Block();
    Block(const Block &) = delete;
    Block &operator=(const Block &) = delete;

    virtual uint64_t GetBlockSize() const = 0;
    virtual const void *GetBufferAddress() const = 0;
    const char *GetID() const { return m_sID; }
    unsigned GetItemSize() const { return m_iItemSize; }
    Block *GetNext() const { return m_pNext; }

    // The newest live block.
    static Block *Head() { return s_pHead; }

protected:
    const char *m_sID = "unknown";

private:
    static Block *s_pHead;
    Block *m_pNext = nullptr;  // older
    Block *m_pPrev = nullptr;  // newer
    unsigned m_iItemSize;
};

// A growable buffer of T with a capacity only.
template <class T>
class Array : public Block {
public:
    // Items that are plain data are copied as bytes and released without destructors.
    static constexpr bool kPlain = std::is_trivially_copyable_v<T>;

    explicit Array(const char *id = "unknown") : Block(sizeof(T)) { m_sID = id ? id : "unknown"; }
    // Throws std::bad_alloc when the counter or the allocator refuses.
    Array(const char *id, unsigned capacity) : Array(id)
    {
        if (!AddMemoryBlock(int64_t(capacity) * int64_t(sizeof(T))))
            throw std::bad_alloc();
        try {
            m_pBuffer = capacity ? new T[capacity] : nullptr;
        } catch (...) {
            AddMemoryBlock(-int64_t(capacity) * int64_t(sizeof(T)));
            throw;
        }
        m_iSize = capacity;
    }
    Array(Array &&other) noexcept : Array(other.m_sID) { Take(other); }
    Array &operator=(Array &&other) noexcept
    {
        if (this != &other)
            Take(other);
        return *this;
    }
    ~Array() override
    {
        TV_ASSERT(m_pThis == this);
        Free();
    }

    uint64_t GetBlockSize() const override { return uint64_t(m_iSize) * sizeof(T); }
    const void *GetBufferAddress() const override { return m_pBuffer; }
    unsigned GetCapacity() const { return m_iSize; }
    void SetID(const char *id) { m_sID = id ? id : "unknown"; }

    // Exactly n items; false (array unchanged) when the memory is refused.
    bool Reallocate(unsigned n);

    void Free()
    {
        if (!m_pBuffer)
            return;
        AddMemoryBlock(-int64_t(GetBlockSize()));
        delete[] m_pBuffer;
        m_pBuffer = nullptr;
        m_iSize = 0;
    }

    // Takes other's buffer; the bytes stay counted once.
    void Take(Array &other)
    {
        TV_ASSERT(m_pThis == this && other.m_pThis == &other);
        Free();
        m_pBuffer = std::exchange(other.m_pBuffer, nullptr);
        m_iSize = std::exchange(other.m_iSize, 0u);
    }

    // Reallocates `other` to this capacity and copies the whole capacity into it.
    bool CopyTo(Array &other) const
    {
        TV_ASSERT(m_pThis == this && other.m_pThis == &other);
        if (!other.Reallocate(m_iSize))
            return false;
        CopyItems(other.m_pBuffer, m_pBuffer, m_iSize);
        return true;
    }

    // Raw access by capacity; out of range reports and yields the first item.
    T &Raw(unsigned index)
    {
        if (index >= m_iSize) {
            AssertFailed(__FILE__, __LINE__, "!(iIndex >= m_iSize)", nullptr);
            return Fallback();
        }
        return m_pBuffer[index];
    }

    T *GetBuffer() { return m_pBuffer; }
    const T *GetBuffer() const { return m_pBuffer; }

protected:
    static void CopyItems(T *to, T *from, unsigned n)
    {
        if constexpr (kPlain) {
            if (n)
                std::memcpy(static_cast<void *>(to), from, size_t(n) * sizeof(T));
        } else {
            for (unsigned i = 0; i < n; ++i)
                to[i] = std::move(from[i]);
        }
    }

    // Item 0, or (for an empty buffer) a scratch item, so a bad index never leaves the memory we own.
    T &Fallback()
    {
        if (m_pBuffer)
            return m_pBuffer[0];
        static T s_scratch{};
        s_scratch = T{};
        return s_scratch;
    }

    T *m_pBuffer = nullptr;
    unsigned m_iSize = 0;
    const Array *m_pThis = this;
};

template <class T>
bool Array<T>::Reallocate(unsigned n)
{
    if (n == m_iSize)
        return true;
    TV_ASSERT(m_pThis == this);
    const uint64_t bytes = uint64_t(n) * sizeof(T);
    T *fresh = nullptr;
    try {
        if (!AddMemoryBlock(int64_t(bytes)))
            throw std::bad_alloc();
        SetCurrentAllocator(m_sID);
        try {
            fresh = n ? new T[n] : nullptr;
        } catch (...) {
            SetCurrentAllocator(nullptr);
            AddMemoryBlock(-int64_t(bytes));
            throw;
        }
        SetCurrentAllocator(nullptr);
    } catch (const std::bad_alloc &) {
        Log(" Cannot allocate array for %u items. (%llu bytes)\n", n, (unsigned long long)bytes);
        if (m_sID)
            Log("  ID is [%s]\n", m_sID);
        WriteMemoryBlockReport();
        return false;
    }
    if (m_pBuffer) {
        AddMemoryBlock(-int64_t(GetBlockSize()));
        if (fresh)
            CopyItems(fresh, m_pBuffer, std::min(m_iSize, n));
        delete[] m_pBuffer;
    }
    m_pBuffer = fresh;
    m_iSize = n;
    return true;
}

// An array with an item count: the container used everywhere.
template <class T>
class Store : public Array<T> {
    using Base = Array<T>;

public:
    explicit Store(const char *id = "unknown") : Base(id) {}
    // n items at once; throws std::bad_alloc when refused.
    Store(unsigned count, const char *id) : Base(id, count), m_iCount(count) {}
    Store(Store &&other) noexcept : Base(std::move(other)), m_iCount(std::exchange(other.m_iCount, 0u)) {}
    Store &operator=(Store &&other) noexcept
    {
        if (this != &other)
            Take(other);
        return *this;
    }
    ~Store() override { m_iCount = 0; }

    // Takes other's items, count and capacity; other is left empty.
    void Take(Store &other)
    {
        Base::Take(other);
        m_iCount = std::exchange(other.m_iCount, 0u);
    }

    unsigned GetItemCount() const { return m_iCount; }
    bool HasItems() const { return m_iCount != 0; }

    T &operator[](unsigned index) { return GetItem(index); }
    const T &operator[](unsigned index) const { return const_cast<Store *>(this)->GetItem(index); }
    T &GetItem(unsigned index)
    {
        if (index >= m_iCount) {
            AssertFailed(__FILE__, __LINE__, "!(iIndex >= GetItemCount())", nullptr);
            return Base::Fallback();
        }
        return this->m_pBuffer[index];
    }

    // Appends; the new index, or -1 when growing failed (nothing appended).
    int Add(const T &item)
    {
        T copy(item);  // item may live in our own buffer, which growing frees
        return Add(std::move(copy));
    }
    int Add(T &&item)
    {
        const unsigned index = m_iCount;
        if (!Grow(index))
            return -1;
        this->m_pBuffer[index] = std::move(item);
        ++m_iCount;
        return int(index);
    }

    // Grows until index fits; count = max(count, index + 1).
    bool EnsureIndex(unsigned index)
    {
        if (!Grow(index))
            return false;
        m_iCount = std::max(m_iCount, index + 1);
        return true;
    }

    // n <= count only lowers the count; otherwise reallocates to exactly n
    // (dropping the old items first unless `keep`).
    bool SetItemCount(unsigned n, bool keep)
    {
        if (n <= m_iCount) {
            m_iCount = n;
            return true;
        }
        if (!keep)
            Clear();
        if (!Base::Reallocate(n))
            return false;
        m_iCount = n;
        return true;
    }

    bool Reserve(unsigned n, bool keep)
    {
        if (!keep)
            Clear();
        const bool ok = Base::Reallocate(n);
        m_iCount = std::min(m_iCount, this->m_iSize);
        return ok;
    }

    void Clear()
    {
        Base::Free();
        m_iCount = 0;
    }

    void Fill(const T &value) { std::fill(begin(), end(), value); }

    T GetLast() const { return m_iCount ? this->m_pBuffer[m_iCount - 1] : T{}; }

    // Removes every item equal to value, keeping the order; how many went.
    unsigned Remove(const T &value)
    {
        T *last = std::remove(begin(), end(), value);
        const unsigned removed = unsigned(end() - last);
        m_iCount -= removed;
        return removed;
    }

    void Sort() { std::sort(begin(), end()); }

    // Sorts, then keeps one item of each run of equal values; how many went.
    unsigned RemoveDuplicates()
    {
        if (!m_iCount)
            return 0;
        Sort();
        T *last = std::unique(begin(), end());
        const unsigned removed = unsigned(end() - last);
        m_iCount -= removed;
        return removed;
    }

    T *begin() { return this->m_pBuffer; }
    T *end() { return this->m_pBuffer + m_iCount; }
    const T *begin() const { return this->m_pBuffer; }
    const T *end() const { return this->m_pBuffer + m_iCount; }

private:
    bool Grow(unsigned index)
    {
        if (index == 0xFFFFFFFFu)
            return false;
        uint64_t capacity = this->m_iSize;
        while (index >= capacity)
            capacity = capacity * 2 + 1;
        if (capacity > 0xFFFFFFFFu)
            capacity = 0xFFFFFFFFu;
        return capacity <= this->m_iSize || Base::Reallocate(unsigned(capacity));
    }

    unsigned m_iCount = 0;
};

struct IntPair {
    int first = 0;
    int second = 0;
    bool operator==(const IntPair &) const = default;
};

// Integer pairs that can be sorted by either int and searched.
class Map : public Store<IntPair> {
public:
    enum SortMode { kUnsorted = 0, kByFirst = 1, kBySecond = 2 };

    explicit Map(unsigned count = 0, const char *id = "unknown map") : Store<IntPair>(count, id) {}

    // An added pair may break the order, so the map counts as unsorted afterwards.
    int Add(const IntPair &pair)
    {
        m_iSortMode = kUnsorted;
        return Store<IntPair>::Add(pair);
    }
    // Callers that write pairs in place say so.
    void MarkUnsorted() { m_iSortMode = kUnsorted; }

    // Sorts by the first int for mode 1, by the second otherwise; nothing when already so.
    void Sort(int mode);
    // Binary search by the current mode's int; null when absent.
    IntPair *Find(const IntPair *key);
    // The first int of the pair whose second int is value (sorted by the second); -1 when none.
    int FindKey(int value);
    int GetSortMode() const { return m_iSortMode; }

private:
    int m_iSortMode = kUnsorted;
};

}  // namespace General
