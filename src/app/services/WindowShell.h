#pragma once
// The window system as the lower layers reach it through General::ShellServices: the
// progress bar in the status bar's holder, the status and memory labels, the busy flag
// around events run from inside a long operation, the cancel request and the message and
// question boxes on the main window.

#include "gui/progress/ProgressShell.h"
#include "gui/progress/Throttle.h"

class Tevrin;

class WindowShell : public GUI::ProgressShell {
public:
    explicit WindowShell(Tevrin &window);

    void ProcessEvents() override;
    bool TakeCancelRequest() override;
    // Safe from any thread: other threads' texts reach the labels through the event loop.
    void SetMemoryLabel(const QString &text) override;
    void SetStatusMessage(const QString &text, int state) override;
    void CriticalMessage(const QString &text) override;
    void ShowMessage(MessageKind kind, const QString &title, const QString &text) override;
    int AskQuestion(const QString &title, const QString &text, const QStringList &buttons, int byDefault,
                    int escape) override;
    QString TempFolder() const override;
    // The properties windows let go of the dying node (nodes of other threads are never shown).
    void ReleaseNode(General::Node *node) override;
    // Called on the GUI thread only: the log hands other threads' lines over to it.
    void AppendLogWindow(const QString &text) override;

    // From Hold until Release, warnings are gathered (each text once) and Release shows them
    // as one box: the files refused while the window is built are named together once it shows.
    void HoldWarnings() { m_bHolding = true; }
    void ReleaseWarnings();

    // Sends the boxes to `modal` instead of showing them (tests answer them); null shows them.
    static void SetModalOverride(General::ShellServices *modal) { s_pModal = modal; }

private:
    Tevrin &m_rWindow;
    GUI::Throttle m_cPasses;
    bool m_bHolding = false;
    QStringList m_lHeld;
    static inline General::ShellServices *s_pModal = nullptr;
};
