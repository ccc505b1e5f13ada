#include "foundation/math/AABB.h"

#include "foundation/Diagnostics.h"
#include "foundation/Stream.h"

#include <algorithm>

using General::Vector;

namespace {

// The stream version that dropped the leading byte and began storing empty boxes as such.
constexpr int kVersionPlainBox = 218;

float Axis(const Vector &v, int k) { return k == 0 ? v.x : (k == 1 ? v.y : v.z); }

}  // namespace

void AABB::Reset()
{
    m_vMin = Vector(0.0f, 0.0f, 0.0f);
    m_vMax = Vector(-1.0f, -1.0f, -1.0f);
}

void AABB::Extend(const AABB &box)
{
    if (box.IsEmpty())
        return;
    Extend(box.m_vMin);
    Extend(box.m_vMax);
}

bool AABB::Intersects(const AABB &other) const
{
    for (int k = 0; k < 3; ++k)
        if (!(Axis(other.m_vMax, k) > Axis(m_vMin, k) && Axis(other.m_vMin, k) < Axis(m_vMax, k)))
            return false;
    return true;
}

bool AABB::Contains(const Vector &point) const
{
    for (int k = 0; k < 3; ++k)
        if (!(Axis(m_vMin, k) <= Axis(point, k) && Axis(point, k) <= Axis(m_vMax, k)))
            return false;
    return true;
}

Vector AABB::GetCorner(int n) const
{
    TV_ASSERT(n >= 0 && n < 8);
    return Vector((n & 1) ? m_vMax.x : m_vMin.x, (n & 2) ? m_vMax.y : m_vMin.y, (n & 4) ? m_vMax.z : m_vMin.z);
}

Vector AABB::GetCenter() const { return (m_vMin + m_vMax) * 0.5f; }

float AABB::GetMaxSize() const
{
    const Vector size = m_vMax - m_vMin;
    return std::max(size.x, std::max(size.y, size.z));
}

bool AABB::IntersectSegment(const Vector &start, const Vector &end, float &t) const
{
    if (Contains(start)) {
        t = 0.0f;
        return true;
    }
    float best = 1.0f;
    // Faces in the order max x, min x, max y, min y, max z, min z: on a tie the earlier face wins.
    for (int k = 0; k < 3; ++k) {
        for (int side = 0; side < 2; ++side) {
            const float c = Axis(side == 0 ? m_vMax : m_vMin, k);
            const float s = Axis(start, k);
            const float e = Axis(end, k);
            // Only a strict crossing counts; touching the plane at either end does not.
            if (!((s < c && e > c) || (s > c && e < c)))
                continue;
            const float tc = (s - c) / (s - e);
            const Vector hit = start + (end - start) * tc;
            bool onFace = true;
            for (int other = 0; other < 3; ++other)
                if (other != k && !(Axis(m_vMin, other) <= Axis(hit, other) && Axis(hit, other) <= Axis(m_vMax, other)))
                    onFace = false;
            if (onFace && tc < best)
                best = tc;
        }
    }
    t = best;
    return best < 1.0f;
}

bool AABB::Serialize(Stream &stream)
{
    AABB box = *this;
    bool whole = true;
    if (stream.GetVersion() < kVersionPlainBox) {
        unsigned char lead = 0;
        whole = stream.Transfer(&lead, 1);
    }
    whole = whole && stream.Transfer(&box.m_vMin, sizeof(Vector)) && stream.Transfer(&box.m_vMax, sizeof(Vector));
    if (!whole)
        return false;
    const Vector zero(0.0f, 0.0f, 0.0f);
    if (stream.GetVersion() < kVersionPlainBox && box.m_vMin == zero && box.m_vMax == zero)
        box.Reset();
    *this = box;
    return true;
}
