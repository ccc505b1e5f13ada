// Making a tool current: its stamp, its falloff, the brush ring and the transform gizmo
// that go with it; and the current manipulator's life.

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "foundation/ShippedFiles.h"
#include "foundation/curves/NURBSCurve.h"
#include "interaction/Interface.h"
#include "interaction/tools/Manipulator.h"
#include "mesh/object/Object.h"
#include "operations/Operation.h"
#include "scene/Brush.h"
#include "scene/Scene.h"

namespace {
bool IsTransformTool(const Brush &tool)
{
    return tool.m_iType == Operations::kTranslateTool || tool.m_iType == Operations::kScaleTool ||
           tool.m_iType == Operations::kRotateTool;
}
}  // namespace

void Interface::ApplyTrayItem(Brush *tool, bool checkTray)
{
    InteractionServices &host = InteractionHost();
    if (tool && tool == m_pCurrentTool) {
        host.RefreshBrushPage();
        // A transform tool chosen again takes its gizmo away (and a further choice brings it back).
        if (IsTransformTool(*tool))
            CreateManipulator();
        return;
    }
    if (!tool) {
        if (m_bTemporaryTool && m_pPreviousTool) {
            m_bTemporaryTool = false;
            ApplyTrayItem(m_pPreviousTool, checkTray);
        } else {
            m_pPreviousTool = nullptr;
        }
        return;
    }
    // A stamp file that gives no pixels leaves the stamp off (Load says so).
    if (!tool->m_sStampFile.isEmpty() && tool->m_sStampFile != QLatin1String("OFF")) {
        m_cStamp.Load(tool->m_sStampFile);
    } else {
        m_cStamp.Release();
        m_cStamp.m_bEnabled = false;
    }
    const bool ring = tool->m_iType != Operations::kSelectObject && !m_pManipulator;
    const bool changed = ring != m_bBrushCursor;
    m_bBrushCursor = ring;
    if (changed)
        UpdateBrushCursor(0);
    m_pPreviousTool = m_pCurrentTool;
    m_pCurrentTool = tool;
    const QString message = QStringLiteral("%1 brush selected").arg(tool->m_sName);
    Log("%s\n", qPrintable(message));
    General::Shell().SetStatusMessage(message, 0);
    // The default stamp is shipped with the program (Load says when it cannot be read).
    if (!tool->m_sStampImage.isEmpty() && m_cStamp.Load(General::ShippedFile(tool->m_sStampImage)))
        m_cStamp.m_bEnabled = true;
    const bool pending = tool->m_iStampSetting >= 0;
    if (pending) {
        SelectFalloff(tool->m_iStampSetting);
        tool->m_iStampSetting = -1;
    }
    if (pending || checkTray) {
        host.CheckTrayItem(QStringLiteral("Stamp"), tool->m_sStampFile);
        host.CheckTrayItem(QStringLiteral("Tool"), tool->m_sName);
        host.CheckTrayItem(QStringLiteral("Falloff"), QString::number(tool->m_iFinalSetting));
        host.RefreshBrushPage();
    }
    General::NURBSCurve &falloff = tool->m_falloff;
    if (!falloff.GetSamples().HasItems() && falloff.GetControlPointCount() > falloff.GetDegree())
        falloff.Precalculate();
    m_bTemporaryTool = false;
    CreateManipulator();
}

void Interface::SelectFalloff(int index)
{
    Brush *tool = m_pCurrentTool;
    const auto &falloffs = Brush::Falloffs();
    if (!tool || index < 0 || size_t(index) >= falloffs.size() || index == tool->m_iFinalSetting)
        return;
    m_iLastFalloff = tool->m_iFinalSetting;
    tool->m_falloff = *falloffs[size_t(index)];
    tool->m_falloff.Precalculate();
    tool->m_iFinalSetting = index;
    InteractionHost().RefreshBrushPage();
}

void Interface::CreateManipulator()
{
    Scene *scene = Scene::GetCurrent();
    Object *object = m_pActiveObject ? m_pActiveObject : (m_lSelection.isEmpty() ? nullptr : m_lSelection.first());
    if (!m_pCurrentTool || !object || !scene)
        return;
    int mode = -1;
    switch (m_pCurrentTool->m_iType) {
    case Operations::kTranslateTool:
        mode = Manipulator::kTranslate;
        break;
    case Operations::kScaleTool:
        mode = Manipulator::kScale;
        break;
    case Operations::kRotateTool:
        mode = Manipulator::kRotate;
        break;
    default:
        break;
    }
    if (mode < 0 || (m_pManipulator && m_pManipulator->GetMode() == mode)) {
        // Another kind of tool, or the same transform tool again: the gizmo goes.
        if (m_pManipulator) {
            DropManipulator();
            Redraw();
        }
        return;
    }
    DropManipulator();
    SetManipulator(std::make_unique<Manipulator>(*object, mode, object->GetAABB().GetMaxSize(), Manipulator::kNone,
                                                 nullptr));
    Redraw();
}

void Interface::SetManipulator(std::unique_ptr<Manipulator> manipulator)
{
    m_pManipulator = std::move(manipulator);
    m_bDropManipulator = false;
    if (m_pManipulator)
        m_bBrushCursor = false;
}

void Interface::DropManipulator()
{
    if (!m_pManipulator)
        return;
    // A drag in progress still holds it: it goes when the drag ends.
    if (m_cEventHandler.GetCurrentTool() == m_pManipulator.get()) {
        m_bDropManipulator = true;
        return;
    }
    m_pManipulator.reset();
    m_bBrushCursor = !(m_pCurrentTool && m_pCurrentTool->m_iType == Operations::kSelectObject);
}

void Interface::EndPresetManipulator()
{
    // Deletes the preset gizmo, whose drag has just ended and which nothing holds any more.
    std::unique_ptr<Manipulator> next = m_pManipulator ? m_pManipulator->TakeNext() : nullptr;
    m_pManipulator = std::move(next);
    if (m_pManipulator)
        m_pManipulator->UpdateAxes();
    else
        m_bBrushCursor = !(m_pCurrentTool && m_pCurrentTool->m_iType == Operations::kSelectObject);
    Redraw();
}
