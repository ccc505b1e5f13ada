// The faces a subdivision or level change works on, and texture coordinates rebuilt from
// the level below.
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/levels/SubdivLevel.h"

using namespace LevelBits;

namespace {

bool IsAbsent(int32_t entry) { return entry != -1 && uint32_t(entry) >= kAbsentNeighbour; }
unsigned AbsentGlobal(int32_t entry) { return (uint32_t(entry) - kAbsentNeighbour) / 4; }

}  // namespace

void SubdivLevel::CreateFaceList(General::Store<unsigned int> &faces, bool load)
{
    if (m_aGenericFaces.HasItems()) {
        for (unsigned f = 0; f < m_iFaceCount; ++f)
            faces.Add(f);
        return;
    }
    const bool selection = m_iSelectedFaces != 0;
    WithFaces([&](auto &store) {
        const unsigned count = std::min(m_iFaceCount, store.GetItemCount());
        for (unsigned f = 0; f < count; ++f) {
            if ((selection && !IsSelected(store[f])) || !IsVisible(store[f]))
                continue;
            SetSelected(store[f], true);
            faces.Add(f);
        }
    });
    if (!load || m_eType != typeQuadric)
        return;

    // The first ring around the selection: removed neighbours come back, held ones are
    // marked to be shown again.
    const unsigned count = std::min(m_iFaceCount, m_pQuads.GetItemCount());
    const unsigned before = count;
    General::Store<unsigned int> toLoad("subdiv createfacelist toload");
    auto held = [&](int32_t entry) { return entry >= 0 && unsigned(entry) / 4 < m_iFaceCount; };
    for (unsigned f = 0; f < count; ++f) {
        if (!IsSelected(m_pQuads[f]))
            continue;
        for (unsigned e = 0; e < 4; ++e) {
            const int32_t entry = m_pQuads[f].m_iAdjacent[e];
            if (IsAbsent(entry)) {
                toLoad.Add(AbsentGlobal(entry));
                continue;
            }
            if (!held(entry))
                continue;
            Quad &neighbour = m_pQuads[unsigned(entry) / 4];
            if (!IsVisible(neighbour) || IsSelected(neighbour))
                continue;
            SetMapped(neighbour, false);
            // Every slot of the neighbour but the one that leads back.
            const unsigned back = unsigned(entry) % 4;
            for (unsigned k = 0; k < 4; ++k) {
                if (k == back)
                    continue;
                const int32_t next = neighbour.m_iAdjacent[k];
                if (IsAbsent(next)) {
                    toLoad.Add(AbsentGlobal(next));
                } else if (held(next)) {
                    Quad &other = m_pQuads[unsigned(next) / 4];
                    if (IsVisible(other) && !IsSelected(other))
                        SetMapped(other, false);
                }
            }
        }
    }
    if (toLoad.HasItems()) {
        toLoad.RemoveDuplicates();
        RestoreFaces(toLoad, false, false, nullptr, true);
        // A second pass for the neighbours that the first one brought back.
        toLoad.Clear();
        for (unsigned f = 0; f < before; ++f) {
            if (!IsSelected(m_pQuads[f]))
                continue;
            for (unsigned e = 0; e < 4; ++e) {
                const int32_t entry = m_pQuads[f].m_iAdjacent[e];
                if (!held(entry) || IsSelected(m_pQuads[unsigned(entry) / 4]))
                    continue;
                const Quad &neighbour = m_pQuads[unsigned(entry) / 4];
                for (unsigned k = 0; k < 4; ++k)
                    if (k != unsigned(entry) % 4 && IsAbsent(neighbour.m_iAdjacent[k]))
                        toLoad.Add(AbsentGlobal(neighbour.m_iAdjacent[k]));
            }
        }
        if (toLoad.HasItems()) {
            toLoad.RemoveDuplicates();
            RestoreFaces(toLoad, false, false, nullptr, true);
        }
    }
    m_aExtraFaces.Clear();
    for (unsigned f = before; f < m_iFaceCount; ++f) {
        m_aExtraFaces.Add(f);
        faces.Add(f);
        SetMapped(m_pQuads[f], false);
    }
}

void SubdivLevel::RecreateUVs(bool clearFirst)
{
    if (m_eType != typeQuadric || !m_pPrev || (m_bFull && m_iTCCount))
        return;
    SubdivLevel &prev = *m_pPrev;
    if (clearFirst) {
        m_pTCs.Clear();
        m_iTCCount = 0;
    }
    if (MeshSwitches::s_bVerbose)
        Log("Recreating UVs\n");
    if (!m_iTCCount && !prev.m_iTCCount)
        prev.RecreateUVs(false);
    if (!prev.m_iTCCount)
        return;
    m_iTCCount = 0;
    m_pTCs.Clear();
    General::Store<unsigned int> parents("subdiv recreateuv listp");
    General::Store<unsigned int> missing("subdiv recreateuv list");

    auto clearTCs = [&](Quad &q) {
        for (int32_t &tci : q.m_iTCI)
            tci = int32_t(MeshFlags::kNoTC);
    };
    if (m_bFull && prev.m_bFull) {
        // Whole levels: every face of the level below is a parent, in order.
        const bool restorePrev = prev.m_iFaceCount == 0, restoreThis = m_iFaceCount == 0;
        if (restorePrev)
            prev.RestoreFaces(missing, false, true, nullptr, true);
        if (restoreThis)
            RestoreFaces(missing, false, true, nullptr, true);
        for (unsigned f = 0; f < prev.m_iFaceCount; ++f)
            parents.Add(f);
        for (unsigned f = 0; f < m_iFaceCount; ++f)
            clearTCs(m_pQuads[f]);
        UpdateTCs(parents, 0);
        General::Store<unsigned int> all("subdiv recreateuv all");
        if (restorePrev)
            prev.RemoveFaces(all, false);
        if (restoreThis)
            RemoveFaces(all, false);
        return;
    }

    // A partial level: the parents that the level below lacks come back for the rebuild.
    const unsigned sides = prev.Corners();
    const bool polygons = prev.m_aGenericFaces.HasItems();
    m_aFaceMap.Sort(General::Map::kByFirst);
    prev.m_aFaceMap.Sort(General::Map::kBySecond);
    auto global = [&](unsigned f) {
        return m_bFull || f >= m_aFaceMap.GetItemCount() ? f : unsigned(m_aFaceMap[f].second);
    };
    auto parentLocal = [&](unsigned parent) {
        if (prev.m_bFull)
            return parent < prev.m_iFaceCount ? parent : 0xFFFFFFFFu;
        const General::IntPair key{0, int(parent)};
        const General::IntPair *found = prev.m_aFaceMap.Find(&key);
        return found ? unsigned(found->first) : 0xFFFFFFFFu;
    };
    for (unsigned f = 0; f < m_iFaceCount; ++f) {
        const unsigned parent = global(f) / sides;
        if (parentLocal(parent) == 0xFFFFFFFFu && (!missing.HasItems() || missing.GetLast() != parent))
            missing.Add(parent);
        clearTCs(m_pQuads[f]);
    }
    const unsigned prevFaces = prev.m_iFaceCount;
    const bool restored = !polygons && missing.HasItems();
    if (restored && !prev.RestoreFaces(missing, false, false, nullptr, true))
        return;
    prev.m_aFaceMap.Sort(General::Map::kBySecond);
    for (unsigned f = 0; f < m_iFaceCount; ++f) {
        const unsigned local = parentLocal(global(f) / sides);
        if (!parents.HasItems() || parents.GetLast() != local)
            parents.Add(local);
    }
    UpdateTCs(parents, 0);
    if (restored && prev.m_iFaceCount > prevFaces) {
        General::Store<unsigned int> again("subdiv recreateuv origp");
        for (unsigned f = prevFaces; f < prev.m_iFaceCount; ++f)
            again.Add(f);
        prev.RemoveFaces(again, false);
    }
}
