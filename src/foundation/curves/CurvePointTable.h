#pragma once
// The older form of a falloff: up to 64 points, each with the polynomial coefficients of
// the segment that starts at it. Older files still carry it.

#include <type_traits>

class Stream;

struct CurvePoint {
    float x, y;
    float c1, c2, c3, c4;  // coefficients of the segment starting here
    float extra;           // stored with the point, read by nobody

    // y and the coefficients to 0; x and extra stay.
    void Clear() { y = c1 = c2 = c3 = c4 = 0.0f; }
};

static_assert(sizeof(CurvePoint) == 28 && std::is_trivially_copyable_v<CurvePoint>);

class CurvePointTable {
public:
    static constexpr int kCapacity = 64;

    CurvePointTable();

    // Both directions: the count, then count points of seven floats; streams before
    // version 118 hold 8 points of six floats (no extra) whatever the count. A count
    // outside 0 to 64 (0 to 8 before 118) or a short read is refused (false, stream
    // error, table unchanged).
    bool Serialize(Stream &stream);

    // Inserts `point` at `index` (a negative index appends) and updates the coefficients;
    // false, and nothing changed, when the table is full or the index lies past its end.
    bool InsertPoint(const CurvePoint &point, int index);
    // Removes an inner point and updates the coefficients; the end points stay.
    void RemovePoint(int index);
    // c2 of every point, and c1 of every point but the first, so that the segments join
    // in value and slope (a quadratic spline); c1 of the first point and every c3 and c4
    // keep what they hold.
    void UpdateCoefficients();
    // The value at `x`: 0 outside the first and last points' x or with fewer than two
    // points. A segment of no length gives its start value.
    float Evaluate(float x) const;
    // Moves a point; the caller keeps the points ordered by x and updates the coefficients.
    void SetPosition(int index, float x, float y);

    int GetCount() const { return m_iCount; }
    const CurvePoint &GetPoint(int index) const { return m_aPoints[index]; }

private:
    int m_iCount = 0;
    CurvePoint m_aPoints[kCapacity];
};
