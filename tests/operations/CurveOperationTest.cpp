#include "operations/CurveOperation.h"

#include "foundation/curves/NURBSCurve.h"
#include "operations/CurveOperationHost.h"
#include "scene/Scene.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using General::NURBSCurve;
using General::Vector;
using Operations::CurveOperation;

namespace {

// Answers the dialog as scripted and records the stamps.
class ScriptedCurveHost : public Operations::CurveOperationHost {
public:
    ScriptedCurveHost() { Install(this); }
    ~ScriptedCurveHost() override { Install(nullptr); }

    void EndCurveEditing() override { ++editEnds; }
    void StartCurveEditing(NURBSCurve *curve) override { edited = curve; }
    bool RunDrawOnCurveDialog(DrawOptions &options) override
    {
        options = answer;
        return accept;
    }
    void BeginCurveStroke(bool) override { ++strokeDepth; }
    void EndCurveStroke() override { --strokeDepth; }
    void Stamp(NURBSCurve &, const Vector &point, float pressure) override
    {
        stamps.push_back(point);
        pressures.push_back(pressure);
    }
    void FinishCurveStroke() override { ++finished; }
    void RefreshSceneInformation() override { ++sceneInformation; }
    void ShowCurveProperties() override { ++curvePages; }

    bool accept = true;
    DrawOptions answer;
    int editEnds = 0;
    int strokeDepth = 0;
    int finished = 0;
    int sceneInformation = 0;
    int curvePages = 0;
    NURBSCurve *edited = nullptr;
    std::vector<Vector> stamps;
    std::vector<float> pressures;
};

class CurveOperationTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_scene = std::make_unique<Scene>();
        for (int c = 0; c < 2; ++c) {
            auto *curve = new NURBSCurve(2);
            for (int i = 0; i < 4; ++i)
                curve->InsertControlPoint(Vector(float(i), float(c), 0), -1);
            m_scene->AddCurve(curve);
        }
    }
    void TearDown() override { m_scene.reset(); }

    NURBSCurve *Curve(int position) const
    {
        NURBSCurve *curve = m_scene->m_pCurves;
        for (int i = 0; curve && i < position; ++i)
            curve = curve->GetNext();
        return curve;
    }

    ScriptedCurveHost m_host;
    TempDir m_dir;
    std::unique_ptr<Scene> m_scene;
};

TEST_F(CurveOperationTest, RemovedCurveComesBackFromItsRecordWhereItWas)
{
    NURBSCurve *first = Curve(0);
    NURBSCurve *second = Curve(1);
    auto op = std::make_unique<CurveOperation>(first, CurveOperation::kRemoveCurve);
    ASSERT_TRUE(op->Execute());
    EXPECT_EQ(m_scene->m_pCurves, second);
    EXPECT_EQ(second->GetNext(), nullptr);
    EXPECT_EQ(m_scene->m_iCurveCount, 1);
    EXPECT_EQ(op->m_iAction, CurveOperation::kAddCurve);
    // The curve lists are told; no properties page follows a curve that went away.
    EXPECT_EQ(m_host.sceneInformation, 1);
    EXPECT_EQ(m_host.curvePages, 0);

    // The history keeps the curve; the operation lets go of it.
    OperationBuffer::SetFactory([](int type) -> std::unique_ptr<General::Recordable> {
        return type == Operations::kCurve ? std::make_unique<CurveOperation>() : nullptr;
    });
    OperationBuffer buffer(m_dir.File("undo"));
    ASSERT_TRUE(buffer.Append(*op, 0));
    EXPECT_EQ(op->m_pCurve, nullptr);
    op.reset();
    char kind = -1;
    auto record = buffer.ReadPrevious(kind);
    OperationBuffer::SetFactory(nullptr);
    auto *undo = dynamic_cast<CurveOperation *>(record.get());
    ASSERT_NE(undo, nullptr);
    ASSERT_TRUE(undo->Execute());
    NURBSCurve *back = Curve(0);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetNext(), second);
    EXPECT_EQ(back, undo->m_pCurve);
    EXPECT_EQ(back->GetControlPointCount(), 4);
    EXPECT_EQ(back->GetControlPoint(3), Vector(3, 0, 0));
    EXPECT_EQ(m_host.edited, back);
    EXPECT_EQ(m_host.sceneInformation, 2);
    EXPECT_EQ(m_host.curvePages, 1);
    EXPECT_EQ(m_scene->m_iCurveCount, 2);
    // And out again.
    ASSERT_TRUE(undo->Execute());
    EXPECT_EQ(Curve(0), second);
    EXPECT_EQ(Curve(1), nullptr);
}

// Records name curves by position: once a removal is undone, an older record of a point
// move still finds the curve it moved, whichever curve of three was removed.
TEST_F(CurveOperationTest, UndoAfterARemovalEditsTheCurveItsRecordNames)
{
    auto *third = new NURBSCurve(2);
    for (int i = 0; i < 4; ++i)
        third->InsertControlPoint(Vector(float(i), 2, 0), -1);
    m_scene->AddCurve(third);
    OperationBuffer::SetFactory([](int type) -> std::unique_ptr<General::Recordable> {
        return type == Operations::kCurve ? std::make_unique<CurveOperation>() : nullptr;
    });
    for (int removed = 0; removed < 3; ++removed) {
        SCOPED_TRACE(removed);
        OperationBuffer undo(m_dir.File("undo"));
        const std::vector<NURBSCurve *> chain{Curve(0), Curve(1), Curve(2)};
        // Each curve's point 1 moves up by 10 as one record.
        for (int c = 0; c < 3; ++c) {
            CurveOperation move(chain[size_t(c)], CurveOperation::kSetPoint);
            move.m_iPointIndex = 1;
            move.m_vPosition = Vector(1, float(c) + 10, 0);
            ASSERT_TRUE(move.Execute());
            ASSERT_TRUE(undo.Append(move, 0));
        }
        CurveOperation removal(chain[size_t(removed)], CurveOperation::kRemoveCurve);
        ASSERT_TRUE(removal.Execute());
        ASSERT_TRUE(undo.Append(removal, 0));

        // Undo everything, newest first.
        char kind = 0;
        while (std::unique_ptr<General::Recordable> record = undo.ReadPrevious(kind))
            ASSERT_TRUE(dynamic_cast<CurveOperation &>(*record).Execute());
        for (int c = 0; c < 3; ++c) {
            NURBSCurve *curve = Curve(c);
            ASSERT_NE(curve, nullptr) << c;
            EXPECT_EQ(curve->GetControlPoint(1), Vector(1, float(c), 0)) << c;
            if (c != removed)
                EXPECT_EQ(curve, chain[size_t(c)]) << c;
        }
        EXPECT_EQ(Curve(3), nullptr);
        EXPECT_EQ(m_scene->m_iCurveCount, 3);
    }
    OperationBuffer::SetFactory(nullptr);
}

TEST_F(CurveOperationTest, PointEditsUndoAndKeepASensibleSelection)
{
    NURBSCurve *curve = Curve(0);
    CurveOperation insert(curve, CurveOperation::kInsertPoint);
    insert.m_vPosition = Vector(9, 9, 9);
    ASSERT_TRUE(insert.Execute());
    EXPECT_EQ(curve->GetControlPointCount(), 5);
    EXPECT_EQ(curve->GetControlPoint(4), Vector(9, 9, 9));
    EXPECT_EQ(curve->GetSelectedPoint(), 4);
    ASSERT_TRUE(insert.Execute());
    EXPECT_EQ(curve->GetControlPointCount(), 4);
    EXPECT_EQ(curve->GetSelectedPoint(), 3) << "removing the last point selects the one before";

    struct Case {
        int points;
        int index;
        int selected;
    };
    for (const Case &c : {Case{4, 1, 1}, Case{4, 3, 2}, Case{1, 0, -1}}) {
        auto *own = new NURBSCurve(2);
        for (int i = 0; i < c.points; ++i)
            own->InsertControlPoint(Vector(float(i), 5, 0), -1);
        m_scene->AddCurve(own);
        CurveOperation remove(own, CurveOperation::kRemovePoint);
        remove.m_iPointIndex = c.index;
        ASSERT_TRUE(remove.Execute());
        EXPECT_EQ(own->GetSelectedPoint(), c.selected) << c.points << " " << c.index;
        ASSERT_TRUE(remove.Execute());
        ASSERT_EQ(own->GetControlPointCount(), c.points);
        EXPECT_EQ(own->GetControlPoint(c.index), Vector(float(c.index), 5, 0));
    }
    CurveOperation outside(curve, CurveOperation::kRemovePoint);
    outside.m_iPointIndex = 7;
    EXPECT_FALSE(outside.Execute());
}

TEST_F(CurveOperationTest, MovingAPointOfAClosedCurveMovesItsCopy)
{
    NURBSCurve *curve = Curve(0);
    curve->Close();
    ASSERT_TRUE(curve->IsClosed());
    const int copy = curve->GetDuplicateIndex(0);
    ASSERT_GE(copy, 0);
    const Vector before = curve->GetControlPoint(0);
    CurveOperation move(curve, CurveOperation::kSetPoint);
    move.m_iPointIndex = 0;
    move.m_vPosition = Vector(-1, -2, -3);
    ASSERT_TRUE(move.Execute());
    EXPECT_EQ(curve->GetControlPoint(0), Vector(-1, -2, -3));
    EXPECT_EQ(curve->GetControlPoint(copy), Vector(-1, -2, -3));
    ASSERT_TRUE(move.Execute());
    EXPECT_EQ(curve->GetControlPoint(0), before);
    EXPECT_EQ(curve->GetControlPoint(copy), before);
}

TEST_F(CurveOperationTest, DrawOnCurvePlacesTheAskedStampsFromStartToEnd)
{
    // Long against the chord table's steps of under 2 units, which equal spacing walks.
    auto *curve = new NURBSCurve(2);
    for (int i = 0; i < 4; ++i)
        curve->InsertControlPoint(Vector(float(i) * 100.0f, float(i % 2) * 50.0f, 0), -1);
    m_scene->AddCurve(curve);
    const Vector start = curve->Evaluate(0.0f);
    const Vector end = curve->Evaluate(curve->GetLastKnot());
    struct Case {
        int stamps;
        bool equal;
        bool ok;
    };
    for (const Case &c : {Case{5, true, true}, Case{5, false, true}, Case{2, false, true}, Case{1, true, true},
                          Case{1, false, true}, Case{0, false, false}, Case{-3, true, false}}) {
        SCOPED_TRACE(testing::Message() << c.stamps << (c.equal ? " equal" : " plain"));
        m_host.stamps.clear();
        m_host.answer = {c.stamps, c.equal};
        CurveOperation draw(curve, CurveOperation::kDrawOnCurve);
        EXPECT_EQ(draw.Execute(), c.ok);
        EXPECT_EQ(m_host.strokeDepth, 0);
        ASSERT_EQ(int(m_host.stamps.size()), c.ok ? c.stamps : 0);
        if (!c.ok)
            continue;
        const float tolerance = c.equal ? 2.0f : 1e-3f;
        EXPECT_LT((m_host.stamps.front() - start).Length(), tolerance);
        if (c.stamps > 1)
            EXPECT_LT((m_host.stamps.back() - end).Length(), tolerance);
    }
    m_host.accept = false;
    m_host.stamps.clear();
    CurveOperation cancelled(curve, CurveOperation::kDrawOnCurve);
    EXPECT_FALSE(cancelled.Execute());
    EXPECT_TRUE(m_host.stamps.empty());
}

}  // namespace
