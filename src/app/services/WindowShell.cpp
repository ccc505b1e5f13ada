#include "app/services/WindowShell.h"

#include "app/startup/CommandSwitches.h"
#include "app/startup/Splash.h"
#include "app/window/Tevrin.h"
#include "app/window/WindowSettings.h"
#include "gui/common/ModalDialogs.h"
#include "gui/dialogs/LogWindow.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "interaction/Interface.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include <cstdio>

namespace {
// Runs `call` now on the GUI thread, or queued from any other thread.
template <class Call>
void OnGuiThread(Call call)
{
    if (QThread::currentThread() == qApp->thread())
        call();
    else
        QMetaObject::invokeMethod(qApp, call, Qt::QueuedConnection);
}
}  // namespace

WindowShell::WindowShell(Tevrin &window) : m_rWindow(window) {}

void WindowShell::ProcessEvents()
{
    // A pass flushes whatever changed, the labels of the status bar among them, and a flush
    // composes the whole window with its OpenGL view: paced, so a fast operation stays fast.
    if (!m_cPasses.Due())
        return;
    const bool wasBusy = m_rWindow.IsBusy();
    m_rWindow.SetBusy(true);
    m_cPasses.Run([this] { ProgressShell::ProcessEvents(); });
    m_rWindow.SetBusy(wasBusy);
}

bool WindowShell::TakeCancelRequest()
{
    Interface *controller = Interface::Get();
    if (!controller || !controller->m_bCancel)
        return false;
    controller->m_bCancel = false;
    return true;
}

void WindowShell::SetMemoryLabel(const QString &text)
{
    OnGuiThread([text] {
        if (Tevrin *window = Tevrin::Get())
            window->SetMemoryText(text);
    });
}

void WindowShell::SetStatusMessage(const QString &text, int state)
{
    OnGuiThread([text, state] { Tevrin::SetStatusMessage(state, text); });
}

void WindowShell::CriticalMessage(const QString &text)
{
    if (s_pModal)
        s_pModal->CriticalMessage(text);
    else
        ShowMessage(kCritical, QString::fromLatin1(General::ProgramTitle()), text);
}

void WindowShell::ShowMessage(MessageKind kind, const QString &title, const QString &text)
{
    if (m_bHolding && kind == kWarning) {
        if (!m_lHeld.contains(text))
            m_lHeld << text;
        return;
    }
    // The splash stays on top of every window: it must not hide what a person is to read.
    Splash::Finish(nullptr);
    if (s_pModal)
        return s_pModal->ShowMessage(kind, title, text);
    // Nobody would close the box: the console gets it instead.
    if (CommandSwitches::s_bUnattended) {
        std::fprintf(stderr, "%s: %s\n", title.toLocal8Bit().constData(), text.toLocal8Bit().constData());
        return;
    }
    const QMessageBox::Icon icon = kind == kCritical  ? QMessageBox::Critical
                                   : kind == kWarning ? QMessageBox::Warning
                                                      : QMessageBox::Information;
    QMessageBox box(icon, title, text, QMessageBox::Ok, &m_rWindow);
    box.exec();
}

void WindowShell::ReleaseWarnings()
{
    m_bHolding = false;
    if (m_lHeld.isEmpty())
        return;
    const QString text = m_lHeld.join(QStringLiteral("\n\n"));
    m_lHeld.clear();
    ShowMessage(kWarning, QString::fromLatin1(General::ProgramTitle()), text);
}

int WindowShell::AskQuestion(const QString &title, const QString &text, const QStringList &buttons, int byDefault,
                             int escape)
{
    Splash::Finish(nullptr);
    if (s_pModal)
        return s_pModal->AskQuestion(title, text, buttons, byDefault, escape);
    if (CommandSwitches::s_bUnattended) {
        std::fprintf(stderr, "%s: %s (not asked: unattended)\n", title.toLocal8Bit().constData(),
                     text.toLocal8Bit().constData());
        return escape;
    }
    return GUI::Modals().AskQuestion(&m_rWindow, title, text, buttons, byDefault, escape);
}

QString WindowShell::TempFolder() const { return WindowSettings::Current().tempFolder; }

void WindowShell::AppendLogWindow(const QString &text) { GUI::LogWindow::AppendEverywhere(text); }

void WindowShell::ReleaseNode(General::Node *node)
{
    if (QThread::currentThread() == qApp->thread())
        GUI::PropertiesDialog::ReleaseNodeEverywhere(node);
}
