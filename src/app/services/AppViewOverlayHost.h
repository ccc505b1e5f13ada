#pragma once
// What the 3D view draws over its frame for the controller: the brush ring at the point
// under the cursor. The stencil, stamp, cursor picture, manipulator and rectangle selection
// join with their tools.

#include "viewport/overlay/ViewOverlayHost.h"

class AppInteractionServices;

class AppViewOverlayHost : public ViewOverlayHost {
public:
    // The point under the cursor is the interaction services' last pick.
    explicit AppViewOverlayHost(const AppInteractionServices &picks) : m_rPicks(picks) {}
    void DrawBrushCursor(ViewOverlay &overlay, int side, int mirror) override;
    // The object menu of the level under the cursor; false over empty space.
    bool ShowObjectMenu(const QPoint &globalPosition) override;

private:
    const AppInteractionServices &m_rPicks;
};
