#pragma once
// The balanced face tree of map extraction: bounding spheres over a mesh's faces,
// split at the median along the longest box side, leaves of at most five faces. All
// nodes live in one byte heap sized in advance, so a build makes no per-node
// allocation; a heap that proves too small is grown by an eighth and the build redone.
// Picking walks the spheres a segment touches and hands the leaves' faces on.

#include "foundation/Containers.h"
#include "foundation/math/Vector.h"
#include "mesh/core/FaceTree.h"
#include "scene/BTreeSpace.h"

#include <cmath>
#include <cstdint>

class Mesh;

namespace BTree {

// A 24-byte record in the heap. Links are byte offsets into the heap (kNoLink for none):
// an inner node links its two children; a leaf has no second link and its first link
// points to its face indices, ended by kEndOfFaces.
struct Node {
    static constexpr uint32_t kNoLink = 0xFFFFFFFFu;
    static constexpr uint32_t kEndOfFaces = 0xFFFFFFFFu;
    General::Vector m_vCenter;
    float m_fRadius2;
    uint32_t m_iFirst;
    uint32_t m_iSecond;
    bool IsLeaf() const { return m_iSecond == kNoLink; }
};
static_assert(sizeof(Node) == 24, "nodes are 24 bytes in the heap");

// One face during a build: its index and its sort key along the split axis.
struct FaceInfo {
    uint32_t m_iFace;
    float m_fKey;
};

// The segment given to Pick.
struct Ray {
    Ray(const General::Vector &start, const General::Vector &end);
    General::Vector m_vStart, m_vEnd, m_vDirection;
    float m_fInvLength2;  // 1 / |direction|², 0 for a point
};

// Receives the faces of the leaves a pick reaches.
class Visitor {
public:
    virtual ~Visitor() = default;
    virtual void Face(Mesh &mesh, unsigned face) = 0;
    unsigned m_iSpheresTested = 0;
    unsigned m_iFacesVisited = 0;
};

class Tree : public FaceTree, public Space {
public:
    // The deepest tree a build can make: each split halves the faces, so 32-bit counts
    // stay far below it. Pick and IsFree keep their node stacks on the caller's own
    // stack with this bound, so worker threads never allocate (nor touch the memory
    // counter, which reports to the window).
    static constexpr unsigned kMaxDepth = 64;

    Tree();
    ~Tree() override;

    // Over the listed faces, or all faces when the list is empty. True also for no faces
    // (empty tree); false when the heap is refused or the user cancels.
    bool Build(Mesh &mesh, General::Store<unsigned int> &faces, float firstOffset, float secondOffset) override;
    // Sizes the heap (a smaller size keeps the buffer), fills it with 0x55; false when refused.
    bool AllocateHeap(unsigned bytes);

    // Hands every face of every leaf whose sphere the segment touches to the visitor.
    // `smallestRadius2` is lowered to the smallest squared radius visited. Thread ids 0
    // and 1 may pick at once; others are refused. A null start node means the root.
    void Pick(Visitor &visitor, const Ray &ray, float &smallestRadius2, unsigned threadId,
              const Node *start = nullptr) const;

    // The walk of a search that keeps one hit, the one whose segment parameter lies nearest
    // `centre`: `test(face)` sees the faces of the leaves the segment reaches and lowers
    // `best`, the distance of the best hit so far. Every sphere holds its faces, so a hit
    // lies within the part of the segment inside the sphere: a sphere whose part lies
    // farther from `centre` than `best` is passed over, and the nearer child is walked
    // first. Which faces are tested thus depends on the order; a test that breaks ties by
    // the face's own data chooses the same hit as a full walk. Any thread may walk.
    template <class Test>
    void PickNearest(const Ray &ray, float centre, const float &best, Test &&test, unsigned &spheresTested) const;

    // True when the sphere touches no leaf sphere (touching counts).
    bool IsFree(const General::Vector &point, float radius) override;
    float GetRadius() override;

    uint32_t GetRootOffset() const { return m_iRoot; }
    const Node *GetRoot() const { return m_iRoot == Node::kNoLink ? nullptr : NodeAt(m_iRoot); }
    const Node *NodeAt(uint32_t offset) const { return reinterpret_cast<const Node *>(m_aData.GetBuffer() + offset); }
    const uint32_t *FacesAt(uint32_t offset) const
    {
        return reinterpret_cast<const uint32_t *>(m_aData.GetBuffer() + offset);
    }
    unsigned GetFaceCount() const { return m_iFaceCount; }
    unsigned GetNodeCount() const { return m_iNodeCount; }
    unsigned GetMaxDepth() const { return m_iMaxDepth; }
    unsigned GetHeapSize() const { return m_iHeapSize; }
    unsigned GetHeapUsed() const { return m_iDataSize; }

private:
    // Raised inside the node build when the user cancels.
    struct Cancelled {};

    // Offset of n fresh bytes, or kNoLink when the heap is full.
    uint32_t Take(unsigned n);
    bool BuildNode(uint32_t node, FaceInfo *records, unsigned n, unsigned depth);
    General::Vector CornerPosition(unsigned face, unsigned corner) const;
    General::Vector CornerNormal(unsigned face, unsigned corner) const;

    Mesh *m_pMesh = nullptr;
    unsigned m_iFaceCount = 0;
    // The mesh's face count when the tree was built: leaves name faces below it.
    unsigned m_iMeshFaceCount = 0;
    uint32_t m_iRoot = Node::kNoLink;
    General::Store<unsigned char> m_aData{"btree data"};
    unsigned m_iHeapSize = 0;
    unsigned m_iDataSize = 0;
    unsigned m_iNodeCount = 0;
    unsigned m_iMaxDepth = 0;
    float m_fFirstOffset = 0.0f;
    float m_fSecondOffset = 0.0f;
};

template <class Test>
void Tree::PickNearest(const Ray &ray, float centre, const float &best, Test &&test, unsigned &spheresTested) const
{
    const Node *root = GetRoot();
    if (!root)
        return;
    struct Pending {
        const Node *node;
        float distance;  // from `centre` to the node's part of the segment
    };
    // Depth first, one pending sibling per level.
    Pending stack[kMaxDepth + 2];
    unsigned count = 0;
    stack[count++] = Pending{root, 0.0f};
    // Where the segment enters and leaves a sphere is found in floats: the part is widened
    // a little so that rounding never passes over the sphere of the best hit.
    const auto reach = [&](const Node &child, float &distance) {
        const General::Vector toCenter = child.m_vCenter - ray.m_vStart;
        const float t = toCenter.Dot(ray.m_vDirection) * ray.m_fInvLength2;
        const float clamped = t < 0.0f ? 0.0f : t > 1.0f ? 1.0f : t;
        const General::Vector nearest = toCenter - ray.m_vDirection * clamped;
        if (child.m_fRadius2 < nearest.Dot(nearest))
            return false;
        const General::Vector across = toCenter - ray.m_vDirection * t;
        const float half2 = (child.m_fRadius2 - across.Dot(across)) * ray.m_fInvLength2;
        const float half = (half2 > 0.0f ? std::sqrt(half2) : 0.0f) * 1.001f +
                           1e-4f * (1.0f + std::sqrt(child.m_fRadius2 * ray.m_fInvLength2));
        const float low = t - half, high = t + half;
        distance = centre < low ? low - centre : centre > high ? centre - high : 0.0f;
        return true;
    };
    while (count) {
        const Pending pending = stack[--count];
        if (pending.distance > best)
            continue;
        const Node &node = *pending.node;
        if (node.IsLeaf()) {
            for (const uint32_t *face = FacesAt(node.m_iFirst); *face != Node::kEndOfFaces; ++face)
                if (*face < m_iMeshFaceCount)
                    test(*face);
            continue;
        }
        const Node &first = *NodeAt(node.m_iFirst), &second = *NodeAt(node.m_iSecond);
        float d1 = 0.0f, d2 = 0.0f;
        const bool hit1 = reach(first, d1), hit2 = reach(second, d2);
        spheresTested += 2;
        if (hit1 && hit2 && count + 2 <= kMaxDepth + 2) {
            // The nearer child is popped first.
            const bool firstNearer = d1 <= d2;
            stack[count++] = Pending{firstNearer ? &second : &first, firstNearer ? d2 : d1};
            stack[count++] = Pending{firstNearer ? &first : &second, firstNearer ? d1 : d2};
        } else if (hit1 && count < kMaxDepth + 2) {
            stack[count++] = Pending{&first, d1};
        } else if (hit2 && count < kMaxDepth + 2) {
            stack[count++] = Pending{&second, d2};
        }
    }
}

}  // namespace BTree
