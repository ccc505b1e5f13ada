#include "gui/properties/CurveProperties.h"

#include "foundation/Diagnostics.h"
#include "foundation/curves/NURBSCurve.h"
#include "gui/editors/CurveEditor.h"
#include "gui/layouts/CollapsableFrame.h"
#include "gui/properties/PanelRows.h"
#include "interaction/InteractionServices.h"

#include <QComboBox>
#include <QLabel>

namespace GUI {

CurveProperties::CurveProperties(PropertiesDialog *owner) : PropertyList(owner)
{
    CollapsableFrame *frame = AddGroup(this, MakePanelLayout(this), QString());

    auto *degree = new QComboBox(frame);
    degree->setObjectName(QStringLiteral("degree"));
    degree->setMaximumWidth(85);
    degree->addItems({QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});
    AddCaptionRow(frame, tr("Degree"), degree)->setObjectName(QString());

    auto *falloff = new CurveEditor(frame, QStringLiteral("falloff"), true);
    falloff->setFixedSize(130, 130);
    AddCaptionRow(frame, tr("Intensity Variation"), falloff)->setObjectName(QString());

    TV_CHECK(connect(degree, &QComboBox::activated, this, &CurveProperties::UpdateDegree));
    Refresh();
}

General::NURBSCurve *CurveProperties::GetCurve() const
{
    return dynamic_cast<General::NURBSCurve *>(GetShownNode());
}

void CurveProperties::Refresh()
{
    auto *degree = findChild<QComboBox *>(QStringLiteral("degree"));
    auto *falloff = findChild<CurveEditor *>(QStringLiteral("falloff"));
    General::NURBSCurve *curve = GetCurve();
    m_bUpdating = true;
    // Without a curve (or a curve read without a profile) nothing is left to edit, and the
    // editor must not keep a curve that may go away while this page lives on.
    degree->setEnabled(curve != nullptr);
    if (curve)
        degree->setCurrentIndex(curve->GetDegree() - 2);
    General::NURBSCurve *profile = curve ? curve->GetProfile() : nullptr;
    falloff->setEnabled(profile != nullptr);
    if (!profile)
        falloff->Clear();
    else if (falloff->GetCurve() != profile)
        falloff->SetCurve(profile);
    m_bUpdating = false;
}

void CurveProperties::Update()
{
    if (!m_bUpdating)
        InteractionHost().RepaintView();
}

void CurveProperties::UpdateDegree(int index)
{
    General::NURBSCurve *curve = GetCurve();
    if (m_bUpdating || !curve)
        return;
    curve->SetDegree(index + 2);
    InteractionHost().RepaintView();
}

}  // namespace GUI
