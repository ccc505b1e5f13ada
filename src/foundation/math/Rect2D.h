#pragma once
// A screen rectangle: a camera's view region in 0..1 of the view, or an overlay
// rectangle in pixels. x0, y0 is the top-left corner; a rectangle with x0 > x1 or
// y0 > y1 holds no point.

namespace General {

class Rect2D {
public:
    float x0 = 0.0f;
    float y0 = 0.0f;
    float x1 = -1.0f;
    float y1 = -1.0f;

    // The empty rectangle.
    Rect2D() = default;
    Rect2D(float left, float top, float right, float bottom) : x0(left), y0(top), x1(right), y1(bottom) {}

    bool operator==(const Rect2D &o) const { return x0 == o.x0 && y0 == o.y0 && x1 == o.x1 && y1 == o.y1; }

    void Set(float left, float top, float right, float bottom);
    void Copy(const Rect2D &other) { *this = other; }
    bool IsEmpty() const { return x0 > x1 || y0 > y1; }
    // Grows to hold the point; an empty rectangle becomes the point itself.
    void Extend(float x, float y);
};

}  // namespace General
