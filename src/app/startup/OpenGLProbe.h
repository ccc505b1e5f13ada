#pragma once
// Whether this platform can give the 3D view an OpenGL context; asked before any view exists.

// Needs a QGuiApplication. Makes a context on an off-screen surface and drops it again.
bool HasOpenGL();
