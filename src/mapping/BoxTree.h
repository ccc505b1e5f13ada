#pragma once
// Boxes over the nodes of a built face tree, for the segment walks of a bake. The face
// tree bounds its nodes by spheres, which sit loosely around the flat patches of a
// detailed surface; a box sits tight, its test needs no square root, and it gives the
// part of the segment inside it at once. The nodes keep the tree's shape and order, in
// one array, depth first: an inner node's first child follows it.

#include "foundation/Containers.h"
#include "foundation/Vector.h"

#include <cstdint>

class Mesh;

namespace BTree {

class Tree;

class BoxTree {
public:
    struct Node {
        float m_aLow[3], m_aHigh[3];
        // Inner node: the index of the second child. Leaf: kLeaf | the face count.
        uint32_t m_iSecond;
        // Leaf: the first of its faces in the face array.
        uint32_t m_iFaces;
    };
    static constexpr uint32_t kLeaf = 0x80000000u;

    // The boxes of `tree`'s nodes over the corner positions of `mesh`; false when the
    // memory is refused (the boxes are then empty).
    bool Build(const Tree &tree, const Mesh &mesh);
    void Clear();
    bool IsEmpty() const { return !m_aNodes.HasItems(); }
    unsigned GetNodeCount() const { return m_aNodes.GetItemCount(); }
    uint64_t GetMemorySize() const;

    // The search for the hit nearest the segment parameter `centre` along start +
    // t · direction, t in [0, 1]: `test(face)` sees the faces of the leaves the segment
    // passes and lowers `best`, the distance of the best hit so far from `centre`. A box
    // whose part of the segment lies farther than `best` is passed over and the nearer
    // child is walked first; boxes are widened a little so that rounding never passes
    // over the box of a hit. Any number of threads may walk at once.
    template <class Test>
    void PickNearest(const General::Vector &start, const General::Vector &direction, float centre,
                     const float &best, Test &&test, unsigned &boxesTested) const;

private:
    uint32_t Add(const Tree &tree, const Mesh &mesh, uint32_t node, unsigned depth, bool &ok);

    General::Store<Node> m_aNodes{"bake box nodes"};
    General::Store<uint32_t> m_aFaces{"bake box faces"};
};

template <class Test>
void BoxTree::PickNearest(const General::Vector &start, const General::Vector &direction, float centre,
                          const float &best, Test &&test, unsigned &boxesTested) const
{
    if (!m_aNodes.HasItems())
        return;
    const Node *nodes = m_aNodes.begin();
    const uint32_t *faces = m_aFaces.begin();
    const float origin[3] = {start.x, start.y, start.z};
    float inverse[3];
    const float d[3] = {direction.x, direction.y, direction.z};
    for (int a = 0; a < 3; ++a) {
        // A segment parallel to a slab gets a huge finite slope: no 0 · infinity.
        const float magnitude = d[a] < 0.0f ? -d[a] : d[a];
        inverse[a] = magnitude > 1e-30f ? 1.0f / d[a] : (d[a] < 0.0f ? -1e30f : 1e30f);
    }
    // The part of the segment in node n's box, as its distance from `centre`; false
    // when the segment misses the box.
    const auto reach = [&](const Node &n, float &distance) {
        float low = 0.0f, high = 1.0f;
        for (int a = 0; a < 3; ++a) {
            float t0 = (n.m_aLow[a] - origin[a]) * inverse[a];
            float t1 = (n.m_aHigh[a] - origin[a]) * inverse[a];
            if (t0 > t1) {
                const float swap = t0;
                t0 = t1;
                t1 = swap;
            }
            low = t0 > low ? t0 : low;
            high = t1 < high ? t1 : high;
        }
        if (low > high)
            return false;
        distance = centre < low ? low - centre : centre > high ? centre - high : 0.0f;
        return true;
    };
    // Two arrays rather than pairs: a pair written as two words and read as one stalls
    // the load on every pop.
    constexpr unsigned kStack = 80;
    uint32_t pendingNode[kStack];
    float pendingDistance[kStack];
    unsigned count = 0;
    float rootDistance = 0.0f;
    ++boxesTested;
    if (!reach(nodes[0], rootDistance))
        return;
    const auto push = [&](uint32_t node, float distance) {
        pendingNode[count] = node;
        pendingDistance[count] = distance;
        ++count;
    };
    push(0, rootDistance);
    while (count) {
        --count;
        if (pendingDistance[count] > best)
            continue;
        const uint32_t index = pendingNode[count];
        const Node &node = nodes[index];
        if (node.m_iSecond & kLeaf) {
            const uint32_t *face = faces + node.m_iFaces, *end = face + (node.m_iSecond & ~kLeaf);
            for (; face != end; ++face)
                test(*face);
            continue;
        }
        const uint32_t first = index + 1, second = node.m_iSecond;
        float d1 = 0.0f, d2 = 0.0f;
        const bool hit1 = reach(nodes[first], d1) && d1 <= best;
        const bool hit2 = reach(nodes[second], d2) && d2 <= best;
        boxesTested += 2;
        if (count + 2 > kStack)
            continue;  // deeper than any build makes
        if (hit1 && hit2) {
            // The nearer child is popped first.
            if (d1 <= d2) {
                push(second, d2);
                push(first, d1);
            } else {
                push(first, d1);
                push(second, d2);
            }
        } else if (hit1) {
            push(first, d1);
        } else if (hit2) {
            push(second, d2);
        }
    }
}

}  // namespace BTree
