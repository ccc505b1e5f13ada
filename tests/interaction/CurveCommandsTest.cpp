#include "ViewCommandsFixture.h"

#include "foundation/curves/NURBSCurve.h"
#include "interaction/undo/OperationFactory.h"
#include "mesh/object/MeshEdits.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "operations/CurveOperationHost.h"
#include "operations/selection/SelectFaceOperation.h"
#include "operations/selection/SelectionHost.h"
#include "scene/SceneServices.h"

#include <QDir>

#include <set>

namespace {

using General::Vector;

// Curve editing as the interface keeps it, and a drawing whose stroke grows the face
// selection of the grid as one new user action.
class ScriptedCurveHost : public Operations::CurveOperationHost {
public:
    void EndCurveEditing() override
    {
        if (Scene *scene = Scene::GetCurrent(); scene && scene->m_pCurrentCurve) {
            scene->m_pCurrentCurve->SetBeingEdited(false);
            scene->m_pCurrentCurve = nullptr;
        }
        ++ends;
    }
    void StartCurveEditing(General::NURBSCurve *curve) override
    {
        Scene::GetCurrent()->m_pCurrentCurve = curve;
        curve->SetBeingEdited(true);
    }
    void RefreshSceneInformation() override { ++listRefreshes; }
    void ShowCurveProperties() override { ++propertyPages; }
    bool RunDrawOnCurveDialog(DrawOptions &options) override
    {
        options.stamps = 3;
        return true;
    }
    void Stamp(General::NURBSCurve &, const Vector &, float) override { ++stamps; }
    void FinishCurveStroke() override
    {
        Operations::SelectFaceOperation grow;
        grow.GrowSelection(stroked);
        Interface::ExecuteOperation(&grow, Interface::UndoStack(), true, 0, true);
    }

    Mesh *stroked = nullptr;
    int ends = 0, listRefreshes = 0, propertyPages = 0, stamps = 0;
};

class CurveCommands : public ViewCommandTest {
protected:
    void SetUp() override
    {
        ViewCommandTest::SetUp();
        RegisterObjectOperations();
        InstallUndoableSelection();
        Operations::CurveOperationHost::Install(&m_curves);
        m_grid = MakeQuadGrid().release();
        m_scene->AddObject(m_grid);
        m_curves.stroked = m_grid;
    }
    void TearDown() override
    {
        m_scene->m_pCurrentCurve = nullptr;
        Operations::CurveOperationHost::Install(nullptr);
        Operations::SelectionHost::Install(nullptr);
        SceneServices::Install(nullptr);
        MeshEdits::Install(nullptr);
        ViewCommandTest::TearDown();
    }
    // A curve of three points in the scene, being edited.
    General::NURBSCurve *AddCurve()
    {
        auto *curve = new General::NURBSCurve(2, true);
        curve->InsertControlPoint(Vector(0, 0, 0), 0);
        curve->InsertControlPoint(Vector(1, 1, 0), 1);
        curve->InsertControlPoint(Vector(2, 0, 0), 2);
        curve->SetOffset(3.0f, -4.0f);
        m_scene->AddCurve(curve);
        m_curves.StartCurveEditing(curve);
        return curve;
    }
    std::set<unsigned> Selected() const
    {
        std::set<unsigned> faces;
        for (unsigned f = 0; f < m_grid->m_iFaceCount; ++f)
            if (m_grid->IsFaceSelected(f))
                faces.insert(f);
        return faces;
    }
    void SelectCentre()
    {
        m_grid->WithFaces([](auto &records) { LevelBits::SetSelected(records[4], true); });
        m_grid->m_iSelectedFaces = 1;
    }
    static void Undo() { Interface::UndoRedo(Interface::UndoStack()); }
    static void Redo() { Interface::UndoRedo(Interface::RedoStack()); }

    ScriptedCurveHost m_curves;
    Object *m_grid = nullptr;
};

TEST_F(CurveCommands, WithoutACurrentCurveOnlyFinishRepaints)
{
    for (const char *name : {"Finish curve", "Draw on curve", "Close curve", "Duplicate curve"})
        m_interface->RunCommand(name);
    EXPECT_EQ(m_scene->m_iCurveCount, 0);
    EXPECT_EQ(m_host.repaints, 1);
    EXPECT_EQ(m_curves.stamps, 0);
}

TEST_F(CurveCommands, CreateAddsAnEditedCurveAsOneUndoStep)
{
    m_interface->RunCommand("Create NURBS curve");
    ASSERT_EQ(m_scene->m_iCurveCount, 1);
    ASSERT_NE(m_scene->m_pCurrentCurve, nullptr);
    EXPECT_TRUE(m_scene->m_pCurrentCurve->IsBeingEdited());
    m_interface->RunCommand("Finish curve");
    EXPECT_FALSE(m_scene->m_pCurves->IsBeingEdited());
    Undo();
    EXPECT_EQ(m_scene->m_iCurveCount, 0);
    Redo();
    EXPECT_EQ(m_scene->m_iCurveCount, 1);
}

TEST_F(CurveCommands, DuplicatesLieTenFurtherEachAndTheLastIsEdited)
{
    General::NURBSCurve *original = AddCurve();
    m_interface->RunCommand("Duplicate curve");
    General::NURBSCurve *first = m_scene->m_pCurrentCurve;
    ASSERT_NE(first, original);
    m_interface->RunCommand("Duplicate curve");
    General::NURBSCurve *second = m_scene->m_pCurrentCurve;
    ASSERT_NE(second, first);

    EXPECT_EQ(m_scene->m_iCurveCount, 3);
    EXPECT_FLOAT_EQ(first->GetOffsetX(), 13.0f);
    EXPECT_FLOAT_EQ(first->GetOffsetY(), 6.0f);
    EXPECT_FLOAT_EQ(second->GetOffsetX(), 23.0f);
    EXPECT_FLOAT_EQ(second->GetOffsetY(), 16.0f);
    EXPECT_EQ(second->GetControlPointCount(), 3);
    EXPECT_TRUE(second->IsBeingEdited());
    EXPECT_FALSE(first->IsBeingEdited());
    EXPECT_FALSE(original->IsBeingEdited());
    EXPECT_EQ(m_curves.listRefreshes, 2);
    EXPECT_EQ(m_curves.propertyPages, 2);
    // The copies went through temporary files, which are gone.
    EXPECT_TRUE(QDir(m_temp.path()).entryList({QStringLiteral("tmp*")}, QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(CurveCommands, DrawOnCurveIsUndoneWithItsStrokeAndLeavesNothingToRedo)
{
    AddCurve();
    SelectCentre();
    // Something to redo before the drawing.
    m_interface->RunCommand("Grow selection");
    Undo();
    ASSERT_EQ(Selected(), (std::set<unsigned>{4}));

    m_interface->RunCommand("Draw on curve");
    EXPECT_EQ(m_curves.stamps, 3);
    const std::set<unsigned> ring{1, 3, 4, 5, 7};
    EXPECT_EQ(Selected(), ring);
    Redo();  // the drawing's stroke emptied the redo history
    EXPECT_EQ(Selected(), ring);
    Undo();  // one step takes the stroke and the drawing's own record
    EXPECT_EQ(Selected(), (std::set<unsigned>{4})) << Recorder().log.toStdString();
    EXPECT_EQ(m_curves.stamps, 3);  // the drawing's record is a marker: undoing it draws nothing
}

TEST_F(CurveCommands, CloseActsOnceEmptiesTheHistoryAndMarksTheScene)
{
    General::NURBSCurve *curve = AddCurve();
    SelectCentre();
    m_interface->RunCommand("Grow selection");
    m_scene->m_bModified = false;
    Send(eventActivate, "Close curve");
    EXPECT_TRUE(curve->IsClosed());
    EXPECT_TRUE(m_scene->m_bModified);
    Undo();  // nothing left to undo
    EXPECT_EQ(Selected().size(), 5u);

    // The release does not act again: an action recorded meanwhile stays undoable.
    m_interface->RunCommand("Grow selection");
    Send(eventDeactivate, "Close curve");
    Undo();
    EXPECT_EQ(Selected().size(), 5u);
}

}  // namespace
