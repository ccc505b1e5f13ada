#include "app/services/AppCurveOperationHost.h"

#include "app/services/CurveEditing.h"
#include "interaction/Interface.h"

void AppCurveOperationHost::EndCurveEditing() { m_rEditing.End(); }

void AppCurveOperationHost::StartCurveEditing(General::NURBSCurve *curve) { m_rEditing.Start(curve); }

void AppCurveOperationHost::Redraw() { Interface::Redraw(); }
