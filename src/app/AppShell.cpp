#include "app/AppShell.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>

#include <cstdio>

namespace {
// The dialog counts in ints; totals of large files are shown in thousandths.
constexpr int kSteps = 1000;
}  // namespace

AppShell::~AppShell() { delete m_pProgress; }

void AppShell::ProgressStart(const QString &text, uint64_t total)
{
    if (!m_pProgress) {
        m_pProgress = new QProgressDialog();
        m_pProgress->setWindowTitle(QString::fromLatin1(General::ProgramTitle()));
        m_pProgress->setMinimumDuration(500);
        m_pProgress->setAutoReset(false);
        m_pProgress->setAutoClose(false);
        QObject::connect(m_pProgress, &QProgressDialog::canceled, [this] { m_bCancelled = true; });
    }
    m_iTotal = total;
    m_bCancelled = false;
    m_pProgress->setLabelText(text);
    m_pProgress->setRange(0, kSteps);
    m_pProgress->setValue(0);
}

void AppShell::ProgressSet(uint64_t value)
{
    if (m_pProgress && m_iTotal && value <= m_iTotal)
        m_pProgress->setValue(int(value * kSteps / m_iTotal));
}

void AppShell::ProgressEnd()
{
    if (m_pProgress)
        m_pProgress->reset();
}

void AppShell::ProcessEvents() { QCoreApplication::processEvents(); }

bool AppShell::TakeCancelRequest()
{
    const bool cancelled = m_bCancelled;
    m_bCancelled = false;
    return cancelled;
}

void AppShell::SetStatusMessage(const QString &text, int)
{
    if (m_pStatus)
        m_pStatus->setText(text);
}

void AppShell::CriticalMessage(const QString &text)
{
    QMessageBox::critical(nullptr, QString::fromLatin1(General::ProgramTitle()), text);
}

void AppShell::AppendLogWindow(const QString &text)
{
    // The console shows what the log says until the log windows exist.
    std::fputs(text.toLocal8Bit().constData(), stderr);
}
