// Tevrin's entry point: the application object, the command line, and then one of the
// roads: batch map extraction (no window, no event loop) or the interactive program.
#include "app/InteractiveRoad.h"
#include "app/startup/BatchRoad.h"
#include "app/startup/CommandLine.h"
#include "app/startup/Console.h"
#include "app/startup/OpenGLProbe.h"
#include "app/startup/OutOfMemory.h"
#include "app/startup/Splash.h"
#include "app/startup/TevrinApplication.h"
#include "foundation/Diagnostics.h"
#include "mapping/Mapper.h"
#include "mapping/MappingGlobals.h"
#include "scene/SceneGlobals.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <memory>

namespace {

// The exit code of a run that cannot go on (-1 as the shell sees it).
constexpr int kFailure = 255;

}  // namespace

int main(int argc, char *argv[])
{
    Console("Starting initialization...\n");
    // Read before anything may change the current folder: relative paths are the user's.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    CommandLine commandLine(arguments, QDir::currentPath());

    QCoreApplication::setOrganizationName(QStringLiteral("Orvexa"));
    QCoreApplication::setApplicationName(QStringLiteral("Tevrin"));
    // The batch road needs no display: it gets a core application object only.
    std::unique_ptr<QCoreApplication> application;
    if (commandLine.MapExtraction())
        application = std::make_unique<QCoreApplication>(argc, argv);
    else
        application = MakeApplicationOrExit(argc, argv);
    Console("Application object created.\n");
    if (!commandLine.MapExtraction() && !HasOpenGL()) {
        qCritical("This system has no OpenGL support. Exiting.");
        return kFailure;
    }

    InitializeSceneGlobals();
    InitializeMappingGlobals();
    // The engine exists before the command line so that the switches fill its settings.
    std::unique_ptr<MapExtraction::Mapper> engine;
    try {
        engine = std::make_unique<MapExtraction::Mapper>();
    } catch (const General::Error &error) {
        std::fprintf(stderr, "%s\n", error.GetMessage().toLocal8Bit().constData());
    }
    Console("Mapper initialized.\n");

    const bool applied = commandLine.Apply(engine.get());
    for (const QString &warning : commandLine.Warnings())
        std::fprintf(stderr, "%s\n", warning.toLocal8Bit().constData());
    if (!applied) {
        std::fprintf(stderr, "%s\n", commandLine.Error().toLocal8Bit().constData());
        return kFailure;
    }
    Console("Arguments parsed.\n");

    if (!commandLine.MapExtraction()) {
        Splash::Show();
        Console("Splash screen created.\n");
    }

    InstallOutOfMemoryHandler();
    Console("New handler set.\n");

    if (commandLine.MapExtraction()) {
        if (!engine) {
            std::fprintf(stderr, "Map extraction failed: the map extraction engine could not be built\n");
            return kFailure;
        }
        return RunBatchRoad(commandLine, *engine);
    }
    // The engine serves the command line only.
    engine.reset();
    return RunInteractive(commandLine.FileArgument());
}
