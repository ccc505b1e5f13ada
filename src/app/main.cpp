// Tevrin's entry point: the application object, then the interactive run with the files
// named on the command line.
#include "app/InteractiveRoad.h"
#include "scene/SceneGlobals.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char *argv[])
{
    InitializeSceneGlobals();  // the scene layer brings up the layers below it first
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tevrin"));
    // The leading words that are no switches name one file (a name with blanks arrives in parts).
    QStringList words;
    const QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 1; i < arguments.size() && !arguments[i].startsWith(QLatin1Char('-')); ++i)
        words << arguments[i];
    return RunInteractive(words.join(QLatin1Char(' ')));
}
