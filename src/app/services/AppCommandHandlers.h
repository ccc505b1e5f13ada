#pragma once
// Menus, the 3D view's context menu and the panels run commands through the controller's
// event handler; nothing runs while the main window is busy or quitting.

#include "gui/common/Commands.h"

class Tevrin;

class AppCommandHandlers : public GUI::CommandHandlers {
public:
    explicit AppCommandHandlers(Tevrin &window) : m_rWindow(window) {}
    void Activate(const QString &name) override;
    void ActivateOption(const QString &name) override;

private:
    void Run(const QString &name, int event);
    Tevrin &m_rWindow;
};
