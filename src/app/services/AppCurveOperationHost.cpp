#include "app/services/AppCurveOperationHost.h"

#include "app/services/CurveEditing.h"
#include "gui/common/ModalDialogs.h"
#include "gui/dialogs/OptionDialogs.h"
#include "interaction/Interface.h"

#include <QApplication>

void AppCurveOperationHost::EndCurveEditing() { m_rEditing.End(); }

void AppCurveOperationHost::StartCurveEditing(General::NURBSCurve *curve) { m_rEditing.Start(curve); }

void AppCurveOperationHost::Redraw() { Interface::Redraw(); }

bool AppCurveOperationHost::RunDrawOnCurveDialog(DrawOptions &options)
{
    GUI::DrawOnCurveOptions dialog(QApplication::activeWindow());
    if (!GUI::Modals().Run(dialog))
        return false;
    options.stamps = dialog.m_iStamps;
    options.equalSpacing = dialog.m_bEqualSpacing;
    return true;
}
