#pragma once
// A 3×3 matrix of three row vectors: tangent frames and small linear solves.

#include "foundation/math/Vector.h"

namespace General {

class Matrix3 {
public:
    // Row i is m[3i] to m[3i + 2].
    float m[9];

    // Left uninitialised, like a vector.
    Matrix3() = default;
    Matrix3(const Vector &row0, const Vector &row1, const Vector &row2);

    Vector GetRow(int i) const;
    Matrix3 &SetRow(int i, const Vector &v);

    float Determinant() const;

    // Row i = row (i+1) × row (i+2) with the flag set, row (i+2) × row (i+1) without (indices mod 3).
    Matrix3 &RebuildRow(int i, bool flag);
    // Row i made perpendicular to row j (not normalised, see Vector::MakeOrthogonal);
    // j = -1 does it against row (i+1) and then row (i+2).
    Matrix3 &OrthogonalizeRow(int i, int j);

    // x with x.x·row0 + x.y·row1 + x.z·row2 = b, by Cramer's rule. A singular (or
    // not finite) system has no answer: x becomes zero and the result is false.
    bool Solve(const Vector &b, Vector &x) const;
};

static_assert(sizeof(Matrix3) == 36);

}  // namespace General
