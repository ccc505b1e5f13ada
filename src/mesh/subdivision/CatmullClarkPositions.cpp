#include "mesh/subdivision/CatmullClarkPositions.h"

#include "mesh/subdivision/ChildLayout.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/subdivision/PolygonNeighbours.h"
#include "mesh/levels/SubdivLevel.h"

using namespace LevelBits;
using ChildLayout::kNone;
using General::Vector;

CatmullClarkPositions::CatmullClarkPositions(SubdivLevel &level, bool smooth)
    : L(level), P(*level.m_pPrev), m_bSmooth(smooth)
{
}

bool CatmullClarkPositions::Compute()
{
    m_iCC = L.m_aCCPositions.GetItemCount();
    m_pCC = L.m_aCCPositions.GetBuffer();
    L.m_aCCPositions.Fill(Vector(0, 0, 0));
    const unsigned vertexCount = std::min(P.m_iVertexCount, P.m_pVertices.GetItemCount());
    General::FileArray<VertexSums> sums(vertexCount);
    m_pSums = &sums;
    const bool polygons = P.m_aGenericFaces.HasItems();
    // Every entry is set below, with the vertex's target.
    const VertexSums none{Vector(0, 0, 0), 0, 0, kNone};

    if (polygons || (L.m_bFull && P.m_bFull)) {
        // The vertices of the level below keep their local indices on a whole level.
        for (unsigned p = 0; p < vertexCount; ++p) {
            VertexSums s = none;
            s.target = p;
            sums.Set(p, s);
        }
        if (polygons)
            Polygons();
        else
            P.WithFaces([&](const auto &parents) { Faces(parents, nullptr); });
    } else {
        const unsigned k = P.Corners();
        General::FileArray<unsigned int> children(P.m_iFaceCount * k), vertices(vertexCount);
        L.BuildChildTables(k, children, vertices);
        for (unsigned p = 0; p < vertexCount; ++p) {
            VertexSums s = none;
            s.target = vertices.Get(p);
            sums.Set(p, s);
        }
        vertices.Release();
        P.WithFaces([&](const auto &parents) { Faces(parents, &children); });
    }
    Vertices();
    m_pSums = nullptr;
    return true;
}

template <class Face>
void CatmullClarkPositions::Faces(const General::Store<Face> &parents, General::FileArray<unsigned int> *children)
{
    const ChildLayout::Shape s{Face::kCorners};
    const unsigned k = s.k;
    const unsigned faceCount = std::min(P.m_iFaceCount, parents.GetItemCount());
    const unsigned vertexCount = m_pSums->GetSize();
    const unsigned childCount = std::min(L.m_iFaceCount, L.m_pQuads.GetItemCount());
    const Vertex *vertices = P.m_pVertices.GetBuffer();
    const Quad *quads = L.m_pQuads.GetBuffer();
    General::FileArray<VertexSums> &sums = *m_pSums;
    auto childOf = [&](unsigned f, unsigned c) {
        const unsigned child = children ? children->Get(f * k + c) : f * k + c;
        return child < childCount ? child : kNone;
    };
    auto corner = [&](unsigned child, unsigned at) {
        const unsigned v = CornerVertex(quads[child], at);
        return v < m_iCC ? v : kNone;
    };
    // The point on edge E_e of face f, from the children at either end of the edge.
    auto edgePoint = [&](unsigned f, unsigned e) {
        const unsigned first = childOf(f, s.ChildAt(e));
        if (first != kNone)
            return corner(first, s.EdgeCorner(e));
        const unsigned second = childOf(f, s.ChildAt(s.Next(e)));
        return second != kNone ? corner(second, s.PrevEdgeCorner(s.Next(e))) : kNone;
    };

    for (unsigned f = 0; f < faceCount; ++f) {
        const Face &parent = parents[f];
        unsigned p[4];
        Vector V[4], centre(0, 0, 0);
        bool usable = true;
        for (unsigned c = 0; c < k; ++c) {
            p[c] = CornerVertex(parent, c);
            usable = usable && p[c] < vertexCount;
            if (usable) {
                V[c] = vertices[p[c]].m_vPosition;
                centre += V[c];
            }
        }
        if (!TV_CHECK(usable))
            continue;
        centre *= 1.0f / float(k);

        for (unsigned c = 0; c < k; ++c) {
            const unsigned child = childOf(f, s.ChildAt(c));
            if (child == kNone)
                continue;
            if (const unsigned fp = corner(child, s.CentreCorner(c)); fp != kNone)
                m_pCC[fp] = centre;
            break;
        }

        for (unsigned e = 0; e < k; ++e) {
            const unsigned n = s.Next(e);
            const int32_t a = parent.m_iAdjacent[s.SlotOfEdge(e)];
            const bool inner = a >= 0 && unsigned(a) / k < faceCount;
            unsigned point = edgePoint(f, e);
            if (point == kNone && inner && children) {
                const unsigned h = unsigned(a) / k, he = s.EdgeOfSlot(unsigned(a) % k);
                point = edgePoint(h, he);
            }
            if (point != kNone) {
                if (inner && m_bSmooth)
                    m_pCC[point] += (V[e] + V[n]) * 0.125f + centre * 0.25f;
                else
                    m_pCC[point] = (V[e] + V[n]) * 0.5f;
            }
            if (!inner && m_bSmooth) {
                VertexSums a0 = sums.Get(p[e]);
                a0.border += V[n];
                ++a0.borderEdges;
                sums.Set(p[e], a0);
                VertexSums a1 = sums.Get(p[n]);
                a1.border += V[e];
                ++a1.borderEdges;
                sums.Set(p[n], a1);
            }
        }

        for (unsigned c = 0; c < k; ++c) {
            VertexSums sum = sums.Get(p[c]);
            if (sum.target >= m_iCC)
                continue;
            ++sum.faces;
            sums.Set(p[c], sum);
            if (m_bSmooth)
                m_pCC[sum.target] += centre + (V[s.Prev(c)] + V[s.Next(c)]) * 0.5f;
        }
    }
}

void CatmullClarkPositions::Polygons()
{
    const General::Store<GenericFace> &polygons = P.m_aGenericFaces;
    PolygonNeighbours neighbours(P);
    if (!neighbours.IsUsable())
        return;
    const unsigned vertexCount = m_pSums->GetSize();
    const unsigned childCount = std::min(L.m_iFaceCount, L.m_pQuads.GetItemCount());
    const Vertex *vertices = P.m_pVertices.GetBuffer();
    General::FileArray<VertexSums> &sums = *m_pSums;
    General::Store<Vector> corners("subdiv polygon corners");
    for (unsigned i = 0; i < polygons.GetItemCount(); ++i) {
        const GenericFace &polygon = polygons[i];
        const unsigned n = polygon.m_aVertices.GetItemCount(), b = neighbours.FirstChild(i);
        if (!n || b + n > childCount || !corners.SetItemCount(n, false))
            continue;
        Vector centre(0, 0, 0);
        bool usable = true;
        for (unsigned c = 0; c < n; ++c) {
            const unsigned v = polygon.m_aVertices[c];
            usable = usable && v < vertexCount;
            corners[c] = usable ? vertices[v].m_vPosition : Vector(0, 0, 0);
            centre += corners[c];
        }
        if (!TV_CHECK(usable))
            continue;
        centre *= 1.0f / float(n);
        const unsigned fp = CornerVertex(L.m_pQuads[b], 2);
        if (fp < m_iCC)
            m_pCC[fp] = centre;
        for (unsigned c = 0; c < n; ++c) {
            const unsigned next = c + 1 == n ? 0 : c + 1, prev = c == 0 ? n - 1 : c - 1;
            unsigned h = 0, hs = 0;
            const bool inner = neighbours.Across(i, c, h, hs);
            const unsigned point = CornerVertex(L.m_pQuads[b + c], 1);
            if (point < m_iCC) {
                if (inner && m_bSmooth)
                    m_pCC[point] += (corners[c] + corners[next]) * 0.125f + centre * 0.25f;
                else
                    m_pCC[point] = (corners[c] + corners[next]) * 0.5f;
            }
            const unsigned v = polygon.m_aVertices[c], w = polygon.m_aVertices[next];
            if (!inner && m_bSmooth) {
                VertexSums sv = sums.Get(v);
                sv.border += corners[next];
                ++sv.borderEdges;
                sums.Set(v, sv);
                VertexSums sw = sums.Get(w);
                sw.border += corners[c];
                ++sw.borderEdges;
                sums.Set(w, sw);
            }
            VertexSums sum = sums.Get(v);
            ++sum.faces;
            sums.Set(v, sum);
            if (m_bSmooth && v < m_iCC)
                m_pCC[v] += centre + (corners[prev] + corners[next]) * 0.5f;
        }
    }
}

void CatmullClarkPositions::Vertices()
{
    General::FileArray<VertexSums> &sums = *m_pSums;
    const Vertex *vertices = P.m_pVertices.GetBuffer();
    for (unsigned p = 0; p < sums.GetSize(); ++p) {
        const VertexSums s = sums.Get(p);
        if (s.target >= m_iCC)
            continue;
        const Vector position = vertices[p].m_vPosition;
        Vector &cc = m_pCC[s.target];
        if (!m_bSmooth || s.faces == 0) {
            cc = position;
        } else if (s.borderEdges) {
            // A smooth border needs exactly two border edges and more than one face.
            cc = s.borderEdges == 2 && s.faces > 1 ? position * 0.75f + s.border * 0.125f : position;
        } else {
            const float n = float(s.faces);
            cc = position * ((n - 2.0f) / n) + cc * (1.0f / (n * n));
        }
    }
}
