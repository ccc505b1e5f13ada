#pragma once
// Marking the current tool, stamp or stencil in the trays of the main window. The trays
// join with the dock frames; until then there is nothing to mark.

#include "gui/common/Trays.h"

class AppTrayServices : public GUI::TrayServices {
public:
    void CheckTrayItemByName(const QString &typeName, const QString &itemName) override {}
};
