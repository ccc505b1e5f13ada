#include "foundation/math/Matrix.h"

#include "foundation/Diagnostics.h"
#include "foundation/math/MathFunctions.h"

#include <cmath>

namespace General {

namespace {

// Determinant of [[a, b, c], [d, e, f], [g, h, i]], expanded along the first column.
float Det3(float a, float b, float c, float d, float e, float f, float g, float h, float i)
{
    return a * (e * i - f * h) - d * (b * i - h * c) + g * (b * f - e * c);
}

}  // namespace

bool Matrix::operator==(const Matrix &o) const
{
    for (int k = 0; k < 16; ++k)
        if (m[k] != o.m[k])
            return false;
    return true;
}

Matrix &Matrix::SetIdentity()
{
    for (int k = 0; k < 16; ++k)
        m[k] = (k % 5 == 0) ? 1.0f : 0.0f;
    return *this;
}

Matrix &Matrix::Transpose()
{
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j)
            std::swap(m[4 * i + j], m[4 * j + i]);
    return *this;
}

Matrix &Matrix::SetRow(int iRowIndex, const Vector &v)
{
    if (!TV_CHECK(iRowIndex >= 0 && iRowIndex < 4))
        return *this;
    m[4 * iRowIndex] = v.x;
    m[4 * iRowIndex + 1] = v.y;
    m[4 * iRowIndex + 2] = v.z;
    return *this;
}

Vector Matrix::GetRow(int iRowIndex) const
{
    if (!TV_CHECK(iRowIndex >= 0 && iRowIndex < 4))
        return Vector(0.0f, 0.0f, 0.0f);
    return Vector(m[4 * iRowIndex], m[4 * iRowIndex + 1], m[4 * iRowIndex + 2]);
}

Matrix &Matrix::Scale(float s)
{
    for (float &value : m)
        value *= s;
    return *this;
}

Vector Matrix::Transform(const Vector &p, float w) const
{
    return Vector(m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12] * w,
                  m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13] * w,
                  m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14] * w);
}

Vector Matrix::Transform4(const Vector &p, float w, float &wOut) const
{
    wOut = m[3] * p.x + m[7] * p.y + m[11] * p.z + m[15] * w;
    return Transform(p, w);
}

Vector Matrix::TransformHomogeneous(const Vector &p, float w) const
{
    float fourth;
    const Vector result = Transform4(p, w, fourth);
    return result * (1.0f / fourth);
}

Vector Matrix::ProjectPoint(const Vector &p, float w) const
{
    float fourth;
    const Vector result = Transform4(p, w, fourth);
    const float scale = 1.0f / fourth;
    return result * scale;
}

Matrix Matrix::Multiply(const Matrix &other) const
{
    Matrix result;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += m[4 * i + k] * other.m[4 * k + j];
            result.m[4 * i + j] = sum;
        }
    return result;
}

bool Matrix::Invert()
{
    // cofactor[4 * i + j] = (-1)^(i + j) · the minor without row i and column j.
    float cofactor[16];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float minor[9];
            int n = 0;
            for (int r = 0; r < 4; ++r) {
                if (r == i)
                    continue;
                for (int c = 0; c < 4; ++c)
                    if (c != j)
                        minor[n++] = m[4 * r + c];
            }
            const float det = Det3(minor[0], minor[1], minor[2], minor[3], minor[4], minor[5], minor[6],
                                   minor[7], minor[8]);
            cofactor[4 * i + j] = ((i + j) % 2) ? -det : det;
        }
    const float determinant = m[0] * cofactor[0] + m[1] * cofactor[1] + m[2] * cofactor[2] + m[3] * cofactor[3];
    if (determinant == 0.0f || !std::isfinite(determinant))
        return false;
    const float scale = 1.0f / determinant;
    if (!std::isfinite(scale))
        return false;
    // The inverse is the adjugate (the transposed cofactors) over the determinant.
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            m[4 * i + j] = cofactor[4 * j + i] * scale;
    return true;
}

Matrix &Matrix::SetRotation(float ax, float ay, float az)
{
    const float cx = std::cos(ax), sx = std::sin(ax);
    const float cy = std::cos(ay), sy = std::sin(ay);
    const float cz = std::cos(az), sz = std::sin(az);
    const float sysx = sy * sx;
    const float sycx = sy * cx;
    m[0] = cy * cz;
    m[1] = -cy * sz;
    m[2] = sy;
    m[3] = 0.0f;
    m[4] = sysx * cz + sz * cx;
    m[5] = cz * cx - sysx * sz;
    m[6] = -sx * cy;
    m[7] = 0.0f;
    m[8] = sz * sx - sycx * cz;
    m[9] = sx * cz + sz * sycx;
    m[10] = cy * cx;
    m[11] = 0.0f;
    m[12] = m[13] = m[14] = 0.0f;
    m[15] = 1.0f;
    return *this;
}

Vector Matrix::GetRotation() const
{
    // Rounding can push the sine a hair past ±1, where asin has no answer.
    const float sine = std::clamp(m[2], -1.0f, 1.0f);
    const float ay = std::asin(sine);
    float ax, az;
    if (std::fabs(std::cos(ay)) <= 0.005f) {
        // Gimbal lock: x and z turn about the same axis, so z takes the whole turn.
        ax = 0.0f;
        az = std::atan2(m[4], m[5]);
    } else {
        ax = std::atan2(-m[6], m[10]);
        az = std::atan2(-m[1], m[0]);
    }
    return Vector(WrapValue(ax, 0.0f, kAngleWrap), WrapValue(ay, 0.0f, kAngleWrap), WrapValue(az, 0.0f, kAngleWrap));
}

Matrix &Matrix::SetAxisRotation(const Vector &axis, float angle)
{
    // A zero axis normalises to (0, 1, 0); the frame is then built about that axis too.
    const float length = axis.Length();
    const Vector along = (length == 0.0f || std::isnan(length)) ? Vector(0.0f, 1.0f, 0.0f) : axis;
    const Vector a = along.Normalized();
    Vector u(1.0f, 0.0f, 0.0f);
    u.MakeOrthogonal(along).Normalize();
    const Vector w = a.Cross(u);

    Matrix frame;
    frame.SetRow(0, a).SetRow(1, u).SetRow(2, w);
    Matrix turn;
    turn.SetRotation(angle, 0.0f, 0.0f);
    Matrix back = frame;
    back.Transpose();
    *this = back.Multiply(turn).Multiply(frame);
    return *this;
}

}  // namespace General
