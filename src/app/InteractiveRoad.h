#pragma once
// The interactive program: the main window over the scene and the event loop.

#include <QString>

// Opens `fileArgument` (absolute; empty for none), runs the event loop and tears down;
// the event loop's result. The application object exists, start-up has checked OpenGL.
int RunInteractive(const QString &fileArgument);
