// Normals, edge adjacency, vertex stars and texture-coordinate smoothing.
#include "mesh/core/AdjacentVertexEnumerator.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/MeshTopology.h"
#include "mesh/core/Placement.h"
#include "mesh/core/TCSmoother.h"

#include "foundation/Progress.h"
#include "foundation/Threads.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <new>
#include <vector>

using namespace MeshFlags;

namespace {

// Unit length, but a zero vector stays zero.
General::Vector NormalizeOrZero(const General::Vector &v)
{
    const float length = v.Length();
    return length > 0.0f ? v * (1.0f / length) : General::Vector(0, 0, 0);
}

template <class Face>
bool Continues(const Face &face)
{
    if constexpr (Face::kCorners == 3)
        return (face.m_iIndices[2] & kBit31) != 0;
    else
        return false;
}

// Links a and b along every edge that they share in opposite directions; a link always
// holds both ways. Where a slot is already linked to a third face (three or more faces on
// one edge), the first pair is kept and the later face sees the edge open, or, with
// `replace`, the old partner is let go and sees it open instead.
template <class Face>
void Pair(Face *faces, unsigned count, unsigned a, unsigned b, bool replace)
{
    constexpr unsigned n = Face::kCorners;
    Face &fa = faces[a];
    Face &fb = faces[b];
    auto release = [&](int32_t entry, int32_t back) {
        if (entry >= 0 && unsigned(entry) / n < count && faces[unsigned(entry) / n].m_iAdjacent[unsigned(entry) % n] == back)
            faces[unsigned(entry) / n].m_iAdjacent[unsigned(entry) % n] = -1;
    };
    for (unsigned i = 0; i < n; ++i) {
        const uint32_t ai = fa.m_iIndices[i] & kIndexMask;
        const uint32_t ai1 = fa.m_iIndices[(i + 1) % n] & kIndexMask;
        for (unsigned j = 0; j < n; ++j) {
            if ((fb.m_iIndices[j] & kIndexMask) != ai || (fb.m_iIndices[(j + n - 1) % n] & kIndexMask) != ai1)
                continue;
            const unsigned slotA = Face::SlotFrom(i), slotB = Face::SlotFrom((j + n - 1) % n);
            const int32_t toB = int32_t(b * n + slotB), toA = int32_t(a * n + slotA);
            int32_t &linkA = fa.m_iAdjacent[slotA];
            int32_t &linkB = fb.m_iAdjacent[slotB];
            if ((linkA >= 0 && linkA != toB) || (linkB >= 0 && linkB != toA)) {
                if (!replace)
                    continue;
                if (linkA != toB)
                    release(linkA, toA);
                if (linkB != toA)
                    release(linkB, toB);
            }
            linkA = toB;
            linkB = toA;
        }
    }
}

// Links faces in file order, each to the earlier faces filed under one of its vertices.
// With `only` (ascending face numbers), just those faces are filed and paired, and their
// links are not cleared first: the bucket build leaves them this for the edges it cannot
// decide, and since only such faces share those edges, the links come out as if all
// faces had gone through here.
template <class Face>
void LinkFaceByFace(const Mesh &mesh, Face *faces, unsigned faceCount, int *head, int *link, const uint32_t *only,
                    unsigned onlyCount)
{
    constexpr unsigned n = Face::kCorners, k = n - 1;
    const unsigned count = only ? onlyCount : faceCount;
    const auto face = [&](unsigned i) { return only ? only[i] : i; };
    General::ProgressMeter &meter = General::Progress();
    // Each face is filed under its first k corners; any edge that it shares with an
    // earlier face covers one of those corners of that face, so every pair is met.
    for (unsigned i = 0; i < count; ++i) {
        const unsigned t = face(i);
        for (unsigned f = 0; f < n; ++f) {
            const uint32_t a = faces[t].m_iIndices[f] & kIndexMask;
            if (a >= mesh.m_iVertexCount)
                continue;
            for (unsigned e = 0; e < k; ++e)
                for (int y = head[a * k + e]; y >= 0; y = link[unsigned(y) * k + e])
                    Pair(faces, faceCount, face(unsigned(y)), t, false);
            if (f < k) {
                link[i * k + f] = head[a * k + f];
                head[a * k + f] = int(i);
            }
        }
        if (!only)
            meter.Advance();
    }
}

// LinkFaceByFace over `only` (null: all faces), with its work tables; false when they cannot be had.
template <class Face>
bool LinkFaceByFace(const Mesh &mesh, Face *faces, unsigned faceCount, const uint32_t *only, unsigned onlyCount)
{
    const unsigned k = Face::kCorners - 1;
    General::Store<int> head("mesh adjacency heads");
    General::Store<int> link("mesh adjacency links");
    if (!head.SetItemCount(mesh.m_iVertexCount * k, false) || !link.SetItemCount((only ? onlyCount : faceCount) * k, false))
        return false;
    head.Fill(-1);
    LinkFaceByFace(mesh, faces, faceCount, head.GetBuffer(), link.GetBuffer(), only, onlyCount);
    return true;
}

// Files every half-edge with both ends in the mesh under its lower vertex, then looks at
// each bucket's edges on their own: an edge with one half-edge each way, in two faces,
// is linked at once; one with half-edges only one way stays open. Any other edge (three
// or more faces, a face on both sides, an edge from a vertex to itself), any half-edge
// with an end outside the mesh and any bucket too large to sort on the stack mark their
// faces, which LinkFaceByFace then takes. Each thread owns a range of vertices and reads
// all faces for the half-edges of its range, so that no two threads write one bucket.
template <class Face>
bool LinkInBuckets(const Mesh &mesh, Face *faces, unsigned faceCount, unsigned threads)
{
    constexpr unsigned n = Face::kCorners;
    constexpr uint32_t kForward = 0x80000000u;  // beside a half-edge's number: it leaves the bucket's vertex
    constexpr unsigned kMaxBucket = 64;
    const uint32_t vertexCount = mesh.m_iVertexCount;
    for (unsigned t = 0; t < faceCount; ++t)
        for (int32_t &entry : faces[t].m_iAdjacent)
            entry = -1;
    // Half-edge numbers share 32 bits with the direction, as links do with nothing.
    if (uint64_t(faceCount) * n >= kForward)
        return LinkFaceByFace(mesh, faces, faceCount, nullptr, 0);
    General::Store<uint32_t> starts("mesh adjacency buckets");
    General::Store<uint32_t> halfEdges("mesh adjacency half-edges");
    General::Store<uint8_t> marked("mesh adjacency marks");
    if (!starts.SetItemCount(vertexCount, false) || !halfEdges.SetItemCount(faceCount * n, false) ||
        !marked.SetItemCount(faceCount, false))
        return false;
    starts.Fill(0);
    marked.Fill(0);
    uint32_t *start = starts.GetBuffer();
    uint32_t *half = halfEdges.GetBuffer();
    uint8_t *mark = marked.GetBuffer();
    std::atomic<bool> anyMarked{false};
    const auto markFace = [&](uint32_t t) {
        std::atomic_ref<uint8_t>(mark[t]).store(1, std::memory_order_relaxed);
        anyMarked.store(true, std::memory_order_relaxed);
    };
    const auto corner = [faces](uint32_t f, unsigned c) { return faces[f].m_iIndices[c] & kIndexMask; };
    // Calls fn(half-edge, lower vertex) for each half-edge whose lower vertex lies in [low, high).
    const auto eachHalfEdge = [&](uint32_t low, uint32_t high, auto fn) {
        for (uint32_t t = 0; t < faceCount; ++t)
            for (unsigned c = 0; c < n; ++c) {
                const uint32_t a = corner(t, c), b = corner(t, (c + 1) % n), lower = std::min(a, b);
                if (lower >= low && lower < high && std::max(a, b) < vertexCount)
                    fn(t * n + c, lower);
            }
    };
    // Left to choose, small meshes keep to fewer threads than it would take to start them.
    constexpr unsigned kFacesPerThread = 1u << 14;
    if (threads == 0)
        threads = std::min(General::AvailableThreads(), faceCount / kFacesPerThread + 1);
    const unsigned parts = std::max(1u, std::min(threads, vertexCount));
    const auto partStart = [&](unsigned part) { return uint32_t(uint64_t(vertexCount) * part / parts); };
    General::ProgressMeter &meter = General::Progress();

    // The half-edges of each bucket are counted, and faces with a corner outside the mesh marked.
    General::ParallelFor(parts, parts, 1, [&](uint64_t part, uint64_t) {
        eachHalfEdge(partStart(unsigned(part)), partStart(unsigned(part) + 1),
                     [&](uint32_t, uint32_t lower) { ++start[lower]; });
        const uint32_t firstFace = uint32_t(uint64_t(faceCount) * part / parts),
                       endFace = uint32_t(uint64_t(faceCount) * (part + 1) / parts);
        for (uint32_t t = firstFace; t < endFace; ++t)
            for (unsigned c = 0; c < n; ++c)
                if (corner(t, c) >= vertexCount)
                    markFace(t);
    });
    meter.Advance(faceCount / 3);
    // Each count becomes the start of its bucket; the filing moves it on to the end, which
    // is where the next bucket starts.
    uint32_t sum = 0;
    for (uint32_t v = 0; v < vertexCount; ++v) {
        const uint32_t count = start[v];
        start[v] = sum;
        sum += count;
    }

    General::ParallelFor(parts, parts, 1, [&](uint64_t part, uint64_t) {
        const uint32_t low = partStart(unsigned(part)), high = partStart(unsigned(part) + 1);
        if (low == high)
            return;
        const uint32_t base = start[low];
        eachHalfEdge(low, high, [&](uint32_t h, uint32_t lower) { half[start[lower]++] = h; });
        uint64_t keys[kMaxBucket];  // the other vertex, the direction and the half-edge
        for (uint32_t v = low; v < high; ++v) {
            const uint32_t begin = v == low ? base : start[v - 1];
            const uint32_t *first = half + begin;
            const unsigned size = start[v] - begin;
            if (size > kMaxBucket) {
                for (unsigned i = 0; i < size; ++i)
                    markFace(first[i] / n);
                continue;
            }
            for (unsigned i = 0; i < size; ++i) {
                const uint32_t h = first[i], a = corner(h / n, h % n);
                keys[i] = a == v ? uint64_t(corner(h / n, (h % n + 1) % n)) << 32 | kForward | h : uint64_t(a) << 32 | h;
            }
            std::sort(keys, keys + size);
            for (unsigned i = 0; i < size;) {
                // One edge: its half-edges into v (backward) sort before those out of v.
                const uint32_t w = uint32_t(keys[i] >> 32);
                unsigned end = i + 1;
                while (end < size && uint32_t(keys[end] >> 32) == w)
                    ++end;
                unsigned forward = 0;
                for (unsigned j = i; j < end; ++j)
                    forward += (keys[j] & kForward) != 0;
                const unsigned backward = end - i - forward;
                const uint32_t to = uint32_t(keys[i]) & ~kForward, from = uint32_t(keys[end - 1]) & ~kForward;
                if (w != v && forward == 1 && backward == 1 && from / n != to / n) {
                    faces[from / n].m_iAdjacent[Face::SlotFrom(from % n)] = int32_t(to / n * n + Face::SlotFrom(to % n));
                    faces[to / n].m_iAdjacent[Face::SlotFrom(to % n)] = int32_t(from / n * n + Face::SlotFrom(from % n));
                } else if (w == v || (forward && backward)) {
                    for (unsigned j = i; j < end; ++j)
                        markFace((uint32_t(keys[j]) & ~kForward) / n);
                }
                i = end;
            }
        }
    });
    meter.Advance(faceCount / 3);
    starts.Clear();
    halfEdges.Clear();
    if (!anyMarked.load())
        return true;
    General::Store<uint32_t> only("mesh adjacency marked faces");
    unsigned onlyCount = 0;
    for (uint32_t t = 0; t < faceCount; ++t)
        onlyCount += mark[t];
    if (!only.SetItemCount(onlyCount, false))
        return false;
    for (uint32_t t = 0, i = 0; t < faceCount; ++t)
        if (mark[t])
            only[i++] = t;
    marked.Clear();
    return LinkFaceByFace(mesh, faces, faceCount, only.GetBuffer(), onlyCount);
}

}  // namespace

void Mesh::GetFaceNormal(General::Vector &normal, unsigned face) const
{
    const Vertex *vertices = m_pVertices.GetBuffer();
    auto p = [&](unsigned i) { return vertices[i].m_vPosition; };
    const unsigned vertexCount = std::min(m_iVertexCount, m_pVertices.GetItemCount());
    if (!TV_CHECK(face < m_iFaceCount)) {
        normal = General::Vector(0, 0, 0);
        return;
    }
    normal = WithFaces([&](const auto &faces) {
        const auto &f = faces[face];
        unsigned v[4] = {};
        for (unsigned i = 0; i < f.kCorners; ++i) {
            v[i] = f.m_iIndices[i] & kIndexMask;
            if (v[i] >= vertexCount)
                return General::Vector(0, 0, 0);
        }
        if (f.kCorners == 4)
            return NormalizeOrZero((p(v[0]) - p(v[2])).Cross(p(v[1]) - p(v[3])));
        const General::Vector n = (p(v[0]) - p(v[1])).Cross(p(v[0]) - p(v[2]));
        const float length = n.Length();
        return length < 1e-5f ? General::Vector(0, 0, 0) : n * (1.0f / length);
    });
}

namespace {

// One group of faces that share a normal (a quad; a polygon's fan of triangles) from face t:
// works the normal out, writes it to the faces, calls share(vertex, normal) for each vertex
// sum it goes to, in order, and returns the face after the group.
unsigned NormalGroup(Triangle *faces, unsigned t, unsigned faceCount, const Vertex *vertices, unsigned vertexCount,
                     bool keepFreeze, auto share)
{
    auto position = [&](unsigned i) { return vertices[i].m_vPosition; };
    unsigned end = t + 1;
    while (end < faceCount && Continues(faces[end]))
        ++end;
    General::Vector normal(0, 0, 0);
    unsigned counted = 0;
    for (unsigned i = t; i < end; ++i) {
        const Triangle &f = faces[i];
        const unsigned a = f.m_iIndices[0] & kIndexMask, b = f.m_iIndices[1] & kIndexMask,
                       c = f.m_iIndices[2] & kIndexMask;
        if (a >= vertexCount || b >= vertexCount || c >= vertexCount)
            continue;
        General::Vector n = (position(a) - position(b)).Cross(position(a) - position(c));
        const float length = n.Length();
        n = length < 1e-5f ? General::Vector(0, 0, 0) : n * (1.0f / length);
        if (n.Length() > 0.0f) {
            normal += n;
            ++counted;
        }
    }
    if (counted)
        normal *= 1.0f / float(counted);
    for (unsigned i = t; i < end; ++i) {
        Triangle &f = faces[i];
        for (unsigned c = 0; c < 3; ++c) {
            const unsigned v = f.m_iIndices[c] & kIndexMask;
            if (v < vertexCount)
                share(v, normal);
        }
        PackNormal(normal, f.m_aNormal);
        if (!keepFreeze)
            f.m_iFreeze = 0;
    }
    return end;
}

unsigned NormalGroup(Quad *faces, unsigned q, unsigned, const Vertex *vertices, unsigned vertexCount, bool keepFreeze,
                     auto share)
{
    auto position = [&](unsigned i) { return vertices[i].m_vPosition; };
    Quad &f = faces[q];
    const unsigned v0 = f.m_iIndices[0] & kIndexMask, v1 = f.m_iIndices[1] & kIndexMask,
                   v2 = f.m_iIndices[2] & kIndexMask, v3 = f.m_iIndices[3] & kIndexMask;
    General::Vector normal(0, 0, 0);
    if (v0 < vertexCount && v1 < vertexCount && v2 < vertexCount && v3 < vertexCount) {
        normal = NormalizeOrZero((position(v0) - position(v2)).Cross(position(v1) - position(v3)));
        share(v0, normal);
        share(v1, normal);
        share(v2, normal);
        share(v3, normal);
    }
    PackNormal(normal, f.m_aNormal);
    if (!keepFreeze)
        f.m_iFreeze = 0;
    return q + 1;
}

struct NormalShare {
    uint32_t vertex;
    General::Vector normal;
};

// Every face's normal, and in sum[v] the normals of v's faces added in face order. The faces
// are cut into consecutive parts worked on at once; a vertex's sum is written by the first
// part that reaches it, and what later parts give it is added afterwards, part by part, so
// the sums are those of one pass in face order for any number of processors.
template <class Face>
void SumNormals(Face *faces, unsigned faceCount, const Vertex *vertices, unsigned vertexCount, bool keepFreeze,
                General::Vector *sum)
{
    const auto inOnePass = [&] {
        std::fill(sum, sum + vertexCount, General::Vector(0, 0, 0));
        for (unsigned t = 0; t < faceCount;)
            t = NormalGroup(faces, t, faceCount, vertices, vertexCount, keepFreeze,
                            [&](unsigned v, const General::Vector &n) { sum[v] += n; });
    };
    const unsigned parts = std::min(255u, General::ParallelParts(faceCount, 1u << 15));
    General::Store<uint8_t> owners("mesh normalcalc parts");
    if (parts < 2 || !owners.SetItemCount(vertexCount, false))
        return inOnePass();
    uint8_t *owner = owners.GetBuffer();
    // Parts begin with a group, never inside a polygon's fan.
    std::vector<unsigned> bounds(parts + 1, faceCount);
    bounds[0] = 0;
    for (unsigned p = 1; p < parts; ++p) {
        unsigned b = std::max(bounds[p - 1], unsigned(uint64_t(faceCount) * p / parts));
        while (b < faceCount && Continues(faces[b]))
            ++b;
        bounds[p] = b;
    }
    General::ParallelFor(vertexCount, parts, 1u << 16, [&](uint64_t begin, uint64_t end) {
        std::fill(sum + begin, sum + end, General::Vector(0, 0, 0));
        std::fill(owner + begin, owner + end, uint8_t(0xFF));
    });
    General::ParallelFor(parts, parts, 1, [&](uint64_t p, uint64_t) {
        for (unsigned t = bounds[p]; t < bounds[p + 1]; ++t)
            for (uint32_t index : faces[t].m_iIndices)
                if ((index & kIndexMask) < vertexCount) {
                    std::atomic_ref<uint8_t> first(owner[index & kIndexMask]);
                    for (uint8_t seen = first.load(std::memory_order_relaxed);
                         p < seen && !first.compare_exchange_weak(seen, uint8_t(p), std::memory_order_relaxed);) {
                    }
                }
    });
    std::vector<std::vector<NormalShare>> later(parts);
    std::atomic<bool> refused{false};
    General::ParallelFor(parts, parts, 1, [&](uint64_t p, uint64_t) {
        try {
            for (unsigned t = bounds[p]; t < bounds[p + 1];)
                t = NormalGroup(faces, t, bounds[p + 1], vertices, vertexCount, keepFreeze,
                                [&](unsigned v, const General::Vector &n) {
                                    if (owner[v] == p)
                                        sum[v] += n;
                                    else
                                        later[p].push_back({v, n});
                                });
        } catch (const std::bad_alloc &) {
            refused = true;
        }
    });
    // Without the memory for the later shares, one pass does it all again.
    if (refused)
        return inOnePass();
    for (const std::vector<NormalShare> &shares : later)
        for (const NormalShare &share : shares)
            sum[share.vertex] += share.normal;
}

}  // namespace

void Mesh::CalculateNormals(bool keepFreeze)
{
    // Normals are corrected for the object's non-uniform scale; a bare mesh is unscaled.
    General::Vector factor(1, 1, 1);
    if (Placement *placement = GetPlacement()) {
        const General::Vector s = placement->GetScale();
        factor = General::Vector(1.0f / (s.x * s.x), 1.0f / (s.y * s.y), 1.0f / (s.z * s.z));
    }
    const unsigned vertexCount = std::min(m_iVertexCount, m_pVertices.GetItemCount());
    General::Store<General::Vector> sums("mesh normalcalc");
    if (!sums.SetItemCount(vertexCount, false)) {
        Log("Calculate normals failed.\n");
        return;
    }
    General::Vector *sum = sums.GetBuffer();
    Vertex *vertices = m_pVertices.GetBuffer();

    General::ProgressMeter &meter = General::Progress();
    meter.Start(QStringLiteral("calculating normals..."), m_iFaceCount, 50);
    TV_ASSERT(m_eType == typeTriangular || m_eType == typeQuadric);
    WithFaces([&](auto &store) {
        const unsigned faceCount = std::min(m_iFaceCount, store.GetItemCount());
        SumNormals(store.GetBuffer(), faceCount, vertices, vertexCount, keepFreeze, sum);
    });
    meter.Advance(m_iFaceCount);
    meter.End();

    General::ParallelFor(vertexCount, 0, 1u << 16, [&](uint64_t begin, uint64_t end) {
        for (uint64_t v = begin; v < end; ++v) {
            General::Vector n(sum[v].x * factor.x, sum[v].y * factor.y, sum[v].z * factor.z);
            n.Normalize();
            PackNormal(n, vertices[v].m_aNormal);
        }
    });
    m_bNormalsValid = true;
}

bool Mesh::CalculateAdjacency()
{
    return MeshTopology::CalculateAdjacency(*this, 0, MeshTopology::AdjacencyBuild::Buckets);
}

bool MeshTopology::CalculateAdjacency(Mesh &mesh, unsigned threads, AdjacencyBuild how)
{
    if (mesh.m_bAdjacencyValid)
        return true;
    Log("Building adjacency.");
    General::ProgressMeter &meter = General::Progress();
    const bool built = mesh.WithFaces([&](auto &store) {
        const unsigned faceCount = std::min(mesh.m_iFaceCount, store.GetItemCount());
        auto *faces = store.GetBuffer();
        meter.Start(QStringLiteral("calculating adjacency..."), faceCount, 50);
        if (how == AdjacencyBuild::Buckets)
            return LinkInBuckets(mesh, faces, faceCount, threads);
        for (unsigned t = 0; t < faceCount; ++t)
            for (int32_t &entry : faces[t].m_iAdjacent)
                entry = -1;
        return LinkFaceByFace(mesh, faces, faceCount, nullptr, 0);
    });
    if (!built) {
        // Walks and subdivision would read stale neighbours: say so, and leave the flag clear.
        Log(" Not enough memory to build the adjacency of %u faces\n", mesh.m_iFaceCount);
        meter.End();
        return false;
    }
    mesh.m_bAdjacencyValid = true;
    mesh.m_iOpenEdges = mesh.WithFaces([&](const auto &faces) {
        uint32_t open = 0;
        const unsigned faceCount = std::min(mesh.m_iFaceCount, faces.GetItemCount());
        for (unsigned t = 0; t < faceCount; ++t)
            for (int32_t entry : faces[t].m_iAdjacent)
                open += entry < 0;
        return open;
    });
    Log(" Number of open edges: %d\n", int(mesh.m_iOpenEdges));
    meter.End();
    return true;
}

void Mesh::PairTriangles(unsigned a, unsigned b)
{
    if (TV_CHECK(a < m_pTriangles.GetItemCount() && b < m_pTriangles.GetItemCount()))
        Pair(m_pTriangles.GetBuffer(), m_pTriangles.GetItemCount(), a, b, true);
}

void Mesh::PairQuads(unsigned a, unsigned b)
{
    if (TV_CHECK(a < m_pQuads.GetItemCount() && b < m_pQuads.GetItemCount()))
        Pair(m_pQuads.GetBuffer(), m_pQuads.GetItemCount(), a, b, true);
}

unsigned Mesh::EnumerateAdjacentVertices(AdjacentVertexEnumerator &enumerator, unsigned vertex, unsigned face)
{
    enumerator.m_bOpen = false;
    return WithFaces([&](auto &faces) -> unsigned {
        using Face = std::remove_reference_t<decltype(faces[0])>;
        constexpr unsigned n = Face::kCorners;
        const unsigned faceCount = std::min(m_iFaceCount, faces.GetItemCount());
        if (!TV_CHECK(face < faceCount))
            return 0;
        auto cornerOf = [&](unsigned f) {
            unsigned i = 0;
            while (i < n && (faces[f].m_iIndices[i] & kIndexMask) != vertex)
                ++i;
            return i;
        };
        const unsigned start = face, startCorner = cornerOf(face);
        if (startCorner == n) {
            AssertFailed(__FILE__, __LINE__, n == 3 ? "!(i == 3)" : "!(i == 4)", nullptr);
            return 0;
        }
        bool forward = true;
        unsigned f = start, i = startCorner, count = 0;
        // A consistent star visits each (face, corner) pair at most once per direction;
        // the bound only stops a walk around damaged adjacency.
        const uint64_t limit = uint64_t(faceCount) * n * 2 + 2;
        for (uint64_t step = 0; step < limit; ++step) {
            if (!TV_CHECK((faces[f].m_iIndices[i] & kIndexMask) == vertex))
                return count;
            unsigned slot;
            if (forward) {
                enumerator.OnAdjacentVertex(*this, faces[f].m_iIndices[(i + 1) % n] & kIndexMask, f);
                slot = Face::SlotFrom(i);
            } else {
                enumerator.OnAdjacentVertex(*this, faces[f].m_iIndices[(i + n - 1) % n] & kIndexMask, f);
                slot = Face::SlotFrom((i + n - 1) % n);
            }
            ++count;
            const int32_t entry = faces[f].m_iAdjacent[slot];
            if (entry < 0) {
                enumerator.m_bOpen = true;
                if (!forward)
                    return count;
                forward = false;
                f = start;
                i = startCorner;
                continue;
            }
            const unsigned g = unsigned(entry) / n, s = unsigned(entry) % n;
            if (!TV_CHECK(g < faceCount))
                return count;
            if (forward && g == start)
                return count;
            // The neighbour runs the shared edge the other way round.
            const unsigned edgeStart = Face::SlotStart(s);
            i = forward ? (edgeStart + 1) % n : edgeStart;
            f = g;
        }
        return count;
    });
}

bool Mesh::GrowFaceList(General::Store<unsigned int> &list)
{
    const unsigned count = list.GetItemCount();
    const unsigned n = Corners();
    for (unsigned i = 0; i < count; ++i) {
        const unsigned face = list[i];
        if (!TV_CHECK(face < m_iFaceCount))
            continue;
        for (unsigned s = 0; s < n; ++s) {
            const int32_t entry = WithFaces([&](const auto &faces) { return faces[face].m_iAdjacent[s]; });
            if (entry < 0)
                continue;
            if (list.Add(unsigned(entry) / n) < 0) {
                list.SetItemCount(count, true);
                return false;
            }
        }
    }
    list.RemoveDuplicates();
    return true;
}

void TCSmoother::Visit(Mesh &mesh, unsigned vertex, unsigned face)
{
    mesh.WithFaces([&](const auto &faces) {
        const auto &f = faces[face];
        int own = -1;
        bool usesTarget = false;
        for (unsigned c = 0; c < f.kCorners; ++c) {
            if ((f.m_iIndices[c] & kIndexMask) == vertex)
                own = f.m_iTCI[c];
            usesTarget = usesTarget || f.m_iTCI[c] == m_iTarget;
        }
        if (!usesTarget || own < 0 || unsigned(own) >= mesh.m_pTCs.GetItemCount())
            return;
        m_fSumU += mesh.m_pTCs[unsigned(own)].u;
        m_fSumV += mesh.m_pTCs[unsigned(own)].v;
        ++m_iCount;
    });
}

bool TCSmoother::Average(unsigned vertex, unsigned tc, unsigned face)
{
    m_fSumU = m_fSumV = 0.0f;
    m_iTarget = int(tc);
    m_iCount = 0;
    Visit(*m_pMesh, vertex, face);
    m_iStarCount = int(m_pMesh->EnumerateAdjacentVertices(*this, vertex, face)) + 1;
    if (m_bOpen)
        return false;
    if (m_iCount) {
        m_fSumU /= float(m_iCount);
        m_fSumV /= float(m_iCount);
    }
    return m_iCount == m_iStarCount;
}

void Mesh::SmoothTCs(float)
{
    const unsigned tcCount = std::min(m_iTCCount, m_pTCs.GetItemCount());
    General::Store<bool> border("unknown");
    if (!border.SetItemCount(tcCount, false))
        throw General::Error(0, QCoreApplication::translate("Mesh", "Out of memory"));
    border.Fill(false);
    const unsigned n = Corners();
    auto tcOf = [&](unsigned face, unsigned corner) {
        return WithFaces([&](const auto &faces) { return faces[face].m_iTCI[corner % n]; });
    };
    auto markBorder = [&](int32_t tc) {
        if (tc >= 0 && unsigned(tc) < tcCount)
            border[unsigned(tc)] = true;
    };
    // An edge is continuous in texture space when the neighbour uses the same two coordinates at its ends.
    WithFaces([&](const auto &faces) {
        using Face = std::remove_cvref_t<decltype(faces[0])>;
        const unsigned faceCount = std::min(m_iFaceCount, faces.GetItemCount());
        for (unsigned f = 0; f < faceCount; ++f) {
            for (unsigned s = 0; s < n; ++s) {
                const unsigned a = Face::SlotStart(s), b = (a + 1) % n;
                const int32_t entry = faces[f].m_iAdjacent[s];
                bool continuous = false;
                if (entry >= 0 && unsigned(entry) / n < faceCount) {
                    const auto &g = faces[unsigned(entry) / n];
                    const unsigned ga = Face::SlotStart(unsigned(entry) % n), gb = (ga + 1) % n;
                    continuous = g.m_iTCI[gb] == faces[f].m_iTCI[a] && g.m_iTCI[ga] == faces[f].m_iTCI[b];
                }
                if (!continuous) {
                    markBorder(faces[f].m_iTCI[a]);
                    markBorder(faces[f].m_iTCI[b]);
                }
            }
        }
    });

    if (m_aOriginalTCs.HasItems()) {
        const unsigned count = std::min(m_aOriginalTCs.GetItemCount(), tcCount);
        std::copy(m_aOriginalTCs.begin(), m_aOriginalTCs.begin() + count, m_pTCs.begin());
        m_aOriginalTCs.Clear();
    }
    if (m_iFaceCount < m_iTotalFaceCount) {
        if (!m_aOriginalTCs.SetItemCount(tcCount, false))
            throw General::Error(0, QCoreApplication::translate("Mesh", "Not enough memory"));
        std::copy(m_pTCs.begin(), m_pTCs.begin() + tcCount, m_aOriginalTCs.begin());
    }

    General::Store<TC> result("unknown");
    if (!result.SetItemCount(tcCount, false))
        throw General::Error(0, QCoreApplication::translate("Mesh", "Not enough memory"));
    std::copy(m_pTCs.begin(), m_pTCs.begin() + tcCount, result.begin());
    TCSmoother smoother(*this);
    for (unsigned f = 0; f < m_iFaceCount; ++f) {
        for (unsigned c = 0; c < n; ++c) {
            const int32_t tc = tcOf(f, c);
            if (tc < 0 || unsigned(tc) >= tcCount || border[unsigned(tc)])
                continue;
            if (smoother.Average(FaceVertexIndex(f, c), unsigned(tc), f))
                result[unsigned(tc)] = TC{smoother.m_fSumU, smoother.m_fSumV};
        }
    }
    for (unsigned t = 0; t < tcCount; ++t)
        if (!border[t])
            m_pTCs[t] = result[t];
}

bool Mesh::CalculateTCBounds()
{
    General::ProgressMeter &meter = General::Progress();
    meter.Start(QStringLiteral("calculating tc bounds..."), m_iTCCount, 100);
    float minU = 1e10f, minV = 1e10f, maxU = -1e10f, maxV = -1e10f;
    const unsigned tcCount = std::min(m_iTCCount, m_pTCs.GetItemCount());
    for (unsigned t = 0; t < tcCount; ++t) {
        const TC &tc = m_pTCs[t];
        minU = std::min(minU, tc.u);
        maxU = std::max(maxU, tc.u);
        minV = std::min(minV, tc.v);
        maxV = std::max(maxV, tc.v);
        meter.Advance();
    }
    meter.End();
    if (maxU - minU >= 0.0001f && maxV - minV >= 0.0001f) {
        m_cTCBounds = AABB(General::Vector(minU, minV, 0), General::Vector(maxU, maxV, 0));
        return true;
    }
    m_cTCBounds = AABB(General::Vector(0, 0, 0), General::Vector(1, 1, 0));
    return false;
}

AABB Mesh::TCBounds(bool recalculate)
{
    if (recalculate || m_cTCBounds.IsEmpty())
        CalculateTCBounds();
    return m_cTCBounds;
}

float Mesh::FindBiggestTCFace(unsigned &face) const
{
    float biggest = 0.0f;
    if (m_iFaceCount)
        face = 0;
    const unsigned n = Corners();
    for (unsigned f = 0; f < m_iFaceCount; ++f) {
        AABB box;
        for (unsigned c = 0; c < n; ++c) {
            const int32_t t = WithFaces([&](const auto &faces) { return faces[f].m_iTCI[c]; });
            if (!TV_CHECK(t >= 0 && unsigned(t) < m_iTCCount && unsigned(t) < m_pTCs.GetItemCount()))
                continue;
            box.Extend(General::Vector(m_pTCs[unsigned(t)].u, m_pTCs[unsigned(t)].v, 0));
        }
        if (box.IsEmpty())
            continue;
        const float extent = std::max(box.m_vMax.x - box.m_vMin.x, box.m_vMax.y - box.m_vMin.y);
        if (extent > biggest) {
            biggest = extent;
            face = f;
        }
    }
    return biggest;
}

void Mesh::AddEdgeTangents(unsigned vertexA, unsigned vertexB, unsigned tcA, unsigned tcB, float, unsigned frameA,
                           unsigned frameB)
{
    if (!TV_CHECK(vertexA < m_iVertexCount && vertexB < m_iVertexCount) ||
        !TV_CHECK(tcA < m_iTCCount && tcB < m_iTCCount))
        return;
    const Vertex &a = m_pVertices[vertexA];
    const Vertex &b = m_pVertices[vertexB];
    const General::Vector d = b.m_vPosition - a.m_vPosition;
    const float du = m_pTCs[tcB].u - m_pTCs[tcA].u;
    const float dv = m_pTCs[tcB].v - m_pTCs[tcA].v;
    General::Base &fa = m_aTNB[frameA];
    General::Base &fb = m_aTNB[frameB];
    fa.m_vNormal = UnpackNormal(a.m_aNormal);
    fb.m_vNormal = UnpackNormal(b.m_aNormal);
    fa.m_vTangent += d * du;
    fb.m_vTangent += d * du;
    fa.m_vBinormal += d * dv;
    fb.m_vBinormal += d * dv;
}
