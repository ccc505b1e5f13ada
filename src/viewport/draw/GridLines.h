#pragma once
// The ground grid of the 3D view in the y = 0 plane: `count` lines per direction
// spaced `spacing` apart, centred on the origin. The two lines through the origin are
// left to the axis colour, so they are not among the grid lines.

#include "foundation/math/Vector.h"

#include <vector>

struct GridLines {
    std::vector<General::Vector> m_aLines;  // pairs of end points, grid colour
    std::vector<General::Vector> m_aAxes;   // the two centre lines, axis colour
};

// Lines are counted off by whole steps from the middle, so the origin is skipped exactly
// whatever rounding the spacing carries.
GridLines MakeGrid(int count, float spacing);
