#include "app/startup/OpenGLProbe.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>

bool HasOpenGL()
{
    QOpenGLContext context;
    if (!context.create())
        return false;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    return surface.isValid() && context.makeCurrent(&surface) && (context.doneCurrent(), true);
}
