#pragma once
// Draws a falloff curve on a grid and lets the user drag, insert, select and delete its
// control points, each shown by a small handle. Curve mode edits a NURBS curve, table mode
// an older point table. The editor changes the curve in place and emits nothing: its owner
// reads the curve when it needs it, and never gives up ownership.

#include "foundation/Installable.h"
#include "foundation/math/Vector.h"

#include <QFrame>
#include <QWidget>

#include <vector>

class CurvePointTable;
namespace General {
class NURBSCurve;
}

namespace GUI {

// What the editor reads of the preferences. The application installs its answers; the
// defaults are the preference defaults.
class CurveEditorSettings : public General::Installable<CurveEditorSettings> {
public:
    virtual ~CurveEditorSettings() = default;
    virtual QColor CurveColor() const { return QColor(0, 0, 0); }
    virtual QColor FillColor() const { return QColor(193, 193, 193); }
    virtual QColor HullColor() const { return QColor(97, 97, 97); }
    // The pick box of a control point, in pixels.
    virtual int DragBoxSize() const { return 20; }
};

class CurveEditor;

// The handle of one control point, a 6 × 6 square over it.
class CPBox : public QWidget {
    Q_OBJECT

public:
    CPBox(int index, CurveEditor *editor, const QString &name);
    QSize sizeHint() const override { return QSize(6, 6); }

    bool m_bSelected = false;
    int m_iIndex;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    CurveEditor &m_rEditor;
};

class CurveEditor : public QFrame {
    Q_OBJECT

public:
    CurveEditor(QWidget *parent, const QString &name, bool curveMode);
    QSize sizeHint() const override { return QSize(142, 102); }

    // Rebuilds one handle per control point; null only repaints. Curve mode edits `curve`,
    // table mode `table`; the other is ignored.
    void SetCurve(General::NURBSCurve *curve);
    void SetTable(CurvePointTable *table);
    // Lets go of the curve or table (its owner is about to show nothing, or to free it).
    void Clear();
    General::NURBSCurve *GetCurve() const { return m_pCurve; }
    void SelectPoint(CPBox *handle);
    // A point at (x, y) before the first point whose x is at least x; nothing when the
    // table is full.
    void InsertPoint(float x, float y);
    // The selected point, unless it is an end point.
    void DeleteSelectedPoint();

    // Widget pixels to curve units and back.
    float PixelToX(int px) const;
    float PixelToY(int py) const;
    QPoint PointToPixel(float x, float y) const;

    bool IsCurveMode() const { return m_bCurveMode; }
    int GetPointCount() const;
    // The control point (curve mode) or the table point on its curve (table mode).
    General::Vector GetPoint(int index) const;
    const std::vector<CPBox *> &GetHandles() const { return m_aHandles; }
    CPBox *GetSelected() const { return m_pSelected; }

    int m_iSnapDistance = 6;  // pixels
    bool m_bSnap = true;
    bool m_bReadOnly = false;  // no grid, no handles, no interaction
    float m_fGridX = 0.25f;
    float m_fGridY = 0.25f;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int Offset() const { return lineWidth() + midLineWidth(); }
    bool HasCurve() const { return m_bCurveMode ? m_pCurve != nullptr : m_pTable != nullptr; }
    void RebuildHandles();
    // Puts each handle's centre on its point (hidden when read-only).
    void PlaceHandles();
    // Moves one grid cell's nearest line under the position when it is within the snap distance.
    int Snap(int position, int cell) const;
    void Drag(const QPoint &position);

    bool m_bCurveMode;
    General::NURBSCurve *m_pCurve = nullptr;
    CurvePointTable *m_pTable = nullptr;
    int m_iInnerWidth = 1;
    int m_iInnerHeight = 1;
    // One handle per control point, in creation order (not point order): as many as
    // the curve has points, whatever their number.
    std::vector<CPBox *> m_aHandles;
    CPBox *m_pSelected = nullptr;
    General::Vector m_vGrab;  // control point minus press position
};

}  // namespace GUI
