#include "gui/panels/ScrollWrap.h"

#include <QScrollArea>

namespace GUI {

QScrollArea *WrapInScrollArea(QWidget *widget, const QColor &colour)
{
    auto *area = new QScrollArea;
    QPalette palette = area->viewport()->palette();
    palette.setColor(QPalette::Window, colour);
    area->viewport()->setPalette(palette);
    area->viewport()->setAutoFillBackground(true);
    area->setMinimumSize(0, 0);
    area->setFrameShadow(QFrame::Sunken);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setFocusPolicy(Qt::NoFocus);
    if (widget)
        area->setWidget(widget);
    return area;
}

QWidget *HostedWindow(QWidget *page)
{
    if (auto *area = qobject_cast<QScrollArea *>(page))
        return area->widget();
    return page;
}

}  // namespace GUI
