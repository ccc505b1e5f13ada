#pragma once
// The controller with a recording stand-in for what the view and camera commands ask of
// the preferences, the view's toggles, the stencil, the stamp and the overlay picture.

#include "InteractionFixtures.h"

#include "interaction/commands/ViewCommandHost.h"
#include "viewport/view/ViewToggles.h"

class RecordingViewCommands : public ViewCommandHost {
public:
    ViewToggles *Toggles() override { return &toggles; }
    void SetNavigating(bool on) override { navigating = on; }
    void EnableVideoBuffers() override { ++videoBufferRequests; }
    void SetMirror(int mode, const General::Vector &normal) override
    {
        mirrorMode = mode;
        mirrorNormal = normal;
    }
    float DollyAmount() const override { return dolly; }
    int NavigationControl() const override { return control; }
    float RollArea() const override { return rollArea; }
    bool LocalFocus() const override { return localFocus; }
    bool HasStencil() const override { return stencilLoaded; }
    void ToggleStencil() override { stencilShown = !stencilShown; }
    void UpdateStencil() override { ++stencilUpdates; }
    bool HasStamp() const override { return stampLoaded; }
    void ToggleStamp() override { stampActive = !stampActive; }
    void LoadOverlayImage(const QString &file) override { overlayLoads << file; }
    void ShowOverlayImage(bool active, float opacity) override
    {
        overlayActive = active;
        overlayOpacity = opacity;
    }

    ViewToggles toggles;
    bool navigating = false;
    int videoBufferRequests = 0;
    int mirrorMode = 99;
    General::Vector mirrorNormal{9, 9, 9};
    float dolly = 25.0f;
    int control = 0;
    float rollArea = 0.5f;
    bool localFocus = false;
    bool stencilLoaded = false, stencilShown = true;
    int stencilUpdates = 0;
    bool stampLoaded = false, stampActive = true;
    QStringList overlayLoads;
    bool overlayActive = false;
    float overlayOpacity = 0.0f;
};

class ViewCommandTest : public InteractionTest {
protected:
    void SetUp() override
    {
        InteractionTest::SetUp();
        ViewCommandHost::Install(&m_view);
        Recorder().log.clear();
    }
    void TearDown() override
    {
        ViewCommandHost::Install(nullptr);
        InteractionTest::TearDown();
    }
    Function *Send(int event, const char *name) { return m_interface->m_cEventHandler.OnUserEvent(event, name); }

    RecordingViewCommands m_view;
};
