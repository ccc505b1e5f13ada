#include "interaction/TrayTargets.h"

#include "interaction/Interface.h"

namespace TrayTargets {

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

void SetStamp(const QString &file)
{
    if (Interface *controller = Interface::Get()) {
        controller->SetStamp(file);
        Interface::Redraw();
    }
}

void SetStencil(const QString &file)
{
    if (Interface *controller = Interface::Get())
        controller->SetStencil(file);
}

QString CurrentStamp()
{
    const Interface *controller = Interface::Get();
    return controller && controller->m_cStamp.m_bEnabled ? controller->m_cStamp.GetFileName() : QString();
}

QString CurrentStencil()
{
    const Interface *controller = Interface::Get();
    return controller && controller->m_cStencil.m_bState ? controller->m_cStencil.m_cPlacement.m_sFileName : QString();
}

}  // namespace TrayTargets
