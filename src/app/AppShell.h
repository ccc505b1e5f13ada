#pragma once
// The window-system services the lower layers call, as the program gives them until the
// main window exists: a progress dialog with a cancel button, message boxes, the status
// line of the start-up window, and the log on the console.

#include "foundation/ShellServices.h"

#include <QPointer>
#include <QProgressDialog>

class QLabel;

class AppShell : public General::ShellServices {
public:
    explicit AppShell(QLabel *status) : m_pStatus(status) {}
    ~AppShell() override;

    void ProgressStart(const QString &text, uint64_t total) override;
    void ProgressSet(uint64_t value) override;
    void ProgressEnd() override;
    void ProcessEvents() override;
    bool TakeCancelRequest() override;
    void SetStatusMessage(const QString &text, int state) override;
    void CriticalMessage(const QString &text) override;
    void AppendLogWindow(const QString &text) override;

private:
    QLabel *m_pStatus;
    QPointer<QProgressDialog> m_pProgress;
    uint64_t m_iTotal = 0;
    bool m_bCancelled = false;
};
