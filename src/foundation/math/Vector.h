#pragma once
// The three-float vector of every geometric routine. It is a plain memory image
// (12 bytes) so stores of vectors go to files and GPU buffers unchanged.

#include <cmath>
#include <cstdint>
#include <type_traits>

namespace General {

class Vector {
public:
    float x, y, z;

    // Left uninitialised: large stores of vectors are filled by their users.
    Vector() = default;
    constexpr Vector(float vx, float vy, float vz) : x(vx), y(vy), z(vz) {}

    Vector operator+(const Vector &o) const { return Vector(x + o.x, y + o.y, z + o.z); }
    Vector operator-(const Vector &o) const { return Vector(x - o.x, y - o.y, z - o.z); }
    Vector operator*(float s) const { return Vector(x * s, y * s, z * s); }
    Vector &operator+=(const Vector &o) { x += o.x; y += o.y; z += o.z; return *this; }
    Vector &operator-=(const Vector &o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
    Vector &operator*=(float s) { x *= s; y *= s; z *= s; return *this; }

    bool operator==(const Vector &o) const { return x == o.x && y == o.y && z == o.z; }
    // A component that does not compare (not a number) counts as different.
    bool operator!=(const Vector &o) const { return !(*this == o); }

    bool IsNonZero() const { return x != 0.0f || y != 0.0f || z != 0.0f; }
    bool IsZero() const { return !IsNonZero(); }
    // No component infinite or not a number. v - v is 0 exactly for a finite v, so the
    // components are checked in one comparison instead of a branch each.
    bool IsFinite() const { return (x - x) + (y - y) + (z - z) == 0.0f; }

    // Length, Cross and Normalize run for every vertex and face a brush touches: kept inline.
    float Length() const { return std::sqrt(x * x + y * y + z * z); }
    float LengthXY() const;
    float Dot(const Vector &o) const { return x * o.x + y * o.y + z * o.z; }
    // this × other.
    Vector Cross(const Vector &o) const { return Vector(y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x); }

    // Replaces this by o × (this × o): the part perpendicular to o, scaled by |o|².
    Vector &MakeOrthogonal(const Vector &o);
    // Unit length; a zero (or not-a-number) length gives (0, 1, 0).
    Vector &Normalize()
    {
        const float length = Length();
        if (length == 0.0f || std::isnan(length)) {
            *this = Vector(0.0f, 1.0f, 0.0f);
            return *this;
        }
        x /= length;
        y /= length;
        z /= length;
        return *this;
    }
    Vector Normalized() const
    {
        Vector copy = *this;
        return copy.Normalize();
    }

    // A normal packed as three signed 16-bit values (component × 32767).
    // value / 32767 rounded to float; the product by the reciprocal rounds to the same
    // float for every 16-bit value and costs no division (normals are unpacked per face
    // of every stroke).
    static Vector FromShortNormal(int16_t nx, int16_t ny, int16_t nz)
    {
        constexpr double kScale = 1.0 / 32767.0;
        return Vector(float(nx * kScale), float(ny * kScale), float(nz * kScale));
    }

    // Finds a, b with this ≈ a·u + b·v on the two best-conditioned axes and writes
    // a into x and b into y; z keeps whatever it held.
    Vector &SolveInBasis(const Vector &u, const Vector &v);
};

static_assert(sizeof(Vector) == 12, "a vector is three floats in files and buffers");
static_assert(std::is_trivially_copyable_v<Vector> && std::is_standard_layout_v<Vector>);

}  // namespace General
