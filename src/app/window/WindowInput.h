#pragma once
// What the main window decides about input, apart from any widget.

// The tablet's pressure mapped through the preferences' range [low, high] and clamped to
// 0..1. Equal bounds give no range to map through: the pressure is then taken as it is
// (clamped), instead of a division by zero. A pressure that is not a number counts as 0.
float TabletPressure(double pressure, int low, int high);

// The pressure a mouse move carries: the tablet's last pressure while the last tablet
// event is less than a second old, else full pressure.
float MovePressure(float tabletPressure, long long now, long long lastTabletEvent);
