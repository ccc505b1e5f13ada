// The controller's stamp and stencil choices, as the trays and the panels make them.

#include "foundation/ShellServices.h"
#include "foundation/images/GrayImage.h"
#include "interaction/Interface.h"
#include "scene/Brush.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"

namespace {
const QLatin1String kOff("OFF");
}

bool Interface::LoadGrayImage(General::Store<float> &pixels, const QString &fileName, uint32_t &width,
                              uint32_t &height, bool invert, int modeA, int modeB, bool *isFloat)
{
    return General::LoadGrayImage(pixels, fileName, width, height, invert, modeA, modeB, isFloat);
}

bool Interface::SetStamp(const QString &fileName)
{
    Brush *tool = m_pCurrentTool;
    if (!tool) {
        Log("Stamp %s not set: no tool is current\n", qPrintable(fileName));
        return false;
    }
    if (fileName != tool->m_sStampFile || !m_cStamp.m_bEnabled) {
        Log("Stamp set to %s\n", qPrintable(fileName));
        if (fileName == kOff || fileName.isEmpty()) {
            m_cStamp.m_bEnabled = false;
            tool->m_sStampFile = kOff;
        } else if (m_cStamp.Load(fileName)) {
            m_cStamp.m_bEnabled = true;
            tool->m_sStampFile = fileName;
        }
    }
    InteractionHost().RefreshBrushPage();
    return m_cStamp.m_bEnabled;
}

bool Interface::SetStencil(const QString &fileName)
{
    Log("Stencil set to %s\n", qPrintable(fileName));
    if (fileName == kOff || fileName.isEmpty()) {
        m_cStencil.m_bState = false;
    } else if (!m_cStencil.Load(fileName, m_cStencil.m_cSettings.invert, m_cStencil.m_cSettings.visibility)) {
        const QString message = QStringLiteral("The stencil %1 has no pixels: the stencil is off").arg(fileName);
        General::Shell().SetStatusMessage(message, 0);
    } else {
        UpdateStencil();
    }
    Redraw();
    // The "Stencil" pages and the object list's stencil row follow.
    InteractionHost().ShowInProperties(QStringLiteral("Stencil"), nullptr);
    InteractionHost().RefreshObjectList();
    return m_cStencil.m_bState;
}

void Interface::UpdateStencil()
{
    Scene *scene = Scene::GetCurrent();
    Camera *camera = scene ? scene->m_pActiveCamera : nullptr;
    if (!camera)
        return;
    const InteractionServices &host = InteractionHost();
    m_cStencil.Update(*camera, host.GetViewWidth(), host.GetViewHeight());
}
