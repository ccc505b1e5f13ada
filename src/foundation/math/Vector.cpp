#include "foundation/math/Vector.h"

#include <algorithm>
#include <cmath>

namespace General {

float Vector::LengthXY() const
{
    const float squared = x * x + y * y;
    return std::sqrt(squared);
}

Vector &Vector::MakeOrthogonal(const Vector &o)
{
    const Vector across = Cross(o);
    *this = o.Cross(across);
    return *this;
}

Vector &Vector::SolveInBasis(const Vector &u, const Vector &v)
{
    const float eps = 1e-5f;
    const float mx = std::max(std::fabs(u.x), std::fabs(v.x));
    const float my = std::max(std::fabs(u.y), std::fabs(v.y));
    const float mz = std::max(std::fabs(u.z), std::fabs(v.z));

    // Two equations t = a·p + b·q, one per kept axis; the weakest axis is dropped.
    float tA, pA, qA, tB, pB, qB;
    if (mx < my && mx < mz) {
        tA = z; pA = u.z; qA = v.z;
        tB = y; pB = u.y; qB = v.y;
    } else if (my < mz) {
        tA = x; pA = u.x; qA = v.x;
        tB = z; pB = u.z; qB = v.z;
    } else {
        tA = x; pA = u.x; qA = v.x;
        tB = y; pB = u.y; qB = v.y;
    }

    float a = 0.0f;
    float b = 0.0f;
    if (std::fabs(pA) > eps || std::fabs(pB) < std::fabs(pA)) {
        const float d = qB - pB * qA / pA;
        if (std::fabs(d) < eps) {
            a = tA / pA;
        } else {
            b = (tB - pB * tA / pA) / d;
            a = (tA - qA * b) / pA;
        }
    } else if (std::fabs(qA) < eps) {
        if (std::fabs(pB) > eps)
            a = tB / pB;
        else if (std::fabs(qB) > eps)
            b = tB / qB;
    } else {
        b = tA / qA;
        if (std::fabs(pB) > eps)
            a = (tB - qB * b) / pB;
    }
    x = a;
    y = b;
    return *this;
}

}  // namespace General
