#pragma once
// The command bodies of the face, level, hide and lock commands, installed into the
// handler table by name.

class EventHandler;
class Interface;

namespace Commands {

void InstallFaceCommands(EventHandler &handlers, Interface &controller);
void InstallLevelCommands(EventHandler &handlers, Interface &controller);
void InstallHideLockCommands(EventHandler &handlers, Interface &controller);
// The file, map and window commands.
void InstallFileCommands(EventHandler &handlers, Interface &controller);

inline void InstallObjectCommands(EventHandler &handlers, Interface &controller)
{
    InstallFaceCommands(handlers, controller);
    InstallLevelCommands(handlers, controller);
    InstallHideLockCommands(handlers, controller);
    InstallFileCommands(handlers, controller);
}

}  // namespace Commands
