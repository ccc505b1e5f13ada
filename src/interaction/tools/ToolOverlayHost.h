#pragma once
// What the view draws over its frame for the tools: the manipulator, the brush cursor and
// the rubber band of a rectangle selection in progress. The application installs it (or a
// host built on it).

#include "viewport/overlay/ViewOverlayHost.h"

class ToolOverlayHost : public ViewOverlayHost {
public:
    void DrawManipulator(ViewOverlay &overlay) override;
    // (1, 0): the pointer's side; (0, 1) and (0, -1): the mirrored sides.
    void DrawBrushCursor(ViewOverlay &overlay, int side, int mirror) override;
    bool GetSelectionBox(General::Rect2D &box) const override;
};
