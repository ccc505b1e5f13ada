#pragma once
// The layer windows' preferences: the active row's colour and the "Show Mask" switch, which
// the 3D view's fills follow.

#include "gui/layers/LayerListHost.h"

class Tevrin;

class AppLayerListHost : public GUI::LayerListHost {
public:
    explicit AppLayerListHost(Tevrin &window) : m_rWindow(window) {}
    General::Color ActiveLayerColor() const override;
    bool ShowLayerMask() const override;
    void SetShowLayerMask(bool on) override;

private:
    Tevrin &m_rWindow;
};
