#pragma once
// Marking the current brush, stamp or stencil in the trays. The trays live in a layer
// above this one and install their side at start-up; until then nothing is marked.

#include "foundation/Installable.h"

#include <QString>

namespace GUI {

class TrayServices : public General::Installable<TrayServices> {
public:
    virtual ~TrayServices() = default;
    // In every tray, checks the buttons of type `typeName` whose item is `itemName` and
    // releases the others.
    virtual void CheckTrayItemByName(const QString &typeName, const QString &itemName) {}
};

// Marks `itemName` of type `typeName` ("Tool", "Stamp", "Stencil", "Falloff") as the
// current one in every tray.
inline void CheckTrayItem(const QString &typeName, const QString &itemName)
{
    TrayServices::Get().CheckTrayItemByName(typeName, itemName);
}

}  // namespace GUI
