#pragma once
// What the 3D view draws over its frame for the controller: the tools' overlays (the
// manipulator, the brush cursor and the rubber band). The stencil, stamp and cursor
// picture join with their images. Over an object the view's menu is the object's own.

#include "interaction/tools/ToolOverlayHost.h"

class AppViewOverlayHost : public ToolOverlayHost {
public:
    // The object menu of the level under the cursor; false over empty space.
    bool ShowObjectMenu(const QPoint &globalPosition) override;
};
