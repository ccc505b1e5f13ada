#include "gui/nodes/NodeLinks.h"

#include "foundation/attributes/Attribute.h"

#include <QColor>

namespace GUI {

QPainterPath LinkPath(const QRect &source, int ySource, const QRect &target, int yTarget)
{
    const int dirTarget = source.right() + 20 < target.left() ? -1 : 1;
    const int dirSource = target.right() + 20 < source.left() ? -1 : 1;
    const QPoint start(dirSource == 1 ? source.right() : source.left(), ySource);
    const QPoint end(dirTarget == 1 ? target.right() : target.left(), yTarget);
    const int h = (end - start).manhattanLength() / 2;
    QPainterPath path(start);
    path.cubicTo(start + QPoint(dirSource * h, 0), end + QPoint(dirTarget * h, 0), end);
    path.lineTo(end + QPoint(3 * dirTarget, 3));
    path.lineTo(end + QPoint(3 * dirTarget, -3));
    path.lineTo(end);
    return path;
}

bool LinkColor(int type, QColor &colour)
{
    switch (type) {
    case General::Attribute::kTypeInt: colour = Qt::blue; return true;
    case General::Attribute::kTypeFloat: colour = Qt::red; return true;
    case General::Attribute::kTypeBool: colour = Qt::black; return true;
    case General::Attribute::kTypeText: colour = Qt::magenta; return true;
    case General::Attribute::kTypePointer: colour = Qt::white; return true;
    case General::Attribute::kTypeColor: colour = Qt::yellow; return true;
    default: return false;
    }
}

}  // namespace GUI
