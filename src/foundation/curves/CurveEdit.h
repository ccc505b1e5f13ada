#pragma once
// The mouse editing of one curve over the 3D view. Positions arrive as fractions 0 to 1
// of the view's width and height and are taken into curve space through the inverse of
// the curve's screen matrix. Inserting, removing and the end of a drag become undoable
// curve operations; the drag itself moves the point directly.

#include "foundation/math/Matrix.h"
#include "foundation/math/Vector.h"

namespace General {
class NURBSCurve;
}

class CurveEdit {
public:
    // Marks the curve as being edited and makes it the scene's current curve.
    explicit CurveEdit(General::NURBSCurve *curve);
    // Clears the selection and the edit flag, and the scene's current curve.
    ~CurveEdit();
    CurveEdit(const CurveEdit &) = delete;
    CurveEdit &operator=(const CurveEdit &) = delete;

    // On a press: selects the first control point nearer than the pick tolerance (for a
    // closed curve, a repeated point as its copy at the end) and starts a drag of it;
    // with none that near, records the insertion of a point there (appended).
    void AddPointAt(float x, float y);
    // While dragging: the selected point (and its closed-curve copy) follows the mouse.
    void MoveSelectedPointTo(float x, float y);
    // At the end of a drag: records the move of the selected point as one undoable edit.
    void DragSelectedPoint(float x, float y);
    // Records the removal of the selected point.
    void RemoveSelectedPoint();

    General::NURBSCurve *GetCurve() const { return m_pCurve; }
    // The curve's screen matrix.
    General::Matrix GetTransform() const;

private:
    // The curve-space point under a view position; false when the screen matrix cannot be inverted.
    bool ScreenToCurve(float x, float y, General::Vector &point) const;
    bool HasSelection() const;
    void PlaceSelected(const General::Vector &point);

    General::NURBSCurve *m_pCurve;
    General::Vector m_vGrabOffset{0.0f, 0.0f, 0.0f};
    General::Vector m_vDragStart{0.0f, 0.0f, 0.0f};
    // A drag is under way: a point was picked by the last press. Kept apart from the start
    // position so that a point at the origin can be dragged too.
    bool m_bDragging = false;
};
