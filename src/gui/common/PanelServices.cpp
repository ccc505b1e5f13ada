#include "gui/common/PanelServices.h"

#include "interaction/Interface.h"

namespace GUI {

StencilSettings PanelServices::GetStencilSettings() const
{
    const Interface *controller = Interface::Get();
    return controller ? controller->m_cStencil.m_cSettings : StencilSettings();
}

void PanelServices::SetStencilSettings(const StencilSettings &settings)
{
    if (Interface *controller = Interface::Get())
        controller->m_cStencil.m_cSettings = settings;
}

}  // namespace GUI
