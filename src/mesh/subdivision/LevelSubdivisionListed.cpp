// Adding the children of listed faces to a level that may hold only part of its faces.
// Children and vertices are related to the full numbering through the level's face and
// vertex maps; a neighbour that is not on the level is named by a pending entry,
// 0x80000000 + its global index × 4 + slot, which is resolved when it arrives.
#include "foundation/Progress.h"
#include "mesh/levels/FileArray.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/subdivision/LevelSubdivision.h"
#include "mesh/levels/SubdivLevel.h"

using namespace LevelBits;
using ChildLayout::kNone;

namespace {

const General::IntPair *FindGlobal(General::Map &map, unsigned global)
{
    const General::IntPair key{0, int(global)};
    return map.Find(&key);
}

}  // namespace

template <class Face>
bool LevelSubdivision::Listed(const General::Store<Face> &parents, const General::Store<unsigned int> &faces)
{
    const ChildLayout::Shape s = m_shape;
    const unsigned k = s.k;
    const unsigned listed = faces.GetItemCount();
    const unsigned first = L.m_iFaceCount;
    const unsigned vertexCount = P.m_iVertexCount;
    if (!TV_CHECK(!(L.m_bFull && first)) || !TV_CHECK(parents.GetItemCount() >= P.m_iFaceCount) ||
        !TV_CHECK(P.m_pVertices.GetItemCount() >= vertexCount))
        return Fail();
    for (unsigned i = 0; i < listed; ++i)
        if (!TV_CHECK(ParentGlobal(faces[i]) < P.m_iTotalFaceCount))
            return Fail();
    if (!GrowFaces(listed * k))
        return Fail();
    L.m_bFull = listed * k == L.m_iTotalFaceCount && P.m_bFull;
    P.m_aFaceMap.Sort(General::Map::kByFirst);

    // Face map: the new children follow the faces the level holds.
    if (!L.m_bFull) {
        TV_ASSERT(L.m_aFaceMap.GetItemCount() == first);
        if (!L.m_aFaceMap.Reserve(L.m_aFaceMap.GetItemCount() + listed * k, true))
            return Fail();
        for (unsigned i = 0; i < listed; ++i)
            for (unsigned c = 0; c < k; ++c)
                L.m_aFaceMap.Add({int(first + i * k + c), int(ParentGlobal(faces[i]) * k + c)});
        TV_ASSERT(L.m_aFaceMap.GetItemCount() == first + listed * k);
    }
    General::Progress().Advance();

    L.m_aFaceMap.Sort(General::Map::kBySecond);
    auto childEntry = [&](unsigned global, unsigned slot) {
        if (L.m_bFull)
            return int32_t(global * 4 + slot);
        const General::IntPair *found = FindGlobal(L.m_aFaceMap, global);
        return found ? int32_t(unsigned(found->first) * 4 + slot) : int32_t(kAbsentNeighbour + global * 4 + slot);
    };
    // The neighbour across an adjacency entry of a parent: global face and slot.
    auto neighbour = [&](int32_t a, unsigned &h, unsigned &hs) {
        if (a == -1)
            return false;
        if (uint32_t(a) >= kAbsentNeighbour) {
            const uint32_t r = uint32_t(a) - kAbsentNeighbour;
            h = r / k;
            hs = r % k;
            return TV_CHECK(h < P.m_iTotalFaceCount);
        }
        if (!TV_CHECK(unsigned(a) / k < P.m_iFaceCount))
            return false;
        h = ParentGlobal(unsigned(a) / k);
        hs = unsigned(a) % k;
        return TV_CHECK(h < P.m_iTotalFaceCount);
    };

    // Faces already here that waited for one of the new children now name it.
    if (!L.m_bFull) {
        for (unsigned f = 0; f < first; ++f)
            for (unsigned slot = 0; slot < 4; ++slot) {
                int32_t &entry = L.m_pQuads[f].m_iAdjacent[slot];
                if (entry == -1 || uint32_t(entry) < kAbsentNeighbour)
                    continue;
                const unsigned global = (uint32_t(entry) - kAbsentNeighbour) >> 2;
                const General::IntPair *found = FindGlobal(L.m_aFaceMap, global);
                if (!found)
                    continue;
                if (m_aResolved.Add({int(f * 4 + slot), entry}) < 0)
                    return Fail();
                entry = int32_t(unsigned(found->first) * 4 + (uint32_t(entry) & 3));
            }
        General::Progress().Advance();
    }

    for (unsigned i = 0; i < listed; ++i) {
        const Face &parent = parents[faces[i]];
        const unsigned b = first + i * k;
        Quad *child = L.m_pQuads.GetBuffer() + b;
        for (unsigned c = 0; c < k; ++c) {
            const unsigned n = s.ChildAt(s.Next(c));
            child[s.ChildAt(c)].m_iAdjacent[s.InnerSlot(c)] = int32_t((b + n) * 4 + s.InnerSlotOfNext(c));
            child[n].m_iAdjacent[s.InnerSlotOfNext(c)] = int32_t((b + s.ChildAt(c)) * 4 + s.InnerSlot(c));
        }
        for (unsigned e = 0; e < k; ++e) {
            unsigned h = 0, hs = 0;
            if (!neighbour(parent.m_iAdjacent[s.SlotOfEdge(e)], h, hs))
                continue;
            const unsigned he = s.EdgeOfSlot(hs);
            child[s.ChildAt(e)].m_iAdjacent[s.FirstHalfSlot(e)] =
                childEntry(h * k + s.ChildAt(s.Next(he)), s.SecondHalfSlot(he));
            child[s.ChildAt(s.Next(e))].m_iAdjacent[s.SecondHalfSlot(e)] =
                childEntry(h * k + s.ChildAt(he), s.FirstHalfSlot(he));
        }
    }
    General::Progress().Advance();

    // Parent vertex → the same vertex here, for the vertices the level holds already.
    General::FileArray<unsigned int> local(vertexCount);
    local.Fill(kNone);
    TV_ASSERT(L.m_aVertexMap.GetItemCount() == L.m_iVertexCount);
    if (L.m_aVertexMap.HasItems()) {
        P.m_aVertexMap.Sort(General::Map::kBySecond);
        const bool mapped = P.m_aVertexMap.HasItems();
        for (const General::IntPair &pair : L.m_aVertexMap) {
            const unsigned global = unsigned(pair.second);
            if (global >= P.m_iGlobalVertexBound)
                continue;
            const General::IntPair *found = mapped ? FindGlobal(P.m_aVertexMap, global) : nullptr;
            const unsigned p = found ? unsigned(found->first) : mapped ? kNone : global;
            if (p < vertexCount)
                local.Set(p, unsigned(pair.first));
        }
    }
    P.m_aVertexMap.Sort(General::Map::kByFirst);
    General::Progress().Advance();

    // Corners from the parents and the face points.
    const unsigned faceBase = P.m_iGlobalVertexBound;
    const unsigned edgeBase = faceBase + P.m_iTotalFaceCount;
    for (unsigned i = 0; i < listed; ++i) {
        const Face &parent = parents[faces[i]];
        Quad *child = L.m_pQuads.GetBuffer() + first + i * k;
        for (unsigned c = 0; c < k; ++c) {
            SetSelected(child[c], false);
            if (!IsMapped(parent)) {
                SetVisible(child[c], false);
                SetActive(child[c], false);
            }
        }
        for (unsigned c = 0; c < k; ++c) {
            const unsigned p = CornerVertex(parent, c);
            if (!TV_CHECK(p < vertexCount))
                return Fail();
            unsigned v = local.Get(p);
            if (v == kNone) {
                v = m_iNext++;
                if (L.m_aVertexMap.Add({int(v), int(ParentVertexGlobal(p))}) < 0)
                    return Fail();
                local.Set(p, v);
            }
            SetCornerVertex(child[s.ChildAt(c)], s.Pos(c), v);
        }
        const unsigned centre = m_iNext++;
        if (L.m_aVertexMap.Add({int(centre), int(faceBase + ParentGlobal(faces[i]))}) < 0)
            return Fail();
        for (unsigned c = 0; c < k; ++c)
            SetCornerVertex(child[s.ChildAt(c)], s.CentreCorner(c), centre);
    }
    local.Release();
    // The corners above came from the table: after a failed transfer they may be wrong.
    if (local.HasFailed()) {
        Log(" Cannot subdivide level %d: its vertex work table failed\n", P.GetLevelIndex());
        return Fail();
    }
    General::Progress().Advance();

    // Edge points: the level may hold one already (made with a neighbour's children).
    auto edgeGlobal = [&](unsigned i, unsigned e) {
        const unsigned slot = s.SlotOfEdge(e);
        unsigned key = ParentGlobal(faces[i]) * k + slot, h = 0, hs = 0;
        if (neighbour(parents[faces[i]].m_iAdjacent[slot], h, hs))
            key = std::min(key, h * k + hs);
        return edgeBase + key;
    };
    L.m_aVertexMap.Sort(General::Map::kBySecond);
    General::Store<unsigned int> missing("subdiv subdivide edgevertices");
    for (unsigned i = 0; i < listed; ++i)
        for (unsigned e = 0; e < k; ++e) {
            const unsigned global = edgeGlobal(i, e);
            if (!FindGlobal(L.m_aVertexMap, global) && missing.Add(global) < 0)
                return Fail();
        }
    missing.RemoveDuplicates();
    if (!L.m_aVertexMap.Reserve(L.m_aVertexMap.GetItemCount() + missing.GetItemCount(), true))
        return Fail();
    for (unsigned global : missing)
        L.m_aVertexMap.Add({int(m_iNext++), int(global)});
    missing.Clear();
    L.m_aVertexMap.Sort(General::Map::kBySecond);
    for (unsigned i = 0; i < listed; ++i) {
        Quad *child = L.m_pQuads.GetBuffer() + first + i * k;
        for (unsigned e = 0; e < k; ++e) {
            const General::IntPair *found = FindGlobal(L.m_aVertexMap, edgeGlobal(i, e));
            if (!TV_CHECK(found))
                return Fail();
            SetCornerVertex(child[s.ChildAt(e)], s.EdgeCorner(e), unsigned(found->first));
            SetCornerVertex(child[s.ChildAt(s.Next(e))], s.PrevEdgeCorner(s.Next(e)), unsigned(found->first));
        }
    }
    TV_ASSERT(!L.m_bFull || m_iNext == L.m_iTotalVertexCount);
    General::Progress().Advance();
    return true;
}

template bool LevelSubdivision::Listed(const General::Store<Quad> &, const General::Store<unsigned int> &);
template bool LevelSubdivision::Listed(const General::Store<Triangle> &, const General::Store<unsigned int> &);
