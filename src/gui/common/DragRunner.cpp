#include "gui/common/DragRunner.h"

#include <QDrag>
#include <QDropEvent>

namespace GUI {

namespace {

QDrag *&RunningDrag()
{
    static QDrag *drag = nullptr;
    return drag;
}

}  // namespace

Qt::DropAction DragRunner::Exec(QDrag &drag, Qt::DropActions actions, Qt::DropAction defaultAction)
{
    return drag.exec(actions, defaultAction);
}

Qt::DropAction RunDrag(QDrag &drag, Qt::DropActions actions, Qt::DropAction defaultAction)
{
    QDrag *outer = RunningDrag();
    RunningDrag() = &drag;
    const Qt::DropAction result = DragRunner::Get().Exec(drag, actions, defaultAction);
    RunningDrag() = outer;
    return result;
}

QObject *DragSource(const QDropEvent &event)
{
    if (QObject *source = event.source())
        return source;
    return RunningDrag() ? RunningDrag()->source() : nullptr;
}

}  // namespace GUI
