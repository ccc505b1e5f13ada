#include "foundation/math/AABB.h"
#include "foundation/math/Color.h"
#include "foundation/math/MathFunctions.h"
#include "foundation/math/Matrix.h"
#include "foundation/math/Matrix3.h"
#include "foundation/math/Vector.h"
#include "support/RecordingShell.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <limits>

using General::Color;
using General::Matrix;
using General::Matrix3;
using General::Vector;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kPi = 3.14159265f;

void ExpectNear(const Vector &actual, const Vector &expected, float tolerance = 1e-5f)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

void ExpectNear(const Matrix &actual, const Matrix &expected, float tolerance = 1e-5f)
{
    for (int k = 0; k < 16; ++k)
        EXPECT_NEAR(actual.m[k], expected.m[k], tolerance) << "element " << k;
}

Matrix FromRows(std::initializer_list<float> values)
{
    Matrix matrix;
    int k = 0;
    for (float value : values)
        matrix.m[k++] = value;
    return matrix;
}

}  // namespace

TEST(Vector, NormalizeFallsBackToUpForZeroAndNotANumber)
{
    const Vector cases[] = {{0, 0, 0}, {kNaN, 1, 0}, {0, kNaN, 0}};
    for (const Vector &v : cases) {
        Vector copy = v;
        EXPECT_EQ(copy.Normalize(), Vector(0, 1, 0));
        EXPECT_EQ(v.Normalized(), Vector(0, 1, 0));
    }
    ExpectNear(Vector(3, 0, 4).Normalized(), Vector(0.6f, 0, 0.8f));
}

TEST(Vector, CrossLengthAndOrthogonal)
{
    EXPECT_EQ(Vector(1, 0, 0).Cross(Vector(0, 1, 0)), Vector(0, 0, 1));
    EXPECT_EQ(Vector(0, 1, 0).Cross(Vector(1, 0, 0)), Vector(0, 0, -1));
    EXPECT_FLOAT_EQ(Vector(2, 3, 6).Length(), 7.0f);
    EXPECT_FLOAT_EQ(Vector(3, 4, 12).LengthXY(), 5.0f);

    // The part of (1, 1, 0) across (0, 2, 0), scaled by |o|² = 4.
    Vector v(1, 1, 0);
    EXPECT_EQ(v.MakeOrthogonal(Vector(0, 2, 0)), Vector(4, 0, 0));
}

TEST(Vector, ComparisonTreatsNotANumberAsDifferent)
{
    EXPECT_TRUE(Vector(1, 2, 3) == Vector(1, 2, 3));
    EXPECT_TRUE(Vector(1, 2, 3) != Vector(1, 2, 4));
    EXPECT_TRUE(Vector(kNaN, 0, 0) != Vector(kNaN, 0, 0));
    EXPECT_FALSE(Vector(0, 0, 0).IsNonZero());
    EXPECT_TRUE(Vector(0, 0, -0.0f).IsZero());
    EXPECT_TRUE(Vector(0, 1e-30f, 0).IsNonZero());
}

TEST(Vector, FromShortNormal)
{
    ExpectNear(Vector::FromShortNormal(32767, -32767, 0), Vector(1, -1, 0), 0);
    ExpectNear(Vector::FromShortNormal(16384, 0, -32768), Vector(0.500015f, 0, -1.0000305f), 1e-6f);
}

TEST(Vector, FromShortNormalRoundsEveryValueAsTheQuotient)
{
    for (int value = -32768; value < 32768; ++value) {
        const Vector n = Vector::FromShortNormal(int16_t(value), int16_t(-value / 2), 0);
        const Vector expected(float(value / 32767.0), float((-value / 2) / 32767.0), 0.0f);
        ASSERT_EQ(std::memcmp(&n, &expected, sizeof n), 0) << value;
    }
}

// Each component in turn, and each bound of a box, takes each value: the one comparison
// must agree with std::isfinite.
TEST(Vector, IsFiniteAgreesWithTheStandardTestOnEveryComponent)
{
    constexpr float kInf = std::numeric_limits<float>::infinity();
    const float values[] = {0.0f, -0.0f, 1.5f, -3.0e38f, std::numeric_limits<float>::max(),
                            std::numeric_limits<float>::denorm_min(), kInf, -kInf,
                            std::numeric_limits<float>::quiet_NaN()};
    for (const float value : values)
        for (int axis = 0; axis < 3; ++axis) {
            Vector v(1.0f, 2.0f, 3.0f);
            (axis == 0 ? v.x : axis == 1 ? v.y : v.z) = value;
            EXPECT_EQ(v.IsFinite(), std::isfinite(value)) << value << " on axis " << axis;
            AABB low(v, Vector(4.0f, 4.0f, 4.0f)), high(Vector(0.0f, 0.0f, 0.0f), v);
            EXPECT_EQ(low.IsFinite(), std::isfinite(value)) << value << " on axis " << axis;
            EXPECT_EQ(high.IsFinite(), std::isfinite(value)) << value << " on axis " << axis;
        }
}

TEST(Vector, SolveInBasisRecoversCoefficients)
{
    struct Case {
        Vector u, v;
        float a, b;
    };
    const Case cases[] = {
        {{1, 0, 0}, {0, 1, 0}, 2, 3},       // in the xy plane: z dropped
        {{0, 1, 0}, {0, 0, 1}, -1, 0.5f},   // in the yz plane: x dropped
        {{1, 0, 0}, {0, 0, 1}, 4, -2},      // in the xz plane: y dropped
        {{1, 1, 0.5f}, {0, 2, 1}, 0.25f, 1.5f},
        {{0, 1, 0}, {1, 0, 0}, 3, 7},       // first equation has no u: solved through q
    };
    for (const Case &c : cases) {
        Vector p = c.u * c.a + c.v * c.b;
        const float z = p.z;
        p.SolveInBasis(c.u, c.v);
        EXPECT_NEAR(p.x, c.a, 1e-5f);
        EXPECT_NEAR(p.y, c.b, 1e-5f);
        EXPECT_EQ(p.z, z);
    }
}

TEST(Vector, SolveInBasisWithDegenerateBasisStaysFinite)
{
    Vector p(1, 2, 3);
    p.SolveInBasis(Vector(0, 0, 0), Vector(0, 0, 0));
    EXPECT_EQ(p.x, 0.0f);
    EXPECT_EQ(p.y, 0.0f);

    // u and v parallel: the second coefficient is dropped.
    Vector q(2, 2, 0);
    q.SolveInBasis(Vector(1, 1, 0), Vector(2, 2, 0));
    EXPECT_NEAR(q.x, 2.0f, 1e-6f);
    EXPECT_EQ(q.y, 0.0f);
}

TEST(Scalar, WrapValue)
{
    struct Case {
        float value, lo, hi, expected;
    };
    const Case cases[] = {
        {7.0f, 0, 6.283f, 7.0f - 6.283f},
        {6.283f, 0, 6.283f, 6.283f},
        {0.0f, 0, 6.283f, 0.0f},
        {-0.1f, 0, 6.283f, -0.1f + 6.283f},
        {-20.0f, 0, 6.283f, -20.0f + 4 * 6.283f},
        {370.0f, -180, 180, 10.0f},
    };
    for (const Case &c : cases)
        EXPECT_FLOAT_EQ(General::WrapValue(c.value, c.lo, c.hi), c.expected) << c.value;
    EXPECT_NEAR(General::WrapValue(7.0f, 0, 6.283f), 0.717f, 1e-6f);
}

TEST(Scalar, WrapValueEndsOnValuesThatStepsCannotReach)
{
    // Far values, infinities and empty ranges would never settle by stepping.
    for (float far : {1e9f, -1e9f, 3e38f, -3e38f}) {
        const float wrapped = General::WrapValue(far, 0, 6.283f);
        EXPECT_GE(wrapped, 0.0f) << far;
        EXPECT_LE(wrapped, 6.283f) << far;
    }
    EXPECT_NEAR(General::WrapValue(1e6f, 0, 10), 0.0f, 1e-3f);
    EXPECT_EQ(General::WrapValue(kInf, 0, 6.283f), 0.0f);
    EXPECT_EQ(General::WrapValue(-kInf, 1, 2), 1.0f);
    EXPECT_EQ(General::WrapValue(kNaN, 0, 6.283f), 0.0f);
    EXPECT_EQ(General::WrapValue(5, 2, 2), 2.0f);
    EXPECT_EQ(General::WrapValue(5, 3, 1), 3.0f);
}

TEST(Scalar, NextPowerOfTwo)
{
    const std::pair<int, unsigned> cases[] = {{INT_MIN, 1},         {-5, 1},    {0, 1},    {1, 1},
                                              {2, 2},               {3, 4},     {1000, 1024}, {1024, 1024},
                                              {1025, 2048},         {0x40000000, 0x40000000u},
                                              {0x40000001, 0x80000000u}, {INT_MAX, 0x80000000u}};
    for (const auto &[n, expected] : cases)
        EXPECT_EQ(General::NextPowerOfTwo(n), expected) << n;
}

TEST(Scalar, PowInt)
{
    EXPECT_FLOAT_EQ(General::PowInt(2, 10), 1024.0f);
    EXPECT_FLOAT_EQ(General::PowInt(-3, 3), -27.0f);
    EXPECT_FLOAT_EQ(General::PowInt(2, -2), 0.25f);
    EXPECT_FLOAT_EQ(General::PowInt(7, 0), 1.0f);
    EXPECT_FLOAT_EQ(General::PowInt(1, INT_MIN), 1.0f);
}

TEST(Scalar, CompareIndexDistanceSortsAscendingWithNotANumberLast)
{
    General::IndexDistance pairs[] = {{0, 3.0f}, {1, kNaN}, {2, -1.0f}, {3, 2.0f}, {4, kNaN}, {5, 2.0f}};
    std::qsort(pairs, std::size(pairs), sizeof pairs[0], General::CompareIndexDistance);
    EXPECT_EQ(pairs[0].index, 2);
    EXPECT_EQ(pairs[3].index, 0);
    EXPECT_FLOAT_EQ(pairs[1].distance, 2.0f);
    EXPECT_FLOAT_EQ(pairs[2].distance, 2.0f);
    EXPECT_TRUE(std::isnan(pairs[4].distance) && std::isnan(pairs[5].distance));

    const General::IndexDistance a{9, 1.0f}, b{1, 2.0f};
    EXPECT_EQ(General::CompareIndexDistance(&a, &b), -1);
    EXPECT_EQ(General::CompareIndexDistance(&b, &a), 1);
    EXPECT_EQ(General::CompareIndexDistance(&a, &a), 0);
}

TEST(Color, PackPutsRedInTheLowByte)
{
    EXPECT_EQ(Color(1, 0.5f, 0, 1).Pack(), 0xFF007FFFu);
    EXPECT_EQ(Color(0, 0, 0, 0).Pack(), 0u);
    EXPECT_EQ(Color(0.2f, 0.4f, 0.6f, 0.8f).Pack(), (204u << 24) | (153u << 16) | (102u << 8) | 51u);
}

TEST(Color, PackHoldsChannelsOutsideTheRangeInTheirOwnByte)
{
    EXPECT_EQ(Color(1.2f, 0, 0, 0).Pack(), 0x000000FFu);
    EXPECT_EQ(Color(0, -0.5f, 0, 0).Pack(), 0u);
    EXPECT_EQ(Color(0, 0, kNaN, 1).Pack(), 0xFF000000u);
    EXPECT_EQ(Color(kInf, 0, 0, 1e30f).Pack(), 0xFF0000FFu);
}

TEST(Color, LerpWeighsThisByT)
{
    const Color red(1, 0, 0, 1), blue(0, 0, 1, 0);
    EXPECT_EQ(red.Lerp(blue, 1), red);
    EXPECT_EQ(red.Lerp(blue, 0), blue);
    const Color mix = red.Lerp(blue, 0.25f);
    EXPECT_FLOAT_EQ(mix.r, 0.25f);
    EXPECT_FLOAT_EQ(mix.b, 0.75f);
    EXPECT_FLOAT_EQ(mix.a, 0.25f);
}

TEST(Matrix, TransformMovesPointsButTurnsDirections)
{
    Matrix m;
    m.SetRotation(0, 0, kPi / 2);
    m.SetRow(3, Vector(10, 20, 30));
    // Row vectors: x' = m0·x + m4·y + m8·z + m12·w.
    ExpectNear(m.Transform(Vector(1, 0, 0), 1), Vector(10, 19, 30));
    ExpectNear(m.Transform(Vector(1, 0, 0), 0), Vector(0, -1, 0));
    EXPECT_EQ(m.GetRow(3), Vector(10, 20, 30));
}

TEST(Matrix, SetRowOutOfRangeIsReportedAndChangesNothing)
{
    Recorder().ExpectAssertionFailures();
    Matrix m;
    m.SetRow(4, Vector(1, 2, 3)).SetRow(-1, Vector(1, 2, 3));
    EXPECT_EQ(m, Matrix());
    EXPECT_TRUE(Recorder().LogContains("iRowIndex >= 0 && iRowIndex < 4"));
}

TEST(Matrix, ProjectionDividesByTheFourthComponent)
{
    // A perspective-like matrix: w' = z.
    Matrix m = FromRows({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0});
    float w = 0;
    ExpectNear(m.Transform4(Vector(2, 4, 2), 1, w), Vector(2, 4, 2));
    EXPECT_FLOAT_EQ(w, 2.0f);
    ExpectNear(m.ProjectPoint(Vector(2, 4, 2)), Vector(1, 2, 1));
    ExpectNear(m.TransformHomogeneous(Vector(2, 4, 4)), Vector(0.5f, 1, 1));
}

TEST(Matrix, MultiplyAppliesThisFirst)
{
    Matrix move, scale;
    move.SetRow(3, Vector(1, 0, 0));
    scale.Scale(2).m[15] = 1;
    ExpectNear(move.Multiply(scale).Transform(Vector(1, 1, 1)), Vector(4, 2, 2));
    ExpectNear(scale.Multiply(move).Transform(Vector(1, 1, 1)), Vector(3, 2, 2));
}

TEST(Matrix, TransposeSwapsAcrossTheDiagonal)
{
    Matrix m = FromRows({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
    m.Transpose();
    EXPECT_EQ(m, FromRows({0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15}));
}

TEST(Matrix, InvertMatchesAKnownInverse)
{
    Matrix m = FromRows({2, 0, 1, 0, 1, 3, 0, 0, 0, 1, 4, 0, 5, -2, 3, 1});
    const Matrix original = m;
    ASSERT_TRUE(m.Invert());
    const Matrix expected = FromRows({12 / 25.f, 1 / 25.f, -3 / 25.f, 0, -4 / 25.f, 8 / 25.f, 1 / 25.f, 0,
                                      1 / 25.f, -2 / 25.f, 6 / 25.f, 0, -71 / 25.f, 17 / 25.f, -1 / 25.f, 1});
    ExpectNear(m, expected);
    ExpectNear(original.Multiply(m), Matrix());
}

TEST(Matrix, InvertUndoesARotationAndTranslation)
{
    Matrix m;
    m.SetRotation(0.7f, -1.2f, 2.5f).SetRow(3, Vector(3, -4, 5));
    Matrix inverse = m;
    ASSERT_TRUE(inverse.Invert());
    ExpectNear(inverse.Transform(m.Transform(Vector(1, 2, 3))), Vector(1, 2, 3), 1e-4f);
}

TEST(Matrix, InvertRefusesASingularMatrixAndKeepsIt)
{
    const Matrix cases[] = {
        FromRows({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
        FromRows({1, 2, 3, 0, 2, 4, 6, 0, 0, 0, 1, 0, 0, 0, 0, 1}),       // dependent rows
        FromRows({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 7, 8, 9, 1}),       // flattened axis
        FromRows({kNaN, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}),
        FromRows({1e-12f, 0, 0, 0, 0, 1e-12f, 0, 0, 0, 0, 1e-12f, 0, 0, 0, 0, 1e-12f}),  // 1/det overflows
    };
    for (const Matrix &singular : cases) {
        Matrix m = singular;
        EXPECT_FALSE(m.Invert());
        for (int k = 0; k < 16; ++k)
            EXPECT_TRUE(m.m[k] == singular.m[k] || (std::isnan(m.m[k]) && std::isnan(singular.m[k])));
    }
}

TEST(Euler, SetRotationAboutZ)
{
    const float angle = 0.4f;
    Matrix m;
    m.SetRotation(0, 0, angle);
    ExpectNear(m, FromRows({std::cos(angle), -std::sin(angle), 0, 0, std::sin(angle), std::cos(angle), 0, 0, 0, 0,
                            1, 0, 0, 0, 0, 1}));
}

TEST(Euler, GetRotationRoundTripsAndWrapsIntoZeroToTwoPi)
{
    struct Case {
        Vector set, expected;
    };
    const Case cases[] = {
        {{0, 0, 0}, {0, 0, 0}},
        {{0.3f, 0.2f, 0.1f}, {0.3f, 0.2f, 0.1f}},
        {{-0.1f, 0, 0}, {6.183f, 0, 0}},
        {{1.0f, -0.5f, -2.0f}, {1.0f, 6.283f - 0.5f, 6.283f - 2.0f}},
        {{3.0f, 1.2f, 3.1f}, {3.0f, 1.2f, 3.1f}},
    };
    for (const Case &c : cases) {
        Matrix m;
        m.SetRotation(c.set);
        ExpectNear(m.GetRotation(), c.expected, 2e-5f);
    }
}

TEST(Euler, GetRotationGivesTheSameMatrixBack)
{
    for (float x = -3.0f; x < 3.2f; x += 0.7f)
        for (float y = -1.5f; y < 1.6f; y += 0.5f)
            for (float z = -3.0f; z < 3.2f; z += 0.9f) {
                Matrix m;
                m.SetRotation(x, y, z);
                const Vector angles = m.GetRotation();
                for (float a : {angles.x, angles.y, angles.z}) {
                    EXPECT_GE(a, 0.0f);
                    EXPECT_LE(a, 6.283f);
                }
                // Wrapping adds 6.283, not 2π, to a negative angle: the turn comes back
                // short by 2π - 6.283 (under 2e-4) for each wrapped angle.
                Matrix back;
                back.SetRotation(angles);
                ExpectNear(back, m, 6e-4f);
            }
}

TEST(Euler, GimbalLockPutsTheWholeTurnIntoZ)
{
    Matrix m;
    m.SetRotation(0.3f, kPi / 2, 0.2f);
    const Vector angles = m.GetRotation();
    EXPECT_EQ(angles.x, 0.0f);
    EXPECT_NEAR(angles.y, kPi / 2, 1e-4f);
    EXPECT_NEAR(angles.z, 0.5f, 1e-4f);

    m.SetRotation(0.3f, -kPi / 2, 0.2f);
    EXPECT_EQ(m.GetRotation().x, 0.0f);
    EXPECT_NEAR(m.GetRotation().y, 6.283f - kPi / 2, 1e-4f);

    // Rounding past ±1 must not turn the angle into not-a-number.
    m.m[2] = 1.0000001f;
    EXPECT_FALSE(std::isnan(m.GetRotation().y));
}

TEST(Euler, AxisRotation)
{
    const float angle = 0.8f;
    Matrix about, direct;
    about.SetAxisRotation(Vector(1, 0, 0), angle);
    direct.SetRotation(angle, 0, 0);
    ExpectNear(about, direct);

    const Vector axes[] = {{0, 0, 3}, {1, 2, -2}, {-1, 0, 0}, {0, 0, 0}};
    for (const Vector &axis : axes) {
        Matrix m;
        m.SetAxisRotation(axis, angle);
        const Vector a = axis.Normalized();
        ExpectNear(m.Transform(a, 0), a);
        // A vector across the axis keeps its length and turns by the angle.
        const Vector across = Vector(a.y, -a.x, 0).IsNonZero() ? Vector(a.y, -a.x, 0).Normalized() : Vector(1, 0, 0);
        const Vector turned = m.Transform(across, 0);
        EXPECT_NEAR(turned.Length(), 1.0f, 1e-5f);
        EXPECT_NEAR(turned.Dot(across), std::cos(angle), 1e-5f);
    }
}

TEST(Matrix3, SolveByCramer)
{
    const Matrix3 m(Vector(2, 0, 1), Vector(1, 3, 0), Vector(0, 1, 4));
    Vector x;
    // 1·row0 + 1·row1 + 3·row2 = (3, 6, 13).
    ASSERT_TRUE(m.Solve(Vector(3, 6, 13), x));
    ExpectNear(x, Vector(1, 1, 3));
}

TEST(Matrix3, SolveRefusesASingularSystem)
{
    const Matrix3 cases[] = {
        Matrix3(Vector(1, 2, 3), Vector(2, 4, 6), Vector(0, 0, 1)),
        Matrix3(Vector(0, 0, 0), Vector(0, 1, 0), Vector(0, 0, 1)),
        Matrix3(Vector(kNaN, 0, 0), Vector(0, 1, 0), Vector(0, 0, 1)),
    };
    for (const Matrix3 &m : cases) {
        Vector x(5, 5, 5);
        EXPECT_FALSE(m.Solve(Vector(1, 1, 1), x));
        EXPECT_EQ(x, Vector(0, 0, 0));
    }
}

TEST(Matrix3, RebuildAndOrthogonalizeRows)
{
    Matrix3 m(Vector(1, 0, 0), Vector(0, 1, 0), Vector(9, 9, 9));
    m.RebuildRow(2, true);
    EXPECT_EQ(m.GetRow(2), Vector(0, 0, 1));
    m.RebuildRow(2, false);
    EXPECT_EQ(m.GetRow(2), Vector(0, 0, -1));

    Matrix3 f(Vector(1, 1, 0), Vector(0, 2, 0), Vector(0, 0, 1));
    f.OrthogonalizeRow(0, 1);
    EXPECT_EQ(f.GetRow(0), Vector(4, 0, 0));

    Matrix3 g(Vector(1, 1, 1), Vector(0, 1, 0), Vector(0, 0, 1));
    g.OrthogonalizeRow(0, -1);
    EXPECT_EQ(g.GetRow(0), Vector(1, 0, 0));
}
