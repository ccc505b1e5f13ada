#pragma once
// Whether this platform can show the 3D view: an OpenGL context of the view's format, on
// a window system that draws OpenGL widgets (the headless platforms make contexts but
// cannot show such widgets). Needs the application object.
bool CanShowOpenGLView();
