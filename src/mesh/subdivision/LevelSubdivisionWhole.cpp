// Splitting every face of a full level into an empty level. Faces are visited in order,
// so the edge point of an edge whose neighbour came first is already a corner of the
// neighbour's child and is read from there: no map is searched. The vertices of the level
// below keep their local indices, so no table relates them either.
#include "foundation/Progress.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/subdivision/LevelSubdivision.h"
#include "mesh/levels/SubdivLevel.h"

using namespace LevelBits;

template <class Face>
bool LevelSubdivision::Whole(const General::Store<Face> &parents)
{
    const ChildLayout::Shape s = m_shape;
    const unsigned k = s.k;
    const unsigned T = P.m_iFaceCount;
    const unsigned vertexCount = P.m_iVertexCount;
    if (!TV_CHECK(parents.GetItemCount() >= T && P.m_pVertices.GetItemCount() >= vertexCount))
        return Fail();
    if (!GrowFaces(T * k, false))
        return Fail();
    L.m_bFull = true;
    P.m_aVertexMap.Sort(General::Map::kByFirst);

    // Every vertex of the level below keeps its local index here; face and edge points
    // follow, in the order the faces make them.
    // Room for the vertices the level will have; the count of open edges makes it exact.
    const unsigned expectedOpen = std::min(P.m_iOpenEdges, T * k);
    if (!L.m_aVertexMap.Reserve(vertexCount + T + (T * k + expectedOpen) / 2, false))
        return Fail();
    for (unsigned p = 0; p < vertexCount; ++p)
        L.m_aVertexMap.Add({int(p), int(ParentVertexGlobal(p))});
    m_iNext = vertexCount;
    General::Progress().Advance();

    const unsigned faceBase = P.m_iGlobalVertexBound;
    const unsigned edgeBase = faceBase + P.m_iTotalFaceCount;
    Quad *children = L.m_pQuads.GetBuffer();
    const Quad blank = BlankQuad();
    unsigned open = 0;
    bool ok = true;
    auto add = [&](unsigned global) {
        const unsigned v = m_iNext++;
        ok = ok && L.m_aVertexMap.Add({int(v), int(global)}) >= 0;
        return v;
    };

    for (unsigned f = 0; f < T && ok; ++f) {
        const Face &parent = parents[f];
        Quad *child = children + size_t(f) * k;
        for (unsigned c = 0; c < k; ++c) {
            Quad &q = child[c];
            q = blank;
            SetSelected(q, false);
            if (!IsMapped(parent)) {
                SetVisible(q, false);
                SetActive(q, false);
            }
        }
        for (unsigned c = 0; c < k; ++c) {
            const unsigned p = CornerVertex(parent, c);
            if (!TV_CHECK(p < vertexCount))
                return Fail();
            SetCornerVertex(child[s.ChildAt(c)], s.Pos(c), p);
        }
        const unsigned centre = add(faceBase + f);
        for (unsigned c = 0; c < k; ++c) {
            Quad &q = child[s.ChildAt(c)];
            SetCornerVertex(q, s.CentreCorner(c), centre);
            Quad &n = child[s.ChildAt(s.Next(c))];
            q.m_iAdjacent[s.InnerSlot(c)] = int32_t((f * k + s.ChildAt(s.Next(c))) * 4 + s.InnerSlotOfNext(c));
            n.m_iAdjacent[s.InnerSlotOfNext(c)] = int32_t((f * k + s.ChildAt(c)) * 4 + s.InnerSlot(c));
        }
        for (unsigned e = 0; e < k; ++e) {
            const unsigned slot = s.SlotOfEdge(e);
            const int32_t a = parent.m_iAdjacent[slot];
            Quad &first = child[s.ChildAt(e)];
            Quad &second = child[s.ChildAt(s.Next(e))];
            unsigned edge;
            if (a >= 0 && unsigned(a) / k < T) {
                const unsigned h = unsigned(a) / k, hs = unsigned(a) % k, he = s.EdgeOfSlot(hs);
                if (h < f || (h == f && he < e))
                    edge = CornerVertex(children[size_t(h) * k + s.ChildAt(he)], s.EdgeCorner(he));
                else
                    edge = add(edgeBase + std::min(f * k + slot, h * k + hs));
                first.m_iAdjacent[s.FirstHalfSlot(e)] =
                    int32_t((h * k + s.ChildAt(s.Next(he))) * 4 + s.SecondHalfSlot(he));
                second.m_iAdjacent[s.SecondHalfSlot(e)] = int32_t((h * k + s.ChildAt(he)) * 4 + s.FirstHalfSlot(he));
            } else {
                TV_ASSERT(a == -1);
                edge = add(edgeBase + f * k + slot);
                open += 2;
            }
            SetCornerVertex(first, s.EdgeCorner(e), edge);
            SetCornerVertex(second, s.PrevEdgeCorner(s.Next(e)), edge);
        }
    }
    if (!ok)
        return Fail();
    General::Progress().Advance();
    L.m_iTotalVertexCount = m_iNext;
    L.m_iOpenEdges = open;
    return true;
}

template bool LevelSubdivision::Whole(const General::Store<Quad> &);
template bool LevelSubdivision::Whole(const General::Store<Triangle> &);
