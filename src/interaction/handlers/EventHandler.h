#pragma once
// The table of named handlers and the dispatcher between input and command bodies.
// Key input activates the handler bound to the held chord; a body either acts at once
// or returns a tool that then takes the mouse until the handler is released.

#include "foundation/Containers.h"
#include "interaction/handlers/Handler.h"

#include <functional>
#include <string>
#include <unordered_map>

class Function;
class Interface;

class EventHandler {
public:
    // A command body: answers the events it cares about; returns a tool only for
    // eventActivate of a tool handler, else null.
    using Body = std::function<Function *(int event)>;

    explicit EventHandler(Interface &owner);
    EventHandler(const EventHandler &) = delete;
    EventHandler &operator=(const EventHandler &) = delete;

    // Routes one event. While a tool is current it takes moves and the release and
    // swallows everything else; eventRegister fills and sorts the table.
    Function *OnUserEvent(int event, const char *name);

    // Runs the body with eventActivate, keeps a returned tool and starts it, and holds the
    // record as the sticky or the active handler. Nothing for null or a record with code 0.
    void ActivateHandler(Handler *handler);
    // Releases the active handler and, with alsoSticky, the sticky one.
    void DeactivateHandlers(bool alsoSticky);
    void ActivateByCode(uint32_t code);

    // The first record in table order with that code (names sorted: the first name wins a tie).
    Handler *FindHandlerByKey(uint32_t code);
    Handler *FindHandlerByName(const char *name);

    // Installs (or with an empty body removes) the body of a named handler; the command
    // layers fill in theirs as they are built.
    void SetBody(const char *name, Body body);

    unsigned GetHandlerCount() const { return m_aHandlers.GetItemCount(); }
    Handler &GetHandler(unsigned index) { return m_aHandlers[index]; }
    Function *GetCurrentTool() const { return m_pCurrentTool; }

    Handler *m_pActiveHandler = nullptr;
    Handler *m_pStickyHandler = nullptr;

private:
    void Register();
    void InstallDefaultBodies();

    Interface &m_rOwner;
    General::Store<Handler> m_aHandlers{"eventhandlers"};
    Function *m_pCurrentTool = nullptr;
    std::unordered_map<std::string, Body> m_mBodies;
};
