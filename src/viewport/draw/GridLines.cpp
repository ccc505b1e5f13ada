#include "viewport/draw/GridLines.h"

#include <cmath>

GridLines MakeGrid(int count, float spacing)
{
    GridLines grid;
    if (count <= 0 || !(spacing > 0.0f) || !std::isfinite(spacing))
        return grid;
    const float half = float(count) * 0.5f * spacing;
    // Steps k from the middle with |k × spacing| <= half; k = 0 is the axis.
    const int steps = count / 2;
    for (int k = -steps; k <= steps; ++k) {
        if (k == 0)
            continue;
        const float z = float(k) * spacing;
        grid.m_aLines.push_back({-half, 0.0f, z});
        grid.m_aLines.push_back({half, 0.0f, z});
    }
    for (int k = -steps; k <= steps; ++k) {
        if (k == 0)
            continue;
        const float x = float(k) * spacing;
        grid.m_aLines.push_back({x, 0.0f, -half});
        grid.m_aLines.push_back({x, 0.0f, half});
    }
    grid.m_aAxes = {{-half, 0.0f, 0.0f}, {half, 0.0f, 0.0f}, {0.0f, 0.0f, -half}, {0.0f, 0.0f, half}};
    return grid;
}
