#pragma once
// The alpha byte of a texel from a scaled value: clamped to 0..255 (truncated), so a value
// out of range saturates instead of keeping its low 8 bits; NaN gives 0.

#include <QRgb>

inline QRgb AlphaByte(float value)
{
    return value >= 255.0f ? 255u : value > 0.0f ? QRgb(value) : 0u;
}
