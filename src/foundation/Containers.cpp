#include "foundation/Containers.h"

namespace General {

Block *Block::s_pHead = nullptr;

Block::Block(unsigned itemSize) : m_pNext(s_pHead), m_iItemSize(itemSize)
{
    if (s_pHead)
        s_pHead->m_pPrev = this;
    s_pHead = this;
}

Block::~Block()
{
    if (m_pNext) {
        TV_ASSERT(m_pNext->m_pPrev == this);
        m_pNext->m_pPrev = m_pPrev;
    }
    if (m_pPrev) {
        TV_ASSERT(m_pPrev->m_pNext == this);
        m_pPrev->m_pNext = m_pNext;
    } else {
        TV_ASSERT(s_pHead == this);
        s_pHead = m_pNext;
    }
}

namespace {
// Compares without forming a - b, which overflows for keys far apart.
template <int IntPair::*Field>
bool Less(const IntPair &a, const IntPair &b) { return a.*Field < b.*Field; }
}  // namespace

void Map::Sort(int mode)
{
    if (mode == m_iSortMode)
        return;
    m_iSortMode = mode;
    // Maps are often filled in order already; one pass finds that.
    if (mode == kByFirst) {
        if (!std::is_sorted(begin(), end(), Less<&IntPair::first>))
            std::sort(begin(), end(), Less<&IntPair::first>);
    } else if (!std::is_sorted(begin(), end(), Less<&IntPair::second>)) {
        std::sort(begin(), end(), Less<&IntPair::second>);
    }
}

IntPair *Map::Find(const IntPair *key)
{
    IntPair *found = m_iSortMode == kByFirst ? std::lower_bound(begin(), end(), *key, Less<&IntPair::first>)
                                             : std::lower_bound(begin(), end(), *key, Less<&IntPair::second>);
    if (found == end())
        return nullptr;
    const bool equal = m_iSortMode == kByFirst ? found->first == key->first : found->second == key->second;
    return equal ? found : nullptr;
}

int Map::FindKey(int value)
{
    Sort(kBySecond);
    const IntPair key{0, value};
    const IntPair *found = Find(&key);
    return found ? found->first : -1;
}

}  // namespace General
