#include "foundation/math/AABB.h"
#include "foundation/Stream.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QByteArray>

using General::Vector;

namespace {

const AABB kUnit(Vector(0, 0, 0), Vector(1, 1, 1));

// A storing stream that writes the record forms of an older version.
class OldStream : public Stream {
public:
    OldStream(const QString &name, int version) : Stream(name, true) { m_iVersion = version; }
};

QByteArray Floats(std::initializer_list<float> values)
{
    QByteArray bytes;
    for (float value : values)
        bytes.append(reinterpret_cast<const char *>(&value), 4);
    return bytes;
}

QByteArray Header(int version) { return QByteArray(reinterpret_cast<const char *>(&version), 4); }

class BoxStream : public testing::Test {
protected:
    QString Path() const { return m_dir.File("box.str"); }
    void WriteFile(const QByteArray &bytes) { TempDir::Write(Path(), bytes); }
    QByteArray ReadFile() const { return TempDir::Read(Path()); }

    TempDir m_dir;
};

}  // namespace

TEST(Box, EmptyBoxAndReset)
{
    AABB box;
    EXPECT_TRUE(box.IsEmpty());
    EXPECT_EQ(box, AABB(Vector(0, 0, 0), Vector(-1, -1, -1)));
    EXPECT_FLOAT_EQ(box.GetMaxSize(), -1.0f);
    box = kUnit;
    box.Reset();
    EXPECT_TRUE(box.IsEmpty());

    // Only the x axis decides.
    EXPECT_FALSE(AABB(Vector(0, 1, 0), Vector(0, 0, 0)).IsEmpty());
}

TEST(Box, ExtendByPointsAndBoxes)
{
    AABB box;
    box.Extend(Vector(2, 3, 4));
    EXPECT_EQ(box, AABB(Vector(2, 3, 4), Vector(2, 3, 4)));
    box.Extend(Vector(1, 5, 4));
    EXPECT_EQ(box, AABB(Vector(1, 3, 4), Vector(2, 5, 4)));

    const AABB before = box;
    box.Extend(AABB());
    EXPECT_EQ(box, before);

    box.Extend(AABB(Vector(-1, 4, 0), Vector(0, 4, 9)));
    EXPECT_EQ(box, AABB(Vector(-1, 3, 0), Vector(2, 5, 9)));

    AABB empty;
    empty.Extend(kUnit);
    EXPECT_EQ(empty, kUnit);
}

TEST(Box, TouchingBoxesDoNotIntersectButShareTheirFace)
{
    const AABB right(Vector(1, 0, 0), Vector(2, 1, 1));
    EXPECT_FALSE(kUnit.Intersects(right));
    EXPECT_FALSE(right.Intersects(kUnit));
    EXPECT_TRUE(kUnit.Intersects(AABB(Vector(0.9f, 0.5f, 0.5f), Vector(3, 3, 3))));
    for (const Vector &p : {Vector(1, 0, 0), Vector(1, 0.5f, 0.5f), Vector(1, 1, 1)}) {
        EXPECT_TRUE(kUnit.Contains(p));
        EXPECT_TRUE(right.Contains(p));
    }
    EXPECT_FALSE(kUnit.Contains(Vector(1.0001f, 0.5f, 0.5f)));
}

TEST(Box, IsInsideIsInclusive)
{
    EXPECT_TRUE(kUnit.IsInside(kUnit));
    EXPECT_TRUE(AABB(Vector(0, 0.2f, 0), Vector(1, 0.8f, 1)).IsInside(kUnit));
    EXPECT_FALSE(AABB(Vector(0, 0, 0), Vector(1, 1, 1.5f)).IsInside(kUnit));
    EXPECT_FALSE(kUnit.IsInside(AABB(Vector(0, 0, 0), Vector(1, 1, 0.5f))));
}

TEST(Box, CornersCentreAndSize)
{
    Recorder().ExpectAssertionFailures();
    const AABB box(Vector(1, 2, 3), Vector(4, 6, 5));
    EXPECT_EQ(box.GetCorner(0), Vector(1, 2, 3));
    EXPECT_EQ(box.GetCorner(5), Vector(4, 2, 5));
    EXPECT_EQ(box.GetCorner(6), Vector(1, 6, 5));
    EXPECT_EQ(box.GetCorner(7), Vector(4, 6, 5));
    EXPECT_TRUE(Recorder().log.isEmpty());
    EXPECT_EQ(box.GetCorner(9), Vector(4, 2, 3));
    EXPECT_TRUE(Recorder().LogContains("n >= 0 && n < 8"));
    EXPECT_EQ(box.GetCenter(), Vector(2.5f, 4, 4));
    EXPECT_FLOAT_EQ(box.GetMaxSize(), 4.0f);
}

TEST(Box, SegmentTests)
{
    struct Case {
        Vector start, end;
        bool hit;
        float t;
    };
    const Case cases[] = {
        {{-1, 0.5f, 0.5f}, {2, 0.5f, 0.5f}, true, 1.0f / 3},   // enters through x = min x
        {{2, 0.5f, 0.5f}, {-1, 0.5f, 0.5f}, true, 1.0f / 3},   // through x = max x
        {{-1, 0.5f, 0.5f}, {0, 0.5f, 0.5f}, false, 1},         // ends on the face: no crossing
        {{0.5f, 0.5f, 0.5f}, {5, 5, 5}, true, 0},              // starts inside
        {{1, 0.5f, 0.5f}, {5, 5, 5}, true, 0},                 // starts on the boundary
        {{0.5f, 3, 0.5f}, {0.5f, -1, 0.5f}, true, 0.5f},       // down through y = max y
        {{0.5f, 0.5f, -3}, {0.5f, 0.5f, 1}, true, 0.75f},      // up through z = min z
        {{-1, 2, 0.5f}, {2, 2, 0.5f}, false, 1},               // passes above
        {{-1, -1, 0.5f}, {1, 1, 0.5f}, true, 0.5f},            // through the edge x = 0, y = 0
        {{-2, 0.5f, 0.5f}, {-1, 0.5f, 0.5f}, false, 1},        // stops short
        {{-1, 0.5f, 0.5f}, {-1, 0.5f, 0.5f}, false, 1},        // a point outside
    };
    for (const Case &c : cases) {
        float t = -7;
        EXPECT_EQ(kUnit.IntersectSegment(c.start, c.end, t), c.hit)
            << c.start.x << "," << c.start.y << "," << c.start.z;
        EXPECT_NEAR(t, c.t, 1e-6f);
    }
}

TEST(Box, SegmentTakesTheNearestFaceCrossing)
{
    // A diagonal ray crosses several planes; only the one on the box's surface counts.
    const AABB box(Vector(0, 0, 0), Vector(2, 1, 1));
    float t = 0;
    ASSERT_TRUE(box.IntersectSegment(Vector(-1, -2, 0.5f), Vector(3, 2, 0.5f), t));
    // Enters through y = 0 at x = 1 (t = 0.5); the x = 0 plane is crossed at y = -1, off the face.
    EXPECT_FLOAT_EQ(t, 0.5f);

    // On a flat (degenerate) box the crossing of its single plane still counts.
    const AABB flat(Vector(0, 0, 1), Vector(1, 1, 1));
    ASSERT_TRUE(flat.IntersectSegment(Vector(0.5f, 0.5f, 0), Vector(0.5f, 0.5f, 4), t));
    EXPECT_FLOAT_EQ(t, 0.25f);
}

TEST_F(BoxStream, CurrentFormIsTwentyFourBytesOfFloats)
{
    AABB box(Vector(1, 2, 3), Vector(4, 5, 6));
    {
        Stream stream(Path(), true);
        ASSERT_TRUE(box.Serialize(stream));
        AABB empty;
        ASSERT_TRUE(empty.Serialize(stream));
    }
    EXPECT_EQ(ReadFile(), Header(228) + Floats({1, 2, 3, 4, 5, 6}) + Floats({0, 0, 0, -1, -1, -1}));

    Stream stream(Path(), false);
    AABB first, second(Vector(9, 9, 9), Vector(9, 9, 9));
    ASSERT_TRUE(first.Serialize(stream));
    ASSERT_TRUE(second.Serialize(stream));
    EXPECT_EQ(first, box);
    EXPECT_EQ(second, AABB());
    EXPECT_FALSE(stream.HasError());
}

TEST_F(BoxStream, OldFormHasALeadingByte)
{
    AABB box(Vector(1, 2, 3), Vector(4, 5, 6));
    {
        OldStream stream(Path(), 217);
        ASSERT_TRUE(box.Serialize(stream));
    }
    EXPECT_EQ(ReadFile(), Header(228) + QByteArray(1, '\0') + Floats({1, 2, 3, 4, 5, 6}));
}

TEST_F(BoxStream, ZerosMeanEmptyOnlyBeforeVersion218)
{
    struct Case {
        int version;
        QByteArray body;
        AABB expected;
    };
    const AABB origin(Vector(0, 0, 0), Vector(0, 0, 0));
    const Case cases[] = {
        {217, QByteArray(1, '\x5a') + Floats({0, 0, 0, 0, 0, 0}), AABB()},
        {100, QByteArray(1, '\0') + Floats({0, 0, 0, 0, 0, 0}), AABB()},
        {217, QByteArray(1, '\0') + Floats({0, 0, 0, 1, 1, 1}), kUnit},
        {218, Floats({0, 0, 0, 0, 0, 0}), origin},
        {228, Floats({0, 0, 0, 1, 1, 1}), kUnit},
    };
    for (const Case &c : cases) {
        WriteFile(Header(c.version) + c.body);
        Stream stream(Path(), false);
        AABB box(Vector(7, 7, 7), Vector(8, 8, 8));
        ASSERT_TRUE(box.Serialize(stream)) << c.version;
        EXPECT_EQ(box, c.expected) << c.version;
        EXPECT_EQ(stream.BytesLeft(), 0u) << c.version;
    }
}

TEST_F(BoxStream, ShortRecordLeavesTheBoxAlone)
{
    for (int version : {217, 228}) {
        WriteFile(Header(version) + QByteArray(1, '\0') + Floats({1, 2, 3, 4}));
        Stream stream(Path(), false);
        AABB box = kUnit;
        EXPECT_FALSE(box.Serialize(stream)) << version;
        EXPECT_EQ(box, kUnit) << version;
        EXPECT_TRUE(stream.HasError()) << version;
    }
}
