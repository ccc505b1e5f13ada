#include "BrushFixtures.h"

#include "foundation/OperationBuffer.h"
#include "foundation/Stream.h"
#include "operations/selection/PaintFreezeOperation.h"
#include "operations/selection/SelectFaceOperation.h"
#include "operations/selection/SelectObjectOperation.h"
#include "operations/selection/SelectionEdits.h"
#include "operations/selection/SelectionHost.h"

#include <functional>
#include <set>

using namespace Operations;
using General::Vector;

namespace {

// Runs actions unrecorded and keeps what was asked of it.
class RecordingSelectionHost : public SelectionHost {
public:
    RecordingSelectionHost() { Install(this); }
    ~RecordingSelectionHost() override { Install(nullptr); }

    bool RunAction(Operation &operation) override
    {
        ++actions;
        return operation.Execute();
    }
    void AbandonStroke() override { ++abandoned; }

    int actions = 0;
    int abandoned = 0;
};

class Selection : public BrushTestBase {
protected:
    void SetUp() override
    {
        BrushTestBase::SetUp();
        ASSERT_TRUE(m_object->m_bAdjacencyValid);
        m_tool.m_fStrengthMaximum = 100.0f;
        m_tool.SetStrength(100.0f);
        m_tool.m_bSmoothValues1 = m_tool.m_bSmoothValues2 = false;
    }

    std::set<unsigned> Selected() const
    {
        std::set<unsigned> faces;
        for (unsigned f = 0; f < m_object->m_iFaceCount; ++f)
            if (m_object->IsFaceSelected(f))
                faces.insert(f);
        return faces;
    }
    void Hide(unsigned face)
    {
        m_object->WithFaces([&](auto &records) { records[face].m_iIndices[0] &= ~MeshFlags::kBit31; });
        ++m_object->m_iHiddenFaces;
    }
    unsigned Freeze(unsigned face) const
    {
        return m_object->WithFaces([&](const auto &records) { return unsigned(records[face].m_iFreeze); });
    }
    void SetFreeze(unsigned face, unsigned level)
    {
        m_object->WithFaces([&](auto &records) { records[face].m_iFreeze = uint16_t(level); });
        if (level)
            ++m_object->m_iFrozenFaces;
    }
    // One sample at the centre of face (i, j).
    bool Dab(BrushOperation &op, unsigned i, unsigned j, float size)
    {
        PickInfo pick = Pick(m_object, F(i, j), Vector(float(i) + 0.5f, float(j) + 0.5f, 0.0f));
        return op.AddPoint(&pick, size, 1.0f, Vector(0, 0, 0));
    }

    // Writes the operation's record, lets another operation take the meshes, and reads the
    // record back into a new operation of the same class, as undo does.
    template <class Op>
    std::unique_ptr<Op> ThroughHistory(Op &op)
    {
        OperationBuffer::SetFactory([](int) -> std::unique_ptr<General::Recordable> { return std::make_unique<Op>(); });
        OperationBuffer buffer(m_dir.File("undo"));
        EXPECT_TRUE(buffer.Append(op, 0));
        for (const auto &target : op.GetTargets()) {
            target->m_pMesh->m_aSelectedFaces.Clear();
            target->m_pMesh->m_aMaskedFaces.Clear();
        }
        char kind = -1;
        auto record = buffer.ReadPrevious(kind);
        OperationBuffer::SetFactory(nullptr);
        return std::unique_ptr<Op>(dynamic_cast<Op *>(record.release()));
    }

    RecordingSelectionHost m_host;
};

TEST_F(Selection, GrowAndBorderRecordTheHandWorkedFaces)
{
    // Selected (0, 0) and (5, 5); (6, 5) and (7, 7) hidden.
    SelectFace(*m_object, F(0, 0));
    SelectFace(*m_object, F(5, 5));
    Hide(F(6, 5));
    Hide(F(7, 7));
    const std::set<unsigned> before = Selected();

    std::set<unsigned> border;
    for (unsigned j = 0; j < kN; ++j)
        for (unsigned i = 0; i < kN; ++i)
            if ((i == 0 || j == 0 || i == kN - 1 || j == kN - 1) && F(i, j) != F(0, 0) && F(i, j) != F(7, 7))
                border.insert(F(i, j));
    ASSERT_EQ(border.size(), 26u);

    struct Case {
        const char *name;
        void (SelectFaceOperation::*command)(Mesh *);
        std::set<unsigned> added;
    };
    const Case cases[] = {
        {"grow", &SelectFaceOperation::GrowSelection, {F(1, 0), F(0, 1), F(4, 5), F(5, 4), F(5, 6)}},
        {"border", &SelectFaceOperation::SelectBorderEdge, border},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SelectFaceOperation op;
        (op.*c.command)(m_object);
        std::set<unsigned> recorded;
        for (const SelectedFaceInfo &record : m_object->m_aSelectedFaces) {
            EXPECT_EQ(record.m_iValue, 1u);
            recorded.insert(record.m_iFaceIndex);
        }
        EXPECT_EQ(recorded, c.added);
        EXPECT_EQ(Selected(), before);  // nothing changes before the action runs

        ASSERT_TRUE(op.Execute());
        std::set<unsigned> expected = before;
        expected.insert(c.added.begin(), c.added.end());
        EXPECT_EQ(Selected(), expected);
        EXPECT_EQ(m_object->m_iSelectedFaces, expected.size());
        ASSERT_TRUE(op.Execute());
        EXPECT_EQ(Selected(), before);
        EXPECT_EQ(m_object->m_iSelectedFaces, before.size());
    }
}

TEST_F(Selection, StrokesSelectToggleAndDeselectTheFacesUnderTheBrush)
{
    // A dab of radius 1.2 at vertex (4, 4) reaches the four faces around it.
    const std::set<unsigned> around{F(3, 3), F(4, 3), F(3, 4), F(4, 4)};
    auto dabAtVertex = [&](SelectFaceOperation &op) {
        PickInfo pick = Pick(m_object, F(4, 4), Vector(4, 4, 0));
        return op.AddPoint(&pick, 1.2f, 1.0f, Vector(0, 0, 0));
    };
    {
        SelectFaceOperation select(&m_tool, &m_segment, 0);
        ASSERT_TRUE(dabAtVertex(select));
        EXPECT_EQ(Selected(), around);
        EXPECT_EQ(m_object->m_iSelectedFaces, 4u);
        EXPECT_EQ(m_object->m_aSelectedFaces.GetItemCount(), 4u);
        ASSERT_TRUE(select.Execute());  // the live stroke's own call changes nothing
        EXPECT_EQ(Selected(), around);
    }
    Reset();
    {
        // Toggle: two dabs over the same faces flip each once; (4, 4) was selected.
        SelectFace(*m_object, F(4, 4));
        SelectFaceOperation toggle(&m_tool, &m_segment, 1);
        ASSERT_TRUE(dabAtVertex(toggle));
        ASSERT_TRUE(dabAtVertex(toggle));
        EXPECT_EQ(Selected(), (std::set<unsigned>{F(3, 3), F(4, 3), F(3, 4)}));
        EXPECT_EQ(m_object->m_iSelectedFaces, 3u);
    }
    Reset();
    {
        // Hidden faces are neither changed nor recorded.
        Hide(F(3, 3));
        SelectFaceOperation select(&m_tool, &m_segment, 0);
        ASSERT_TRUE(dabAtVertex(select));
        EXPECT_EQ(Selected(), (std::set<unsigned>{F(4, 3), F(3, 4), F(4, 4)}));
        for (const SelectedFaceInfo &record : m_object->m_aSelectedFaces)
            EXPECT_NE(record.m_iFaceIndex, F(3, 3));
    }
    Reset();
    {
        // Deselect, and a locked object is no obstacle to selection.
        for (unsigned f : around)
            SelectFace(*m_object, f);
        m_object->m_bLocked = true;
        SelectFaceOperation deselect(&m_tool, &m_segment, 2);
        ASSERT_TRUE(dabAtVertex(deselect));
        EXPECT_TRUE(Selected().empty());
        EXPECT_EQ(m_object->m_iSelectedFaces, 0u);
    }
}

TEST_F(Selection, StrokeUndoesAndRedoesThroughTheHistory)
{
    SelectFace(*m_object, F(0, 0));
    const std::set<unsigned> before = Selected();
    SelectFaceOperation stroke(&m_tool, &m_segment, 0);
    ASSERT_TRUE(Dab(stroke, 4, 4, 1.2f));
    ASSERT_TRUE(Dab(stroke, 5, 4, 1.2f));
    ASSERT_TRUE(stroke.Execute());
    const std::set<unsigned> after = Selected();
    const uint32_t afterCount = m_object->m_iSelectedFaces;
    ASSERT_GT(after.size(), before.size());

    auto undo = ThroughHistory(stroke);
    ASSERT_NE(undo, nullptr);
    ASSERT_TRUE(undo->Execute());
    EXPECT_EQ(Selected(), before);
    EXPECT_EQ(m_object->m_iSelectedFaces, 1u);
    auto redo = ThroughHistory(*undo);
    ASSERT_NE(redo, nullptr);
    ASSERT_TRUE(redo->Execute());
    EXPECT_EQ(Selected(), after);
    EXPECT_EQ(m_object->m_iSelectedFaces, afterCount);
}

TEST_F(Selection, AClickOffEveryMeshClearsTheSelectionButADragOffKeepsIt)
{
    SelectFace(*m_object, F(2, 2));
    {
        SelectFaceOperation click(&m_tool, &m_segment, 0);
        EXPECT_FALSE(click.AddPoint(nullptr, 1.0f, 1.0f, Vector(0, 0, 0)));
        EXPECT_TRUE(Selected().empty());
        EXPECT_EQ(m_host.abandoned, 1);
        EXPECT_TRUE(click.GetTargets().empty());
    }
    SelectFace(*m_object, F(2, 2));
    SelectFaceOperation drag(&m_tool, &m_segment, 0);
    ASSERT_TRUE(Dab(drag, 6, 6, 0.6f));
    EXPECT_TRUE(drag.AddPoint(nullptr, 1.0f, 1.0f, Vector(0, 0, 0)));
    EXPECT_EQ(Selected(), (std::set<unsigned>{F(2, 2), F(6, 6)}));
    EXPECT_EQ(m_host.abandoned, 1);
}

TEST_F(Selection, TouchingOneTriangleSelectsItsWholePolygon)
{
    // Triangle 0 alone; triangles 1 to 3 are one five-sided polygon (2 and 3 continue it).
    Mesh mesh(4, 7, 0, 0, false);
    for (unsigned v = 0; v < 7; ++v)
        mesh.m_pVertices[v].m_vPosition = Vector(float(v), float(v % 2), 0);
    const unsigned corners[4][3] = {{0, 1, 2}, {2, 3, 4}, {2, 4, 5}, {2, 5, 6}};
    for (unsigned t = 0; t < 4; ++t) {
        Triangle &tri = mesh.m_pTriangles[t];
        for (unsigned c = 0; c < 3; ++c)
            tri.m_iIndices[c] = corners[t][c];
        tri.m_iIndices[0] |= MeshFlags::kBit31;
        if (t >= 2)
            tri.m_iIndices[2] |= MeshFlags::kBit31;
    }
    SelectFaceOperation op(&m_tool, &m_segment, 0);
    op.AddTarget(&mesh);
    op.ProcessFace(mesh, 2);
    EXPECT_FALSE(mesh.IsFaceSelected(0));
    for (unsigned t = 1; t < 4; ++t)
        EXPECT_TRUE(mesh.IsFaceSelected(t)) << t;
    EXPECT_EQ(mesh.m_iSelectedFaces, 3u);
    EXPECT_EQ(mesh.m_aSelectedFaces.GetItemCount(), 3u);
    // The last polygon ends at the mesh's end; the single triangle stays alone.
    op.ProcessFace(mesh, 0);
    EXPECT_EQ(mesh.m_iSelectedFaces, 4u);
}

TEST_F(Selection, FreezeStrokesPaintClampAndSmooth)
{
    // A dab of radius 0.6 at a face centre reaches that face only, at falloff 1.
    {
        PaintFreezeOperation freeze(&m_tool, &m_segment, 0);
        ASSERT_TRUE(Dab(freeze, 4, 4, 0.6f));
        EXPECT_EQ(Freeze(F(4, 4)), 0xFFFFu);  // 255, sign-extended
        EXPECT_EQ(Freeze(F(5, 4)), 0u);
        EXPECT_EQ(m_object->m_iFrozenFaces, 1u);
    }
    {
        PaintFreezeOperation again(&m_tool, &m_segment, 0);
        ASSERT_TRUE(Dab(again, 4, 4, 0.6f));
        EXPECT_EQ(Freeze(F(4, 4)) & 0xFF, 255u);
        EXPECT_EQ(m_object->m_iFrozenFaces, 1u);
    }
    {
        PaintFreezeOperation unfreeze(&m_tool, &m_segment, 2);
        ASSERT_TRUE(Dab(unfreeze, 4, 4, 0.6f));
        EXPECT_EQ(Freeze(F(4, 4)), 0u);
        EXPECT_EQ(m_object->m_iFrozenFaces, 0u);
    }

    // Smoothing only: the mean of the face and its four neighbours, whatever the strength.
    SetFreeze(F(3, 4), 100);
    SetFreeze(F(5, 4), 100);
    SetFreeze(F(4, 3), 200);
    m_tool.m_bSmoothValues1 = true;
    m_tool.SetStrength(30.0f);
    PaintFreezeOperation smooth(&m_tool, &m_segment, 0);
    ASSERT_TRUE(Dab(smooth, 4, 4, 0.6f));
    EXPECT_EQ(Freeze(F(4, 4)), 80u);
    EXPECT_EQ(m_object->m_iFrozenFaces, 4u);

    // A locked object refuses the freeze brush.
    m_object->m_bLocked = true;
    PaintFreezeOperation locked(&m_tool, &m_segment, 0);
    EXPECT_FALSE(Dab(locked, 1, 1, 0.6f));
    EXPECT_EQ(Freeze(F(1, 1)), 0u);
    EXPECT_FALSE(locked.Flood(m_object, false));
    EXPECT_EQ(Freeze(F(1, 1)), 0u);
}

TEST_F(Selection, FreezeFloodUndoGivesEveryFaceItsLevelBack)
{
    SetFreeze(F(2, 2), 50);
    Hide(F(7, 7));
    auto fields = [&] {
        std::vector<unsigned> v;
        for (unsigned f = 0; f < m_object->m_iFaceCount; ++f)
            v.push_back(Freeze(f));
        return v;
    };
    const std::vector<unsigned> before = fields();
    PaintFreezeOperation flood(&m_tool, nullptr, 0);
    ASSERT_TRUE(flood.Flood(m_object, false));
    EXPECT_EQ(Freeze(F(2, 2)), 0xFFFFu);
    EXPECT_EQ(Freeze(F(7, 7)), 0u);  // hidden
    EXPECT_EQ(m_object->m_iFrozenFaces, kN * kN - 1);
    ASSERT_TRUE(flood.Execute());
    const std::vector<unsigned> after = fields();

    auto undo = ThroughHistory(flood);
    ASSERT_NE(undo, nullptr);
    ASSERT_TRUE(undo->Execute());
    EXPECT_EQ(fields(), before);
    EXPECT_EQ(m_object->m_iFrozenFaces, 1u);
    auto redo = ThroughHistory(*undo);
    ASSERT_TRUE(redo->Execute());
    EXPECT_EQ(fields(), after);
    EXPECT_EQ(m_object->m_iFrozenFaces, kN * kN - 1);
}

TEST_F(Selection, SelectObjectStopsAtAFaceAlreadyInItsState)
{
    SelectFace(*m_object, F(4, 4));
    SelectObjectOperation op(&m_tool, &m_segment, 0);
    ASSERT_TRUE(Dab(op, 4, 4, 0.6f));
    EXPECT_EQ(Selected(), (std::set<unsigned>{F(4, 4)}));
    // From an unselected face the whole object is selected.
    ASSERT_TRUE(Dab(op, 1, 1, 0.6f));
    EXPECT_EQ(Selected().size(), kN * kN);
    EXPECT_EQ(m_object->m_iSelectedFaces, kN * kN);
}

TEST_F(Selection, DamagedRecordsAreRefusedAndChangeNothing)
{
    const int id = m_scene->GetMeshId(m_object);
    struct Case {
        const char *name;
        std::vector<int> words;
    };
    const Case cases[] = {
        {"target count past the end", {1000}},
        {"unknown mesh", {1, 12345, 0, 0, 0}},
        {"segment face past the mesh", {1, id, 0, 1, 0, -1, 999, 0}},
        {"record face past the mesh", {1, id, 0, 0, 1, 64, 1}},
        {"record count past the end", {1, id, 0, 0, 5000, 0, 0}},
        {"one mesh named twice", {2, id, 0, 0, 1, 3, 1, id, 0, 0, 1, 3, 1}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        {
            Stream stream(m_dir.File("record"), true);
            for (int w : c.words)
                stream.Serialize(w);
        }
        m_object->m_aSelectedFaces.Clear();
        m_object->m_aSelectedFaces.Add(SelectedFaceInfo{3, 1});
        Stream stream(m_dir.File("record"), false);
        SelectFaceOperation op;
        op.Serialize(stream);
        EXPECT_TRUE(stream.HasError());
        EXPECT_TRUE(op.GetTargets().empty());
        ASSERT_EQ(m_object->m_aSelectedFaces.GetItemCount(), 1u);
        EXPECT_EQ(m_object->m_aSelectedFaces[0].m_iFaceIndex, 3u);
    }
}

TEST_F(Selection, SceneEditsBecomeOneActionAndUndoExactly)
{
    SelectionSceneServices services;
    SelectionEdits edits;
    SceneServices::Install(&services);
    MeshEdits::Install(&edits);
    // Runs each action, then undoes and redoes it, keeping the selection after each step.
    struct TwiceHost : SelectionHost {
        bool RunAction(Operation &operation) override
        {
            ++count;
            const bool ran = operation.Execute();
            applied = selected();
            operation.Execute();
            undone = selected();
            operation.Execute();
            return ran;
        }
        std::function<std::set<unsigned>()> selected;
        std::set<unsigned> applied, undone;
        int count = 0;
    } host;
    host.selected = [&] { return Selected(); };
    SelectionHost::Install(&host);

    SelectFace(*m_object, F(1, 1));
    const std::set<unsigned> before = Selected();
    // (2, 2) is asked for twice (two targets of one level): undo must still unselect it.
    FaceEdit edit;
    edit.AddTarget(m_object).faces = {{F(2, 2), true}, {F(1, 1), true}};
    edit.AddTarget(m_object).faces = {{F(2, 2), true}, {F(3, 3), false}};
    SceneHost().ExecuteSelection(edit);
    EXPECT_EQ(host.count, 1);
    EXPECT_EQ(host.applied, (std::set<unsigned>{F(1, 1), F(2, 2)}));
    EXPECT_EQ(host.undone, before);
    EXPECT_EQ(Selected(), host.applied);

    // The mesh's select-all runs through the same history; an edit with nothing to change
    // leaves no step.
    const std::set<unsigned> beforeAll = Selected();
    m_object->SelectAllFaces(true);
    EXPECT_EQ(host.count, 2);
    EXPECT_EQ(host.applied.size(), kN * kN);
    EXPECT_EQ(host.undone, beforeAll);
    SceneHost().ExecuteSelection(FaceEdit{});
    m_object->SelectAllFaces(true);
    EXPECT_EQ(host.count, 2);

    // Visibility: a face listed twice is hidden once, as one action.
    SelectionHost::Install(&m_host);
    FaceEdit hide;
    hide.AddTarget(m_object).faces = {{F(5, 5), false}, {F(6, 6), false}, {F(5, 5), false}};
    SceneHost().ExecuteVisibility(hide);
    EXPECT_EQ(m_host.actions, 1);
    EXPECT_FALSE(m_object->IsFaceVisible(F(5, 5)));
    EXPECT_EQ(m_object->m_iHiddenFaces, 2u);

    SceneServices::Install(nullptr);
    MeshEdits::Install(nullptr);
}

}  // namespace
