#pragma once
// An RGBA colour of four floats, nominally 0 to 1 (16 bytes in files and attributes).

#include <cstdint>
#include <type_traits>

class QColor;

namespace General {

class Color {
public:
    float r, g, b, a;

    Color() = default;
    constexpr Color(float cr, float cg, float cb, float ca = 1.0f) : r(cr), g(cg), b(cb), a(ca) {}

    bool operator==(const Color &o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }

    // 32 bits, r in the low byte, then g, b, and a in the high byte; each channel × 255
    // truncated. Channels outside 0 to 1 are held at 0 or 255 rather than spilling
    // into their neighbours.
    uint32_t Pack() const;
    // this·t + other·(1 - t) per channel: t = 1 gives this colour.
    Color Lerp(const Color &other, float t) const;

    // Red, green and blue from the Qt colour's 0..255 components; alpha 1 (the Qt alpha is
    // not taken).
    void FromQColor(const QColor &color);
    // Each of red, green and blue × 255, truncated and held within 0..255; alpha 255.
    QColor ToQColor() const;
};

static_assert(sizeof(Color) == 16, "a colour is four floats in files and attributes");
static_assert(std::is_trivially_copyable_v<Color> && std::is_standard_layout_v<Color>);

}  // namespace General
