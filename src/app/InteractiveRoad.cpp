#include "app/InteractiveRoad.h"

#include "app/settings/WindowPrompts.h"
#include "app/startup/CommandSwitches.h"
#include "app/startup/Console.h"
#include "app/startup/Splash.h"
#include "app/window/Tevrin.h"
#include "app/welcome/WelcomeDlg.h"
#include "app/window/WindowSettings.h"
#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "interaction/Interface.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <memory>
#include <new>

namespace {

constexpr int kFailure = 255;

// Said on the console, and in a box where there is a screen to show it on.
void Refuse(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal"))
        QMessageBox::critical(nullptr, QString::fromLatin1(General::ProgramTitle()), text);
}

}  // namespace

void ShowBenchmarkNotice()
{
    if (!CommandSwitches::s_bBenchmark)
        return;
    General::Shell().ShowMessage(General::ShellServices::kCritical, QString::fromLatin1(General::ProgramTitle()),
                                 QStringLiteral("Tevrin will open in benchmarking mode and a recording will be played "
                                                "back.\nWe suggest to close all other 3D applications before continue."));
}

int RunEventLoop(const QWidget &window)
{
    // A window shown once and hidden now was closed: its quit went while no loop ran, and
    // the loop would wait for good with nothing on the screen.
    if (window.testAttribute(Qt::WA_WState_ExplicitShowHide) && window.isHidden()) {
        Console("Main window closed during the start.\n");
        return 0;
    }
    return QApplication::exec();
}

int RunInteractive(const QString &fileArgument)
{
    Splash::Message(QStringLiteral("Loading application..."));
    Console("Creating main window...\n");
    std::unique_ptr<Tevrin> window;
    // When a person is there, the first start asks for the folders.
    WindowPrompts prompts;
    try {
        window = std::make_unique<Tevrin>(nullptr, Qt::Window, CommandSwitches::s_bUnattended ? nullptr : &prompts);
    } catch (const std::bad_alloc &) {
        Refuse(QStringLiteral("Cannot create application main window."));
        return kFailure;
    }
    Console("Main widget created.\n");
    // Only now: the box needs the window's message shell.
    ShowBenchmarkNotice();

    // Benchmark runs start from the default layout and leave the user's alone.
    const bool keepsLayout = !CommandSwitches::s_bBenchmark && !CommandSwitches::s_bSaveBenchmark;
    const QString layout = WindowSettings::Current().settingFolder + QStringLiteral("/ui.sav");
    if (keepsLayout) {
        Log("Loading preferences\n");
        Splash::Message(QStringLiteral("Loading preferences..."));
        window->LoadLayout(layout);
        Console("GUI settings loaded.\n");
    }
    window->SetVersionCaption();
    Console("Application version set.\n");

    if (!fileArgument.isEmpty()) {
        Console("Loading command argument file...\n");
        window->GetInterface()->OpenFile(false, fileArgument, 0);
    }
    if (Splash::IsShown()) {
        Splash::Finish(window.get());
        Console("Splash screen deleted, entering the loop.\n");
    }

    int result = 0;
    if (CommandSwitches::s_bBenchmark) {
        bool refused = false;
        const QString report = window->GetInterface()->PlayBenchmark(QStringLiteral("benchmark"), &refused);
        // A script that cannot be played is a run that cannot go on.
        std::fputs(report.toLocal8Bit().constData(), refused ? stderr : stdout);
        std::fflush(refused ? stderr : stdout);
        if (refused)
            result = kFailure;
        if (!CommandSwitches::s_bUnattended)
            General::Shell().ShowMessage(refused ? General::ShellServices::kCritical : General::ShellServices::kInformation,
                                         QStringLiteral("Benchmark"), report);
    } else {
        ShowWelcomeIfWanted(window.get());
        try {
            result = RunEventLoop(*window);
        } catch (const General::Error &error) {
            General::Shell().ShowMessage(General::ShellServices::kCritical, QString::fromLatin1(General::ProgramTitle()),
                                         QStringLiteral("Unhandled exception:") + error.GetMessage());
            window.reset();
            return kFailure;
        }
        Console("Quitting...\n");
        if (keepsLayout)
            window->SaveLayout(layout);
        Console("GUI file updated.\n");
    }
    window.reset();
    Console("Main window deleted. The end.\n");
    return result;
}
