#include "app/AppShell.h"

#include <QLabel>
#include <QMessageBox>

#include <cstdio>

AppShell::AppShell(QLabel *status) : m_pStatus(status) { SetProgressHolder(status); }

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
