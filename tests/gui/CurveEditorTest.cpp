// The falloff editor driven by the mouse: drags, snapping, the ends that move only
// vertically, the table's spacing of inner points, menus, and the read-only preview.
#include "GuiApplication.h"
#include "foundation/curves/CurvePointTable.h"
#include "foundation/curves/NURBSCurve.h"
#include "support/RecordingShell.h"
#include "gui/common/ModalDialogs.h"
#include "gui/editors/CurveEditor.h"

#include <QImage>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using General::Vector;

namespace {

// Chooses the menu entry of that text (none when empty), and notes whether it was enabled.
class ScriptedMenus : public GUI::ModalDialogs {
public:
    ScriptedMenus() { Install(this); }
    ~ScriptedMenus() override { Install(nullptr); }
    QAction *ExecMenu(QMenu &menu, const QPoint &) override
    {
        for (QAction *action : menu.actions())
            if (action->text() == choose) {
                enabled = action->isEnabled();
                return action->isEnabled() ? action : nullptr;
            }
        return nullptr;
    }
    QString choose;
    bool enabled = false;
};

class CurveEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_curve.InsertControlPoint(Vector(0.0f, 1.0f, 0.0f), -1);
        m_curve.InsertControlPoint(Vector(0.3f, 0.9f, 0.0f), -1);
        m_curve.InsertControlPoint(Vector(0.7f, 0.2f, 0.0f), -1);
        m_curve.InsertControlPoint(Vector(1.0f, 0.0f, 0.0f), -1);
        for (const auto &[x, y] : {std::pair{0.0f, 1.0f}, {0.5f, 0.5f}, {1.0f, 0.0f}}) {
            CurvePoint point{};
            point.x = x;
            point.Clear();
            point.y = y;
            m_table.InsertPoint(point, -1);
        }
    }
    // An editor of 142 × 102 pixels: 140 × 100 inside a one-pixel frame.
    std::unique_ptr<GUI::CurveEditor> Editor(bool curveMode)
    {
        auto editor = std::make_unique<GUI::CurveEditor>(nullptr, QStringLiteral("FalloffCurve"), curveMode);
        editor->resize(142, 102);
        if (curveMode)
            editor->SetCurve(&m_curve);
        else
            editor->SetTable(&m_table);
        editor->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(editor.get()));
        return editor;
    }
    static QPoint At(const GUI::CurveEditor &editor, int index)
    {
        const Vector p = editor.GetPoint(index);
        return editor.PointToPixel(p.x, p.y);
    }
    static void DragTo(GUI::CurveEditor &editor, QPoint from, QPoint to)
    {
        QTest::mousePress(&editor, Qt::LeftButton, {}, from);
        QTest::mouseMove(&editor, to);
        QTest::mouseRelease(&editor, Qt::LeftButton, {}, to);
    }

    General::NURBSCurve m_curve{3};
    CurvePointTable m_table;
    ScriptedMenus m_menus;
};

TEST_F(CurveEditorTest, EndPointsMoveOnlyVerticallyAndInnerPointsFreely)
{
    auto editor = Editor(true);
    ASSERT_EQ(editor->GetHandles().size(), 4u);
    editor->m_bSnap = false;
    DragTo(*editor, At(*editor, 0), At(*editor, 0) + QPoint(30, 40));
    EXPECT_EQ(m_curve.GetControlPoint(0).x, 0.0f);
    EXPECT_NEAR(m_curve.GetControlPoint(0).y, 0.6f, 0.02f);
    EXPECT_EQ(editor->GetSelected(), editor->GetHandles()[0]);

    // An inner point may pass its neighbour in curve mode.
    DragTo(*editor, At(*editor, 1), editor->PointToPixel(0.8f, 0.5f));
    EXPECT_NEAR(m_curve.GetControlPoint(1).x, 0.8f, 0.01f);
    EXPECT_NEAR(m_curve.GetControlPoint(1).y, 0.5f, 0.01f);
}

TEST_F(CurveEditorTest, APressAwayFromEveryPointDragsNothing)
{
    auto editor = Editor(true);
    const Vector before = m_curve.GetControlPoint(1);
    DragTo(*editor, editor->PointToPixel(0.5f, 0.0f), editor->PointToPixel(0.5f, 0.5f));
    EXPECT_EQ(editor->GetSelected(), nullptr);
    EXPECT_EQ(m_curve.GetControlPoint(1), before);
}

TEST_F(CurveEditorTest, SnappingTakesPositionsUnderSixPixelsFromAGridLine)
{
    // The table's inner point, dragged near the vertical line at a quarter (pixel 1 + 35).
    auto editor = Editor(false);
    editor->SelectPoint(editor->GetHandles()[1]);
    for (const int away : {5, 6}) {
        QTest::mouseMove(editor.get(), QPoint(1 + 35 + away, 1 + 30));
        QTest::mousePress(editor.get(), Qt::LeftButton, {}, QPoint(1 + 35 + away, 1 + 30));
        QTest::mouseMove(editor.get(), QPoint(1 + 35 + away, 1 + 31));
        QTest::mouseRelease(editor.get(), Qt::LeftButton, {}, QPoint(1 + 35 + away, 1 + 31));
        const float expected = away < 6 ? 0.25f : float(35 + away) / 140.0f;
        EXPECT_FLOAT_EQ(m_table.GetPoint(1).x, expected) << away;
    }
}

TEST_F(CurveEditorTest, TableInnerPointsStopShortOfTheirNeighbours)
{
    auto editor = Editor(false);
    editor->m_bSnap = false;
    editor->SelectPoint(editor->GetHandles()[1]);
    QTest::mousePress(editor.get(), Qt::LeftButton, {}, QPoint(70, 50));
    QTest::mouseMove(editor.get(), QPoint(141, 50));
    EXPECT_FLOAT_EQ(m_table.GetPoint(1).x, 0.99f);
    QTest::mouseMove(editor.get(), QPoint(0, 50));
    EXPECT_FLOAT_EQ(m_table.GetPoint(1).x, 0.01f);
    QTest::mouseRelease(editor.get(), Qt::LeftButton, {}, QPoint(0, 50));
    // The handle follows its point on the table's curve.
    EXPECT_EQ(editor->GetHandles()[1]->geometry().center(), At(*editor, 1) + QPoint(-1, -1));
}

TEST_F(CurveEditorTest, MenusSelectDeleteAndInsertButKeepTheEnds)
{
    auto editor = Editor(true);
    GUI::CPBox *first = editor->GetHandles()[0];
    m_menus.choose = QStringLiteral("Delete Point");
    QContextMenuEvent onFirst(QContextMenuEvent::Mouse, QPoint(3, 3), first->mapToGlobal(QPoint(3, 3)));
    QApplication::sendEvent(first, &onFirst);
    EXPECT_EQ(m_curve.GetControlPointCount(), 4);
    EXPECT_EQ(editor->GetSelected(), first);

    GUI::CPBox *second = editor->GetHandles()[1];
    m_menus.choose = QStringLiteral("Select Point");
    QContextMenuEvent onSecond(QContextMenuEvent::Mouse, QPoint(3, 3), second->mapToGlobal(QPoint(3, 3)));
    QApplication::sendEvent(second, &onSecond);
    EXPECT_EQ(editor->GetSelected(), second);
    EXPECT_EQ(m_curve.GetControlPointCount(), 4);
    // A cubic curve of four points keeps them all: three would make it evaluate to nothing.
    Recorder().Clear();
    m_menus.choose = QStringLiteral("Delete Point");
    QApplication::sendEvent(second, &onSecond);
    EXPECT_EQ(m_curve.GetControlPointCount(), 4);
    ASSERT_EQ(Recorder().messages.size(), 1);
    EXPECT_TRUE(Recorder().messages[0].startsWith(QStringLiteral("A curve of degree 3 needs at least 4 points")));

    // Insert at a right-click between the ends; every handle keeps its own point.
    m_menus.choose = QStringLiteral("Insert Point");
    const QPoint where = editor->PointToPixel(0.5f, 0.5f);
    QContextMenuEvent onEditor(QContextMenuEvent::Mouse, where, editor->mapToGlobal(where));
    QApplication::sendEvent(editor.get(), &onEditor);
    ASSERT_EQ(m_curve.GetControlPointCount(), 5);
    EXPECT_NEAR(m_curve.GetControlPoint(2).x, 0.5f, 0.01f);

    // With a point to spare, an inner point goes.
    m_menus.choose = QStringLiteral("Delete Point");
    QApplication::sendEvent(second, &onSecond);  // deletes `second`
    EXPECT_EQ(m_curve.GetControlPointCount(), 4);
    EXPECT_EQ(editor->GetSelected(), nullptr);
    EXPECT_NEAR(m_curve.GetControlPoint(1).x, 0.5f, 0.01f);
    std::vector<int> indices;
    for (const GUI::CPBox *handle : editor->GetHandles())
        indices.push_back(handle->m_iIndex);
    std::sort(indices.begin(), indices.end());
    EXPECT_EQ(indices, std::vector<int>({0, 1, 2, 3}));
}

TEST_F(CurveEditorTest, AFullTableOffersNoInsertAndACurveGetsAHandlePerPoint)
{
    while (m_table.GetCount() < CurvePointTable::kCapacity) {
        CurvePoint point{};
        point.x = 0.5f;
        point.Clear();
        ASSERT_TRUE(m_table.InsertPoint(point, 1));
    }
    auto table = Editor(false);
    m_menus.choose = QStringLiteral("Insert Point");
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(70, 50), table->mapToGlobal(QPoint(70, 50)));
    QApplication::sendEvent(table.get(), &event);
    EXPECT_FALSE(m_menus.enabled);
    EXPECT_EQ(m_table.GetCount(), 64);
    EXPECT_EQ(table->GetHandles().size(), 64u);

    // More control points than the old sixteen handle slots.
    for (int i = 0; i < 20; ++i)
        m_curve.InsertControlPoint(Vector(0.5f, 0.5f, 0.0f), 2);
    auto curve = Editor(true);
    EXPECT_EQ(curve->GetHandles().size(), 24u);
}

TEST_F(CurveEditorTest, AReadOnlyPreviewShowsNoHandlesAndIgnoresTheMouse)
{
    auto editor = Editor(true);
    editor->m_bReadOnly = true;
    editor->SetCurve(&m_curve);
    for (const GUI::CPBox *handle : editor->GetHandles())
        EXPECT_FALSE(handle->isVisible());
    const Vector before = m_curve.GetControlPoint(1);
    DragTo(*editor, At(*editor, 1), At(*editor, 1) + QPoint(20, 20));
    EXPECT_EQ(m_curve.GetControlPoint(1), before);
    EXPECT_EQ(editor->GetSelected(), nullptr);
    m_menus.choose = QStringLiteral("Insert Point");
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(70, 50), editor->mapToGlobal(QPoint(70, 50)));
    QApplication::sendEvent(editor.get(), &event);
    EXPECT_EQ(m_curve.GetControlPointCount(), 4);
    // The preview paints the filled curve at its tray size.
    editor->resize(32, 32);
    const QImage preview = editor->grab().toImage();
    EXPECT_NE(preview.pixel(16, 28), preview.pixel(16, 2));
}

}  // namespace
