// Splitting a base of polygons (n-sided faces): every polygon gives one quad per corner,
// numbered on from the children of the polygons before it, and the level is numbered
// densely: the base's vertices keep their indices, then come the polygon centres, then
// the edge points in the order they are made.
#include "foundation/Progress.h"
#include "mesh/levels/FileArray.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/subdivision/LevelSubdivision.h"
#include "mesh/subdivision/PolygonNeighbours.h"
#include "mesh/levels/SubdivLevel.h"

using namespace LevelBits;
using ChildLayout::kNone;

bool LevelSubdivision::Polygons()
{
    const General::Store<GenericFace> &polygons = P.m_aGenericFaces;
    const unsigned count = polygons.GetItemCount();
    const unsigned vertexCount = P.m_iVertexCount;
    PolygonNeighbours neighbours(P);
    if (!neighbours.IsUsable())
        return Fail();
    const unsigned total = neighbours.ChildCount();
    if (!GrowFaces(total))
        return Fail();
    L.m_bFull = true;

    // A polygon base is whole: a total above the vertices it holds comes from a damaged file,
    // and numbering past it would ask for memory that no face needs.
    if (P.m_iTotalVertexCount > vertexCount) {
        Log(" Cannot subdivide the polygons: the level counts %u vertices but holds %u\n", P.m_iTotalVertexCount,
            vertexCount);
        return Fail();
    }
    const unsigned centreBase = vertexCount;
    m_iNext = centreBase + count;
    General::FileArray<unsigned int> edgeOf(total);  // per child b + c: the point on polygon edge c
    edgeOf.Fill(kNone);
    Quad *quads = L.m_pQuads.GetBuffer();
    unsigned open = 0;
    for (unsigned i = 0; i < count; ++i) {
        const GenericFace &polygon = polygons[i];
        const unsigned n = polygon.m_aVertices.GetItemCount(), b = neighbours.FirstChild(i);
        for (unsigned c = 0; c < n; ++c) {
            Quad &q = quads[b + c];
            SetSelected(q, false);
            const unsigned v = polygon.m_aVertices[c];
            if (!TV_CHECK(v < vertexCount))
                return Fail();
            SetCornerVertex(q, 0, v);
            SetCornerVertex(q, 2, centreBase + i);
        }
        for (unsigned c = 0; c < n; ++c) {
            const unsigned next = c + 1 == n ? 0 : c + 1;
            unsigned h = 0, hs = 0;
            const bool shared = neighbours.Across(i, c, h, hs);
            unsigned edge = edgeOf.Get(b + c);
            if (edge == kNone) {
                edge = m_iNext++;
                edgeOf.Set(b + c, edge);
                if (shared)
                    edgeOf.Set(neighbours.FirstChild(h) + hs, edge);
            }
            SetCornerVertex(quads[b + c], 1, edge);
            SetCornerVertex(quads[b + next], 3, edge);
            quads[b + c].m_iAdjacent[1] = int32_t((b + next) * 4 + 2);
            quads[b + next].m_iAdjacent[2] = int32_t((b + c) * 4 + 1);
            if (shared) {
                const unsigned hn = polygons[h].m_aVertices.GetItemCount(), hb = neighbours.FirstChild(h);
                quads[b + c].m_iAdjacent[0] = int32_t((hb + (hs + 1) % hn) * 4 + 3);
                quads[b + next].m_iAdjacent[3] = int32_t((hb + hs) * 4 + 0);
            } else {
                open += 2;
            }
        }
    }
    edgeOf.Release();
    // Shared edge points came from the table: after a failed transfer they may be wrong.
    if (edgeOf.HasFailed()) {
        Log(" Cannot subdivide the polygons: their edge work table failed\n");
        return Fail();
    }
    General::Progress().Advance();

    // The numbering is dense, so the vertex map is the identity.
    if (!L.m_aVertexMap.SetItemCount(m_iNext, false))
        return Fail();
    for (unsigned v = 0; v < m_iNext; ++v)
        L.m_aVertexMap[v] = {int(v), int(v)};
    L.m_aVertexMap.MarkUnsorted();
    L.m_iTotalFaceCount = total;
    L.m_iTotalVertexCount = m_iNext;
    L.m_iGlobalVertexBound = m_iNext;
    L.m_iOpenEdges = open;
    General::Progress().Advance();
    return true;
}
