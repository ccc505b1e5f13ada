#pragma once
// Whether this platform can show the 3D view; asked before any view exists.

// Needs a QGuiApplication. False on the headless platforms, which make OpenGL contexts but
// cannot show OpenGL widgets; otherwise makes a context on an off-screen surface and drops
// it again.
bool HasOpenGL();
