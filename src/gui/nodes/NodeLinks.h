#pragma once
// The curve that shows one attribute connection in the node graph: it leaves the source
// box and enters the target box on the sides that face each other (a box more than 20
// pixels clear to the other's left uses its own left side), and ends in an arrow head
// on the target side.

#include <QPainterPath>
#include <QRect>

class QPen;

namespace GUI {

// `ySource` and `yTarget` are the heights of the two rows in the boxes' coordinates.
QPainterPath LinkPath(const QRect &source, int ySource, const QRect &target, int yTarget);
// The pen colour of a connection by the target attribute's type code: int blue, float
// red, bool black, text magenta, pointer white, colour yellow; false for any other type
// (the pen stays as it is).
bool LinkColor(int type, QColor &colour);

}  // namespace GUI
