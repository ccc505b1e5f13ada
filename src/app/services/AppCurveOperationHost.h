#pragma once
// The curve operation's side in the program: starting and ending the mouse editing of a
// curve and the redraw. The "Draw On Curve" dialog and the stamps along a curve come with
// the curve commands; until then the dialog counts as cancelled.

#include "operations/CurveOperationHost.h"

class CurveEditing;

class AppCurveOperationHost : public Operations::CurveOperationHost {
public:
    explicit AppCurveOperationHost(CurveEditing &editing) : m_rEditing(editing) {}
    void EndCurveEditing() override;
    void StartCurveEditing(General::NURBSCurve *curve) override;
    void Redraw() override;

private:
    CurveEditing &m_rEditing;
};
