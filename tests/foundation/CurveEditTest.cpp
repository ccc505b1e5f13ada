#include "CurveFixtures.h"
#include "foundation/curves/CurveEdit.h"
#include "foundation/curves/NURBSCurve.h"

#include <gtest/gtest.h>

#include <vector>

using General::NURBSCurve;
using General::Vector;

namespace {

// Points of the test curves are in view pixels; the test view is 400 × 200.
class CurveEditing : public CurveTestBase {
protected:
    void SetUp() override
    {
        CurveTestBase::SetUp();
        for (const Vector &p : {Vector(100, 100, 0), Vector(200, 50, 0), Vector(300, 100, 0)})
            curve.InsertControlPoint(p, -1);
    }

    // Mouse positions are fractions of the view.
    static float X(float pixels) { return pixels / 400; }
    static float Y(float pixels) { return pixels / 200; }

    NURBSCurve curve{2};
};

void ExpectNear(const Vector &a, const Vector &b)
{
    EXPECT_NEAR(a.x, b.x, 1e-3f);
    EXPECT_NEAR(a.y, b.y, 1e-3f);
    EXPECT_NEAR(a.z, b.z, 1e-3f);
}

}  // namespace

TEST_F(CurveEditing, EditingMarksTheCurveAndMakesItCurrent)
{
    {
        CurveEdit edit(&curve);
        EXPECT_TRUE(curve.IsBeingEdited());
        EXPECT_EQ(host.current, &curve);
        EXPECT_EQ(edit.GetCurve(), &curve);
        curve.SetSelectedPoint(1);
    }
    EXPECT_FALSE(curve.IsBeingEdited());
    EXPECT_EQ(curve.GetSelectedPoint(), -1);
    EXPECT_EQ(host.current, nullptr);
    EXPECT_EQ(host.currentChanges, 2);
}

TEST_F(CurveEditing, PressPicksTheFirstPointWithinTheTolerance)
{
    struct Case {
        const char *what;
        int tolerance;
        float dx;
        int selected;  // -1: a point is inserted instead
    };
    const Case cases[] = {
        {"just inside 6 pixels", 0, 5.9f, 0},
        {"exactly 6 pixels is outside", 0, 6.0f, -1},
        {"the preference widens it", 2, 7.9f, 0},
        {"still outside", 2, 8.0f, -1},
    };
    // A view whose sides are powers of two keeps the fractions exact.
    host.width = host.height = 256;
    for (const Case &c : cases) {
        NURBSCurve fresh(2);
        fresh.InsertControlPoint(Vector(100, 100, 0), -1);
        fresh.InsertControlPoint(Vector(200, 50, 0), -1);
        host.tolerance = c.tolerance;
        host.calls.clear();
        host.redraws = 0;
        CurveEdit edit(&fresh);
        edit.AddPointAt((100 + c.dx) / 256, 100.0f / 256);
        if (c.selected >= 0) {
            EXPECT_EQ(fresh.GetSelectedPoint(), c.selected) << c.what;
            EXPECT_TRUE(host.calls.empty()) << c.what;
            EXPECT_EQ(host.redraws, 1) << c.what;
        } else {
            ASSERT_EQ(host.calls.size(), 1u) << c.what;
            EXPECT_EQ(host.calls[0].kind, General::kCurveInsertPoint);
            EXPECT_EQ(host.calls[0].index, -1);
            ExpectNear(host.calls[0].position, Vector(100 + c.dx, 100, 0));
            EXPECT_EQ(fresh.GetControlPointCount(), 3) << c.what;
        }
    }

    // With two points in reach the lower index wins.
    curve.InsertControlPoint(Vector(103, 100, 0), -1);
    CurveEdit edit(&curve);
    edit.AddPointAt(102.0f / 256, 100.0f / 256);
    EXPECT_EQ(curve.GetSelectedPoint(), 0);
}

TEST_F(CurveEditing, PressOnNothingAppendsAPointThroughTheUndoStack)
{
    CurveEdit edit(&curve);
    edit.AddPointAt(X(350), Y(150));
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.calls[0].curve, &curve);
    EXPECT_EQ(curve.GetControlPointCount(), 4);
    ExpectNear(curve.GetControlPoint(3), Vector(350, 150, 0));
    EXPECT_EQ(curve.GetSelectedPoint(), 3);
}

TEST_F(CurveEditing, NothingHappensWhileTheCurveIsNotBeingEdited)
{
    CurveEdit edit(&curve);
    curve.SetSelectedPoint(1);
    curve.SetBeingEdited(false);
    edit.AddPointAt(X(350), Y(150));
    edit.AddPointAt(X(200), Y(50));
    edit.MoveSelectedPointTo(X(10), Y(10));
    edit.RemoveSelectedPoint();
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ(curve.GetControlPoint(1), Vector(200, 50, 0));
    EXPECT_EQ(curve.GetControlPointCount(), 3);
}

TEST_F(CurveEditing, DragMovesThePointAndRecordsOneUndoableMove)
{
    CurveEdit edit(&curve);
    edit.AddPointAt(X(203), Y(52));  // grabbed 3, 2 pixels off the point
    ASSERT_EQ(curve.GetSelectedPoint(), 1);
    edit.MoveSelectedPointTo(X(250), Y(80));
    ExpectNear(curve.GetControlPoint(1), Vector(247, 78, 0));
    edit.MoveSelectedPointTo(X(263), Y(92));
    ExpectNear(curve.GetControlPoint(1), Vector(260, 90, 0));
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ(host.redraws, 3);

    edit.DragSelectedPoint(X(263), Y(92));
    ASSERT_EQ(host.calls.size(), 1u);
    const RecordingCurveHost::Call &call = host.calls[0];
    EXPECT_EQ(call.kind, General::kCurveSetPoint);
    EXPECT_EQ(call.index, 1);
    ExpectNear(call.position, Vector(260, 90, 0));
    // The operation starts from the position before the drag, so undo goes back there.
    EXPECT_EQ(call.pointBefore, Vector(200, 50, 0));
    ExpectNear(curve.GetControlPoint(1), Vector(260, 90, 0));

    // A second release is no drag.
    edit.DragSelectedPoint(X(300), Y(10));
    EXPECT_EQ(host.calls.size(), 1u);
}

TEST_F(CurveEditing, ReleaseWithoutMovingRecordsNothing)
{
    CurveEdit edit(&curve);
    edit.AddPointAt(X(301), Y(101));
    edit.DragSelectedPoint(X(301), Y(101));
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ(curve.GetControlPoint(2), Vector(300, 100, 0));
}

TEST_F(CurveEditing, PointAtTheOriginCanBeDragged)
{
    curve.SetControlPoint(0, Vector(0, 0, 0));
    CurveEdit edit(&curve);
    edit.AddPointAt(X(2), Y(0));
    ASSERT_EQ(curve.GetSelectedPoint(), 0);
    edit.MoveSelectedPointTo(X(42), Y(30));
    edit.DragSelectedPoint(X(42), Y(30));
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.calls[0].kind, General::kCurveSetPoint);
    EXPECT_EQ(host.calls[0].pointBefore, Vector(0, 0, 0));
    ExpectNear(curve.GetControlPoint(0), Vector(40, 30, 0));
}

TEST_F(CurveEditing, AnEarlierPressDoesNotMoveAnInsertedPoint)
{
    CurveEdit edit(&curve);
    edit.AddPointAt(X(205), Y(50));  // picks point 1, 5 pixels off
    edit.DragSelectedPoint(X(205), Y(50));
    edit.AddPointAt(X(350), Y(150));  // inserts point 3
    ASSERT_EQ(curve.GetSelectedPoint(), 3);
    edit.MoveSelectedPointTo(X(360), Y(160));
    ExpectNear(curve.GetControlPoint(3), Vector(360, 160, 0));
    edit.DragSelectedPoint(X(360), Y(160));
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.calls[0].kind, General::kCurveInsertPoint);
    EXPECT_EQ(curve.GetControlPoint(1), Vector(200, 50, 0));
    ExpectNear(curve.GetControlPoint(3), Vector(360, 160, 0));
}

TEST_F(CurveEditing, ClosedCurveDragsBothCopiesOfARepeatedPoint)
{
    curve.InsertControlPoint(Vector(200, 150, 0), -1);
    curve.Close();
    ASSERT_EQ(curve.GetControlPointCount(), 6);
    CurveEdit edit(&curve);
    edit.AddPointAt(X(100), Y(100));
    EXPECT_EQ(curve.GetSelectedPoint(), 4);  // the copy at the end
    edit.MoveSelectedPointTo(X(90), Y(95));
    EXPECT_EQ(curve.GetControlPoint(0), Vector(90, 95, 0));
    EXPECT_EQ(curve.GetControlPoint(4), Vector(90, 95, 0));
    edit.DragSelectedPoint(X(80), Y(90));
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.calls[0].index, 4);
    EXPECT_EQ(host.calls[0].pointBefore, Vector(100, 100, 0));
    EXPECT_EQ(curve.GetControlPoint(0), Vector(80, 90, 0));
    EXPECT_EQ(curve.GetControlPoint(4), Vector(80, 90, 0));
    EXPECT_TRUE(curve.IsClosed());
}

TEST_F(CurveEditing, RemoveRecordsTheSelectedPoint)
{
    CurveEdit edit(&curve);
    edit.RemoveSelectedPoint();
    EXPECT_TRUE(host.calls.empty());

    edit.AddPointAt(X(200), Y(50));
    edit.RemoveSelectedPoint();
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.calls[0].kind, General::kCurveRemovePoint);
    EXPECT_EQ(host.calls[0].index, 1);
    EXPECT_EQ(curve.GetControlPointCount(), 2);
    EXPECT_EQ(curve.GetControlPoint(1), Vector(300, 100, 0));
}

TEST_F(CurveEditing, PositionsGoThroughTheInverseScreenMatrix)
{
    curve.SetScale(2);
    curve.SetOffset(50, 20);
    // Point 1 (200, 50) is shown at centre + 2 × (point - centre) + offset.
    const Vector shown = curve.GetTransform().Transform(Vector(200, 50, 0));
    ExpectNear(shown, Vector(250, 20, 0));
    CurveEdit edit(&curve);
    edit.AddPointAt(X(shown.x + 5), Y(shown.y));  // 2.5 curve units away
    EXPECT_EQ(curve.GetSelectedPoint(), 1);
    edit.DragSelectedPoint(X(shown.x + 5), Y(shown.y));

    edit.AddPointAt(X(390), Y(190));
    ASSERT_EQ(host.calls.size(), 1u);
    ExpectNear(curve.GetTransform().Transform(host.calls[0].position), Vector(390, 190, 0));
}

TEST_F(CurveEditing, AFlattenedScreenMatrixIgnoresTheMouse)
{
    curve.SetScale(0);
    CurveEdit edit(&curve);
    edit.AddPointAt(X(100), Y(100));
    edit.AddPointAt(X(350), Y(150));
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ(curve.GetSelectedPoint(), -1);
}
