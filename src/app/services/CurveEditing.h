#pragma once
// The one curve being edited with the mouse, if any: the curve operations start and end
// it, the scene ends it before it changes its curves, and shutdown ends it before the
// scene goes.

#include "foundation/curves/CurveEdit.h"

#include <memory>

class CurveEditing {
public:
    void Start(General::NURBSCurve *curve);
    // Ends the edit (the curve loses its selection and edit flag); nothing when none runs.
    void End() { m_pEdit.reset(); }
    CurveEdit *Get() const { return m_pEdit.get(); }

private:
    std::unique_ptr<CurveEdit> m_pEdit;
};
