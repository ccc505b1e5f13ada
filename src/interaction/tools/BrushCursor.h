#pragma once
// What the brush cursor is made of for one side (0 the pointer's pick, 1 and -1 mirrored
// picks): rings, marker circles, a square and the strength line, in view pixels or in the
// world. Computed without OpenGL; the overlay host draws it.

#include "foundation/math/Vector.h"

#include <vector>

class Interface;
class ViewOverlay;

struct CursorShape {
    enum Kind { kCircle, kSquare, kLine };
    Kind kind = kCircle;
    bool pixels = true;                   // view pixels from the top-left, else world space
    General::Vector centre{0, 0, 0};      // a line's start
    General::Vector normal{0, 0, 1};      // a circle's plane; a line's end
    float radius = 3.0f;                  // a square's half side
    int segments = 16;
};

// The shapes for a view of that size.
std::vector<CursorShape> BuildBrushCursor(const Interface &controller, int side, int width, int height);
// Draws them in the current colour.
void DrawBrushCursor(ViewOverlay &overlay, const std::vector<CursorShape> &shapes);
