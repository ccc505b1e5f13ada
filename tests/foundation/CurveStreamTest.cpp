#include "foundation/curves/CurvePointTable.h"
#include "foundation/curves/NURBSCurve.h"
#include "foundation/Stream.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

using General::NURBSCurve;
using General::Vector;

namespace {

// A storing stream that writes the record forms of an older version.
class OldCurveStream : public Stream {
public:
    OldCurveStream(const QString &name, int version) : Stream(name, true) { m_iVersion = version; }
};

QByteArray Int(int value) { return QByteArray(reinterpret_cast<const char *>(&value), 4); }
QByteArray Byte(int value) { return QByteArray(1, char(value)); }
QByteArray Floats(const std::vector<float> &values)
{
    QByteArray bytes;
    for (float value : values)
        bytes.append(reinterpret_cast<const char *>(&value), 4);
    return bytes;
}
QByteArray FloatArray(const std::vector<float> &values) { return Int(int(values.size())) + Floats(values); }
QByteArray PointArray(const std::vector<Vector> &points)
{
    QByteArray bytes = Int(int(points.size()));
    for (const Vector &p : points)
        bytes += Floats({p.x, p.y, p.z});
    return bytes;
}
QByteArray Name(const char *text) { return Int(int(std::strlen(text))) + QByteArray(text); }

const std::vector<Vector> kArch = {{0, 0, 0}, {1, 1, 0}, {2, 1, 0}, {3, 0, 0}};
const std::vector<float> kArchKnots = {0, 0, 0, 0, 1, 1, 1, 1};

// Fields 1 to 6.
QByteArray Head(const char *name, int degree, int count, const std::vector<Vector> &points,
                const std::vector<float> &knots)
{
    return Name(name) + Int(degree) + Int(count) + Floats({0}) + PointArray(points) + FloatArray(knots);
}

// A whole current record with no profile, drawn, open, not sampled.
QByteArray Current(const QByteArray &head) { return head + Floats({0, 0, 0, 1}) + Byte(1) + Byte(0) + Byte(0) + Byte(0) + Int(0); }

std::vector<Vector> Points(const NURBSCurve &curve)
{
    return std::vector<Vector>(curve.GetControlPoints().begin(), curve.GetControlPoints().end());
}

class CurveStream : public testing::Test {
protected:
    QString Path() const { return m_dir.File("curve.str"); }
    void WriteBytes(int version, const QByteArray &body) { TempDir::Write(Path(), Int(version) + body); }
    QByteArray Bytes() const { return TempDir::Read(Path()); }

    // Writes in the form of `version` and gives the file that version's header.
    void WriteAt(NURBSCurve &curve, int version)
    {
        {
            OldCurveStream stream(Path(), version);
            ASSERT_TRUE(curve.Serialize(stream));
        }
        QByteArray bytes = Bytes();
        std::memcpy(bytes.data(), &version, 4);
        TempDir::Write(Path(), bytes);
    }

    TempDir m_dir;
};

}  // namespace

TEST_F(CurveStream, CurrentRecordLayout)
{
    NURBSCurve curve(1);
    curve.InsertControlPoint(Vector(0, 0, 0), -1);
    curve.InsertControlPoint(Vector(3, 4, 0), -1);
    curve.UpdateChordLengths();
    {
        Stream stream(Path(), true);
        ASSERT_TRUE(curve.Serialize(stream));
    }
    const QByteArray expected = Int(228) + Name("Curve") + Int(1) + Int(2) + Floats({5}) +
                                PointArray({{0, 0, 0}, {3, 4, 0}}) + FloatArray({0, 0, 1, 1}) + Floats({0, 0, 0, 1}) +
                                Byte(1) + Byte(0) + Byte(0) + Byte(0) + Int(0);
    EXPECT_EQ(Bytes(), expected);
}

TEST_F(CurveStream, RoundTripAtEachVersionGate)
{
    NURBSCurve source(2, true);
    for (const Vector &p : kArch)
        source.InsertControlPoint(p, -1);
    source.Close();
    source.SetOffset(3, 4);
    source.SetAngle(0.25f);
    source.SetScale(1.5f);
    source.SetDrawn(false);
    source.SetSampled(true);
    source.Precalculate();
    source.UpdateChordLengths();
    ASSERT_GT(source.GetTotalLength(), 0.0f);

    for (int version : {131, 132, 133, 154, 155, 156, 157, 228}) {
        SCOPED_TRACE(version);
        WriteAt(source, version);
        if (version == 131) {  // fields 1 to 6 only
            EXPECT_EQ(Bytes().size(), 4 + 9 + 12 + 4 + 12 * 6 + 4 + 4 * 9);
        }

        NURBSCurve target(3);
        Stream stream(Path(), false);
        ASSERT_EQ(stream.GetVersion(), version);
        ASSERT_TRUE(target.Serialize(stream));
        EXPECT_EQ(stream.BytesLeft(), 0u);
        EXPECT_FALSE(stream.HasError());

        EXPECT_EQ(target.GetName(), QStringLiteral("Curve"));
        EXPECT_EQ(target.GetDegree(), 2);
        EXPECT_EQ(Points(target), Points(source));
        EXPECT_EQ(target.GetKnots().GetItemCount(), 9u);
        EXPECT_EQ(target.GetLastKnot(), 8.0f);
        EXPECT_EQ(target.GetTotalLength(), source.GetTotalLength());
        EXPECT_FALSE(target.GetChordLengths().HasItems());

        const bool placement = version >= 132;
        EXPECT_EQ(target.GetOffsetX(), placement ? 3.0f : 0.0f);
        EXPECT_EQ(target.GetOffsetY(), placement ? 4.0f : 0.0f);
        EXPECT_EQ(target.GetAngle(), placement ? 0.25f : 0.0f);
        EXPECT_EQ(target.GetScale(), placement ? 1.5f : 1.0f);

        const bool profile = version >= 133;
        EXPECT_EQ(target.IsDrawn(), !profile);
        ASSERT_EQ(target.GetProfile() != nullptr, profile);
        if (profile) {
            EXPECT_EQ(Points(*target.GetProfile()), Points(*source.GetProfile()));
            EXPECT_EQ(target.GetProfile()->GetDegree(), 3);
        }

        EXPECT_EQ(target.IsClosed(), version >= 155);
        const bool samples = version >= 157;
        EXPECT_EQ(target.IsSampled(), samples);
        EXPECT_EQ(target.GetSamples().GetItemCount(), samples ? 2000u : 0u);
        if (samples) {
            EXPECT_EQ(target.GetSamples()[1234], source.GetSamples()[1234]);
            EXPECT_TRUE(target.GetProfile()->IsSampled());
            EXPECT_EQ(target.GetProfile()->GetSamples().GetItemCount(), 2000u);
        }
    }
}

TEST_F(CurveStream, EmptyCurveRoundTrips)
{
    NURBSCurve source(3);
    WriteAt(source, 228);
    NURBSCurve target(2);
    Stream stream(Path(), false);
    ASSERT_TRUE(target.Serialize(stream));
    EXPECT_EQ(target.GetDegree(), 3);
    EXPECT_EQ(target.GetControlPointCount(), 0);
    EXPECT_EQ(target.Evaluate(0), Vector(0, 0, 0));
    target.InsertControlPoint(Vector(1, 1, 1), -1);
    EXPECT_EQ(target.GetKnots().GetItemCount(), 5u);
}

TEST_F(CurveStream, Version131HoldsOnlyTheShape)
{
    WriteBytes(131, Head("Spline", 3, 4, kArch, kArchKnots) + Int(4242));
    NURBSCurve curve(2);
    curve.SetOffset(7, 8);
    Stream stream(Path(), false);
    ASSERT_TRUE(curve.Serialize(stream));
    EXPECT_EQ(curve.GetName(), QStringLiteral("Spline"));
    EXPECT_EQ(Points(curve), kArch);
    EXPECT_EQ(curve.GetOffsetX(), 7.0f);  // not in the record: kept
    int next = 0;
    stream >> next;
    EXPECT_EQ(next, 4242);
}

TEST_F(CurveStream, Version132FalloffTableIsReadAndDiscarded)
{
    const QByteArray table = Int(2) + Floats({0, 1, 2, 3, 4, 5, 6}) + Floats({1, 0, 0, 0, 0, 0, 9});
    WriteBytes(132, Head("Old", 3, 4, kArch, kArchKnots) + Floats({1, 2, 0, 1}) + table + Int(4242));
    NURBSCurve curve(2);
    Stream stream(Path(), false);
    ASSERT_TRUE(curve.Serialize(stream));
    EXPECT_EQ(curve.GetName(), QStringLiteral("Old"));
    EXPECT_EQ(curve.GetOffsetX(), 1.0f);
    EXPECT_EQ(curve.GetOffsetY(), 2.0f);
    int next = 0;
    stream >> next;
    EXPECT_EQ(next, 4242);

    // The table holds at most 64 points.
    for (int count : {65, -1, 1 << 30}) {
        WriteBytes(132, Head("Old", 3, 4, kArch, kArchKnots) + Floats({1, 2, 0, 1}) + Int(count) +
                            QByteArray(28 * 70, '\0'));
        NURBSCurve refused(2);
        Stream again(Path(), false);
        EXPECT_FALSE(refused.Serialize(again)) << count;
        EXPECT_TRUE(again.HasError());
        EXPECT_EQ(refused.GetControlPointCount(), 0);
    }
}

TEST_F(CurveStream, FalloffPointTableForms)
{
    // Before version 118: always 8 points of six floats, whatever the count.
    WriteBytes(117, Int(3) + QByteArray(8 * 24, '\0') + Int(4242));
    {
        CurvePointTable table;
        Stream stream(Path(), false);
        ASSERT_TRUE(table.Serialize(stream));
        EXPECT_EQ(table.GetCount(), 3);
        int next = 0;
        stream >> next;
        EXPECT_EQ(next, 4242);
    }
    {
        CurvePointTable table;
        Stream stream(Path(), true);
        ASSERT_TRUE(table.Serialize(stream));
    }
    EXPECT_EQ(Bytes(), Int(228) + Int(0));
    // Too short for its count, more points than the table holds, or (before version 118,
    // where eight points are stored) more than eight.
    const struct {
        int version;
        QByteArray body;
    } refused[] = {
        {228, Int(3) + QByteArray(2 * 28, '\0')},
        {228, Int(1000) + QByteArray(70 * 28, '\0')},
        {228, Int(-1) + QByteArray(28, '\0')},
        {117, Int(9) + QByteArray(8 * 24, '\0')},
    };
    for (const auto &c : refused) {
        WriteBytes(c.version, c.body);
        CurvePointTable table;
        Stream stream(Path(), false);
        EXPECT_FALSE(table.Serialize(stream)) << c.version;
        EXPECT_TRUE(stream.HasError());
        EXPECT_EQ(table.GetCount(), 0);
    }
}

TEST_F(CurveStream, InconsistentRecordsAreRefusedAndChangeNothing)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char *what;
        QByteArray body;
    };
    const Case cases[] = {
        {"count above the stored points", Current(Head("C", 3, 5, kArch, kArchKnots))},
        {"count below the stored points", Current(Head("C", 3, 3, kArch, kArchKnots))},
        {"negative count", Current(Head("C", 3, -1, {}, {0, 0, 0, 0}))},
        {"knots that do not fit", Current(Head("C", 3, 4, kArch, {0, 0, 0, 0, 1, 1, 1}))},
        {"knots missing", Current(Head("C", 3, 4, kArch, {}))},
        {"decreasing knots", Current(Head("C", 3, 4, kArch, {0, 0, 0, 0, 1, 1, 1, 0.5f}))},
        {"knot not a number", Current(Head("C", 3, 4, kArch, {0, 0, 0, 0, nan, 1, 1, 1}))},
        {"infinite knot", Current(Head("C", 3, 4, kArch, {0, 0, 0, 0, 1, 1, 1, INFINITY}))},
        {"negative degree", Current(Head("C", -1, 4, kArch, {0, 0, 0, 0}))},
        {"huge degree", Current(Head("C", 1000, 4, kArch, kArchKnots))},
        {"huge point table", Name("C") + Int(3) + Int(1 << 30) + Floats({0}) + Int(1 << 30) + QByteArray(64, '\0')},
        {"cut after the knots", Head("C", 3, 4, kArch, kArchKnots) + Floats({0, 0})},
        {"cut before the samples", Head("C", 3, 4, kArch, kArchKnots) + Floats({0, 0, 0, 1}) + Byte(1) + Byte(0) +
                                       Byte(0) + Byte(1) + Int(2000)},
        {"name longer than the file", Int(1000) + QByteArray("C")},
    };
    for (const Case &c : cases) {
        Recorder().Clear();
        WriteBytes(228, c.body);
        NURBSCurve curve(2);
        curve.InsertControlPoint(Vector(1, 2, 3), -1);
        curve.InsertControlPoint(Vector(4, 5, 6), -1);
        curve.SetOffset(9, 9);
        Stream stream(Path(), false);
        EXPECT_FALSE(curve.Serialize(stream)) << c.what;
        EXPECT_TRUE(stream.HasError()) << c.what;
        EXPECT_TRUE(Recorder().LogContains("Curve record refused")) << c.what;
        EXPECT_EQ(curve.GetName(), QStringLiteral("Curve")) << c.what;
        EXPECT_EQ(curve.GetDegree(), 2) << c.what;
        EXPECT_EQ(Points(curve), (std::vector<Vector>{{1, 2, 3}, {4, 5, 6}})) << c.what;
        EXPECT_EQ(curve.GetKnots().GetItemCount(), 5u) << c.what;
        EXPECT_EQ(curve.GetOffsetX(), 9.0f) << c.what;
    }
}

TEST_F(CurveStream, ProfilesNestOnlySoDeep)
{
    // A record whose profile holds a profile, `depth` levels down.
    auto nested = [](int depth) {
        QByteArray body = Head("C", 3, 4, kArch, kArchKnots) + Floats({0, 0, 0, 1}) + Byte(1) + Byte(depth > 0 ? 1 : 0);
        return body;
    };
    for (auto [depth, accepted] : {std::pair{4, true}, std::pair{5, false}}) {
        QByteArray body;
        for (int level = depth; level >= 0; --level)
            body += nested(level);
        for (int level = 0; level <= depth; ++level)
            body += Byte(0) + Byte(0) + Int(0);
        WriteBytes(228, body);
        NURBSCurve curve(2);
        Stream stream(Path(), false);
        EXPECT_EQ(curve.Serialize(stream), accepted) << depth;
        EXPECT_EQ(curve.GetProfile() != nullptr, accepted) << depth;
        if (accepted) {
            EXPECT_EQ(stream.BytesLeft(), 0u);
        }
    }
}

TEST_F(CurveStream, SampledCurveWithoutAWholeTableIsResampled)
{
    WriteBytes(228, Head("C", 3, 4, kArch, kArchKnots) + Floats({0, 0, 0, 1}) + Byte(1) + Byte(0) + Byte(0) + Byte(1) +
                        FloatArray({0.5f, 0.5f, 0.5f}));
    NURBSCurve curve(2);
    Stream stream(Path(), false);
    ASSERT_TRUE(curve.Serialize(stream));
    ASSERT_EQ(curve.GetSamples().GetItemCount(), 2000u);
    EXPECT_NEAR(curve.GetSamples()[1000], 0.75f, 1e-3f);
}

TEST_F(CurveStream, ChainIsWrittenWholeAndReadIntoTheCurvesThatExist)
{
    NURBSCurve first(3);
    for (const Vector &p : kArch)
        first.InsertControlPoint(p, -1);
    auto *second = new NURBSCurve(1);
    second->InsertControlPoint(Vector(5, 5, 5), -1);
    second->InsertControlPoint(Vector(6, 6, 6), -1);
    first.SetNext(second);
    WriteAt(first, 228);

    {
        NURBSCurve head(2);
        head.SetNext(new NURBSCurve(2));
        Stream stream(Path(), false);
        ASSERT_TRUE(head.Serialize(stream));
        EXPECT_EQ(Points(head), kArch);
        EXPECT_EQ(Points(*head.GetNext()), (std::vector<Vector>{{5, 5, 5}, {6, 6, 6}}));
        EXPECT_EQ(head.GetNext()->GetDegree(), 1);
        EXPECT_EQ(stream.BytesLeft(), 0u);
    }
    {
        NURBSCurve lone(2);
        Stream stream(Path(), false);
        ASSERT_TRUE(lone.Serialize(stream));
        EXPECT_EQ(Points(lone), kArch);
        EXPECT_EQ(lone.GetNext(), nullptr);
        EXPECT_GT(stream.BytesLeft(), 0u);
    }
    {
        // A damaged second record: the first curve is read, the second kept.
        QByteArray bytes = Bytes();
        TempDir::Write(Path(), bytes.left(bytes.size() - 3));
        NURBSCurve head(2);
        auto *next = new NURBSCurve(2);
        next->InsertControlPoint(Vector(9, 9, 9), -1);
        head.SetNext(next);
        Stream stream(Path(), false);
        EXPECT_FALSE(head.Serialize(stream));
        EXPECT_EQ(Points(head), kArch);
        EXPECT_EQ(Points(*next), (std::vector<Vector>{{9, 9, 9}}));
    }
}
