#include "interaction/TrayTargets.h"

#include "interaction/Interface.h"

namespace TrayTargets {

namespace {

QString &Stamp()
{
    static QString file;
    return file;
}

QString &Stencil()
{
    static QString file;
    return file;
}

QString WithoutOff(const QString &file) { return file == QLatin1String("OFF") ? QString() : file; }

}  // namespace

void ApplyTool(Brush *tool)
{
    Interface *controller = Interface::Get();
    if (!tool || !controller)
        return;
    // The button pressed has marked itself already.
    controller->ApplyTrayItem(tool, false);
    Interface::Redraw();
}

void SelectFalloff(int index)
{
    if (Interface *controller = Interface::Get()) {
        controller->SelectFalloff(index);
        Interface::Redraw();
    }
}

void SetStamp(const QString &file) { Stamp() = WithoutOff(file); }
void SetStencil(const QString &file) { Stencil() = WithoutOff(file); }
QString CurrentStamp() { return Stamp(); }
QString CurrentStencil() { return Stencil(); }

}  // namespace TrayTargets
