#pragma once
// The axis-aligned box of meshes, octree cells and camera framing: six floats,
// minimum x, y, z then maximum x, y, z. The empty box is minimum 0, maximum -1;
// only the x axis decides emptiness.

#include "foundation/math/Vector.h"

#include <type_traits>

class Stream;

class AABB {
public:
    General::Vector m_vMin;
    General::Vector m_vMax;

    // The empty box.
    AABB() { Reset(); }
    // Copied as given, without reordering.
    AABB(const General::Vector &minimum, const General::Vector &maximum) : m_vMin(minimum), m_vMax(maximum) {}

    bool operator==(const AABB &o) const { return m_vMin == o.m_vMin && m_vMax == o.m_vMax; }

    void Reset();
    bool IsEmpty() const { return m_vMax.x < m_vMin.x; }
    // Every bound finite, in one comparison (placing a face asks it for every face moved).
    bool IsFinite() const
    {
        const General::Vector &a = m_vMin, &b = m_vMax;
        return (a.x - a.x) + (a.y - a.y) + (a.z - a.z) + (b.x - b.x) + (b.y - b.y) + (b.z - b.z) == 0.0f;
    }

    // An empty box becomes the point; otherwise the bounds grow to hold it. Inline: a brush
    // extends its boxes by every vertex it moves.
    void Extend(const General::Vector &point)
    {
        if (IsEmpty()) {
            m_vMin = m_vMax = point;
            return;
        }
        if (point.x < m_vMin.x)
            m_vMin.x = point.x;
        if (point.x > m_vMax.x)
            m_vMax.x = point.x;
        if (point.y < m_vMin.y)
            m_vMin.y = point.y;
        if (point.y > m_vMax.y)
            m_vMax.y = point.y;
        if (point.z < m_vMin.z)
            m_vMin.z = point.z;
        if (point.z > m_vMax.z)
            m_vMax.z = point.z;
    }
    // Nothing for an empty box; otherwise by its minimum and maximum points.
    void Extend(const AABB &box);

    // This box lies in the other (bounds inclusive). Inline: the octree asks it per moved face.
    bool IsInside(const AABB &other) const
    {
        return other.m_vMin.x <= m_vMin.x && m_vMax.x <= other.m_vMax.x && other.m_vMin.y <= m_vMin.y &&
               m_vMax.y <= other.m_vMax.y && other.m_vMin.z <= m_vMin.z && m_vMax.z <= other.m_vMax.z;
    }
    // Overlap with positive extent on every axis: boxes that only touch do not intersect.
    bool Intersects(const AABB &other) const;
    // min <= point <= max on every axis.
    bool Contains(const General::Vector &point) const;

    // Corner n (0 to 7): bit 1 takes maximum x, bit 2 maximum y, bit 4 maximum z.
    // Another n is reported and its low three bits are used.
    General::Vector GetCorner(int n) const;
    General::Vector GetCenter() const;
    // The largest side; -1 for the empty box.
    float GetMaxSize() const;

    // The segment from start (t = 0) to end (t = 1) against the box. A start inside
    // gives t = 0; otherwise t is the first face crossing, 1 when there is none.
    bool IntersectSegment(const General::Vector &start, const General::Vector &end, float &t) const;

    // Both directions. Streams before version 218 carry one leading zero byte and
    // stored empty boxes as six zeros. A short read leaves the box as it was and yields false.
    bool Serialize(Stream &stream);
};

static_assert(sizeof(AABB) == 24, "a box is six floats in files");
static_assert(std::is_trivially_copyable_v<AABB> && std::is_standard_layout_v<AABB>);
