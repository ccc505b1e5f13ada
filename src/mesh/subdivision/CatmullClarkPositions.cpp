#include "mesh/subdivision/CatmullClarkPositions.h"

#include "mesh/subdivision/ChildLayout.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/subdivision/PolygonNeighbours.h"
#include "mesh/levels/SubdivLevel.h"
#include "foundation/Threads.h"

#include <atomic>
#include <memory>
#include <new>

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
    if (P.m_aGenericFaces.HasItems()) {
        Polygons();
        return !m_bSmooth || SmoothPolygonSplit();
    }
    const unsigned vertexCount = std::min(P.m_iVertexCount, P.m_pVertices.GetItemCount());
    General::FileArray<VertexSums> sums(vertexCount);
    m_pSums = &sums;
    // Every entry is set below, with the vertex's target.
    const VertexSums none{Vector(0, 0, 0), 0, 0, kNone};
    bool tablesFailed = false;

    if (L.m_bFull && P.m_bFull) {
        // The vertices of the level below keep their local indices on a whole level.
        for (unsigned p = 0; p < vertexCount; ++p) {
            VertexSums s = none;
            s.target = p;
            sums.Set(p, s);
        }
        P.WithFaces([&](const auto &parents) { FullFaces(parents); });
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
        P.WithFaces([&](const auto &parents) {
            Faces(parents, &children, 0, parents.GetItemCount(), [](unsigned) { return true; }, nullptr, true);
        });
        children.Release();
        tablesFailed = vertices.HasFailed() || children.HasFailed();
    }
    Vertices(P.Corners());
    m_pSums = nullptr;
    // Released first so that a failure of the last write counts too.
    sums.Release();
    // A work table whose file failed may have handed back wrong items: the store is not to be used.
    return !(tablesFailed || sums.HasFailed());
}

template <class Face, class Mine>
void CatmullClarkPositions::Faces(const General::Store<Face> &parents, General::FileArray<unsigned int> *children,
                                  unsigned from, unsigned to, Mine mine, std::vector<unsigned> *others,
                                  bool report)
{
    const ChildLayout::Shape s{Face::kCorners};
    const unsigned k = s.k;
    const unsigned faceCount = std::min(P.m_iFaceCount, parents.GetItemCount());
    const unsigned vertexCount = m_pSums->GetSize();
    const unsigned childCount = std::min(L.m_iFaceCount, L.m_pQuads.GetItemCount());
    const Vertex *vertices = P.m_pVertices.GetBuffer();
    const Quad *quads = L.m_pQuads.GetBuffer();
    General::FileArray<VertexSums> &sums = *m_pSums;
    VertexSums *whole = sums.GetWholeBuffer();
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

    // An item that this pass does not write makes the face one that another pass visits again.
    bool other = false;
    auto write = [&](unsigned item) {
        if (mine(item))
            return true;
        other = true;
        return false;
    };
    for (unsigned f = from; f < std::min(to, faceCount); ++f) {
        const Face &parent = parents[f];
        other = false;
        unsigned p[4];
        Vector V[4], centre(0, 0, 0);
        bool open[4] = {};
        bool usable = true;
        for (unsigned c = 0; c < k; ++c) {
            p[c] = CornerVertex(parent, c);
            usable = usable && p[c] < vertexCount;
            if (usable) {
                V[c] = vertices[p[c]].m_vPosition;
                centre += V[c];
            }
        }
        if (!usable) {
            // Reported by a pass on the calling thread.
            if (others)
                others->push_back(f);
            else if (report)
                TV_CHECK(usable);
            continue;
        }
        centre *= 1.0f / float(k);

        for (unsigned c = 0; c < k; ++c) {
            const unsigned child = childOf(f, s.ChildAt(c));
            if (child == kNone)
                continue;
            if (const unsigned fp = corner(child, s.CentreCorner(c)); fp != kNone && write(fp))
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
            if (point != kNone && write(point)) {
                if (inner && m_bSmooth)
                    m_pCC[point] += (V[e] + V[n]) * 0.125f + centre * 0.25f;
                else
                    m_pCC[point] = (V[e] + V[n]) * 0.5f;
            }
            open[e] = !inner;
        }

        for (unsigned c = 0; c < k; ++c) {
            if (!write(p[c]))
                continue;
            VertexSums sum = whole ? whole[p[c]] : sums.Get(p[c]);
            if (sum.target >= m_iCC)
                continue;
            const unsigned prev = s.Prev(c), next = s.Next(c);
            // The second face of a vertex adds no border edges when both of its edges there
            // are open: two faces that only touch at the vertex count as one border.
            if (m_bSmooth && !(sum.faces == 1 && open[c] && open[prev])) {
                if (open[c]) {
                    sum.border += V[next];
                    ++sum.borderEdges;
                }
                if (open[prev]) {
                    sum.border += V[prev];
                    ++sum.borderEdges;
                }
            }
            ++sum.faces;
            if (whole)
                whole[p[c]] = sum;
            else
                sums.Set(p[c], sum);
            if (!m_bSmooth)
                continue;
            if (k == 4)
                m_pCC[sum.target] += centre + (V[prev] + V[next]) * 0.5f;
            else
                m_pCC[sum.target] += V[prev] + V[next];
        }
        if (other && others)
            others->push_back(f);
    }
}

namespace {
// The faces of the level below that one thread visits at the least.
constexpr unsigned kFacesPerPart = 1u << 15;
}  // namespace

template <class Face>
void CatmullClarkPositions::FullFaces(const General::Store<Face> &parents)
{
    const unsigned faceCount = std::min(P.m_iFaceCount, parents.GetItemCount());
    const auto all = [](unsigned) { return true; };
    const unsigned parts = std::min(General::ParallelParts(faceCount, kFacesPerPart), 255u);
    VertexSums *whole = m_pSums->GetWholeBuffer();
    std::unique_ptr<uint8_t[]> firstPart(parts > 1 && whole ? new (std::nothrow) uint8_t[m_iCC] : nullptr);
    if (!firstPart) {
        Faces(parents, nullptr, 0, faceCount, all, nullptr, true);
        return;
    }
    // Items are summed in face order. Faces are split into ranges of face order, and each
    // item is written in place by the first range that has a face writing it; the shares
    // of later ranges are added afterwards, range after range, in face order: the same sums.
    std::fill(firstPart.get(), firstPart.get() + m_iCC, uint8_t(0xFF));
    General::ParallelRanges(faceCount, parts, [&](unsigned a, unsigned b, unsigned part) {
        Faces(parents, nullptr, a, b, [&](unsigned item) {
            if (item < m_iCC) {
                std::atomic_ref<uint8_t> first(firstPart[item]);
                uint8_t now = first.load(std::memory_order_relaxed);
                while (now > part && !first.compare_exchange_weak(now, uint8_t(part), std::memory_order_relaxed)) {
                }
            }
            return false;
        }, nullptr, false);
    });
    auto owner = [&](unsigned item) { return item < m_iCC ? unsigned(firstPart[item]) : kNone; };
    std::vector<std::vector<unsigned>> later(parts);
    std::atomic<bool> refused{false};
    General::ParallelRanges(faceCount, parts, [&](unsigned a, unsigned b, unsigned part) {
        try {
            Faces(parents, nullptr, a, b, [&](unsigned item) { return owner(item) == part || owner(item) == kNone; },
                  part ? &later[part] : nullptr, part == 0);
        } catch (const std::bad_alloc &) {
            refused = true;
        }
    });
    if (refused) {
        // The faces left over could not be listed: all again, in one pass.
        L.m_aCCPositions.Fill(Vector(0, 0, 0));
        for (unsigned p = 0; p < m_pSums->GetSize(); ++p)
            whole[p] = VertexSums{Vector(0, 0, 0), 0, 0, p};
        Faces(parents, nullptr, 0, faceCount, all, nullptr, true);
        return;
    }
    for (unsigned part = 1; part < parts; ++part)
        for (const unsigned f : later[part])
            Faces(parents, nullptr, f, f + 1, [&](unsigned item) { return owner(item) != part; }, nullptr, true);
}

void CatmullClarkPositions::Polygons()
{
    const General::Store<GenericFace> &polygons = P.m_aGenericFaces;
    PolygonNeighbours neighbours(P);
    if (!neighbours.IsUsable())
        return;
    const unsigned vertexCount = std::min(P.m_iVertexCount, P.m_pVertices.GetItemCount());
    const unsigned childCount = std::min(L.m_iFaceCount, L.m_pQuads.GetItemCount());
    const Vertex *vertices = P.m_pVertices.GetBuffer();
    // The base's vertices keep their indices and their places.
    for (unsigned v = 0; v < std::min(vertexCount, m_iCC); ++v)
        m_pCC[v] = vertices[v].m_vPosition;
    for (unsigned i = 0; i < polygons.GetItemCount(); ++i) {
        const GenericFace &polygon = polygons[i];
        const unsigned n = polygon.m_aVertices.GetItemCount(), b = neighbours.FirstChild(i);
        if (!n || b + n > childCount)
            continue;
        Vector centre(0, 0, 0);
        bool usable = true;
        for (unsigned c = 0; c < n; ++c) {
            const unsigned v = polygon.m_aVertices[c];
            usable = usable && v < vertexCount;
            if (usable)
                centre += vertices[v].m_vPosition;
        }
        if (!TV_CHECK(usable))
            continue;
        centre *= 1.0f / float(n);
        if (const unsigned fp = CornerVertex(L.m_pQuads[b], 2); fp < m_iCC)
            m_pCC[fp] = centre;
        for (unsigned c = 0; c < n; ++c) {
            const unsigned next = c + 1 == n ? 0 : c + 1;
            const unsigned point = CornerVertex(L.m_pQuads[b + c], 1);
            if (point < m_iCC)
                m_pCC[point] = (vertices[polygon.m_aVertices[c]].m_vPosition +
                                vertices[polygon.m_aVertices[next]].m_vPosition) *
                               0.5f;
        }
    }
}

bool CatmullClarkPositions::SmoothPolygonSplit()
{
    General::FileArray<Vector> linear(m_iCC);
    General::FileArray<unsigned int> faces(m_iCC);
    for (unsigned v = 0; v < m_iCC; ++v)
        linear.Set(v, m_pCC[v]);
    faces.Fill(0);
    L.m_aCCPositions.Fill(Vector(0, 0, 0));
    const unsigned childCount = std::min(L.m_iFaceCount, L.m_pQuads.GetItemCount());
    for (unsigned f = 0; f < childCount; ++f) {
        unsigned q[4];
        for (unsigned j = 0; j < 4; ++j)
            q[j] = CornerVertex(L.m_pQuads[f], j);
        for (unsigned j = 0; j < 4; ++j) {
            const unsigned v = q[j], before = q[(j + 3) & 3], after = q[(j + 1) & 3];
            if (v >= m_iCC || before >= m_iCC || after >= m_iCC)
                continue;
            m_pCC[v] += (linear.Get(before) + linear.Get(after)) * 0.5f;
            faces.Set(v, faces.Get(v) + 1);
        }
    }
    for (unsigned v = 0; v < m_iCC; ++v) {
        const unsigned n = faces.Get(v);
        m_pCC[v] = n > 2 ? m_pCC[v] * (1.0f / float(n)) : linear.Get(v);
    }
    linear.Release();
    faces.Release();
    return !(linear.HasFailed() || faces.HasFailed());
}

void CatmullClarkPositions::Vertices(unsigned sides)
{
    General::FileArray<VertexSums> &sums = *m_pSums;
    const Vertex *vertices = P.m_pVertices.GetBuffer();
    const float s = float(sides);
    // Weight of each border edge (vertex and far end) in the border sum.
    const float c = sides == 4 ? 0.5f : 0.25f;
    const VertexSums *whole = sums.GetWholeBuffer();
    for (unsigned p = 0; p < sums.GetSize(); ++p) {
        const VertexSums sum = whole ? whole[p] : sums.Get(p);
        if (sum.target >= m_iCC)
            continue;
        const Vector position = vertices[p].m_vPosition;
        Vector &cc = m_pCC[sum.target];
        if (!m_bSmooth || sum.faces == 0) {
            cc = position;
        } else if (sum.borderEdges) {
            cc = sum.faces == 2 ? position * ((2.0f + c * float(sum.borderEdges)) / s) + sum.border * (c / s) : position;
        } else if (sides == 4) {
            const float n = float(sum.faces);
            cc = position * ((n - 2.0f) / n) + cc * (1.0f / (n * n));
        } else {
            const float n = float(sum.faces);
            const Vector v = (cc * (1.0f / n) + position * 16.0f) * (1.0f / 18.0f);
            cc = sum.faces == 6 ? v : position + (v - position) * (4.0f / n);
        }
    }
}
