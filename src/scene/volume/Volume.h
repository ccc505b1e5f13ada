#pragma once
// A sparse voxel set (the sketch volume): occupied cells kept as runs along z, one
// interval per run. Cell coordinates are 16-bit: points whose cells do not fit are
// refused rather than wrapped onto cells at the other end.

#include "foundation/Containers.h"
#include "foundation/math/Vector.h"

#include <cstdint>
#include <vector>

class Picker;

namespace General {

class Volume {
public:
    struct Interval {
        int16_t x, y, zStart, zLength;  // cells (x, y, z) for zStart <= z < zStart + zLength
    };
    // A cell as the view draws it: a lit point.
    struct Point {
        Vector position;
        Vector normal;
    };

    Volume() = default;
    Volume(const Volume &) = delete;
    Volume &operator=(const Volume &) = delete;

    // The cell holding the point (floor of the offset from the origin in cells). False,
    // leaving the outputs alone, when a coordinate is not finite or outside 16 bits.
    bool CellOf(const Vector &point, int &x, int &y, int &z) const;
    // True outside the bounds, in an empty volume, or where no interval covers the cell.
    bool IsFree(int x, int y, int z) const;
    // False (nothing changed) when a value does not fit the 16-bit record, the run
    // would end past the 16-bit range, or the store cannot grow.
    bool AddInterval(int x, int y, int zStart, int zLength);
    // Joins the other volume's runs into this one: a run overlapping or touching the
    // first run of the same column extends it, any other is added. False when a run
    // could not be stored.
    bool Merge(const Volume &other);
    // Walks the segment one z layer at a time and appends a pick at the first occupied
    // cell to the picker; its normal points at `eye`. False when nothing was hit.
    bool PickSegment(Picker &picker, const Vector &start, const Vector &end, const Vector &eye) const;
    // The same with the eye of the scene's active camera (the start without one).
    bool PickSegment(Picker &picker, const Vector &start, const Vector &end) const;
    // One point per occupied cell with the normal of its open sides, as the view draws them.
    std::vector<Point> BuildPoints() const;

    int GetIntervalCount() const { return int(m_aIntervals.GetItemCount()); }
    const Interval &GetInterval(int index) const { return m_aIntervals[unsigned(index)]; }

    float m_fCellSize = 1.0f;
    // Cell-index bounds, only ever widened from 0.
    float m_fMinX = 0, m_fMaxX = 0, m_fMinY = 0, m_fMaxY = 0, m_fMinZ = 0, m_fMaxZ = 0;
    Vector m_vOrigin{0, 0, 0};

private:
    Store<Interval> m_aIntervals{"volume intervals"};
};

}  // namespace General
