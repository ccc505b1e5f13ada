#pragma once
// What the view draws over its frame for the controller: the manipulator, the brush cursor
// and the rubber band of a rectangle selection in progress, and the stencil, the stamp and
// the picture at the cursor, whose textures are uploaded when the view first asks after a
// change. The application installs it (or a host built on it).

#include "viewport/overlay/ViewOverlayHost.h"

class ToolOverlayHost : public ViewOverlayHost {
public:
    void DrawManipulator(ViewOverlay &overlay) override;
    // (1, 0): the pointer's side; (0, 1) and (0, -1): the mirrored sides.
    void DrawBrushCursor(ViewOverlay &overlay, int side, int mirror) override;
    bool GetSelectionBox(General::Rect2D &box) const override;

    bool GetStencil(OverlayTexture &stencil) const override;
    bool GetStamp(OverlayTexture &stamp) const override;
    bool GetCursorImage(OverlayTexture &image) const override;
};
