#pragma once
// The 4×4 matrix of placements, cameras and projections. Points are row vectors
// multiplied from the left: rows 0 to 2 hold the axes and row 3 the translation,
// so the sixteen floats go to OpenGL unchanged.

#include "foundation/math/Vector.h"

namespace General {

class Matrix {
public:
    // m[4 * row + column].
    float m[16];

    // The identity.
    Matrix() { SetIdentity(); }

    float &operator()(int row, int column) { return m[4 * row + column]; }
    float operator()(int row, int column) const { return m[4 * row + column]; }
    bool operator==(const Matrix &o) const;

    Matrix &SetIdentity();
    Matrix &Transpose();
    // The first three floats of row iRowIndex (0 to 3); another index is reported and changes nothing.
    Matrix &SetRow(int iRowIndex, const Vector &v);
    Vector GetRow(int iRowIndex) const;
    // Every element times s.
    Matrix &Scale(float s);

    // (x, y, z, w) × this, first three components: w = 1 moves a point, w = 0 turns a direction.
    Vector Transform(const Vector &p, float w = 1.0f) const;
    // As Transform, then divided by the fourth component.
    Vector TransformHomogeneous(const Vector &p, float w = 1.0f) const;
    // All four components; the fourth goes to wOut.
    Vector Transform4(const Vector &p, float w, float &wOut) const;
    // The four-component transform, the first three times 1 / the fourth.
    Vector ProjectPoint(const Vector &p, float w = 1.0f) const;

    // this × other: with row vectors, p·(this·other) applies this first, then other.
    Matrix Multiply(const Matrix &other) const;

    // Inverts in place by cofactors. A singular matrix (or one that is not finite)
    // is left unchanged and yields false.
    bool Invert();

    // Euler angles in radians; the upper 3×3 is Rx(x)·Ry(y)·Rz(z) for column vectors,
    // the rest the identity.
    Matrix &SetRotation(float ax, float ay, float az);
    Matrix &SetRotation(const Vector &angles) { return SetRotation(angles.x, angles.y, angles.z); }
    // The Euler angles of the rotation part, each wrapped into 0 to 6.283.
    Vector GetRotation() const;
    // Rotation by angle (radians) about the axis; a zero axis turns about (0, 1, 0).
    Matrix &SetAxisRotation(const Vector &axis, float angle);
};

static_assert(sizeof(Matrix) == 64, "a matrix is sixteen floats, as OpenGL takes it");

}  // namespace General
