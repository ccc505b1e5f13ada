#pragma once
// The interactive program: the main window over the scene, the file named on the command
// line, the event loop and the tear-down.

#include <QString>

class QWidget;

// Opens `fileArgument` (absolute; empty for none), runs the event loop and tears down.
// Needs the application object. Returns the exit code: the event loop's result, 0 after a
// benchmark playback, 255 without OpenGL or when the main window cannot be made.
int RunInteractive(const QString &fileArgument);

// In benchmark playback, tells the person that a recording is about to play and waits for
// OK; nothing otherwise. Goes through the window's message shell, which the main window
// installs, so an unattended run prints it instead of waiting.
void ShowBenchmarkNotice();

// Runs the application's event loop and returns its result. A main window closed before the
// loop began (a quit or a close handled while the start still processed events) ends the
// run at once with 0: Qt drops a quit asked while no loop runs.
int RunEventLoop(const QWidget &window);
