#include "foundation/curves/CurveEdit.h"

#include "foundation/curves/CurveServices.h"
#include "foundation/curves/NURBSCurve.h"

#include <utility>

using General::CurveHost;
using General::Vector;

CurveEdit::CurveEdit(General::NURBSCurve *curve) : m_pCurve(curve)
{
    if (m_pCurve)
        m_pCurve->SetBeingEdited(true);
    CurveHost().SetCurrentCurve(m_pCurve);
}

CurveEdit::~CurveEdit()
{
    if (m_pCurve) {
        m_pCurve->SetSelectedPoint(-1);
        m_pCurve->SetBeingEdited(false);
    }
    CurveHost().SetCurrentCurve(nullptr);
}

General::Matrix CurveEdit::GetTransform() const
{
    return m_pCurve ? m_pCurve->GetTransform() : General::Matrix();
}

bool CurveEdit::ScreenToCurve(float x, float y, Vector &point) const
{
    General::Matrix inverse = GetTransform();
    if (!inverse.Invert())
        return false;
    const Vector screen(x * float(CurveHost().GetViewWidth()), y * float(CurveHost().GetViewHeight()), 0.0f);
    point = inverse.Transform(screen, 1.0f);
    return true;
}

bool CurveEdit::HasSelection() const
{
    const int selected = m_pCurve->GetSelectedPoint();
    return selected >= 0 && selected < m_pCurve->GetControlPointCount();
}

void CurveEdit::PlaceSelected(const Vector &point)
{
    const int selected = m_pCurve->GetSelectedPoint();
    m_pCurve->SetControlPoint(selected, point);
    const int copy = m_pCurve->GetDuplicateIndex(selected);
    if (copy >= 0)
        m_pCurve->SetControlPoint(copy, point);
}

void CurveEdit::AddPointAt(float x, float y)
{
    Vector q;
    if (!m_pCurve || !m_pCurve->IsBeingEdited() || !ScreenToCurve(x, y, q))
        return;
    const float tolerance = float(CurveHost().GetCurvePickTolerance()) + 6.0f;
    const int count = m_pCurve->GetControlPointCount();
    for (int i = 0; i < count; ++i) {
        const Vector point = m_pCurve->GetControlPoint(i);
        if ((point - q).Length() < tolerance) {
            int selected = i;
            if (m_pCurve->IsClosed() && i < m_pCurve->GetDegree() && m_pCurve->GetDuplicateIndex(i) >= 0)
                selected = m_pCurve->GetDuplicateIndex(i);
            m_vGrabOffset = point - q;
            m_vDragStart = point;
            m_bDragging = true;
            m_pCurve->SetSelectedPoint(selected);
            CurveHost().RedrawView();
            return;
        }
    }
    // A press that picks nothing starts no drag: what an earlier press left must not
    // move the point inserted now.
    m_vGrabOffset = Vector(0.0f, 0.0f, 0.0f);
    m_vDragStart = Vector(0.0f, 0.0f, 0.0f);
    m_bDragging = false;
    CurveHost().ExecuteCurveOperation(m_pCurve, General::kCurveInsertPoint, q, -1);
}

void CurveEdit::MoveSelectedPointTo(float x, float y)
{
    Vector q;
    if (!m_pCurve || !m_pCurve->IsBeingEdited() || !HasSelection() || !ScreenToCurve(x, y, q))
        return;
    PlaceSelected(q + m_vGrabOffset);
    CurveHost().RedrawView();
}

void CurveEdit::DragSelectedPoint(float x, float y)
{
    // A release always ends the drag.
    const bool dragging = std::exchange(m_bDragging, false);
    const Vector start = std::exchange(m_vDragStart, Vector(0.0f, 0.0f, 0.0f));
    Vector q;
    if (!dragging || !m_pCurve || !HasSelection() || !ScreenToCurve(x, y, q))
        return;
    const Vector moved = q + m_vGrabOffset;
    if (moved == start)
        return;
    // The operation moves the point from where the drag started, so that undo puts it back there.
    PlaceSelected(start);
    CurveHost().ExecuteCurveOperation(m_pCurve, General::kCurveSetPoint, moved, m_pCurve->GetSelectedPoint());
}

void CurveEdit::RemoveSelectedPoint()
{
    if (!m_pCurve || !m_pCurve->IsBeingEdited() || !HasSelection())
        return;
    CurveHost().ExecuteCurveOperation(m_pCurve, General::kCurveRemovePoint, Vector(0.0f, 0.0f, 0.0f),
                                      m_pCurve->GetSelectedPoint());
}
