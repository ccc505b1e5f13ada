#include "CurveFixtures.h"
#include "foundation/Node.h"
#include "foundation/curves/NURBSCurve.h"
#include "support/RecordingShell.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

using General::NURBSCurve;
using General::Store;
using General::Vector;

namespace {

std::vector<float> Knots(const NURBSCurve &curve)
{
    return std::vector<float>(curve.GetKnots().begin(), curve.GetKnots().end());
}

std::vector<Vector> Points(const NURBSCurve &curve)
{
    return std::vector<Vector>(curve.GetControlPoints().begin(), curve.GetControlPoints().end());
}

void AddPoints(NURBSCurve &curve, const std::vector<Vector> &points)
{
    for (const Vector &p : points)
        ASSERT_TRUE(curve.InsertControlPoint(p, -1));
}

float Distance(const Vector &a, const Vector &b) { return (a - b).Length(); }

void ExpectNear(const Vector &a, const Vector &b, float tolerance)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

const std::vector<Vector> kArch = {{0, 0, 0}, {1, 1, 0}, {2, 1, 0}, {3, 0, 0}};

}  // namespace

TEST(Curve, NewCurveIsEmptyNamedAndDrawn)
{
    NURBSCurve curve(2);
    EXPECT_EQ(curve.GetName(), QStringLiteral("Curve"));
    EXPECT_EQ(curve.GetDegree(), 2);
    EXPECT_EQ(curve.GetControlPointCount(), 0);
    EXPECT_EQ(curve.GetSelectedPoint(), -1);
    EXPECT_TRUE(curve.IsDrawn());
    EXPECT_FALSE(curve.IsClosed() || curve.IsSampled() || curve.IsBeingEdited());
    EXPECT_EQ(curve.GetScale(), 1.0f);
    EXPECT_EQ(curve.GetLastKnot(), 0.0f);
    EXPECT_EQ(curve.GetProfile(), nullptr);
    EXPECT_EQ(curve.Evaluate(0.5f), Vector(0, 0, 0));
}

TEST(Curve, KnotRule)
{
    struct Case {
        const char *what;
        int degree;
        int points;
        bool close;
        int count;
        std::vector<float> knots;
    };
    const Case cases[] = {
        {"cubic, 4 points", 3, 4, false, 4, {0, 0, 0, 0, 1, 1, 1, 1}},
        {"cubic, 5 points", 3, 5, false, 5, {0, 0, 0, 0, 1, 2, 2, 2, 2}},
        {"quadratic, 5 points", 2, 5, false, 5, {0, 0, 0, 1, 2, 3, 3, 3}},
        {"linear, 3 points", 1, 3, false, 3, {0, 0, 1, 2, 2}},
        {"fewer points than the order", 3, 2, false, 2, {0, 0, 0, 0, 1, 1}},
        {"cubic of 4 points cannot close", 3, 4, true, 4, {0, 0, 0, 0, 1, 1, 1, 1}},
        {"cubic of 5 points closes", 3, 5, true, 8, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
        {"quadratic of 3 points closes", 2, 3, true, 5, {0, 1, 2, 3, 4, 5, 6, 7}},
    };
    for (const Case &c : cases) {
        NURBSCurve curve(c.degree);
        for (int i = 0; i < c.points; ++i)
            curve.InsertControlPoint(Vector(float(i), float(i % 2), 0), -1);
        if (c.close)
            curve.Close();
        EXPECT_EQ(curve.GetControlPointCount(), c.count) << c.what;
        EXPECT_EQ(curve.IsClosed(), c.count != c.points) << c.what;
        EXPECT_EQ(Knots(curve), c.knots) << c.what;
        EXPECT_EQ(curve.GetLastKnot(), c.knots.back()) << c.what;
    }
}

TEST(Curve, FourPointCubicRunsFromFirstToLastPoint)
{
    NURBSCurve curve(3);
    AddPoints(curve, kArch);
    EXPECT_EQ(curve.Evaluate(0), kArch.front());
    ExpectNear(curve.Evaluate(1), kArch.back(), 1e-6f);
    // One Bézier segment: the middle is (1.5, 3/4).
    ExpectNear(curve.Evaluate(0.5f), Vector(1.5f, 0.75f, 0), 1e-6f);
    // Parameters outside the range clamp to the end spans.
    ExpectNear(curve.Evaluate(-1), Vector(-3, -6, 0), 1e-4f);
    EXPECT_EQ(curve.FindKnotSpan(-1), 3);
    EXPECT_EQ(curve.FindKnotSpan(5), 3);
}

TEST(Curve, InsertingShiftsLaterPointsAndRecomputesKnots)
{
    NURBSCurve curve(3);
    AddPoints(curve, kArch);
    ASSERT_TRUE(curve.InsertControlPoint(Vector(9, 9, 9), 1));
    EXPECT_EQ(Points(curve), (std::vector<Vector>{{0, 0, 0}, {9, 9, 9}, {1, 1, 0}, {2, 1, 0}, {3, 0, 0}}));
    EXPECT_EQ(Knots(curve), (std::vector<float>{0, 0, 0, 0, 1, 2, 2, 2, 2}));
    ExpectNear(curve.Evaluate(2), Vector(3, 0, 0), 1e-6f);

    // Indices past the end and below -1 append.
    curve.InsertControlPoint(Vector(7, 0, 0), 99);
    curve.InsertControlPoint(Vector(8, 0, 0), -5);
    EXPECT_EQ(curve.GetControlPoint(5), Vector(7, 0, 0));
    EXPECT_EQ(curve.GetControlPoint(6), Vector(8, 0, 0));
    // Index count - 1 puts the point before the last one.
    curve.InsertControlPoint(Vector(5, 5, 5), 6);
    EXPECT_EQ(curve.GetControlPoint(6), Vector(5, 5, 5));
    EXPECT_EQ(curve.GetControlPoint(7), Vector(8, 0, 0));
}

TEST(Curve, ClosingRepeatsTheFirstPointsAndEditsReopen)
{
    auto closed = [] {
        auto curve = std::make_unique<NURBSCurve>(3);
        for (int i = 0; i < 5; ++i)
            curve->InsertControlPoint(Vector(float(i), float(i * i), 0), -1);
        curve->Close();
        return curve;
    };
    auto curve = closed();
    ASSERT_TRUE(curve->IsClosed());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(curve->GetControlPoint(i + 5), curve->GetControlPoint(i));
        EXPECT_EQ(curve->GetDuplicateIndex(i), i + 5);
        EXPECT_EQ(curve->GetDuplicateIndex(i + 5), i);
    }
    EXPECT_EQ(curve->GetDuplicateIndex(3), -1);
    // A closed curve joins up: its ends meet on the uniform knots.
    EXPECT_EQ(curve->GetDomainStart(), 3.0f);
    EXPECT_EQ(curve->GetDomainEnd(), 8.0f);
    ExpectNear(curve->Evaluate(3), curve->Evaluate(8), 1e-5f);
    // Closing twice changes nothing.
    curve->Close();
    EXPECT_EQ(curve->GetControlPointCount(), 8);

    struct Case {
        const char *what;
        int index;
        bool staysClosed;
    };
    const Case cases[] = {
        {"point 0", 0, false},
        {"a point below the degree", 2, false},
        {"a point between the repeated ones", 3, true},
        {"a repeated point", 5, false},
        {"the last point", 7, false},
    };
    for (const Case &c : cases) {
        curve = closed();
        curve->RemoveControlPoint(c.index);
        EXPECT_EQ(curve->GetControlPointCount(), 7) << c.what;
        EXPECT_EQ(curve->IsClosed(), c.staysClosed) << c.what;
        EXPECT_EQ(curve->GetKnots().GetItemCount(), 11u) << c.what;
    }

    curve = closed();
    curve->InsertControlPoint(Vector(1, 1, 1), 4);
    EXPECT_FALSE(curve->IsClosed());
    EXPECT_EQ(Knots(*curve), (std::vector<float>{0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 6, 6, 6}));
}

TEST(Curve, RemovingOutsideThePointsDoesNothing)
{
    Recorder().ExpectAssertionFailures();
    NURBSCurve curve(3);
    AddPoints(curve, kArch);
    curve.RemoveControlPoint(4);
    curve.RemoveControlPoint(-1);
    EXPECT_EQ(Points(curve), kArch);
    curve.RemoveControlPoint(0);
    EXPECT_EQ(curve.GetControlPoint(0), kArch[1]);
    EXPECT_EQ(Knots(curve), (std::vector<float>{0, 0, 0, 0, 1, 1, 1}));
    EXPECT_EQ(curve.Evaluate(0.5f), Vector(0, 0, 0));  // 3 points: not enough for a cubic

    // Setting an index outside the points is reported and changes nothing.
    curve.SetControlPoint(3, Vector(1, 2, 3));
    EXPECT_TRUE(Recorder().LogContains("Assertion failed"));
    EXPECT_EQ(curve.GetControlPointCount(), 3);
}

TEST(Curve, DegreeChangeOpensAndRecomputes)
{
    NURBSCurve curve(2);
    AddPoints(curve, kArch);
    curve.Close();
    ASSERT_TRUE(curve.IsClosed());
    curve.UpdateChordLengths();
    ASSERT_TRUE(curve.GetChordLengths().HasItems());

    EXPECT_TRUE(curve.SetDegree(3));
    EXPECT_FALSE(curve.IsClosed());
    EXPECT_EQ(Knots(curve), (std::vector<float>{0, 0, 0, 0, 1, 2, 3, 3, 3, 3}));
    // The chords of the old shape are gone.
    EXPECT_FALSE(curve.GetChordLengths().HasItems());

    for (int bad : {-1, NURBSCurve::kMaxDegree + 1, 1 << 30}) {
        EXPECT_FALSE(curve.SetDegree(bad)) << bad;
        EXPECT_EQ(curve.GetDegree(), 3);
    }
    EXPECT_TRUE(Recorder().LogContains("Curve degree"));
}

TEST(Curve, KnotSpansAndBasis)
{
    Recorder().ExpectAssertionFailures();
    NURBSCurve curve(3);
    AddPoints(curve, {{0, 0, 0}, {1, 3, 0}, {2, -1, 0}, {4, 2, 1}, {5, 0, 0}, {7, 1, 0}});
    ASSERT_EQ(Knots(curve), (std::vector<float>{0, 0, 0, 0, 1, 2, 3, 3, 3, 3}));
    const std::pair<float, int> spans[] = {{-1, 3}, {0, 3}, {0.5f, 3}, {1, 4}, {1.99f, 4}, {2.5f, 5}, {3, 5}, {10, 5}};
    for (auto [t, span] : spans)
        EXPECT_EQ(curve.FindKnotSpan(t), span) << t;

    Store<float> basis;
    for (float t : {0.0f, 0.3f, 1.0f, 1.7f, 2.2f, 3.0f}) {
        curve.EvaluateBasis(t, curve.FindKnotSpan(t), basis);
        ASSERT_EQ(basis.GetItemCount(), 4u);
        float sum = 0;
        for (float b : basis) {
            EXPECT_GE(b, -1e-6f) << t;
            sum += b;
        }
        EXPECT_NEAR(sum, 1.0f, 1e-5f) << t;
    }
    // A span the curve does not have is reported and gives no basis.
    curve.EvaluateBasis(0.5f, 9, basis);
    EXPECT_EQ(basis.GetItemCount(), 4u);
    for (float b : basis)
        EXPECT_EQ(b, 0.0f);
}

TEST(Curve, DerivativesMatchDifferences)
{
    NURBSCurve curve(3);
    AddPoints(curve, {{0, 0, 0}, {1, 3, 0}, {2, -1, 2}, {4, 2, 1}, {5, 0, 0}, {7, 1, -1}});
    const float h = 1e-3f;
    Store<Vector> at, before, after;
    for (float t : {0.2f, 1.3f, 2.6f}) {
        curve.EvaluateDerivatives(t, 5, at);
        ASSERT_EQ(at.GetItemCount(), 6u);
        EXPECT_EQ(at[0], curve.Evaluate(t));
        ExpectNear(at[1], (curve.Evaluate(t + h) - curve.Evaluate(t - h)) * (0.5f / h), 2e-2f);
        curve.EvaluateDerivatives(t - h, 2, before);
        curve.EvaluateDerivatives(t + h, 2, after);
        ExpectNear(at[2], (after[1] - before[1]) * (0.5f / h), 5e-2f);
        ExpectNear(at[3], (after[2] - before[2]) * (0.5f / h), 5e-2f);
        // Orders above the degree vanish.
        EXPECT_EQ(at[4], Vector(0, 0, 0));
        EXPECT_EQ(at[5], Vector(0, 0, 0));
    }

    NURBSCurve line(1);
    AddPoints(line, {{0, 0, 0}, {4, 2, 0}});
    line.EvaluateDerivatives(0.5f, 2, at);
    EXPECT_EQ(at[1], Vector(4, 2, 0));
    EXPECT_EQ(at[2], Vector(0, 0, 0));

    // Too few points: zeros of the asked size.
    NURBSCurve empty(3);
    empty.EvaluateDerivatives(0, 1, at);
    ASSERT_EQ(at.GetItemCount(), 2u);
    EXPECT_EQ(at[0], Vector(0, 0, 0));
}

TEST(Curve, ConstructorProfileIsSampledArch)
{
    NURBSCurve curve(2, true);
    const NURBSCurve *profile = curve.GetProfile();
    ASSERT_NE(profile, nullptr);
    EXPECT_EQ(profile->GetDegree(), 3);
    EXPECT_TRUE(profile->IsSampled());
    EXPECT_EQ(Points(*profile), (std::vector<Vector>{{0, 0, 0}, {0.33f, 1, 0}, {0.66f, 1, 0}, {1, 0, 0}}));
    const Store<float> &samples = profile->GetSamples();
    ASSERT_EQ(samples.GetItemCount(), 2000u);
    EXPECT_EQ(samples[0], 0.0f);
    EXPECT_NEAR(samples[1999], 0.0f, 1e-6f);
    EXPECT_NEAR(samples[999], 0.75f, 1e-3f);
    EXPECT_NEAR(samples[1000], 0.75f, 1e-3f);
    for (float s : samples)
        EXPECT_LE(s, 1.0f);
}

TEST(Curve, SamplesFollowEditsAndStopAtOne)
{
    NURBSCurve curve(2);
    curve.SetSampled(true);
    AddPoints(curve, {{0, -1, 0}, {0.5f, 4, 0}, {1, 0, 0}});
    const Store<float> &samples = curve.GetSamples();
    ASSERT_EQ(samples.GetItemCount(), 2000u);
    EXPECT_EQ(samples[0], -1.0f);  // below 0 stays
    EXPECT_EQ(samples[1000], 1.0f);
    float highest = -10;
    for (float s : samples)
        highest = std::max(highest, s);
    EXPECT_EQ(highest, 1.0f);

    curve.SetControlPoint(1, Vector(0.5f, 0, 0));
    EXPECT_NEAR(curve.GetSamples()[1000], -0.25f, 1e-3f);

    // Curves that are not sampled keep no table.
    NURBSCurve plain(2);
    AddPoints(plain, {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}});
    plain.Precalculate();
    EXPECT_FALSE(plain.GetSamples().HasItems());
}

TEST(Curve, ChordTableOfAStraightLine)
{
    NURBSCurve line(1);
    EXPECT_EQ(line.GetParameterAtLength(3), 0.0f);  // no table yet
    AddPoints(line, {{0, 0, 0}, {10, 0, 0}});
    line.UpdateChordLengths();
    const Store<NURBSCurve::ChordLength> &chords = line.GetChordLengths();
    ASSERT_EQ(chords.GetItemCount(), 8u);
    for (unsigned i = 0; i < chords.GetItemCount(); ++i) {
        EXPECT_FLOAT_EQ(chords[i].t, float(i + 1) / 8);
        EXPECT_FLOAT_EQ(chords[i].length, 1.25f);
    }
    EXPECT_FLOAT_EQ(line.GetTotalLength(), 10.0f);
    EXPECT_FLOAT_EQ(line.GetParameterAtLength(0), 0.125f);
    EXPECT_FLOAT_EQ(line.GetParameterAtLength(2), 0.375f);
    EXPECT_FLOAT_EQ(line.GetParameterAtLength(11), 1.0f);

    // Built once; every edit drops it.
    line.UpdateChordLengths();
    EXPECT_EQ(chords.GetItemCount(), 8u);
    line.SetControlPoint(1, Vector(20, 0, 0));
    EXPECT_FALSE(chords.HasItems());
    line.UpdateChordLengths();
    EXPECT_FLOAT_EQ(line.GetTotalLength(), 20.0f);
}

TEST(Curve, ChordTableOfAClosedCurveCoversItsLoop)
{
    NURBSCurve curve(2);
    AddPoints(curve, {{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 0}});
    curve.Close();
    curve.UpdateChordLengths();
    const Store<NURBSCurve::ChordLength> &chords = curve.GetChordLengths();
    ASSERT_TRUE(chords.HasItems());
    float previous = 2;
    float polyline = 0;
    for (const NURBSCurve::ChordLength &chord : chords) {
        EXPECT_GT(chord.t, previous - 1e-6f);
        EXPECT_LT(chord.length, 2.0f);
        previous = chord.t;
    }
    EXPECT_EQ(chords.GetLast().t, 6.0f);
    for (int i = 0; i < 4000; ++i)
        polyline += Distance(curve.Evaluate(2 + 4 * float(i) / 4000), curve.Evaluate(2 + 4 * float(i + 1) / 4000));
    EXPECT_NEAR(curve.GetTotalLength(), polyline, 0.5f);
}

TEST(Curve, ChordTableOfAbsurdCoordinatesStaysBounded)
{
    for (float coordinate : {1e30f, std::numeric_limits<float>::infinity()}) {
        NURBSCurve curve(2);
        AddPoints(curve, {{0, 0, 0}, {coordinate, 0, 0}, {coordinate, coordinate, 0}});
        curve.UpdateChordLengths();
        // Splits already under way may finish past the limit.
        EXPECT_LE(curve.GetChordLengths().GetItemCount(), (1u << 16) + 300) << coordinate;
    }
}

TEST(Curve, ClosestPointFindsTheNearestPartOfTheCurve)
{
    NURBSCurve curve(3);
    AddPoints(curve, {{0, 0, 0}, {10, 20, 0}, {30, -10, 0}, {40, 10, 0}, {60, 0, 0}});
    const float last = curve.GetLastKnot();
    for (const Vector &target : {Vector(25, 15, 0), Vector(2, -3, 4), Vector(58, 2, 0), Vector(45, 12, -3)}) {
        float best = 1e9f;
        float bestT = 0;
        for (int i = 0; i <= 20000; ++i) {
            const float t = last * float(i) / 20000;
            if (Distance(curve.Evaluate(t), target) < best) {
                best = Distance(curve.Evaluate(t), target);
                bestT = t;
            }
        }
        for (float start : {bestT - 0.1f, bestT + 0.1f}) {
            float t = -1;
            Vector closest;
            ASSERT_TRUE(curve.GetClosestPoint(target, start, 1e-4f, 100, t, closest));
            EXPECT_GE(t, 0.0f);
            EXPECT_LE(t, last);
            EXPECT_LT(Distance(closest, target), best + 0.01f) << target.x << " from " << start;
            ExpectNear(closest, curve.Evaluate(t), 0.01f);
        }
    }

    // A start at one end is mirrored when the other end is nearer.
    float t = -1;
    Vector closest;
    ASSERT_TRUE(curve.GetClosestPoint(Vector(61, 0, 0), 0, 1e-4f, 100, t, closest));
    EXPECT_EQ(t, last);
    EXPECT_EQ(closest, Vector(60, 0, 0));

    t = 7;
    closest = Vector(1, 2, 3);
    NURBSCurve empty(3);
    AddPoints(empty, {{0, 0, 0}, {1, 1, 1}});
    EXPECT_FALSE(empty.GetClosestPoint(Vector(0, 0, 0), 0, 1e-3f, 10, t, closest));
    EXPECT_EQ(t, 7.0f);
    EXPECT_EQ(closest, Vector(1, 2, 3));
}

TEST(Curve, ClosestPointSurvivesAFlatSpot)
{
    // On the first span the two equal points leave no first derivative at all.
    NURBSCurve line(1);
    AddPoints(line, {{0, 0, 0}, {0, 0, 0}, {5, 0, 0}});
    float t = -1;
    Vector closest(9, 9, 9);
    ASSERT_TRUE(line.GetClosestPoint(Vector(-3, 1, 0), 0.5f, 1e-3f, 20, t, closest));
    EXPECT_TRUE(std::isfinite(t));
    EXPECT_EQ(closest, Vector(0, 0, 0));
}

TEST(Curve, ClosestPointOfAClosedCurveStaysOnTheLoop)
{
    // The loop is defined on knots 2 to 6; the knots beyond would give points off the curve.
    NURBSCurve curve(2);
    AddPoints(curve, {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}});
    curve.Close();
    const Vector target(-4, -4, 0);
    float best = 1e9f;
    for (int i = 0; i <= 8000; ++i)
        best = std::min(best, Distance(curve.Evaluate(2 + 4 * float(i) / 8000), target));
    for (float start : {0.0f, 1.0f, 3.0f, 5.0f, 8.0f}) {
        float t = -1;
        Vector closest;
        ASSERT_TRUE(curve.GetClosestPoint(target, start, 1e-4f, 100, t, closest));
        EXPECT_GE(t, 2.0f) << start;
        EXPECT_LE(t, 6.0f) << start;
        ExpectNear(closest, curve.Evaluate(t), 0.01f);
        if (start == 5.0f) {
            EXPECT_LT(Distance(closest, target), best + 0.01f);
        }
    }
}

class CurveScreen : public CurveTestBase {};

TEST_F(CurveScreen, TransformTurnsAndScalesAboutTheViewCentre)
{
    NURBSCurve curve(2);
    const Vector centre(200, 100, 0);
    ExpectNear(curve.GetTransform().Transform(Vector(13, 17, 0)), Vector(13, 17, 0), 1e-4f);

    curve.SetAngle(0.5f);
    curve.SetScale(2);
    curve.SetOffset(5, 7);
    const General::Matrix m = curve.GetTransform();
    ExpectNear(m.Transform(centre), centre + Vector(5, 7, 0), 1e-4f);
    ExpectNear(m.Transform(centre + Vector(1, 0, 0)),
               centre + Vector(5, 7, 0) + Vector(std::cos(0.5f), -std::sin(0.5f), 0) * 2, 1e-4f);
    ExpectNear(m.Transform(centre + Vector(0, 0, 3)), centre + Vector(5, 7, 3), 1e-4f);
}

TEST_F(CurveScreen, TessellationIsFineAndEndsOnTheCurve)
{
    NURBSCurve curve(3);
    General::Matrix identity;
    Store<Vector> line;
    curve.Tessellate(identity, line);
    EXPECT_FALSE(line.HasItems());

    AddPoints(curve, {{10, 10, 0}, {100, 190, 0}, {250, 20, 0}, {300, 150, 0}, {390, 100, 0}});
    curve.Tessellate(identity, line);
    ASSERT_GT(line.GetItemCount(), 2u);
    EXPECT_EQ(line[0], curve.Evaluate(0));
    ExpectNear(line.GetLast(), curve.Evaluate(curve.GetLastKnot()), 1e-3f);
    // About 4 pixels a step on average along each span.
    for (unsigned i = 1; i < line.GetItemCount(); ++i)
        EXPECT_LE(Distance(line[i - 1], line[i]), 6.0f) << i;

    curve.Close();
    curve.Tessellate(curve.GetTransform(), line);
    ExpectNear(line[0], line.GetLast(), 1e-3f);
}

TEST(Curve, CopyTakesShapeFlagsAndProfile)
{
    NURBSCurve source(2, true);
    AddPoints(source, kArch);
    source.Close();
    source.SetOffset(3, 4);
    source.SetAngle(1);
    source.SetScale(2);
    source.SetDrawn(false);
    source.SetSelectedPoint(2);
    source.UpdateChordLengths();

    NURBSCurve copy(3);
    copy.SetBeingEdited(true);
    copy = source;
    EXPECT_EQ(copy.GetDegree(), 2);
    EXPECT_EQ(Points(copy), Points(source));
    EXPECT_EQ(Knots(copy), Knots(source));
    EXPECT_TRUE(copy.IsClosed());
    EXPECT_FALSE(copy.IsDrawn());
    EXPECT_EQ(copy.GetOffsetX(), 3.0f);
    EXPECT_EQ(copy.GetScale(), 2.0f);
    EXPECT_EQ(copy.GetChordLengths().GetItemCount(), source.GetChordLengths().GetItemCount());
    EXPECT_EQ(copy.GetTotalLength(), source.GetTotalLength());
    EXPECT_EQ(copy.GetSelectedPoint(), -1);
    EXPECT_TRUE(copy.IsBeingEdited());
    ASSERT_NE(copy.GetProfile(), nullptr);
    EXPECT_NE(copy.GetProfile(), source.GetProfile());
    EXPECT_EQ(Points(*copy.GetProfile()), Points(*source.GetProfile()));
    EXPECT_EQ(copy.GetProfile()->GetSamples().GetItemCount(), 2000u);

    NURBSCurve bare(2);
    copy = bare;
    EXPECT_EQ(copy.GetProfile(), nullptr);
    EXPECT_EQ(copy.GetControlPointCount(), 0);
}

TEST(Curve, DestructionReleasesTheCurveAndTakesDownItsChain)
{
    auto *head = new NURBSCurve(2, true);
    auto *second = new NURBSCurve(2);
    auto *third = new NURBSCurve(2);
    head->SetNext(second);
    second->SetNext(third);
    const NURBSCurve *profile = head->GetProfile();
    delete head;
    for (const General::Node *node : {static_cast<const General::Node *>(second), static_cast<const General::Node *>(third),
                                      static_cast<const General::Node *>(profile)})
        EXPECT_FALSE(General::Node::IsLive(node));
    const auto &released = Recorder().releasedNodes;
    ASSERT_GE(released.size(), 3u);
    EXPECT_EQ(released[0], head);
    EXPECT_NE(std::find(released.begin(), released.end(), third), released.end());
}
