#pragma once
// The program's curve: a non-rational B-spline of a chosen degree over 3D control
// points, open with a clamped uniform knot vector or closed with a uniform one. Scene
// curves are drawn over the 3D view in view pixels (through the curve's screen matrix);
// falloff profiles live in the unit square and are sampled into a table of 2000 values.
//
// A closed curve repeats its first `degree` points at the end: point i and point
// i + count - degree stay equal for i < degree.

#include "foundation/Containers.h"
#include "foundation/math/Matrix.h"
#include "foundation/Node.h"
#include "foundation/math/Vector.h"

class Stream;

namespace General {

class NURBSCurve : public Node {
public:
    struct ChordLength {
        float t;       // curve parameter at the end of the chord
        float length;  // straight-line length of the chord
    };

    static constexpr int kSampleCount = 2000;
    // Degrees above this are refused: evaluation keeps (degree + 1)² scratch values.
    static constexpr int kMaxDegree = 16;

    // An empty curve named "Curve". With `withProfile` it also owns a sampled profile
    // curve of degree 3 through (0, 0), (0.33, 1), (0.66, 1), (1, 0).
    explicit NURBSCurve(int degree, bool withProfile = false);
    // Releases the curve from the properties windows, then the rest of its chain and its profile.
    ~NURBSCurve() override;
    // Copies degree, flags, name, points, knots, samples, chord table, screen placement
    // and the profile (creating it when missing); not the selection, the edit flag or the chain.
    NURBSCurve &operator=(const NURBSCurve &other);

    // Edits. Each drops the chord table and refreshes the samples of a sampled curve.
    // A new degree opens the curve and recomputes the knots; one outside 0 to kMaxDegree is refused.
    bool SetDegree(int degree);
    // At index (0 to count - 1; anything else appends). Opens the curve, recomputes the knots.
    bool InsertControlPoint(const Vector &point, int index);
    // Nothing for an index outside the points. Removing one of the repeated points of a
    // closed curve (or their originals) opens it.
    void RemoveControlPoint(int index);
    // Overwrites one point; knots unchanged.
    void SetControlPoint(int index, const Vector &point);
    // Appends copies of the first `degree` points when open and count >= 2 * degree - 1.
    void Close();

    // Evaluation.
    float GetLastKnot() const;
    // The point at t; (0, 0, 0) when count <= degree.
    Vector Evaluate(float t) const;
    // `out` gets n + 1 entries: the point and its derivatives of orders 1 to n.
    // Orders above the degree are 0.
    void EvaluateDerivatives(float t, int n, Store<Vector> &out) const;
    // The span i with knot[i] <= t < knot[i + 1], clamped to degree .. count - 1.
    int FindKnotSpan(float t) const;
    // The degree + 1 basis values that are not zero at t on that span.
    void EvaluateBasis(float t, int span, Store<float> &out) const;
    // Parameter range on which the curve is defined: knot[degree] to knot[count].
    float GetDomainStart() const;
    float GetDomainEnd() const;

    // For a sampled curve: the table of 2000 y values at parameters (i / 1999) * last
    // knot, values of 1 or more stored as 1.
    void Precalculate();
    // Builds the chord table (chords shorter than 2 units, in parameter order) when empty.
    void UpdateChordLengths();
    // The parameter at an arc length along the chord table; 0 when it is empty, the
    // last knot beyond its end.
    float GetParameterAtLength(float length) const;
    // Newton search from `startT` for the parameter `t` and point `closest` nearest to
    // `point`. False (nothing set) when count <= degree.
    bool GetClosestPoint(const Vector &point, float startT, float tolerance, int iterations, float &t,
                         Vector &closest) const;

    // The screen matrix: curve space to view pixels (rotation and scale about the view
    // centre, then the offset).
    Matrix GetTransform() const;
    // The curve through `transform` as a line strip fine enough to look smooth on screen.
    void Tessellate(const Matrix &transform, Store<Vector> &out) const;
    // Draws the curve (control points and polygon too while it is being edited) with
    // OpenGL; defined in the foundation's GL library.
    void Draw(bool ownProjection) const;

    // This curve, then each following curve of the chain, in the stream's direction.
    // Reading does not extend the chain. A record that is short, inconsistent (point or
    // knot counts that disagree, knots that decrease) or nested too deeply is refused:
    // the stream's error flag is set, that curve stays as it was and the result is false.
    bool Serialize(Stream &stream);

    // The index of the other copy of a repeated point of a closed curve; -1 when none.
    int GetDuplicateIndex(int index) const;

    int GetDegree() const { return m_iDegree; }
    int GetControlPointCount() const { return int(m_aControlPoints.GetItemCount()); }
    const Store<Vector> &GetControlPoints() const { return m_aControlPoints; }
    const Vector &GetControlPoint(int index) const { return m_aControlPoints[unsigned(index)]; }
    const Store<float> &GetKnots() const { return m_aKnots; }
    // The sample table that sampled curves answer lookups from.
    const Store<float> &GetSamples() const { return m_aSamples; }
    const Store<ChordLength> &GetChordLengths() const { return m_aChordLengths; }
    float GetTotalLength() const { return m_fTotalLength; }

    int GetSelectedPoint() const { return m_iSelectedPoint; }
    void SetSelectedPoint(int index) { m_iSelectedPoint = index; }
    bool IsBeingEdited() const { return m_bBeingEdited; }
    void SetBeingEdited(bool on) { m_bBeingEdited = on; }
    bool IsDrawn() const { return m_bDrawn; }
    void SetDrawn(bool on) { m_bDrawn = on; }
    bool IsClosed() const { return m_bClosed; }
    bool IsSampled() const { return m_bSampled; }
    void SetSampled(bool on) { m_bSampled = on; }

    float GetOffsetX() const { return m_fOffsetX; }
    float GetOffsetY() const { return m_fOffsetY; }
    void SetOffset(float x, float y) { m_fOffsetX = x; m_fOffsetY = y; }
    float GetAngle() const { return m_fAngle; }
    void SetAngle(float radians) { m_fAngle = radians; }
    float GetScale() const { return m_fScale; }
    void SetScale(float scale) { m_fScale = scale; }

    NURBSCurve *GetProfile() const { return m_pProfile; }
    // The next curve of the scene's chain, owned by this one.
    NURBSCurve *GetNext() const { return m_pNext; }
    void SetNext(NURBSCurve *next) { m_pNext = next; }

private:
    struct Record;

    bool CanEvaluate() const;
    void ComputeKnots();
    // Drops the chord table and refreshes the samples.
    void Changed();
    void AddChord(float t0, float t1);
    void BasisValues(float t, int span, float *basis) const;
    static bool ReadRecord(Stream &stream, const NURBSCurve *current, Record &record, int depth);
    void WriteRecord(Stream &stream);
    void Apply(Record &record);

    int m_iSelectedPoint = -1;
    bool m_bBeingEdited = false;
    bool m_bDrawn = true;
    bool m_bClosed = false;
    bool m_bSampled = false;
    float m_fTotalLength = 0.0f;
    float m_fOffsetX = 0.0f;
    float m_fOffsetY = 0.0f;
    float m_fAngle = 0.0f;
    float m_fScale = 1.0f;
    Store<Vector> m_aControlPoints{"nurbscps"};
    Store<float> m_aKnots{"nurbsknots"};
    Store<float> m_aSamples{"nurbsprecalc"};
    NURBSCurve *m_pProfile = nullptr;
    NURBSCurve *m_pNext = nullptr;
    int m_iDegree = 0;
    Store<ChordLength> m_aChordLengths{"nurbschordlengths"};
};

}  // namespace General
