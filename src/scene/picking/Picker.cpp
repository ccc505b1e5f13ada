#include "scene/picking/Picker.h"

#include "mesh/core/Mesh.h"
#include "mesh/core/Placement.h"
#include "mesh/levels/SubdivLevel.h"
#include "mesh/object/Object.h"

#include <emmintrin.h>

#include <algorithm>
#include <bit>
#include <cmath>

using General::Vector;

namespace Octree {

void LineSelector::SetSegment(const Vector &start, const Vector &end)
{
    m_vStart = start;
    m_vEnd = end;
    m_vDirection = (end - start).Normalized();
    m_cSegmentBox = AABB(Vector(std::min(start.x, end.x), std::min(start.y, end.y), std::min(start.z, end.z)),
                         Vector(std::max(start.x, end.x), std::max(start.y, end.y), std::max(start.z, end.z)));
}

}  // namespace Octree

namespace {

float Axis(const Vector &v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

// The cross product, the same sums as Vector::Cross, here where the triangle test can inline it.
Vector Cross(const Vector &a, const Vector &b)
{
    return Vector(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

bool IsFrozen(Mesh &mesh)
{
    auto *level = dynamic_cast<SubdivLevel *>(&mesh);
    return level && level->m_pObject && level->m_pObject->m_bFrozen;
}

}  // namespace

void Picker::Clear()
{
    m_aPicks.clear();
    m_fBlend = 0.5f;
    m_iBatchStart = 0;
    m_bFound = false;
}

void Picker::Pick(Octree::Octree &octree, const Vector &start, const Vector &end, int, bool twoSided,
                  bool onePerFreezeState, bool continueBatch, int tag)
{
    if (start == end)
        return;
    m_iTag = tag;
    m_bTwoSided = twoSided;
    m_bOnePerFreezeState = onePerFreezeState;
    if (!continueBatch)
        m_iBatchStart = GetPickCount();
    SetSegment(start, end);
    if (!Walk(octree))
        octree.Traverse(*this, nullptr, 1);
}

bool Picker::Walk(Octree::Octree &octree)
{
    // Faces on layer 1 are visited cube by cube before the cube's layer-0 faces, which
    // only the cube walk does.
    if (!octree.m_pMesh || octree.GetLayerOneFaces())
        return false;
    // The slab test below needs finite ends and a finite difference; other segments take
    // the cube walk, whose box test has always handled them.
    float origin[3];
    float inverse[3];
    for (int axis = 0; axis < 3; ++axis) {
        origin[axis] = Axis(m_vStart, axis);
        const float d = Axis(m_vEnd, axis) - origin[axis];
        if (!std::isfinite(origin[axis]) || !std::isfinite(d))
            return false;
        // An axis the segment does not move along gets a large finite factor instead of
        // an infinite one: a box holding the segment's coordinate still spans t = 0, and
        // no 0 * infinity turns into a NaN.
        const float inv = 1.0f / d;
        inverse[axis] = std::fabs(inv) < 1e30f ? inv : 1e30f;
    }
    const Octree::WalkNode *nodes = octree.GetWalkNodes();
    if (!nodes)
        return false;
    octree.CheckCopiedStores();
    // Whether some point of the segment lies in the node's closed box. A product by the
    // inverse differs from the quotient by an ulp or two, so the far end is widened far
    // beyond that: the walk may visit a cube more, never one less, and the face test
    // alone decides what is picked.
    const auto reaches = [&](const Octree::WalkNode &node) {
        float low = 0.0f;
        float high = 1.0f;
        for (int axis = 0; axis < 3; ++axis) {
            const float t0 = (node.m_aMin[axis] - origin[axis]) * inverse[axis];
            const float t1 = (node.m_aMax[axis] - origin[axis]) * inverse[axis];
            low = std::max(low, std::min(t0, t1));
            high = std::min(high, std::max(t0, t1));
        }
        return low <= high * 1.00001f;
    };
    for (int axis = 0; axis < 3; ++axis) {
        m_aSlabOrigin[axis] = _mm_set1_ps(origin[axis]);
        m_aSlabInverse[axis] = _mm_set1_ps(inverse[axis]);
    }
    ++m_iTests;
    if (!reaches(nodes[0]))
        return true;
    // Faces are visited node by node in the tree's own order (a cube, then its children
    // in child-number order), which decides the order of picks at equal distances. The
    // walk waits on memory at every level, so what a node's visit reads is asked for
    // while its parent is tested: its children's nodes and copy records, and its faces.
    std::vector<uint32_t> &stack = m_aStack;
    stack.assign(1, 0);
    octree.PrefetchFaceCopies(0, 1);
    octree.PrefetchFaceCopies(nodes[0].m_iFirstChild, nodes[0].m_iChildCount);
    while (!stack.empty()) {
        const uint32_t at = stack.back();
        const Octree::WalkNode &node = nodes[at];
        stack.pop_back();
        octree.PrefetchCopiedFaces(at);
        // Children are pushed in reverse so that they are visited in child-number order
        // after this node's faces.
        uint32_t accepted[8];
        unsigned count = 0;
        const unsigned children = std::min(node.m_iChildCount, 8u);
        for (unsigned k = 0; k < children; k += 4) {
            // A short last group repeats its first node in the lanes it lacks, whose bits are dropped.
            const Octree::WalkNode *four[4];
            const float *boxes[4];
            for (unsigned lane = 0; lane < 4; ++lane) {
                four[lane] = &nodes[node.m_iFirstChild + k + (k + lane < children ? lane : 0)];
                boxes[lane] = four[lane]->m_aMin;
            }
            unsigned mask = ReachesFour(boxes) & ((1u << std::min(4u, children - k)) - 1);
            while (mask) {
                const unsigned lane = unsigned(std::countr_zero(mask));
                mask &= mask - 1;
                const uint32_t index = node.m_iFirstChild + k + lane;
                const Octree::WalkNode &child = *four[lane];
                accepted[count++] = index;
                const char *group = reinterpret_cast<const char *>(&nodes[child.m_iFirstChild]);
                for (size_t line = 0; line < child.m_iChildCount * sizeof(Octree::WalkNode); line += 64)
                    __builtin_prefetch(group + line);
                octree.PrefetchFaceCopies(child.m_iFirstChild, child.m_iChildCount);
                octree.PrefetchCopiedFaces(index);
            }
        }
        m_iTests += int(node.m_iChildCount);
        while (count)
            stack.push_back(accepted[--count]);
        if (const Octree::CubeFaces *faces = octree.GetFaceCopy(at)) {
            if (faces->GetCount())
                VisitCubeFaces(*octree.m_pMesh, *faces);
        } else {
            octree.VisitChains(at, *this);
        }
    }
    return true;
}

unsigned Picker::ReachesFour(const float *const *boxes) const
{
    // The walk's test of the root, on four boxes at once and lane by lane the same
    // operations (so the same decisions). Each box is eight 32-bit words: its corners,
    // then two words the test does not use.
    __m128 minX = _mm_loadu_ps(boxes[0]);
    __m128 minY = _mm_loadu_ps(boxes[1]);
    __m128 minZ = _mm_loadu_ps(boxes[2]);
    __m128 maxX = _mm_loadu_ps(boxes[3]);
    _MM_TRANSPOSE4_PS(minX, minY, minZ, maxX);
    __m128 maxY = _mm_loadu_ps(boxes[0] + 4);
    __m128 maxZ = _mm_loadu_ps(boxes[1] + 4);
    __m128 rest2 = _mm_loadu_ps(boxes[2] + 4);
    __m128 rest3 = _mm_loadu_ps(boxes[3] + 4);
    _MM_TRANSPOSE4_PS(maxY, maxZ, rest2, rest3);
    const __m128 lows[3] = {minX, minY, minZ};
    const __m128 highs[3] = {maxX, maxY, maxZ};
    __m128 low = _mm_setzero_ps();
    __m128 high = _mm_set1_ps(1.0f);
    for (int axis = 0; axis < 3; ++axis) {
        const __m128 t0 = _mm_mul_ps(_mm_sub_ps(lows[axis], m_aSlabOrigin[axis]), m_aSlabInverse[axis]);
        const __m128 t1 = _mm_mul_ps(_mm_sub_ps(highs[axis], m_aSlabOrigin[axis]), m_aSlabInverse[axis]);
        low = _mm_max_ps(low, _mm_min_ps(t0, t1));
        high = _mm_min_ps(high, _mm_max_ps(t0, t1));
    }
    return unsigned(_mm_movemask_ps(_mm_cmple_ps(low, _mm_mul_ps(high, _mm_set1_ps(1.00001f)))));
}

int Picker::TestBox(const AABB &box)
{
    // Whether any point of the segment lies in the closed box (slabs clipped to 0..1).
    // It accepts every box that a strict crossing test would, and touching ones too,
    // so the tree never hides a face that the face test itself would take.
    float low = 0.0f;
    float high = 1.0f;
    for (int axis = 0; axis < 3; ++axis) {
        const float s = Axis(m_vStart, axis);
        const float d = Axis(m_vEnd, axis) - s;
        const float lo = Axis(box.m_vMin, axis);
        const float hi = Axis(box.m_vMax, axis);
        if (d == 0.0f) {
            if (s < lo || s > hi)
                return 1;
            continue;
        }
        float t0 = (lo - s) / d;
        float t1 = (hi - s) / d;
        if (t0 > t1)
            std::swap(t0, t1);
        low = std::max(low, t0);
        high = std::min(high, t1);
        if (low > high)
            return 1;
    }
    return 2;
}

void Picker::VisitFace(Mesh &mesh, unsigned face)
{
    ++m_iVisited;
    const bool quads = mesh.m_eType != Mesh::typeTriangular;
    Vector p[4];
    for (unsigned c = 0; c < (quads ? 4u : 3u); ++c)
        p[c] = mesh.OriginalFaceVertex(face, c).m_vPosition;
    TestCorners(mesh, face, p, quads);
}

void Picker::TestCorners(Mesh &mesh, unsigned face, const Vector *p, bool quads)
{
    // Quick reject: the segment's box lies wholly on one side of the face on some axis
    // (touching counts as a miss).
    for (int axis = 0; axis < 3; ++axis) {
        const float lo = Axis(m_cSegmentBox.m_vMin, axis);
        const float hi = Axis(m_cSegmentBox.m_vMax, axis);
        bool below = true;
        bool above = true;
        for (unsigned c = 0; c < (quads ? 4u : 3u); ++c) {
            const float v = Axis(p[c], axis);
            below = below && lo >= v;
            above = above && hi <= v;
        }
        if (below || above)
            return;
    }
    TestCrossings(mesh, face, p, quads);
}

void Picker::TestCrossings(Mesh &mesh, unsigned face, const Vector *p, bool quads)
{
    Crossing crossings[4];
    int found = 0;
    if (quads) {
        TestTriangle(p[0], p[1] - p[0], p[3] - p[0], 0, crossings, found);
        TestTriangle(p[2], p[3] - p[2], p[1] - p[2], 1, crossings, found);
    } else {
        TestTriangle(p[0], p[1] - p[0], p[2] - p[0], 0, crossings, found);
    }
    if (!found)
        return;
    // The face's own box takes only strict crossings: a segment that merely touches it is
    // no pick. Asked last, as it seldom decides and costs the most.
    AABB box;
    for (unsigned c = 0; c < (quads ? 4u : 3u); ++c)
        box.Extend(p[c]);
    float t = 0.0f;
    if (!box.IntersectSegment(m_vStart, m_vEnd, t))
        return;
    for (int k = 0; k < found; ++k)
        AddPick(mesh, face, crossings[k].hit, crossings[k].normal, crossings[k].t, crossings[k].half);
}

namespace {

// Bit k set for each of the four faces from `begin` that the segment's box does not lie
// wholly on one side of, on any axis (touching counts as apart): the face test's quick
// reject on the copied corners, four faces at a time. Lanes past the copy's last face
// read its padding and are dropped by the caller.
template <unsigned Corners>
unsigned NearFour(const Octree::CubeFaces &faces, unsigned group, const __m128 *lo, const __m128 *hi)
{
    __m128 away = _mm_setzero_ps();
    for (int axis = 0; axis < 3; ++axis) {
        __m128 below = _mm_castsi128_ps(_mm_set1_epi32(-1));
        __m128 above = below;
        for (unsigned c = 0; c < Corners; ++c) {
            const __m128 v = _mm_loadu_ps(faces.GetGroupCorner(group, c, axis));
            below = _mm_and_ps(below, _mm_cmpge_ps(lo[axis], v));
            above = _mm_and_ps(above, _mm_cmple_ps(hi[axis], v));
        }
        away = _mm_or_ps(away, _mm_or_ps(below, above));
    }
    return ~unsigned(_mm_movemask_ps(away)) & 15u;
}

// Four vectors, one per lane, as three coordinate registers.
struct Four {
    __m128 x, y, z;
};

Four Load(const Octree::CubeFaces &faces, unsigned corner, unsigned group)
{
    return {_mm_loadu_ps(faces.GetGroupCorner(group, corner, 0)), _mm_loadu_ps(faces.GetGroupCorner(group, corner, 1)),
            _mm_loadu_ps(faces.GetGroupCorner(group, corner, 2))};
}

Four Sub(const Four &a, const Four &b) { return {_mm_sub_ps(a.x, b.x), _mm_sub_ps(a.y, b.y), _mm_sub_ps(a.z, b.z)}; }

__m128 Dot(const Four &a, const Four &b)
{
    return _mm_add_ps(_mm_add_ps(_mm_mul_ps(a.x, b.x), _mm_mul_ps(a.y, b.y)), _mm_mul_ps(a.z, b.z));
}

Four Cross(const Four &a, const Four &b)
{
    return {_mm_sub_ps(_mm_mul_ps(a.y, b.z), _mm_mul_ps(a.z, b.y)),
            _mm_sub_ps(_mm_mul_ps(a.z, b.x), _mm_mul_ps(a.x, b.z)),
            _mm_sub_ps(_mm_mul_ps(a.x, b.y), _mm_mul_ps(a.y, b.x))};
}

// The one-sided triangle test's decisions on four triangles at once: the same operations
// in the same order, lane by lane, so a lane is set exactly when the test on that
// triangle goes on to compute a crossing (a NaN fails no comparison there, nor here).
__m128 MayCross(const Four &origin, const Four &e1, const Four &e2, const Four &start, const Four &end,
                const Four &direction)
{
    const __m128 zero = _mm_setzero_ps();
    const Four s = Sub(start, origin);
    const Four p = Cross(direction, e2);
    const __m128 det = Dot(e1, p);
    const __m128 u = Dot(s, p);
    const Four q = Cross(s, e1);
    const __m128 v = Dot(direction, q);
    const Four n = Cross(e1, e2);
    const __m128 nOrigin = Dot(n, origin);
    const __m128 a = _mm_sub_ps(Dot(n, end), nOrigin);
    const __m128 b = _mm_sub_ps(Dot(n, start), nOrigin);
    __m128 miss = _mm_cmplt_ps(det, zero);
    miss = _mm_or_ps(miss, _mm_or_ps(_mm_cmplt_ps(u, zero), _mm_cmpgt_ps(u, det)));
    miss = _mm_or_ps(miss, _mm_or_ps(_mm_cmplt_ps(v, zero), _mm_cmpgt_ps(_mm_add_ps(u, v), det)));
    miss = _mm_or_ps(miss, _mm_cmpgt_ps(_mm_mul_ps(a, b), zero));
    miss = _mm_or_ps(miss, _mm_and_ps(_mm_cmpeq_ps(a, zero), _mm_cmpeq_ps(b, zero)));
    return _mm_andnot_ps(miss, _mm_castsi128_ps(_mm_set1_epi32(-1)));
}

// Bit k set for each of the four faces from `begin` of which some triangle may be
// crossed, one-sided: the faces whose full face test can add a pick.
template <unsigned Corners>
unsigned CrossFour(const Octree::CubeFaces &faces, unsigned group, const Four &start, const Four &end,
                   const Four &direction)
{
    const Four p0 = Load(faces, 0, group);
    const Four p1 = Load(faces, 1, group);
    const Four p2 = Load(faces, 2, group);
    if constexpr (Corners == 3)
        return unsigned(_mm_movemask_ps(MayCross(p0, Sub(p1, p0), Sub(p2, p0), start, end, direction)));
    const Four p3 = Load(faces, 3, group);
    const __m128 first = MayCross(p0, Sub(p1, p0), Sub(p3, p0), start, end, direction);
    const __m128 second = MayCross(p2, Sub(p3, p2), Sub(p1, p2), start, end, direction);
    return unsigned(_mm_movemask_ps(_mm_or_ps(first, second)));
}

Four Splat(const Vector &v) { return {_mm_set1_ps(v.x), _mm_set1_ps(v.y), _mm_set1_ps(v.z)}; }

}  // namespace

void Picker::VisitCubeFaces(Mesh &mesh, const Octree::CubeFaces &faces)
{
    // The face test's quick reject, taken first on the copied corners; the faces left
    // take the rest of the face test. Every test must pass for a pick, so the order
    // changes no result.
    const unsigned count = faces.GetCount();
    const unsigned corners = faces.GetCorners();
    if (corners != 3 && corners != 4)
        return;
    const __m128 lo[3] = {_mm_set1_ps(m_cSegmentBox.m_vMin.x), _mm_set1_ps(m_cSegmentBox.m_vMin.y),
                          _mm_set1_ps(m_cSegmentBox.m_vMin.z)};
    const __m128 hi[3] = {_mm_set1_ps(m_cSegmentBox.m_vMax.x), _mm_set1_ps(m_cSegmentBox.m_vMax.y),
                          _mm_set1_ps(m_cSegmentBox.m_vMax.z)};
    const Four start = Splat(m_vStart);
    const Four end = Splat(m_vEnd);
    const Four direction = Splat(m_vDirection);
    const uint32_t *numbers = faces.GetFaces();
    m_iVisited += int(count);
    const unsigned groups = faces.GetGroups();
    for (unsigned first = 0; first < groups; first += 4) {
        // Groups whose box the segment does not reach hold no face it crosses; a short
        // last step repeats its first group in the lanes it lacks, whose bits are dropped.
        const float *boxes[4];
        for (unsigned lane = 0; lane < 4; ++lane)
            boxes[lane] = faces.GetGroupBox(first + (first + lane < groups ? lane : 0));
        unsigned reached = ReachesFour(boxes) & ((1u << std::min(4u, groups - first)) - 1);
        while (reached) {
            const unsigned group = first + unsigned(std::countr_zero(reached));
            reached &= reached - 1;
            unsigned near = corners == 4 ? NearFour<4>(faces, group, lo, hi) : NearFour<3>(faces, group, lo, hi);
            if (count - group * 4 < 4)
                near &= (1u << (count - group * 4)) - 1;
            // A one-sided pick needs a triangle crossed; most faces near the segment are not,
            // and four of them are told at once. Two-sided picks test both sides in the face test.
            if (near && !m_bTwoSided)
                near &= corners == 4 ? CrossFour<4>(faces, group, start, end, direction)
                                     : CrossFour<3>(faces, group, start, end, direction);
            while (near) {
                const unsigned lane = unsigned(std::countr_zero(near));
                near &= near - 1;
                Vector p[4];
                for (unsigned c = 0; c < corners; ++c)
                    p[c] = Vector(faces.GetGroupCorner(group, c, 0)[lane], faces.GetGroupCorner(group, c, 1)[lane],
                                  faces.GetGroupCorner(group, c, 2)[lane]);
                TestCrossings(mesh, numbers[group * 4 + lane], p, corners == 4);
            }
        }
    }
}

void Picker::TestTriangle(const Vector &origin, const Vector &e1In, const Vector &e2In, int half,
                          Crossing *crossings, int &found) const
{
    for (int pass = 0; pass < (m_bTwoSided ? 2 : 1); ++pass) {
        // The second pass swaps the edges, which turns the triangle round.
        const Vector &e1 = pass ? e2In : e1In;
        const Vector &e2 = pass ? e1In : e2In;
        const Vector s = m_vStart - origin;
        // Edge tests without a division: u and v are scaled by det.
        const Vector p = Cross(m_vDirection, e2);
        const float det = e1.Dot(p);
        if (det < 0.0f)
            continue;
        const float u = s.Dot(p);
        if (u < 0.0f || u > det)
            continue;
        const Vector q = Cross(s, e1);
        const float v = m_vDirection.Dot(q);
        if (v < 0.0f || u + v > det)
            continue;
        // The distance comes from where the segment crosses the plane.
        const Vector n = Cross(e1, e2);
        const float a = n.Dot(m_vEnd) - n.Dot(origin);
        const float b = n.Dot(m_vStart) - n.Dot(origin);
        if (a * b > 0.0f || (a == 0.0f && b == 0.0f))
            continue;
        const float t = std::fabs(b) / (std::fabs(a) + std::fabs(b));
        crossings[found++] = {m_vStart + (m_vEnd - m_vStart) * t, n.Normalized(), t, half};
    }
}

void Picker::AddPick(Mesh &mesh, unsigned face, const Vector &hit, const Vector &normal, float t, int half)
{
    if (m_bVisibleOnly && !mesh.IsFaceVisible(face))
        return;
    const bool frozen = IsFrozen(mesh);
    const size_t batch = size_t(std::clamp(m_iBatchStart, 0, GetPickCount()));
    if (m_bOnePerFreezeState && !frozen && batch < m_aPicks.size() && !m_aPicks[batch]->m_bFrozen &&
        m_aPicks[batch]->m_fDistance <= t)
        return;
    auto pick = std::make_unique<PickInfo>();
    pick->m_pMesh = &mesh;
    pick->m_fDistance = t;
    pick->m_iTag = m_iTag;
    pick->m_iFace = int32_t(face);
    Placement *placement = mesh.GetPlacement();
    pick->m_vPosition = placement ? placement->GetFullMatrix().Transform(hit, 1.0f) : hit;
    pick->m_vNormal = normal;
    pick->m_bFrozen = frozen;
    pick->m_iHalf = half;
    m_bFound = true;
    if (m_bOnePerFreezeState) {
        for (size_t i = batch; i < m_aPicks.size(); ++i) {
            if (m_aPicks[i]->m_bFrozen != frozen)
                continue;
            if (m_aPicks[i]->m_fDistance < t)
                return;
            m_aPicks.erase(m_aPicks.begin() + std::ptrdiff_t(i));
            break;
        }
    }
    size_t at = batch;
    while (at < m_aPicks.size() && m_aPicks[at]->m_fDistance < t)
        ++at;
    m_aPicks.insert(m_aPicks.begin() + std::ptrdiff_t(at), std::move(pick));
}

void Picker::Append(std::unique_ptr<PickInfo> pick)
{
    m_aPicks.push_back(std::move(pick));
    m_bFound = true;
}

PickInfo *Picker::GetClosestPick(float value) const
{
    PickInfo *best = nullptr;
    float bestDistance = 2.0f;
    for (const auto &pick : m_aPicks) {
        const float distance = std::fabs(pick->m_fDistance - value);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = pick.get();
        }
    }
    return best;
}
