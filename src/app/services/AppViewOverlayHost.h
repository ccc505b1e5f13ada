#pragma once
// What the 3D view draws over its frame for the controller: the tools' overlays (the
// manipulator, the brush cursor and the rubber band). The stencil, stamp and cursor
// picture join with their images.

#include "interaction/tools/ToolOverlayHost.h"

class AppViewOverlayHost : public ToolOverlayHost {};
