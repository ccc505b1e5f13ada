#pragma once
// The last two samples of a brush stroke. The falloff of a point is measured from the
// segment between them, so a fast stroke leaves no gaps between its samples. Each of the
// two stroke sides (the stroke and its mirror image) keeps its own last sample, so that
// the mirrored stroke joins its own previous sample.

#include "foundation/math/Vector.h"

#include <cmath>

class Mesh;

namespace Operations {

struct StrokeSample {
    Mesh *m_pMesh = nullptr;
    int m_iSide = 0;
    General::Vector m_vWindow{0, 0, 0};     // projected by the view's camera, z = 0
    General::Vector m_vNormal{0, 0, 0};     // of the hit face before the stroke
    General::Vector m_vPosition{0, 0, 0};   // world space, offset included
    General::Vector m_vMotion{0, 0, 0};     // unit, from the previous current sample
    General::Vector m_vSide{0, 0, 0};       // unit, motion × normal
    General::Vector m_vDirection{0, 0, 0};  // handed in by the brush (an averaged normal)
    float m_fRadius = 0.0f;
    float m_fStrength = 0.0f;
    // Whether the slot holds a sample: the origin is a place a stroke may pass through.
    bool m_bValid = false;
};

class StrokeSegment {
public:
    StrokeSegment() = default;

    // A one-point segment at `position` (for a brush that measures around one place), in
    // the world and in the view's window.
    void Start(const General::Vector &position, float radius);
    // Takes a new sample as the current one. Only sides -1, 0 and 1 have a history slot:
    // any other side is refused (false, nothing changes).
    bool Update(int side, Mesh *mesh, unsigned face, const General::Vector &position,
                const General::Vector &direction, float radius, float strength, bool restart);
    // 1 at the segment, falling linearly to 0 at the interpolated radius and below 0
    // beyond it; leaves the segment parameter (0 at the current sample, 1 at the previous).
    float GetFalloff(const General::Vector &point, bool windowSpace) { return GetFalloff(GetMeasure(windowSpace), point); }

    // The places the falloff is measured from, fixed while the samples stay: a walk that
    // weighs many points takes it once.
    struct Measure {
        General::Vector m_vCurrent, m_vPrevious;
        General::Vector m_vAxis;  // current - previous
        float m_fLength2;         // |axis|²
        bool m_bWindowSpace;
    };
    Measure GetMeasure(bool windowSpace) const
    {
        const General::Vector a = windowSpace ? m_cCurrent.m_vWindow : m_cCurrent.m_vPosition;
        const General::Vector b = windowSpace ? m_cPrevious.m_vWindow : m_cPrevious.m_vPosition;
        const General::Vector u = a - b;
        return Measure{a, b, u, u.Dot(u), windowSpace};
    }
    // GetFalloff against a measure taken from this segment's present samples.
    float GetFalloff(const Measure &measure, const General::Vector &point)
    {
        const General::Vector p = measure.m_bWindowSpace ? Project(point) : point;
        const General::Vector &a = measure.m_vCurrent, &b = measure.m_vPrevious, &u = measure.m_vAxis;
        auto squared = [](const General::Vector &v) { return v.Dot(v); };

        const float d0 = squared(a - p), d1 = squared(b - p);
        float d = d0;
        m_fParameter = 0.0f;
        if (d1 < d0 || d0 == 0.0f) {
            d = d1;
            m_fParameter = 1.0f;
        }
        if (measure.m_fLength2 != 0.0f) {
            const float t = (p - b).Dot(u) / measure.m_fLength2;
            if (t >= 0.0f && t < 1.0f) {
                const float dq = squared(b + u * t - p);
                if (dq < d) {
                    d = dq;
                    m_fParameter = 1.0f - t;
                }
            }
        }
        const float radius = (1.0f - m_fParameter) * m_cCurrent.m_fRadius + m_fParameter * m_cPrevious.m_fRadius;
        return 1.0f - std::sqrt(d) / radius;
    }

    // (1 - t)·current + t·previous at the last falloff's parameter.
    template <class T>
    T Interpolate(T StrokeSample::*field) const
    {
        return m_cCurrent.*field * (1.0f - m_fParameter) + m_cPrevious.*field * m_fParameter;
    }

    float m_fParameter = 0.0f;
    StrokeSample m_cCurrent;
    StrokeSample m_cPrevious;
    StrokeSample m_aHistory[2];

private:
    static General::Vector Project(const General::Vector &point);
};

}  // namespace Operations
