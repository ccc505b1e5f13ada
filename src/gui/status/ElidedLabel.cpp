#include "gui/status/ElidedLabel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

namespace GUI {

ElidedLabel::ElidedLabel(QWidget *parent) : QLabel(parent) {}

QString ElidedLabel::ShownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width());
}

bool ElidedLabel::event(QEvent *event)
{
    // A tooltip set by the owner wins; otherwise a cut text shows itself whole.
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        if (IsElided())
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), text(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QLabel::event(event);
}

void ElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawFrame(&painter);
    style()->drawItemText(&painter, contentsRect(), int(alignment()), palette(), isEnabled(), ShownText(),
                          foregroundRole());
}

}  // namespace GUI
