#include "foundation/math/Matrix3.h"

#include "foundation/Diagnostics.h"

#include <cmath>

namespace General {

namespace {

float Det(const Vector &r0, const Vector &r1, const Vector &r2) { return r0.Dot(r1.Cross(r2)); }

}  // namespace

Matrix3::Matrix3(const Vector &row0, const Vector &row1, const Vector &row2)
{
    SetRow(0, row0);
    SetRow(1, row1);
    SetRow(2, row2);
}

Vector Matrix3::GetRow(int i) const
{
    if (!TV_CHECK(i >= 0 && i < 3))
        return Vector(0.0f, 0.0f, 0.0f);
    return Vector(m[3 * i], m[3 * i + 1], m[3 * i + 2]);
}

Matrix3 &Matrix3::SetRow(int i, const Vector &v)
{
    if (!TV_CHECK(i >= 0 && i < 3))
        return *this;
    m[3 * i] = v.x;
    m[3 * i + 1] = v.y;
    m[3 * i + 2] = v.z;
    return *this;
}

float Matrix3::Determinant() const { return Det(GetRow(0), GetRow(1), GetRow(2)); }

Matrix3 &Matrix3::RebuildRow(int i, bool flag)
{
    if (!TV_CHECK(i >= 0 && i < 3))
        return *this;
    const Vector next = GetRow((i + 1) % 3);
    const Vector after = GetRow((i + 2) % 3);
    return SetRow(i, flag ? next.Cross(after) : after.Cross(next));
}

Matrix3 &Matrix3::OrthogonalizeRow(int i, int j)
{
    if (!TV_CHECK(i >= 0 && i < 3 && j >= -1 && j < 3))
        return *this;
    Vector row = GetRow(i);
    if (j >= 0) {
        row.MakeOrthogonal(GetRow(j));
    } else {
        row.MakeOrthogonal(GetRow((i + 1) % 3));
        row.MakeOrthogonal(GetRow((i + 2) % 3));
    }
    return SetRow(i, row);
}

bool Matrix3::Solve(const Vector &b, Vector &x) const
{
    const Vector r0 = GetRow(0), r1 = GetRow(1), r2 = GetRow(2);
    const float det = Det(r0, r1, r2);
    if (det != 0.0f)
        x = Vector(Det(b, r1, r2) / det, Det(r0, b, r2) / det, Det(r0, r1, b) / det);
    if (det == 0.0f || !x.IsFinite()) {
        x = Vector(0.0f, 0.0f, 0.0f);
        return false;
    }
    return true;
}

}  // namespace General
