// The file, map and window commands: each forwards to the controller's file functions or
// to the main window, on activation by key or menu only.
#include "interaction/commands/Commands.h"

#include "interaction/Interface.h"
#include "interaction/files/FileServices.h"
#include "interaction/handlers/EventHandler.h"

#include <functional>

namespace Commands {

void InstallFileCommands(EventHandler &handlers, Interface &controller)
{
    Interface *c = &controller;
    const std::pair<const char *, std::function<void()>> commands[] = {
        {"Open", [c] { c->OpenFile(false, QString(), 0); }},
        {"Save scene", [c] { c->SaveScene(false); }},
        {"Save scene as", [c] { c->SaveScene(true); }},
        {"Import", [c] { c->OpenFile(true, QString(), 0); }},
        {"Import as layer", [c] { c->OpenFile(true, QString(), 1); }},
        {"Import UV", [c] { c->OpenFile(true, QString(), 2); }},
        {"Export faces", [c] { c->Export(false); }},
        {"Export levels", [c] { c->Export(true); }},
        {"New scene", [c] { c->NewScene(); }},
        {"Texture bake", [] { FileHost().ShowTextureBake(); }},
        {"Mesh displace", [] { FileHost().ShowMeshDisplace(); }},
        {"Full screen", [] { FileHost().ToggleFullScreen(); }},
        {"Quit", [] { FileHost().Quit(); }},
    };
    for (const auto &command : commands)
        handlers.SetBody(command.first, [call = command.second](int event) -> Function * {
            if (event == eventActivate || event == eventMenuCommand)
                call();
            return nullptr;
        });
}

}  // namespace Commands
