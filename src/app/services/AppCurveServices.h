#pragma once
// What curve editing needs of the scene, the 3D view and the undo history.

#include "foundation/curves/CurveServices.h"

class Tevrin;

class AppCurveServices : public General::CurveServices {
public:
    explicit AppCurveServices(Tevrin &window) : m_rWindow(window) {}

    void SetCurrentCurve(General::NURBSCurve *curve) override;
    int GetViewWidth() const override;
    int GetViewHeight() const override;
    void RedrawView() override;
    bool GetCameraViewport(int &width, int &height) const override;
    bool ExecuteCurveOperation(General::NURBSCurve *curve, General::CurveOperationKind kind,
                               const General::Vector &position, int index) override;

private:
    Tevrin &m_rWindow;
};
