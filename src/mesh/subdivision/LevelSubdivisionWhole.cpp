// Splitting every face of a full level into an empty level. The vertices of the level
// below keep their local indices, so no table relates them. Each face then makes its face
// point and the points of the edges it owns (an open edge, or an edge whose other face
// comes later in face order), numbered in face order. A first pass counts them per face,
// so that each face knows its first number and the faces can be split in parallel ranges:
// the point of an edge owned by the other face is numbered from that face's count, and
// every face writes only its own children. The result is the same for any thread count.
#include "foundation/Threads.h"
#include "foundation/Progress.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/subdivision/LevelSubdivision.h"
#include "mesh/levels/SubdivLevel.h"

#include <algorithm>
#include <atomic>
#include <vector>

using namespace LevelBits;

namespace {

// The faces a thread splits at the least.
constexpr unsigned kFacesPerPart = 1u << 15;

// Ownership of the edges of the parents of a whole split.
template <class Face>
struct EdgeOwners {
    // The parent's corner count is known when compiled: no division by a variable.
    static constexpr unsigned k = Face::kCorners;
    const Face *parents;
    unsigned T;
    ChildLayout::Shape s;

    // The face across edge E_e of face f and that face's edge, when the level holds it.
    bool Across(unsigned f, unsigned e, unsigned &h, unsigned &he) const
    {
        const int32_t a = parents[f].m_iAdjacent[s.SlotOfEdge(e)];
        if (a < 0 || unsigned(a) / k >= T)
            return false;
        h = unsigned(a) / k;
        he = s.EdgeOfSlot(unsigned(a) % k);
        return true;
    }
    bool Owns(unsigned f, unsigned e) const
    {
        unsigned h, he;
        return !Across(f, e, h, he) || !(h < f || (h == f && he < e));
    }
    // Owned edges of face f before its edge e.
    unsigned OwnedBefore(unsigned f, unsigned e) const
    {
        unsigned n = 0;
        for (unsigned i = 0; i < e; ++i)
            n += Owns(f, i);
        return n;
    }
};

}  // namespace

template <class Face>
bool LevelSubdivision::Whole(const General::Store<Face> &parents)
{
    static constexpr ChildLayout::Shape s{Face::kCorners};
    constexpr unsigned k = s.k;
    const unsigned T = P.m_iFaceCount;
    const unsigned vertexCount = P.m_iVertexCount;
    if (!TV_CHECK(parents.GetItemCount() >= T && P.m_pVertices.GetItemCount() >= vertexCount))
        return Fail();
    const EdgeOwners<Face> owners{parents.GetBuffer(), T, s};
    const unsigned parts = General::ParallelParts(T, kFacesPerPart);

    // The first new vertex of each face, from the count of the points it makes.
    General::Store<unsigned int> firstOf("subdiv whole first vertex");
    if (!firstOf.SetItemCount(T + 1, false))
        return Fail();
    std::vector<uint64_t> openOfPart(parts, 0);
    General::ParallelRanges(T, parts, [&](unsigned a, unsigned b, unsigned part) {
        uint64_t open = 0;
        for (unsigned f = a; f < b; ++f) {
            unsigned made = 1;
            for (unsigned e = 0; e < k; ++e) {
                unsigned h, he;
                const bool inner = owners.Across(f, e, h, he);
                open += inner ? 0 : 2;
                made += !inner || !(h < f || (h == f && he < e));
            }
            firstOf[f] = made;
        }
        openOfPart[part] = open;
    });
    uint64_t next = vertexCount, open = 0;
    for (unsigned f = 0; f < T; ++f) {
        const unsigned made = firstOf[f];
        firstOf[f] = unsigned(std::min<uint64_t>(next, 0xFFFFFFFFu));
        next += made;
    }
    for (const uint64_t o : openOfPart)
        open += o;
    if (next > MeshFlags::kIndexMask + uint64_t(1))
        return Fail();
    firstOf[T] = unsigned(next);

    if (!GrowFaces(T * k, false))
        return Fail();
    L.m_bFull = true;
    P.m_aVertexMap.Sort(General::Map::kByFirst);
    // Every vertex of the level below keeps its local index here; face and edge points
    // follow, in the order the faces make them.
    if (!L.m_aVertexMap.SetItemCount(unsigned(next), false))
        return Fail();
    L.m_aVertexMap.MarkUnsorted();
    General::IntPair *map = L.m_aVertexMap.GetBuffer();
    for (unsigned p = 0; p < vertexCount; ++p)
        map[p] = {int(p), int(ParentVertexGlobal(p))};
    m_iNext = unsigned(next);
    General::Progress().Advance();

    const unsigned faceBase = P.m_iGlobalVertexBound;
    const unsigned edgeBase = faceBase + P.m_iTotalFaceCount;
    Quad *children = L.m_pQuads.GetBuffer();
    const Face *parent0 = parents.GetBuffer();
    const unsigned *first = firstOf.GetBuffer();
    const Quad blank = BlankQuad();
    std::atomic<bool> usable{true};

    // The point on edge E_e of face f: numbered by the face that owns the edge.
    auto edgePoint = [&](unsigned f, unsigned e) {
        unsigned h, he;
        while (owners.Across(f, e, h, he) && (h < f || (h == f && he < e))) {
            f = h;
            e = he;
        }
        return first[f] + 1 + owners.OwnedBefore(f, e);
    };

    General::ParallelRanges(T, parts, [&](unsigned a, unsigned b, unsigned) {
        for (unsigned f = a; f < b; ++f) {
            const Face &parent = parent0[f];
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
                if (p >= vertexCount) {
                    usable = false;
                    return;
                }
                SetCornerVertex(child[s.ChildAt(c)], s.Pos(c), p);
            }
            const unsigned centre = first[f];
            map[centre] = {int(centre), int(faceBase + f)};
            for (unsigned c = 0; c < k; ++c) {
                Quad &q = child[s.ChildAt(c)];
                SetCornerVertex(q, s.CentreCorner(c), centre);
                Quad &n = child[s.ChildAt(s.Next(c))];
                q.m_iAdjacent[s.InnerSlot(c)] = int32_t((f * k + s.ChildAt(s.Next(c))) * 4 + s.InnerSlotOfNext(c));
                n.m_iAdjacent[s.InnerSlotOfNext(c)] = int32_t((f * k + s.ChildAt(c)) * 4 + s.InnerSlot(c));
            }
            unsigned made = centre + 1;
            for (unsigned e = 0; e < k; ++e) {
                const unsigned slot = s.SlotOfEdge(e);
                Quad &firstHalf = child[s.ChildAt(e)];
                Quad &secondHalf = child[s.ChildAt(s.Next(e))];
                unsigned h, he, edge;
                if (owners.Across(f, e, h, he)) {
                    const unsigned hs = unsigned(parent.m_iAdjacent[slot]) % k;
                    if (h < f || (h == f && he < e)) {
                        edge = edgePoint(h, he);
                    } else {
                        edge = made++;
                        map[edge] = {int(edge), int(edgeBase + std::min(f * k + slot, h * k + hs))};
                    }
                    firstHalf.m_iAdjacent[s.FirstHalfSlot(e)] =
                        int32_t((h * k + s.ChildAt(s.Next(he))) * 4 + s.SecondHalfSlot(he));
                    secondHalf.m_iAdjacent[s.SecondHalfSlot(e)] =
                        int32_t((h * k + s.ChildAt(he)) * 4 + s.FirstHalfSlot(he));
                } else {
                    TV_ASSERT(parent.m_iAdjacent[slot] == -1);
                    edge = made++;
                    map[edge] = {int(edge), int(edgeBase + f * k + slot)};
                }
                SetCornerVertex(firstHalf, s.EdgeCorner(e), edge);
                SetCornerVertex(secondHalf, s.PrevEdgeCorner(s.Next(e)), edge);
            }
        }
    });
    if (!TV_CHECK(usable.load()))
        return Fail();
    General::Progress().Advance();
    L.m_iTotalVertexCount = m_iNext;
    L.m_iOpenEdges = unsigned(open);
    return true;
}

template bool LevelSubdivision::Whole(const General::Store<Quad> &);
template bool LevelSubdivision::Whole(const General::Store<Triangle> &);
