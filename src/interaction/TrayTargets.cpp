#include "interaction/TrayTargets.h"

#include "interaction/Interface.h"
#include "scene/Brush.h"

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
    controller->m_pCurrentTool = tool;
    Interface::Redraw();
}

void SelectFalloff(int index)
{
    Interface *controller = Interface::Get();
    const auto &falloffs = Brush::Falloffs();
    if (!controller || !controller->m_pCurrentTool || index < 0 || index >= int(falloffs.size()))
        return;
    controller->m_pCurrentTool->m_falloff = *falloffs[size_t(index)];
    Interface::Redraw();
}

void SetStamp(const QString &file) { Stamp() = WithoutOff(file); }
void SetStencil(const QString &file) { Stencil() = WithoutOff(file); }
QString CurrentStamp() { return Stamp(); }
QString CurrentStencil() { return Stencil(); }

}  // namespace TrayTargets
