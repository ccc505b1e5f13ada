#pragma once
// Running a named command from a menu, the 3D view's context menu or a panel: the name
// goes to the event handler of the interaction layer, and an error the command throws is
// shown to the user instead of ending the caller's work. Every such caller goes through
// RunCommand, so all of them treat errors alike.

#include "foundation/Installable.h"

#include <QString>

namespace General {
class Error;
}

namespace GUI {

// The event handler's side, installed by the application once the controller exists;
// until then a name runs nothing.
class CommandHandlers : public General::Installable<CommandHandlers> {
public:
    virtual ~CommandHandlers() = default;
    // Activates the handler called `name`, which runs its command; may throw General::Error.
    virtual void Activate(const QString &name) {}
    // Runs the option step of the command called `name` (its options dialog); may throw.
    virtual void ActivateOption(const QString &name) {}
};

// Runs the handler called `name`; a General::Error is shown in a box titled "Error" and the
// caller goes on.
void RunCommand(const QString &name);
// The same for the command's option step.
void RunCommandOption(const QString &name);

// The error's message in a critical box titled "Error" with one OK button.
void ShowError(const General::Error &error);

}  // namespace GUI
