#pragma once
// The "Curve" page: the shown scene curve's degree and the intensity variation along it
// (the curve's profile), edited in place as a falloff graph.

#include "gui/dialogs/PropertyList.h"

namespace General {
class NURBSCurve;
}

namespace GUI {

class CurveProperties : public PropertyList {
    Q_OBJECT

public:
    explicit CurveProperties(PropertiesDialog *owner);

    void Refresh() override;
    // The owning window's shown node as a curve; null when it shows no curve.
    General::NURBSCurve *GetCurve() const;

public slots:
    // Repaints the 3D view.
    void Update();
    // Entry i stands for degree i + 2.
    void UpdateDegree(int index);

private:
    bool m_bUpdating = false;
};

}  // namespace GUI
