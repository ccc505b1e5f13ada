#pragma once
// Boxes over a built face tree, for the segment walks of a bake. The face tree bounds its
// nodes by spheres, which sit loosely around the flat patches of a detailed surface; a box
// sits tight, its test needs no square root, and it gives the part of the segment inside
// it at once. Two levels of the tree make one node of four child boxes, stored side by
// side so that one set of vector operations tests all four; the leaves' triangles are
// stored ready for the segment test (a corner and two edges, four side by side), so a walk
// reads neither the face records nor the vertices until it has a hit.

#include "foundation/Containers.h"
#include "foundation/math/Vector.h"

#include <xmmintrin.h>

#include <cstdint>

class Mesh;

namespace BTree {

class Tree;

// The two triangles of a quad, split along its 1-3 diagonal: the corners of each half.
inline constexpr unsigned kQuadHalves[2][3] = {{0, 1, 3}, {2, 1, 3}};

// How far outside a triangle, in its barycentric measure, a segment still counts as a hit.
// Two triangles on a shared edge compute that edge's crossing from different corners, and
// rounding can put a segment along it just outside both; the slack closes that crack (a
// segment through the edge may then hit both, and the nearest-hit rules pick one).
inline constexpr float kEdgeSlack = 1e-5f;

class BoxTree {
public:
    // Child slots per axis, low and high bounds; an empty slot has an inverted box that no
    // segment enters.
    struct Node {
        float m_aLow[3][4], m_aHigh[3][4];
        // An inner child: its node index. A leaf: kLeaf, its triangle count, its first packet.
        uint32_t m_aChild[4];
    };
    // Four triangles side by side: a corner and the edges to the other two corners. The
    // triangle of a quad mesh is 2 · face + half (kQuadHalves), of a triangle mesh the face;
    // unused lanes hold kNoTriangle and no area.
    struct Packet {
        float m_aCorner[3][4], m_aEdge1[3][4], m_aEdge2[3][4];
        uint32_t m_aTriangle[4];
    };
    static constexpr uint32_t kLeaf = 0x80000000u;
    static constexpr unsigned kCountShift = 27;
    static constexpr uint32_t kCountMask = 0xFu, kFirstMask = (1u << kCountShift) - 1;
    static constexpr uint32_t kNoTriangle = 0xFFFFFFFFu;

    // The boxes of `tree`'s nodes over the corner positions of `mesh`; false when the
    // memory is refused or the tree's leaves do not fit the layout (the boxes are then
    // empty).
    bool Build(const Tree &tree, const Mesh &mesh);
    void Clear();
    bool IsEmpty() const { return m_iRoot == kNoTriangle; }
    unsigned GetNodeCount() const { return m_aNodes.GetItemCount(); }
    uint64_t GetMemorySize() const;

    // The search for the hit nearest the segment parameter `centre` along start +
    // t · direction, t in [0, 1]: `hit(triangle, t, u, v)` sees every hit on the triangles
    // of the leaves the segment passes (u and v weigh the second and third corner) and
    // lowers `best`, the distance of the best hit so far from `centre`. A box whose part of
    // the segment lies farther than `best` is passed over and nearer boxes are walked
    // first; boxes are widened a little so that rounding never passes over the box of a
    // hit. Any number of threads may walk at once.
    template <class Hit>
    void PickNearest(const General::Vector &start, const General::Vector &direction, float centre,
                     const float &best, Hit &&hit, unsigned &boxesTested, unsigned &trianglesTested) const;

private:
    struct Child {
        float m_aLow[3], m_aHigh[3];
        uint32_t m_iLink;
    };
    bool Add(const Tree &tree, const Mesh &mesh, uint32_t offset, unsigned depth, Child &out);
    bool AddLeaf(const Tree &tree, const Mesh &mesh, uint32_t offset, Child &out);

    General::Store<Node> m_aNodes{"bake box nodes"};
    General::Store<Packet> m_aPackets{"bake box triangles"};
    float m_aRootLow[3] = {}, m_aRootHigh[3] = {};
    uint32_t m_iRoot = kNoTriangle;
};

template <class Hit>
void BoxTree::PickNearest(const General::Vector &start, const General::Vector &direction, float centre,
                          const float &best, Hit &&hit, unsigned &boxesTested, unsigned &trianglesTested) const
{
    if (IsEmpty())
        return;
    const Node *nodes = m_aNodes.begin();
    const Packet *packets = m_aPackets.begin();
    const float origin[3] = {start.x, start.y, start.z};
    const float d[3] = {direction.x, direction.y, direction.z};
    float inverse[3];
    for (int a = 0; a < 3; ++a) {
        // A segment parallel to a slab gets a huge finite slope: no 0 · infinity.
        const float magnitude = d[a] < 0.0f ? -d[a] : d[a];
        inverse[a] = magnitude > 1e-30f ? 1.0f / d[a] : (d[a] < 0.0f ? -1e30f : 1e30f);
    }
    // The root box, alone.
    {
        float low = 0.0f, high = 1.0f;
        for (int a = 0; a < 3; ++a) {
            float t0 = (m_aRootLow[a] - origin[a]) * inverse[a];
            float t1 = (m_aRootHigh[a] - origin[a]) * inverse[a];
            if (t0 > t1) {
                const float swap = t0;
                t0 = t1;
                t1 = swap;
            }
            low = t0 > low ? t0 : low;
            high = t1 < high ? t1 : high;
        }
        ++boxesTested;
        if (low > high)
            return;
    }
    // The slab a segment enters first on each axis: the low one unless it runs backwards.
    // An empty slot's inverted box then gives an entry after its exit.
    const bool backwards[3] = {inverse[0] < 0.0f, inverse[1] < 0.0f, inverse[2] < 0.0f};
    const __m128 o[3] = {_mm_set1_ps(origin[0]), _mm_set1_ps(origin[1]), _mm_set1_ps(origin[2])};
    const __m128 inv[3] = {_mm_set1_ps(inverse[0]), _mm_set1_ps(inverse[1]), _mm_set1_ps(inverse[2])};
    const __m128 dir[3] = {_mm_set1_ps(d[0]), _mm_set1_ps(d[1]), _mm_set1_ps(d[2])};
    const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f), middle = _mm_set1_ps(centre);
    const __m128 tiny = _mm_set1_ps(1e-20f), sign = _mm_set1_ps(-0.0f);
    const __m128 slackLow = _mm_set1_ps(-kEdgeSlack), slackHigh = _mm_set1_ps(1.0f + kEdgeSlack);

    // The segment against four triangles: the same operations, in the same order, as one
    // triangle at a time, so a hit's parameters do not depend on the lane it sits in.
    const auto testPacket = [&](const Packet &p) {
        const __m128 e1x = _mm_loadu_ps(p.m_aEdge1[0]), e1y = _mm_loadu_ps(p.m_aEdge1[1]),
                     e1z = _mm_loadu_ps(p.m_aEdge1[2]);
        const __m128 e2x = _mm_loadu_ps(p.m_aEdge2[0]), e2y = _mm_loadu_ps(p.m_aEdge2[1]),
                     e2z = _mm_loadu_ps(p.m_aEdge2[2]);
        // h = d × e2
        const __m128 hx = _mm_sub_ps(_mm_mul_ps(dir[1], e2z), _mm_mul_ps(dir[2], e2y));
        const __m128 hy = _mm_sub_ps(_mm_mul_ps(dir[2], e2x), _mm_mul_ps(dir[0], e2z));
        const __m128 hz = _mm_sub_ps(_mm_mul_ps(dir[0], e2y), _mm_mul_ps(dir[1], e2x));
        const __m128 det =
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(e1x, hx), _mm_mul_ps(e1y, hy)), _mm_mul_ps(e1z, hz));
        __m128 ok = _mm_cmpnlt_ps(_mm_andnot_ps(sign, det), tiny);
        const __m128 invDet = _mm_div_ps(one, det);
        // s = start - corner
        const __m128 sx = _mm_sub_ps(o[0], _mm_loadu_ps(p.m_aCorner[0]));
        const __m128 sy = _mm_sub_ps(o[1], _mm_loadu_ps(p.m_aCorner[1]));
        const __m128 sz = _mm_sub_ps(o[2], _mm_loadu_ps(p.m_aCorner[2]));
        const __m128 u = _mm_mul_ps(
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(sx, hx), _mm_mul_ps(sy, hy)), _mm_mul_ps(sz, hz)), invDet);
        ok = _mm_and_ps(ok, _mm_and_ps(_mm_cmpnlt_ps(u, slackLow), _mm_cmpngt_ps(u, slackHigh)));
        // q = s × e1
        const __m128 qx = _mm_sub_ps(_mm_mul_ps(sy, e1z), _mm_mul_ps(sz, e1y));
        const __m128 qy = _mm_sub_ps(_mm_mul_ps(sz, e1x), _mm_mul_ps(sx, e1z));
        const __m128 qz = _mm_sub_ps(_mm_mul_ps(sx, e1y), _mm_mul_ps(sy, e1x));
        const __m128 v = _mm_mul_ps(
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(dir[0], qx), _mm_mul_ps(dir[1], qy)), _mm_mul_ps(dir[2], qz)),
            invDet);
        ok = _mm_and_ps(ok, _mm_and_ps(_mm_cmpnlt_ps(v, slackLow), _mm_cmpngt_ps(_mm_add_ps(u, v), slackHigh)));
        const __m128 t = _mm_mul_ps(
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(e2x, qx), _mm_mul_ps(e2y, qy)), _mm_mul_ps(e2z, qz)), invDet);
        ok = _mm_and_ps(ok, _mm_and_ps(_mm_cmpge_ps(t, zero), _mm_cmple_ps(t, one)));
        int bits = _mm_movemask_ps(ok);
        if (!bits)
            return;
        alignas(16) float ts[4], us[4], vs[4];
        _mm_store_ps(ts, t);
        _mm_store_ps(us, u);
        _mm_store_ps(vs, v);
        for (; bits; bits &= bits - 1) {
            const int lane = __builtin_ctz(unsigned(bits));
            hit(p.m_aTriangle[lane], ts[lane], us[lane], vs[lane]);
        }
    };

    // Two arrays rather than pairs: a pair written as two words and read as one stalls
    // the load on every pop.
    constexpr unsigned kStack = 128;
    uint32_t pendingLink[kStack];
    float pendingDistance[kStack];
    unsigned count = 0;
    pendingLink[count] = m_iRoot;
    pendingDistance[count] = 0.0f;
    ++count;
    while (count) {
        --count;
        if (pendingDistance[count] > best)
            continue;
        const uint32_t link = pendingLink[count];
        if (link & kLeaf) {
            const unsigned triangles = (link >> kCountShift) & kCountMask;
            trianglesTested += triangles;
            const Packet *packet = packets + (link & kFirstMask);
            for (unsigned n = 0; n < triangles; n += 4, ++packet)
                testPacket(*packet);
            continue;
        }
        const Node &node = nodes[link];
        boxesTested += 4;
        __m128 low = zero, high = one;
        for (int a = 0; a < 3; ++a) {
            const __m128 lo = _mm_loadu_ps(node.m_aLow[a]), hi = _mm_loadu_ps(node.m_aHigh[a]);
            const __m128 enter = _mm_mul_ps(_mm_sub_ps(backwards[a] ? hi : lo, o[a]), inv[a]);
            const __m128 leave = _mm_mul_ps(_mm_sub_ps(backwards[a] ? lo : hi, o[a]), inv[a]);
            low = _mm_max_ps(enter, low);
            high = _mm_min_ps(leave, high);
        }
        const __m128 distance =
            _mm_max_ps(_mm_max_ps(_mm_sub_ps(low, middle), _mm_sub_ps(middle, high)), zero);
        const __m128 reached =
            _mm_and_ps(_mm_cmple_ps(low, high), _mm_cmple_ps(distance, _mm_set1_ps(best)));
        int bits = _mm_movemask_ps(reached);
        if (!bits || count + 4 > kStack)
            continue;  // (a stack this deep is deeper than any build makes)
        alignas(16) float distances[4];
        _mm_store_ps(distances, distance);
        // Pushed farthest first, so the nearest is popped next; equal distances keep the
        // slot order.
        const unsigned base = count;
        for (; bits; bits &= bits - 1) {
            const int slot = __builtin_ctz(unsigned(bits));
            const float dist = distances[slot];
            unsigned at = count++;
            while (at > base && pendingDistance[at - 1] <= dist) {
                pendingLink[at] = pendingLink[at - 1];
                pendingDistance[at] = pendingDistance[at - 1];
                --at;
            }
            pendingLink[at] = node.m_aChild[slot];
            pendingDistance[at] = dist;
        }
    }
}

}  // namespace BTree
