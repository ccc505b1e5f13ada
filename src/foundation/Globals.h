#pragma once
// The program-wide objects every layer may use, built by one explicit initialiser in a
// fixed order (and torn down at exit in the reverse order) rather than by static
// initialisers, whose order across files is unspecified. None of them needs the
// application object or a window.
//
// Layers above build their own start-up objects in their own initialiser, run after this
// one. A node class joins the registry with one TypeInfo::Register line there; the
// registry keeps the program's fixed class order whatever order those lines run in.

#include "foundation/math/AABB.h"
#include "foundation/attributes/AttributePointer.h"
#include "foundation/EventGate.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

namespace General {

// Builds, in this order: the root record "Node" of the node-class registry, the
// connection event gate, the start timer, the instance suffix, the picked node pointer,
// the camera event gate, the empty box, the timer statistics, the trays and bookmarks
// folders and the tray item type list. Does nothing when they exist.
void InitializeGlobals();
// Destroys them in the reverse order (also run at exit).
void ShutdownGlobals();

// "eventgate": fired when the user changes attribute connections; the node table redraws.
EventGate &ConnectionGate();
// The program's run clock; the application shell starts it.
QElapsedTimer &StartTimer();
// Appended to the names of temporary files: empty, or "." and the process id when another
// copy of the program is running.
QString &InstanceSuffix();
// The node the user picked in the node table or the scene information; properties
// windows follow it.
AttributePointer<Node> &PickedNode();
// "eventgate" that the cameras connect to.
EventGate &CameraGate();
// The box the octree starts from.
const AABB &EmptyBox();
// The folders of the tray files and of the image-browser bookmarks.
QString &TraysFolder();
QString &BookmarksFolder();
// The tray kind names, filled by the application shell.
QStringList &TrayItemTypes();

}  // namespace General
