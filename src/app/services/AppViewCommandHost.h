#pragma once
// The view and camera commands' reach into the preferences.

#include "interaction/commands/ViewCommandHost.h"

class AppViewCommandHost : public ViewCommandHost {
public:
    void SetMirror(int mode, const General::Vector &normal) override;
    float DollyAmount() const override;
    int NavigationControl() const override;
    float RollArea() const override;
    bool LocalFocus() const override;
    QString TempFolder() const override;
};
