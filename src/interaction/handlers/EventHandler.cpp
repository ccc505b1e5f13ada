#include "interaction/handlers/EventHandler.h"

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "interaction/Interface.h"
#include "interaction/commands/Commands.h"
#include "interaction/handlers/Function.h"

#include <cstring>

EventHandler::EventHandler(Interface &owner) : m_rOwner(owner) { InstallDefaultBodies(); }

Function *EventHandler::OnUserEvent(int event, const char *name)
{
    if (m_pCurrentTool) {
        // The tool owns the mouse until its handler goes; no body runs meanwhile.
        if (event == eventMouseMove) {
            m_pCurrentTool->OnMove(m_rOwner.m_fMouseX, m_rOwner.m_fMouseY);
        } else if (event == eventDeactivate) {
            Function *tool = m_pCurrentTool;
            m_pCurrentTool = nullptr;
            tool->OnEnd(m_rOwner.m_fMouseX, m_rOwner.m_fMouseY);
            m_rOwner.ToolEnded(tool);
        }
        return nullptr;
    }
    if (event == eventRegister) {
        Register();
        return nullptr;
    }
    if (!name)
        return nullptr;
    const auto body = m_mBodies.find(name);
    if (body == m_mBodies.end() || !body->second)
        return nullptr;
    return body->second(event);
}

void EventHandler::ActivateHandler(Handler *handler)
{
    if (!handler || handler->m_iKey == 0)
        return;
    // With the "test" switch, which chord reached which handler: scripts that drive the
    // program with real input read it from the log.
    if (InteractionHost().TestSwitch())
        Log("Handler %s (0x%x)\n", handler->m_sID, handler->m_iKey);
    m_rOwner.m_fActivationX = m_rOwner.m_fMouseX;
    m_rOwner.m_fActivationY = m_rOwner.m_fMouseY;
    // Clears any text the previous command left.
    General::Shell().SetStatusMessage(QString(), 0);
    m_pCurrentTool = OnUserEvent(eventActivate, handler->m_sID);
    if (m_pCurrentTool)
        m_pCurrentTool->OnBegin(m_rOwner.m_fMouseX, m_rOwner.m_fMouseY);
    if (handler->m_bSticky)
        m_pStickyHandler = handler;
    else
        m_pActiveHandler = handler;
}

void EventHandler::DeactivateHandlers(bool alsoSticky)
{
    if (m_pActiveHandler) {
        Handler *handler = m_pActiveHandler;
        m_pActiveHandler = nullptr;
        if (OnUserEvent(eventDeactivate, handler->m_sID) != nullptr)
            AssertFailed("EventHandler", 89, "OnUserEvent( eventDeactivate, m_pActiveHandler->m_sID ) == 0", nullptr);
    }
    if (alsoSticky && m_pStickyHandler) {
        Handler *handler = m_pStickyHandler;
        m_pStickyHandler = nullptr;
        if (OnUserEvent(eventDeactivate, handler->m_sID) != nullptr)
            AssertFailed("EventHandler", 94, "OnUserEvent( eventDeactivate, m_pStickyHandler->m_sID ) == 0", nullptr);
    }
}

void EventHandler::ActivateByCode(uint32_t code) { ActivateHandler(FindHandlerByKey(code)); }

Handler *EventHandler::FindHandlerByKey(uint32_t code)
{
    for (unsigned i = 0; i < m_aHandlers.GetItemCount(); ++i)
        if (m_aHandlers[i].m_iKey == code)
            return &m_aHandlers[i];
    return nullptr;
}

Handler *EventHandler::FindHandlerByName(const char *name)
{
    if (!name)
        return nullptr;
    for (unsigned i = 0; i < m_aHandlers.GetItemCount(); ++i)
        if (std::strcmp(m_aHandlers[i].m_sID, name) == 0)
            return &m_aHandlers[i];
    return nullptr;
}

void EventHandler::SetBody(const char *name, Body body)
{
    if (body)
        m_mBodies[name] = std::move(body);
    else
        m_mBodies.erase(name);
}

void EventHandler::InstallDefaultBodies()
{
    // Tool slots: a tap switches the tool, holding the key switches it only while held.
    static const char *const kToolSlots[] = {"Tool slot 1", "Tool slot 2", "Tool slot 3",
                                             "Tool slot 4", "Tool slot 5", "Tool slot 6",
                                             "Tool slot 7", "Tool slot 8", "Tool slot 9"};
    for (int slot = 1; slot <= 9; ++slot) {
        SetBody(kToolSlots[slot - 1], [slot](int event) -> Function * {
            const QString tray = QStringLiteral("My Tools");
            if (event == eventActivate || event == eventMenuCommand)
                InteractionHost().SelectTrayItem(tray, slot);
            if (event == eventRepeat)
                InteractionHost().MarkTraySelectionTemporary(tray);
            if (event == eventDeactivate || event == eventMenuCommand)
                InteractionHost().RestoreTraySelection(tray);
            return nullptr;
        });
    }
    Commands::InstallObjectCommands(*this, m_rOwner);
    Commands::InstallViewToggleCommands(*this, m_rOwner);
    Commands::InstallCameraCommands(*this, m_rOwner);
    Commands::InstallSymmetryCommands(*this, m_rOwner);
    Commands::InstallCurveCommands(*this);
    Commands::InstallManipulatorCommands(*this, m_rOwner);
    Commands::InstallBrushCommands(*this, m_rOwner);
}
