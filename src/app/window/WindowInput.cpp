#include "app/window/WindowInput.h"

#include <algorithm>
#include <cmath>

float TabletPressure(double pressure, int low, int high)
{
    if (std::isnan(pressure))
        return 0.0f;
    const double mapped = high == low ? pressure : (pressure - low) / (double(high) - double(low));
    return float(std::clamp(mapped, 0.0, 1.0));
}

float MovePressure(float tabletPressure, long long now, long long lastTabletEvent)
{
    return now - lastTabletEvent < 1000 ? tabletPressure : 1.0f;
}
