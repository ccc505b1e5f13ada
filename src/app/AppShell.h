#pragma once
// The window-system services the lower layers call, as the program gives them until the
// main window exists: the progress bar (from the GUI layer), message boxes, the status
// line of the start-up window, and the log on the console.

#include "gui/progress/ProgressShell.h"

class QLabel;

class AppShell : public GUI::ProgressShell {
public:
    // The progress bar and the status texts appear on `status`.
    explicit AppShell(QLabel *status);

    void SetStatusMessage(const QString &text, int state) override;
    void CriticalMessage(const QString &text) override;
    void AppendLogWindow(const QString &text) override;

private:
    QLabel *m_pStatus;
};
