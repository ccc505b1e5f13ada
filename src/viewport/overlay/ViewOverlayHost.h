#pragma once
// What the 3D view draws over its frame on behalf of the interaction layer, which lives
// above it: the stencil, the stamp, the picture next to the cursor, the manipulator, the
// brush cursor and the rubber band of a rectangle selection. The interaction layer
// installs its answers; until then none of them is shown.

#include "foundation/Installable.h"
#include "foundation/math/Matrix.h"
#include "foundation/math/Rect2D.h"

#include <QPoint>

#include <cstdint>

class ViewOverlay;

// A loaded grey image as the view draws it: its texture and the matrix that places the
// quad (-1, -1)-(1, 1), or for the stamp the quad (0, 0)-(width, height).
struct OverlayTexture {
    uint32_t m_iTexture = 0;
    General::Matrix m_mPlacement;
    bool m_bTiled = false;  // the stencil repeats over the whole view
    float m_fWidth = 0.0f, m_fHeight = 0.0f;  // the stamp's size in its own plane
};

class ViewOverlayHost : public General::Installable<ViewOverlayHost> {
public:
    virtual ~ViewOverlayHost() = default;

    // The stencil when it is loaded and active: its placement matrix (screen space).
    virtual bool GetStencil(OverlayTexture &stencil) const { return false; }
    // The stamp when both its display flags are set: the matrix from its plane to world
    // space (the inverse first-stamp matrix times the stamp's world matrix).
    virtual bool GetStamp(OverlayTexture &stamp) const { return false; }
    // The picture shown next to the mouse cursor: its cursor matrix (screen space).
    virtual bool GetCursorImage(OverlayTexture &image) const { return false; }
    // Draws the current manipulator, if any, with the camera's matrices loaded.
    virtual void DrawManipulator(ViewOverlay &overlay) {}
    // Draws the brush cursor for one side, (1, 0), (0, 1) or (0, -1) as the view asks.
    virtual void DrawBrushCursor(ViewOverlay &overlay, int side, int mirror) {}
    // The rectangle selection in progress: its start corner and the mouse position in
    // view units (0 to 1 from the top-left corner); false when none has its start set.
    virtual bool GetSelectionBox(General::Rect2D &box) const { return false; }
    // The view's context menu was asked for at that screen position: when the pick under
    // the pointer holds a hit, shows the pop-up of its object and returns true; false lets
    // the view show its own menu.
    virtual bool ShowObjectMenu(const QPoint &globalPosition) { return false; }
};
