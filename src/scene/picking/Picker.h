#pragma once
// Finding the faces a segment hits. The picker walks a level's octree with its segment
// and keeps the hits as PickInfo records sorted by distance; a batch of picks (one scene
// pick over every object and level) stays sorted as a whole.

#include "mesh/core/Octree.h"
#include "mesh/core/PickInfo.h"

#include <emmintrin.h>

#include <memory>
#include <vector>

namespace Octree {

// A selector that follows a segment.
class LineSelector : public Selector {
public:
    // Stores the segment, its unit direction and its box.
    virtual void SetSegment(const General::Vector &start, const General::Vector &end);

    General::Vector m_vStart{0, 0, 0};
    General::Vector m_vEnd{0, 0, 0};
    General::Vector m_vDirection{0, 0, 0};
    AABB m_cSegmentBox;
};

}  // namespace Octree

class Picker : public Octree::LineSelector {
public:
    Picker() = default;
    Picker(const Picker &) = delete;
    Picker &operator=(const Picker &) = delete;

    // Empties the list; the next pick starts a new batch.
    void Clear();
    // Picks along the segment, given in the mesh's own space; a zero-length segment does
    // nothing. Unless `continueBatch`, the new picks form a new batch after the earlier ones.
    virtual void Pick(Octree::Octree &octree, const General::Vector &start, const General::Vector &end, int unused,
                      bool twoSided, bool onePerFreezeState, bool continueBatch, int tag);

    // 2 when some point of the segment lies in the (closed) box, else 1.
    int TestBox(const AABB &box) override;
    // Tests the face (its pre-stroke corners) against the segment and adds the hits.
    void VisitFace(Mesh &mesh, unsigned face) override;

    // The pick whose distance is nearest to `value` (the first of equals); only picks
    // nearer than 2.0 count. Null when there is none.
    PickInfo *GetClosestPick(float value) const;

    int GetPickCount() const { return int(m_aPicks.size()); }
    PickInfo *GetPick(int index) const { return m_aPicks[size_t(index)].get(); }
    PickInfo *GetFirstPick() const { return m_aPicks.empty() ? nullptr : m_aPicks.front().get(); }

    bool m_bFound = false;
    bool m_bTwoSided = false;
    bool m_bOnePerFreezeState = false;
    bool m_bVisibleOnly = true;
    float m_fBlend = 0.5f;
    int m_iBatchStart = 0;
    int m_iTag = 0;
    std::vector<std::unique_ptr<PickInfo>> m_aPicks;

    // Appends a record unsorted (the sparse volume's walk) and sets the found flag.
    void Append(std::unique_ptr<PickInfo> pick);

private:
    // The walk of the tree's compact layout; false when it cannot be taken (Traverse then walks the cubes).
    bool Walk(Octree::Octree &octree);
    // Sweeps copied corners, of the face groups the segment reaches, and tests only the
    // faces that the segment's box reaches (during Walk, which sets the slabs).
    void VisitCubeFaces(Mesh &mesh, const Octree::CubeFaces &faces);
    // Bit k set when some point of the segment lies in box k (eight words: corners, then
    // two unused), on the walk's slabs: products by the inverse, the far end widened.
    unsigned ReachesFour(const float *const *boxes) const;
    __m128 m_aSlabOrigin[3];
    __m128 m_aSlabInverse[3];
    // The face test on given corners (4 for quads, else 3).
    void TestCorners(Mesh &mesh, unsigned face, const General::Vector *p, bool quads);
    // The face test after its quick reject.
    void TestCrossings(Mesh &mesh, unsigned face, const General::Vector *p, bool quads);
    // Where the segment crosses a triangle, before the face's other tests decide.
    struct Crossing {
        General::Vector hit;
        General::Vector normal;
        float t;
        int half;
    };
    // Adds to `crossings` the sides of the triangle (one, or two when picks are two-sided) the segment crosses.
    void TestTriangle(const General::Vector &origin, const General::Vector &e1, const General::Vector &e2, int half,
                      Crossing *crossings, int &found) const;
    void AddPick(Mesh &mesh, unsigned face, const General::Vector &hit, const General::Vector &normal, float t, int half);

    // The walk's stack of node indices, kept between picks so that a pick allocates nothing.
    std::vector<uint32_t> m_aStack;
};
