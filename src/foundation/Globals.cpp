#include "foundation/Globals.h"

#include "foundation/math/Constants.h"
#include "foundation/Node.h"
#include "foundation/Timer.h"

#include <cstdlib>

namespace General {

namespace {

// Members are built in declaration order and destroyed in the reverse. The attributes
// join no node: they belong to the program, not to whichever node is current.
struct StartupObjects {
    EventGate connectionGate{QStringLiteral("eventgate"), false};
    QElapsedTimer startTimer;
    QString instanceSuffix;
    AttributePointer<Node> pickedNode{QString(), false};
    EventGate cameraGate{QStringLiteral("eventgate"), false};
    AABB emptyBox;
    Store<Timer::Stat> *timerStatistics = &Timer::Statistics();
    QString traysFolder;
    QString bookmarksFolder;
    QStringList trayItemTypes;
};

StartupObjects *s_pObjects = nullptr;
bool s_bExitHandler = false;

StartupObjects &Objects()
{
    if (!s_pObjects)
        InitializeGlobals();
    return *s_pObjects;
}

}  // namespace

int BuildRevision() { return 2608; }

void InitializeGlobals()
{
    if (s_pObjects)
        return;
    TypeInfo::Register(Node::s_typeInfo);
    s_pObjects = new StartupObjects;
    if (!s_bExitHandler) {
        s_bExitHandler = true;
        std::atexit(ShutdownGlobals);
    }
}

void ShutdownGlobals()
{
    delete s_pObjects;
    s_pObjects = nullptr;
    TypeInfo::Unregister(Node::s_typeInfo);
}

EventGate &ConnectionGate() { return Objects().connectionGate; }
QElapsedTimer &StartTimer() { return Objects().startTimer; }
QString &InstanceSuffix() { return Objects().instanceSuffix; }
AttributePointer<Node> &PickedNode() { return Objects().pickedNode; }
EventGate &CameraGate() { return Objects().cameraGate; }
const AABB &EmptyBox() { return Objects().emptyBox; }
QString &TraysFolder() { return Objects().traysFolder; }
QString &BookmarksFolder() { return Objects().bookmarksFolder; }
QStringList &TrayItemTypes() { return Objects().trayItemTypes; }

}  // namespace General
