#pragma once
// The curve operation's side in the program: starting and ending the mouse editing of a
// curve, the redraw and the modal "Draw On Curve" dialog. The stamps along a curve come
// with the curve commands.

#include "operations/CurveOperationHost.h"

class CurveEditing;

class AppCurveOperationHost : public Operations::CurveOperationHost {
public:
    explicit AppCurveOperationHost(CurveEditing &editing) : m_rEditing(editing) {}
    void EndCurveEditing() override;
    void StartCurveEditing(General::NURBSCurve *curve) override;
    void Redraw() override;
    bool RunDrawOnCurveDialog(DrawOptions &options) override;

private:
    CurveEditing &m_rEditing;
};
