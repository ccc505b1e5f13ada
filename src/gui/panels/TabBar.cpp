#include "gui/panels/TabBar.h"

#include "gui/common/DragRunner.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>

namespace GUI {

bool CarriesTab(const QDropEvent &event)
{
    return event.mimeData()->hasFormat(TabMimeType()) && qobject_cast<QWidget *>(DragSource(event));
}

TabBar::TabBar(QWidget *parent) : QTabBar(parent) { setAcceptDrops(true); }

void TabBar::mousePressEvent(QMouseEvent *event)
{
    // The panel drags pages with the middle button.
    if (event->button() == Qt::MiddleButton) {
        event->ignore();
        return;
    }
    QTabBar::mousePressEvent(event);
}

void TabBar::dragEnterEvent(QDragEnterEvent *event)
{
    if (CarriesTab(*event))
        event->acceptProposedAction();
    else
        QTabBar::dragEnterEvent(event);
}

void TabBar::dragMoveEvent(QDragMoveEvent *event)
{
    if (CarriesTab(*event))
        event->acceptProposedAction();
    else
        QTabBar::dragMoveEvent(event);
}

void TabBar::dropEvent(QDropEvent *event)
{
    const int index = tabAt(event->position().toPoint());
    if (CarriesTab(*event) && index >= 0) {
        emit receivedDropEvent(index, event);
        return;
    }
    event->ignore();
}

}  // namespace GUI
