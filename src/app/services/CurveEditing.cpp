#include "app/services/CurveEditing.h"

void CurveEditing::Start(General::NURBSCurve *curve)
{
    // The old edit ends first: its end clears the scene's current curve.
    m_pEdit.reset();
    if (curve)
        m_pEdit = std::make_unique<CurveEdit>(curve);
}
