#pragma once
// Marking the current brush, stamp or stencil in the trays, and the image folders the
// trays offer. The trays live in a layer
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
    // The folder the image chooser of the stamp ("Stamp"), the stencil ("Stencil") or the
    // image plane ("ImagePlane") starts in, and the folder it keeps after a choice.
    virtual QString GetImageFolder(const QString &kind) const { return QString(); }
    virtual void SetImageFolder(const QString &kind, const QString &folder) {}
};

// Marks `itemName` of type `typeName` ("Tool", "Stamp", "Stencil", "Falloff") as the
// current one in every tray.
inline void CheckTrayItem(const QString &typeName, const QString &itemName)
{
    TrayServices::Get().CheckTrayItemByName(typeName, itemName);
}

}  // namespace GUI
