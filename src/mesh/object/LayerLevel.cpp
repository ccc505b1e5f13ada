#include "mesh/object/LayerLevel.h"

#include "foundation/Diagnostics.h"
#include "foundation/Stream.h"
#include "mesh/core/Octree.h"
#include "mesh/levels/SubdivLevel.h"
#include "mesh/object/MeshHost.h"

#include <algorithm>

namespace {

// Calls fn(local vertex, global id) for every vertex of the level in ascending global id.
// A level without a vertex map numbers its vertices globally as it does locally.
template <class Fn>
void ForEachVertexByGlobalId(SubdivLevel &level, Fn &&fn)
{
    General::Map &map = level.m_aVertexMap;
    if (!map.HasItems()) {
        for (unsigned i = 0; i < level.m_iVertexCount; ++i)
            fn(i, int(i));
        return;
    }
    // The map keeps the order its lookups want (FindVertex reads it by local index): the
    // walk goes through a sorted copy unless the map is in global order already.
    const bool inOrder = map.GetSortMode() == General::Map::kBySecond ||
                         std::is_sorted(map.begin(), map.end(), [](const General::IntPair &a, const General::IntPair &b) {
                             return a.second < b.second;
                         });
    General::Store<General::IntPair> copy("layer vertex order");
    if (!inOrder && copy.SetItemCount(map.GetItemCount(), false)) {
        std::copy(map.begin(), map.end(), copy.begin());
        std::sort(copy.begin(), copy.end(),
                  [](const General::IntPair &a, const General::IntPair &b) { return a.second < b.second; });
        for (const General::IntPair &pair : copy)
            fn(unsigned(pair.first), pair.second);
        return;
    }
    if (!inOrder)
        map.Sort(General::Map::kBySecond);  // no room for a copy
    for (const General::IntPair &pair : map)
        fn(unsigned(pair.first), pair.second);
}

bool ByGlobalIndex(const LayerLevel::VertexData &a, const LayerLevel::VertexData &b)
{
    return a.m_iGlobalVertexIndex < b.m_iGlobalVertexIndex;
}

}  // namespace

LayerLevel::LayerLevel(SubdivLevel *level, Layer3D *layer, float strength)
    : m_pLevel(level), m_pLayer(layer), m_fStrength(strength)
{
}

LayerLevel::VertexData *LayerLevel::GetVertexData(int index)
{
    if (index >= 0) {
        if (!TV_CHECK(unsigned(index) < m_iVertexCount && unsigned(index) < m_aData.GetItemCount()))
            return nullptr;
        return &m_aData[unsigned(index)];
    }
    const unsigned newIndex = ~unsigned(index);
    if (!TV_CHECK(newIndex < m_aNewData.GetItemCount()))
        return nullptr;
    return &m_aNewData[newIndex];
}

int LayerLevel::FindVertex(unsigned vertex, bool add)
{
    General::Map &map = m_pLevel->m_aVertexMap;
    int global = int(vertex);
    if (map.HasItems()) {
        map.Sort(General::Map::kByFirst);
        if (!TV_CHECK(vertex < map.GetItemCount()))
            return -1;
        global = map[vertex].second;
    }
    unsigned lo = 0, hi = std::min(m_iVertexCount, m_aData.GetItemCount());
    while (lo < hi) {
        const unsigned mid = lo + (hi - lo) / 2;
        TV_ASSERT(lo <= mid && mid < hi);
        const int id = m_aData[mid].m_iGlobalVertexIndex;
        if (id == global)
            return int(mid);
        if (id < global)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (!add)
        return -1;
    const int added = m_aNewData.Add(VertexData{General::Vector(0, 0, 0), 1.0f, global});
    if (added < 0)
        return -1;
    return -int(m_aNewData.GetItemCount());
}

General::Vector LayerLevel::SetOffset(unsigned meshVertex, int index, const General::Vector &offset)
{
    VertexData *record = GetVertexData(index);
    if (!record)
        return General::Vector(0, 0, 0);
    const General::Vector old = record->m_vOffset;
    record->m_vOffset = offset;
    if (TV_CHECK(meshVertex < m_pLevel->m_iVertexCount)) {
        const General::Vector position = m_pLevel->m_pVertices[meshVertex].m_vPosition;
        m_pLevel->SetVertexPosition(meshVertex, position + (offset - old) * (record->m_fWeight * m_fStrength));
    }
    return old;
}

void LayerLevel::SetVertex(unsigned index, int globalIndex, float weight)
{
    if (!TV_CHECK(index < m_aData.GetItemCount()))
        return;
    TV_ASSERT(index == 0 || m_aData[index - 1].m_iGlobalVertexIndex < globalIndex);
    TV_ASSERT(index + 1 >= m_aData.GetItemCount() || m_aData[index + 1].m_iGlobalVertexIndex == -1 ||
              m_aData[index + 1].m_iGlobalVertexIndex > globalIndex);
    m_aData[index] = VertexData{General::Vector(0, 0, 0), weight, globalIndex};
}

bool LayerLevel::SetVertexCount(unsigned count)
{
    if (!m_aData.SetItemCount(count, false)) {
        m_iVertexCount = 0;
        return false;
    }
    m_aData.Fill(VertexData{General::Vector(0, 0, 0), 1.0f, -1});
    m_iVertexCount = count;
    return true;
}

bool LayerLevel::Extend()
{
    if (!m_aNewData.HasItems())
        return true;
    const unsigned oldCount = std::min(m_iVertexCount, m_aData.GetItemCount());
    const unsigned newCount = m_aNewData.GetItemCount();
    General::Store<VertexData> merged("layerlevel extend tmp");
    if (uint64_t(oldCount) + newCount > 0xFFFFFFFFu || !merged.SetItemCount(oldCount + newCount, false))
        return false;
    std::sort(m_aNewData.begin(), m_aNewData.end(), ByGlobalIndex);
    unsigned i0 = 0, i1 = 0, out = 0;
    while (i0 < oldCount || i1 < newCount) {
        if (i1 < newCount &&
            (i0 == oldCount || m_aData[i0].m_iGlobalVertexIndex > m_aNewData[i1].m_iGlobalVertexIndex)) {
            merged[out++] = m_aNewData[i1++];
        } else {
            TV_ASSERT(i1 == newCount || m_aData[i0].m_iGlobalVertexIndex != m_aNewData[i1].m_iGlobalVertexIndex);
            merged[out++] = m_aData[i0++];
        }
    }
    m_aData.Take(merged);
    m_iVertexCount = oldCount + newCount;
    m_aNewData.SetItemCount(0, true);
    MeshHost::Get().RefreshObjectInfo();
    Log("Layer extended, vertex count: %d\n", int(m_iVertexCount));
    return true;
}

bool LayerLevel::MapVertices(General::Store<General::IntPair> &table)
{
    const unsigned vertices = m_pLevel->m_aVertexMap.HasItems() ? m_pLevel->m_aVertexMap.GetItemCount()
                                                                 : m_pLevel->m_iVertexCount;
    if (!table.SetItemCount(vertices, false))
        return false;
    const unsigned records = std::min(m_iVertexCount, m_aData.GetItemCount());
    unsigned r = 0, out = 0;
    ForEachVertexByGlobalId(*m_pLevel, [&](unsigned local, int global) {
        while (r < records && m_aData[r].m_iGlobalVertexIndex < global)
            ++r;
        const bool found = r < records && m_aData[r].m_iGlobalVertexIndex == global;
        table[out++] = General::IntPair{int(local), found ? int(r) : -1};
    });
    return true;
}

void LayerLevel::ApplyToMesh(float factor)
{
    const unsigned records = std::min(m_iVertexCount, m_aData.GetItemCount());
    unsigned r = 0;
    ForEachVertexByGlobalId(*m_pLevel, [&](unsigned local, int global) {
        while (r < records && m_aData[r].m_iGlobalVertexIndex < global)
            ++r;
        if (r == records || m_aData[r].m_iGlobalVertexIndex != global || !TV_CHECK(local < m_pLevel->m_iVertexCount))
            return;
        const VertexData &record = m_aData[r];
        Vertex &vertex = m_pLevel->m_pVertices[local];
        m_pLevel->SetVertexPosition(local, vertex.m_vPosition + record.m_vOffset * (record.m_fWeight * factor));
        // Through the stroke's restore record while a stroke holds the vertex: its stamp field
        // then names that record.
        m_pLevel->VertexStrokeID(local) = int32_t(m_pLevel->m_iPropagationStamp);
    });
    // Rewriting stroke numbers can part vertices from their pre-stroke copies, which picks test.
    if (m_pLevel->m_pOctree)
        m_pLevel->m_pOctree->InvalidateFaceCopies();
}

void LayerLevel::ApplyWeightsToMask()
{
    const unsigned records = std::min(m_iVertexCount, m_aData.GetItemCount());
    unsigned r = 0;
    ForEachVertexByGlobalId(*m_pLevel, [&](unsigned local, int global) {
        if (!TV_CHECK(local < m_pLevel->m_iVertexCount))
            return;
        while (r < records && m_aData[r].m_iGlobalVertexIndex < global)
            ++r;
        const bool found = r < records && m_aData[r].m_iGlobalVertexIndex == global;
        m_pLevel->m_pVertices[local].SetMask(found ? m_aData[r].m_fWeight : 1.0f);
    });
}

bool LayerLevel::Serialize(Stream &stream)
{
    const int v = stream.GetVersion();
    const bool storing = stream.IsStoring();
    uint32_t count = m_iVertexCount;
    stream.Serialize(count);
    if (v >= 66)
        stream.Serialize(m_fStrength);
    if (stream.HasError())
        return false;
    if (v >= 102) {
        if (!stream.SerializeArray(m_aData))
            return false;
    } else if (storing) {
        // The old form has exactly the counted records.
        for (uint32_t i = 0; i < count; ++i) {
            VertexData record = i < m_aData.GetItemCount() ? m_aData[i] : VertexData{{0, 0, 0}, 1.0f, -1};
            stream.Transfer(&record, sizeof(record));
        }
    } else {
        if (!stream.Expect(uint64_t(count) * sizeof(VertexData)) || !m_aData.SetItemCount(count, false)) {
            stream.SetError();
            return false;
        }
        if (count && !stream.Transfer(m_aData.begin(), uint64_t(count) * sizeof(VertexData)))
            return false;
    }
    if (!storing) {
        // More valid records than the list holds would be read past its end.
        if (count > m_aData.GetItemCount()) {
            Log("Layer data of a level claims %u records but holds %u\n", count, m_aData.GetItemCount());
            stream.SetError();
            return false;
        }
        // Lookups search the records by binary search: out of order or repeated ids would
        // put offsets on the wrong vertices, or none.
        for (uint32_t i = 1; i < count; ++i)
            if (m_aData[i].m_iGlobalVertexIndex <= m_aData[i - 1].m_iGlobalVertexIndex) {
                Log("Layer data of a level is not in ascending vertex order at record %u\n", i);
                stream.SetError();
                return false;
            }
        m_iVertexCount = count;
        m_aNewData.SetItemCount(0, true);
    }
    return !stream.HasError();
}
