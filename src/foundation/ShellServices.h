#pragma once
// What the foundation and the mesh model need of the window system: the progress
// display, the busy flag, the status bar, message boxes and the log windows.
// The application installs its implementation at start-up; until then (and in
// tests that install none) every call is a quiet no-op.

#include "foundation/Installable.h"
#include <QString>
#include <QStringList>

#include <cstdint>

namespace General {

class Node;

class ShellServices : public Installable<ShellServices> {
public:
    virtual ~ShellServices() = default;

    // Progress display: Start restarts (or creates) the one bar.
    virtual void ProgressStart(const QString &text, uint64_t total) {}
    // Ignored unless 0 <= value <= total.
    virtual void ProgressSet(uint64_t value) {}
    virtual void ProgressEnd() {}

    // Lets the event loop run once; the main window's busy flag is set meanwhile.
    virtual void ProcessEvents() {}
    // True once after the user asked the running job to stop (asking again clears it).
    virtual bool TakeCancelRequest() { return false; }

    // The memory label of the status bar.
    virtual void SetMemoryLabel(const QString &text) {}
    // State 0 normal, 1 yellow, 2 red (errors).
    virtual void SetStatusMessage(const QString &text, int state) {}
    // A critical message box with the program's title and one OK button.
    virtual void CriticalMessage(const QString &text) {}
    // A message box with the title and one OK button.
    enum MessageKind { kInformation, kWarning, kCritical };
    virtual void ShowMessage(MessageKind kind, const QString &title, const QString &text) {}
    // A question box with the buttons in order: the index of the one chosen, `escape`
    // when the box was closed without a choice (and without a window to ask in).
    virtual int AskQuestion(const QString &title, const QString &text, const QStringList &buttons, int byDefault,
                            int escape)
    {
        return escape;
    }
    // Appends to every open log window.
    virtual void AppendLogWindow(const QString &text) {}
    // Every properties window that shows this node (which is being destroyed) lets go of it.
    virtual void ReleaseNode(Node *node) {}
    // Called once for each failed consistency check, on the thread it failed on, before its log line.
    virtual void AssertionFailed() {}

    // Folder of temporary and swap files.
    virtual QString TempFolder() const;
};

// The installed services (a do-nothing instance until one is installed).
inline ShellServices &Shell() { return ShellServices::Get(); }
// Installs `services` (not owned); null restores the do-nothing instance.
inline void InstallShell(ShellServices *services) { ShellServices::Install(services); }

// The program's title in message boxes.
inline const char *ProgramTitle() { return "Orvexa Tevrin 1.0"; }

}  // namespace General
