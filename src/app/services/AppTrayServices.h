#pragma once
// The trays' side of the program: marking the current tool, stamp or stencil in every
// tray, and the stamp, stencil and image-plane folders of the preferences.

#include "gui/common/Trays.h"

class AppTrayServices : public GUI::TrayServices {
public:
    void CheckTrayItemByName(const QString &typeName, const QString &itemName) override;
    QString GetImageFolder(const QString &kind) const override;
    void SetImageFolder(const QString &kind, const QString &folder) override;
};
