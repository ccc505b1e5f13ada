#include "foundation/math/Rect2D.h"

namespace General {

void Rect2D::Set(float left, float top, float right, float bottom)
{
    x0 = left;
    y0 = top;
    x1 = right;
    y1 = bottom;
}

void Rect2D::Extend(float x, float y)
{
    if (IsEmpty()) {
        Set(x, y, x, y);
        return;
    }
    if (x < x0)
        x0 = x;
    if (x > x1)
        x1 = x;
    if (y < y0)
        y0 = y;
    if (y > y1)
        y1 = y;
}

}  // namespace General
