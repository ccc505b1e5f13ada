#include "foundation/curves/NURBSCurve.h"

#include "foundation/curves/CurveServices.h"
#include "foundation/ShellServices.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace General {

namespace {

// Chords are split until they are shorter than this.
constexpr float kChordLimit = 2.0f;
// A table this long stops splitting (curves are at most a few thousand pixels long):
// absurd coordinates must not exhaust memory.
constexpr unsigned kMaxChords = 1u << 16;

// Knot differences of an empty span are 0; their terms vanish instead of dividing by zero.
float Divide(float a, float b) { return b != 0.0f ? a / b : 0.0f; }

template <class T>
bool CopyStore(Store<T> &to, const Store<T> &from)
{
    if (!to.SetItemCount(from.GetItemCount(), false))
        return false;
    if (from.GetItemCount())
        std::memcpy(static_cast<void *>(to.begin()), from.begin(), size_t(from.GetItemCount()) * sizeof(T));
    return true;
}

int ClampDegree(int degree)
{
    if (!TV_CHECK(degree >= 0 && degree <= NURBSCurve::kMaxDegree))
        return std::clamp(degree, 0, NURBSCurve::kMaxDegree);
    return degree;
}

}  // namespace

NURBSCurve::NURBSCurve(int degree, bool withProfile) : Node(QStringLiteral("Curve")), m_iDegree(ClampDegree(degree))
{
    if (!withProfile)
        return;
    m_pProfile = new NURBSCurve(3, false);
    m_pProfile->InsertControlPoint(Vector(0.0f, 0.0f, 0.0f), -1);
    m_pProfile->InsertControlPoint(Vector(0.33f, 1.0f, 0.0f), -1);
    m_pProfile->InsertControlPoint(Vector(0.66f, 1.0f, 0.0f), -1);
    m_pProfile->m_bSampled = true;  // the table fills as the last point arrives
    m_pProfile->InsertControlPoint(Vector(1.0f, 0.0f, 0.0f), -1);
}

NURBSCurve::~NURBSCurve()
{
    Shell().ReleaseNode(this);
    // The chain is taken down one curve at a time, not by recursion.
    while (NURBSCurve *next = m_pNext) {
        m_pNext = next->m_pNext;
        next->m_pNext = nullptr;
        delete next;
    }
    delete m_pProfile;
}

NURBSCurve &NURBSCurve::operator=(const NURBSCurve &other)
{
    if (this == &other)
        return *this;
    m_sName = other.m_sName;
    m_iDegree = other.m_iDegree;
    m_bDrawn = other.m_bDrawn;
    m_bClosed = other.m_bClosed;
    m_bSampled = other.m_bSampled;
    m_fTotalLength = other.m_fTotalLength;
    m_fOffsetX = other.m_fOffsetX;
    m_fOffsetY = other.m_fOffsetY;
    m_fAngle = other.m_fAngle;
    m_fScale = other.m_fScale;
    const bool copied = CopyStore(m_aControlPoints, other.m_aControlPoints) && CopyStore(m_aKnots, other.m_aKnots) &&
                        CopyStore(m_aSamples, other.m_aSamples) &&
                        CopyStore(m_aChordLengths, other.m_aChordLengths);
    if (!copied) {
        // Out of memory: keep a curve that is consistent, if not complete.
        m_aControlPoints.Clear();
        m_bClosed = false;
        ComputeKnots();
        Changed();
    }
    if (other.m_pProfile) {
        if (!m_pProfile)
            m_pProfile = new NURBSCurve(3, false);
        *m_pProfile = *other.m_pProfile;
    } else {
        delete std::exchange(m_pProfile, nullptr);
    }
    return *this;
}

bool NURBSCurve::SetDegree(int degree)
{
    if (degree == m_iDegree)
        return true;
    if (degree < 0 || degree > kMaxDegree) {
        Log("Curve degree %d refused\n", degree);
        return false;
    }
    m_bClosed = false;
    m_iDegree = degree;
    ComputeKnots();
    Changed();
    return true;
}

bool NURBSCurve::InsertControlPoint(const Vector &point, int index)
{
    if (m_aControlPoints.Add(point) < 0)
        return false;
    const int count = GetControlPointCount();
    if (index >= 0 && index < count - 1) {
        Vector *points = m_aControlPoints.begin();
        std::memmove(static_cast<void *>(points + index + 1), points + index, size_t(count - 1 - index) * sizeof(Vector));
        points[index] = point;
    }
    m_bClosed = false;
    ComputeKnots();
    Changed();
    return true;
}

void NURBSCurve::RemoveControlPoint(int index)
{
    const int count = GetControlPointCount();
    if (index < 0 || index >= count)
        return;
    if (index >= count - m_iDegree || index < m_iDegree)
        m_bClosed = false;
    Vector *points = m_aControlPoints.begin();
    std::memmove(static_cast<void *>(points + index), points + index + 1, size_t(count - 1 - index) * sizeof(Vector));
    m_aControlPoints.SetItemCount(unsigned(count - 1), true);
    ComputeKnots();
    Changed();
}

void NURBSCurve::SetControlPoint(int index, const Vector &point)
{
    if (!TV_CHECK(index >= 0 && index < GetControlPointCount()))
        return;
    m_aControlPoints[unsigned(index)] = point;
    Changed();
}

void NURBSCurve::Close()
{
    const int count = GetControlPointCount();
    if (m_bClosed || count < 2 * m_iDegree - 1)
        return;
    m_aChordLengths.Clear();
    for (int i = 0; i < m_iDegree; ++i) {
        const Vector copy = m_aControlPoints[unsigned(i)];
        if (m_aControlPoints.Add(copy) < 0) {
            m_aControlPoints.SetItemCount(unsigned(count), true);
            ComputeKnots();
            return;
        }
    }
    m_bClosed = true;
    ComputeKnots();
    Changed();
}

int NURBSCurve::GetDuplicateIndex(int index) const
{
    const int count = GetControlPointCount();
    if (!m_bClosed || index < 0 || index >= count || count < 2 * m_iDegree)
        return -1;
    if (index < m_iDegree)
        return index + count - m_iDegree;
    if (index >= count - m_iDegree)
        return index - (count - m_iDegree);
    return -1;
}

void NURBSCurve::ComputeKnots()
{
    const int n = GetControlPointCount();
    const int p = m_iDegree;
    if (!m_aKnots.SetItemCount(unsigned(n + p + 1), false))
        return;
    for (int i = 0; i <= n + p; ++i) {
        float knot;
        if (m_bClosed)
            knot = float(i);
        else if (i <= p)
            knot = 0.0f;
        else if (i <= n - 1)
            knot = float(i - p);
        else
            knot = float(n > p ? n - p : 1);
        m_aKnots[unsigned(i)] = knot;
    }
}

void NURBSCurve::Changed()
{
    m_aChordLengths.Clear();
    Precalculate();
}

float NURBSCurve::GetLastKnot() const { return m_aKnots.HasItems() ? m_aKnots.GetLast() : 0.0f; }

bool NURBSCurve::CanEvaluate() const
{
    const int count = GetControlPointCount();
    return count > m_iDegree && m_aKnots.GetItemCount() == unsigned(count + m_iDegree + 1);
}

float NURBSCurve::GetDomainStart() const { return CanEvaluate() ? m_aKnots[unsigned(m_iDegree)] : 0.0f; }

float NURBSCurve::GetDomainEnd() const
{
    return CanEvaluate() ? m_aKnots[unsigned(GetControlPointCount())] : GetLastKnot();
}

int NURBSCurve::FindKnotSpan(float t) const
{
    const int m = GetControlPointCount();
    const int p = m_iDegree;
    if (!CanEvaluate())
        return p;
    const float *knots = m_aKnots.begin();
    if (t >= knots[m])
        return m - 1;
    if (t <= knots[p])
        return p;
    // knots[low] <= t < knots[high] holds throughout.
    int low = p;
    int high = m;
    while (high - low > 1) {
        const int mid = (low + high) / 2;
        if (knots[mid] <= t)
            low = mid;
        else
            high = mid;
    }
    return low;
}

void NURBSCurve::BasisValues(float t, int span, float *basis) const
{
    const int p = m_iDegree;
    std::fill(basis, basis + p + 1, 0.0f);
    if (!CanEvaluate() || !TV_CHECK(span >= p && span < GetControlPointCount()))
        return;
    const float *knots = m_aKnots.begin();
    float left[kMaxDegree + 1];
    float right[kMaxDegree + 1];
    basis[0] = 1.0f;
    for (int j = 1; j <= p; ++j) {
        left[j] = t - knots[span + 1 - j];
        right[j] = knots[span + j] - t;
        float saved = 0.0f;
        for (int r = 0; r < j; ++r) {
            const float tmp = Divide(basis[r], right[r + 1] + left[j - r]);
            basis[r] = saved + right[r + 1] * tmp;
            saved = left[j - r] * tmp;
        }
        basis[j] = saved;
    }
}

void NURBSCurve::EvaluateBasis(float t, int span, Store<float> &out) const
{
    if (!out.SetItemCount(unsigned(m_iDegree + 1), false))
        return;
    BasisValues(t, span, out.begin());
}

Vector NURBSCurve::Evaluate(float t) const
{
    Vector point(0.0f, 0.0f, 0.0f);
    if (!CanEvaluate())
        return point;
    const int span = FindKnotSpan(t);
    float basis[kMaxDegree + 1];
    BasisValues(t, span, basis);
    for (int j = 0; j <= m_iDegree; ++j)
        point += m_aControlPoints[unsigned(span - m_iDegree + j)] * basis[j];
    return point;
}

void NURBSCurve::EvaluateDerivatives(float t, int n, Store<Vector> &out) const
{
    if (n < 0 || !out.SetItemCount(unsigned(n + 1), false))
        return;
    out.Fill(Vector(0.0f, 0.0f, 0.0f));
    if (!CanEvaluate())
        return;
    const int p = m_iDegree;
    const int orders = std::min(n, p);
    const int span = FindKnotSpan(t);
    const float *knots = m_aKnots.begin();

    // Basis values (upper triangle) and knot differences (lower triangle).
    float ndu[kMaxDegree + 1][kMaxDegree + 1];
    float left[kMaxDegree + 1];
    float right[kMaxDegree + 1];
    ndu[0][0] = 1.0f;
    for (int j = 1; j <= p; ++j) {
        left[j] = t - knots[span + 1 - j];
        right[j] = knots[span + j] - t;
        float saved = 0.0f;
        for (int r = 0; r < j; ++r) {
            ndu[j][r] = right[r + 1] + left[j - r];
            const float tmp = Divide(ndu[r][j - 1], ndu[j][r]);
            ndu[r][j] = saved + right[r + 1] * tmp;
            saved = left[j - r] * tmp;
        }
        ndu[j][j] = saved;
    }

    float ders[kMaxDegree + 1][kMaxDegree + 1] = {};
    for (int j = 0; j <= p; ++j)
        ders[0][j] = ndu[j][p];
    float a[2][kMaxDegree + 1];
    for (int r = 0; r <= p; ++r) {
        int s1 = 0;
        int s2 = 1;
        a[0][0] = 1.0f;
        for (int k = 1; k <= orders; ++k) {
            float d = 0.0f;
            const int rk = r - k;
            const int pk = p - k;
            if (r >= k) {
                a[s2][0] = Divide(a[s1][0], ndu[pk + 1][rk]);
                d = a[s2][0] * ndu[rk][pk];
            }
            const int j1 = rk >= -1 ? 1 : -rk;
            const int j2 = r - 1 <= pk ? k - 1 : p - r;
            for (int j = j1; j <= j2; ++j) {
                a[s2][j] = Divide(a[s1][j] - a[s1][j - 1], ndu[pk + 1][rk + j]);
                d += a[s2][j] * ndu[rk + j][pk];
            }
            if (r <= pk) {
                a[s2][k] = Divide(-a[s1][k - 1], ndu[pk + 1][r]);
                d += a[s2][k] * ndu[r][pk];
            }
            ders[k][r] = d;
            std::swap(s1, s2);
        }
    }
    float factor = float(p);
    for (int k = 1; k <= orders; ++k) {
        for (int j = 0; j <= p; ++j)
            ders[k][j] *= factor;
        factor *= float(p - k);
    }

    for (int k = 0; k <= orders; ++k) {
        Vector sum(0.0f, 0.0f, 0.0f);
        for (int j = 0; j <= p; ++j)
            sum += m_aControlPoints[unsigned(span - p + j)] * ders[k][j];
        out[unsigned(k)] = sum;
    }
}

void NURBSCurve::Precalculate()
{
    if (!m_bSampled || !m_aSamples.SetItemCount(kSampleCount, false))
        return;
    const float last = GetLastKnot();
    for (int i = 0; i < kSampleCount; ++i) {
        const float y = Evaluate(float(i) / float(kSampleCount - 1) * last).y;
        m_aSamples[unsigned(i)] = y >= 1.0f ? 1.0f : y;
    }
}

void NURBSCurve::UpdateChordLengths()
{
    if (m_aChordLengths.HasItems())
        return;
    m_fTotalLength = 0.0f;
    const float a = m_bClosed ? float(m_iDegree) : 0.0f;
    const float last = GetLastKnot();
    AddChord(a, last * 0.5f);
    AddChord(last * 0.5f, last - a);
}

void NURBSCurve::AddChord(float t0, float t1)
{
    for (;;) {
        const float distance = (Evaluate(t1) - Evaluate(t0)).Length();
        const float mid = (t0 + t1) * 0.5f;
        // Split while the chord is long, the parameter can still be halved and the table has room.
        if (distance >= kChordLimit && mid != t0 && mid != t1 && m_aChordLengths.GetItemCount() < kMaxChords) {
            AddChord(t0, mid);
            t0 = mid;
            continue;
        }
        m_aChordLengths.Add(ChordLength{t1, distance});
        m_fTotalLength += distance;
        return;
    }
}

float NURBSCurve::GetParameterAtLength(float length) const
{
    if (!m_aChordLengths.HasItems())
        return 0.0f;
    float sum = 0.0f;
    for (const ChordLength &chord : m_aChordLengths) {
        if (length <= sum)
            return chord.t;
        sum += chord.length;
    }
    return GetLastKnot();
}

bool NURBSCurve::GetClosestPoint(const Vector &point, float startT, float tolerance, int iterations, float &t,
                                 Vector &closest) const
{
    if (!CanEvaluate())
        return false;
    // The search stays on the part of the parameter range where the curve is defined
    // (for an open curve that is first to last knot).
    const float low = GetDomainStart();
    const float high = GetDomainEnd();
    const float tolerance2 = tolerance * tolerance;
    float u = std::isnan(startT) ? low : std::clamp(startT, low, high);
    const float mirrored = low + high - u;
    if ((Evaluate(mirrored) - point).Length() < (Evaluate(u) - point).Length())
        u = mirrored;

    Store<Vector> ders("nurbsclosest");
    Vector q = Evaluate(u);
    for (int i = 0; i < iterations; ++i) {
        EvaluateDerivatives(u, 2, ders);
        if (ders.GetItemCount() != 3)
            break;
        q = ders[0];
        const Vector delta = q - point;
        if (delta.Dot(delta) < tolerance2)
            break;
        const Vector &d1 = ders[1];
        const Vector &d2 = ders[2];
        const float denominator = d2.Dot(delta) + d1.Dot(d1);
        // A flat or degenerate spot (no first derivative on a straight piece) gives no step.
        if (denominator == 0.0f || !std::isfinite(denominator))
            break;
        const float next = u - d1.Dot(delta) / denominator;
        if (!std::isfinite(next))
            break;
        const float stepped = std::clamp(next, low, high);
        const Vector step = d1 * (stepped - u);
        if (step.Dot(step) < tolerance2)
            break;
        u = stepped;
    }
    t = u;
    closest = q;
    return true;
}

Matrix NURBSCurve::GetTransform() const
{
    const CurveServices &host = CurveHost();
    const float halfW = float(host.GetViewWidth()) * 0.5f;
    const float halfH = float(host.GetViewHeight()) * 0.5f;
    Matrix toCentre;
    toCentre.SetRow(3, Vector(-halfW, -halfH, 0.0f));
    Matrix rotation;
    rotation.SetRotation(0.0f, 0.0f, m_fAngle);
    Matrix scale;
    scale(0, 0) = m_fScale;
    scale(1, 1) = m_fScale;
    Matrix offset;
    offset.SetRow(3, Vector(m_fOffsetX, m_fOffsetY, 0.0f));
    Matrix back;
    back.SetRow(3, Vector(halfW, halfH, 0.0f));
    return toCentre.Multiply(rotation).Multiply(scale).Multiply(offset).Multiply(back);
}

void NURBSCurve::Tessellate(const Matrix &transform, Store<Vector> &out) const
{
    out.SetItemCount(0, true);
    if (!CanEvaluate())
        return;
    const int p = m_iDegree;
    const float *knots = m_aKnots.begin();
    out.Add(transform.Transform(Evaluate(knots[p])));
    for (int span = p; span < GetControlPointCount(); ++span) {
        const float t0 = knots[span];
        const float t1 = knots[span + 1];
        if (!(t1 > t0))
            continue;
        // The control polygon of the span bounds the length of its piece of curve.
        float polygon = 0.0f;
        for (int j = span - p; j < span; ++j)
            polygon += (transform.Transform(m_aControlPoints[unsigned(j + 1)]) -
                        transform.Transform(m_aControlPoints[unsigned(j)]))
                           .Length();
        const int steps = std::isfinite(polygon) ? int(std::clamp(std::ceil(polygon / 4.0f), 1.0f, 256.0f)) : 1;
        for (int s = 1; s <= steps; ++s)
            out.Add(transform.Transform(Evaluate(t0 + (t1 - t0) * float(s) / float(steps))));
    }
}

}  // namespace General
