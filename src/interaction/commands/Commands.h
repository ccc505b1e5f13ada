#pragma once
// The command bodies of the face, level, hide and lock commands, installed into the
// handler table by name.

class EventHandler;
class Interface;

namespace Commands {

void InstallFaceCommands(EventHandler &handlers, Interface &controller);
void InstallLevelCommands(EventHandler &handlers, Interface &controller);
void InstallHideLockCommands(EventHandler &handlers, Interface &controller);
// Tool and falloff choice, brush size and strength steps, "Temporary smooth".
void InstallBrushCommands(EventHandler &handlers, Interface &controller);

inline void InstallObjectCommands(EventHandler &handlers, Interface &controller)
{
    InstallFaceCommands(handlers, controller);
    InstallLevelCommands(handlers, controller);
    InstallHideLockCommands(handlers, controller);
}

}  // namespace Commands
