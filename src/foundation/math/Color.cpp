#include "foundation/math/Color.h"

#include <QColor>

namespace General {

namespace {

uint32_t Channel(float value)
{
    const float scaled = value * 255.0f;
    // Written so that not-a-number also lands on 0.
    if (!(scaled > 0.0f))
        return 0;
    if (scaled >= 255.0f)
        return 255;
    return uint32_t(scaled);
}

}  // namespace

uint32_t Color::Pack() const
{
    return Channel(r) | (Channel(g) << 8) | (Channel(b) << 16) | (Channel(a) << 24);
}

Color Color::Lerp(const Color &other, float t) const
{
    const float s = 1.0f - t;
    return Color(r * t + other.r * s, g * t + other.g * s, b * t + other.b * s, a * t + other.a * s);
}

void Color::FromQColor(const QColor &color)
{
    r = float(color.red() / 255.0);
    g = float(color.green() / 255.0);
    b = float(color.blue() / 255.0);
    a = 1.0f;
}

QColor Color::ToQColor() const { return QColor(int(Channel(r)), int(Channel(g)), int(Channel(b)), 255); }

}  // namespace General
