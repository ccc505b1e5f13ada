#pragma once
// Runs a drag that a widget has started. The default runs Qt's own drag loop; tests
// install one that sends the enter, move and drop events to the widgets they name, so no
// test waits in that loop.

#include "foundation/Installable.h"

#include <Qt>

class QDrag;
class QDropEvent;
class QObject;

namespace GUI {

class DragRunner : public General::Installable<DragRunner> {
public:
    virtual ~DragRunner() = default;
    // The action the drop ended with; Qt::IgnoreAction when nothing took it.
    virtual Qt::DropAction Exec(QDrag &drag, Qt::DropActions actions, Qt::DropAction defaultAction);
};

// Runs the drag through the installed runner.
Qt::DropAction RunDrag(QDrag &drag, Qt::DropActions actions, Qt::DropAction defaultAction);
// The object a drag of this program started from: the event's source, or the source of
// the drag running now; null for drags from other programs.
QObject *DragSource(const QDropEvent &event);

}  // namespace GUI
