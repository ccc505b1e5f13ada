#include "scene/volume/Volume.h"

#include "scene/camera/Camera.h"
#include "scene/camera/CameraHost.h"
#include "scene/picking/Picker.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace General {

namespace {

constexpr int kLow = std::numeric_limits<int16_t>::min();
constexpr int kHigh = std::numeric_limits<int16_t>::max();

bool Fits(int v) { return v >= kLow && v <= kHigh; }

// floor(v) when it is a 16-bit value.
bool CellIndex(float v, int &out)
{
    const float cell = std::floor(v);
    if (!(cell >= float(kLow) && cell <= float(kHigh)))
        return false;
    out = int(cell);
    return true;
}

}  // namespace

bool Volume::CellOf(const Vector &point, int &x, int &y, int &z) const
{
    const float inverse = 1.0f / m_fCellSize;
    const Vector offset = (point - m_vOrigin) * inverse;
    int cx = 0, cy = 0, cz = 0;
    if (!CellIndex(offset.x, cx) || !CellIndex(offset.y, cy) || !CellIndex(offset.z, cz))
        return false;
    x = cx;
    y = cy;
    z = cz;
    return true;
}

bool Volume::IsFree(int x, int y, int z) const
{
    if (float(x) < m_fMinX || float(x) > m_fMaxX || float(y) < m_fMinY || float(y) > m_fMaxY || float(z) < m_fMinZ ||
        float(z) > m_fMaxZ || !m_aIntervals.HasItems())
        return true;
    for (const Interval &run : m_aIntervals)
        if (run.x == x && run.y == y && run.zStart <= z && z < run.zStart + run.zLength)
            return false;
    return true;
}

bool Volume::AddInterval(int x, int y, int zStart, int zLength)
{
    if (!Fits(x) || !Fits(y) || !Fits(zStart) || !Fits(zLength) || !Fits(zStart + zLength - 1))
        return false;
    const Interval run{int16_t(x), int16_t(y), int16_t(zStart), int16_t(zLength)};
    if (m_aIntervals.Add(run) < 0)
        return false;
    m_fMinX = std::min(m_fMinX, float(x));
    m_fMaxX = std::max(m_fMaxX, float(x));
    m_fMinY = std::min(m_fMinY, float(y));
    m_fMaxY = std::max(m_fMaxY, float(y));
    m_fMinZ = std::min(m_fMinZ, float(zStart));
    m_fMaxZ = std::max(m_fMaxZ, float(zStart + zLength));
    return true;
}

bool Volume::Merge(const Volume &other)
{
    if (&other == this)
        return true;  // every run already joins itself
    bool stored = true;
    for (const Interval &a : other.m_aIntervals) {
        const int aStart = a.zStart, aEnd = a.zStart + a.zLength;
        Interval *joined = nullptr;
        for (Interval &b : m_aIntervals) {
            const int bStart = b.zStart, bEnd = b.zStart + b.zLength;
            if (b.x == a.x && b.y == a.y &&
                ((aStart <= bStart && aEnd >= bStart) || (aStart >= bStart && aStart <= bEnd))) {
                joined = &b;
                break;
            }
        }
        if (!joined) {
            stored = AddInterval(a.x, a.y, a.zStart, a.zLength) && stored;
            continue;
        }
        const int start = std::min(aStart, int(joined->zStart));
        const int end = std::max(aEnd, joined->zStart + joined->zLength);
        // Two 16-bit runs of one column can span more than 16 bits of length.
        if (!Fits(end - start)) {
            stored = false;
            continue;
        }
        joined->zStart = int16_t(start);
        joined->zLength = int16_t(end - start);
        m_fMinZ = std::min(m_fMinZ, float(start));
        m_fMaxZ = std::max(m_fMaxZ, float(end));
    }
    return stored;
}

bool Volume::PickSegment(Picker &picker, const Vector &start, const Vector &end) const
{
    const Camera *camera = CameraHost::Get().ActiveCamera();
    return PickSegment(picker, start, end, camera ? camera->GetPosition() : start);
}

bool Volume::PickSegment(Picker &picker, const Vector &start, const Vector &end, const Vector &eye) const
{
    int x0, y0, z0, x1, y1, z1;
    if (!CellOf(start, x0, y0, z0) || !CellOf(end, x1, y1, z1))
        return false;
    const Vector c0 = Vector(float(x0), float(y0), float(z0));
    const Vector d = Vector(float(x1), float(y1), float(z1)) - c0;
    const int steps = int(std::fabs(d.z));
    if (steps < 1)
        return false;
    const Vector step = d * (1.0f / std::fabs(d.z));
    Vector p = c0;
    for (int i = 0; i < steps; ++i, p += step) {
        // The walk stays between two 16-bit cells, so its cells fit as well.
        if (IsFree(int(std::floor(p.x)), int(std::floor(p.y)), int(std::floor(p.z))))
            continue;
        auto pick = std::make_unique<PickInfo>();
        pick->m_vPosition = m_vOrigin + p * m_fCellSize;
        pick->m_vNormal = eye - pick->m_vPosition;
        pick->m_iTag = 0;
        picker.Append(std::move(pick));
        return true;
    }
    return false;
}

std::vector<Volume::Point> Volume::BuildPoints() const
{
    std::vector<Point> points;
    for (const Interval &run : m_aIntervals)
        for (int k = 0; k < run.zLength; ++k) {
            const int z = run.zStart + k;
            Vector normal(0, 0, 0);
            if (IsFree(run.x - 1, run.y, z))
                normal.x -= 1.0f;
            if (IsFree(run.x + 1, run.y, z))
                normal.x += 1.0f;
            if (IsFree(run.x, run.y - 1, z))
                normal.y -= 1.0f;
            if (IsFree(run.x, run.y + 1, z))
                normal.y += 1.0f;
            if (k == 0)
                normal.z -= 1.0f;
            if (k == run.zLength - 1)
                normal.z += 1.0f;
            points.push_back({Vector(float(run.x), float(run.y), float(z)) * m_fCellSize + m_vOrigin, normal});
        }
    return points;
}

}  // namespace General
