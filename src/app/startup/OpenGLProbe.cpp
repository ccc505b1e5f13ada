#include "app/startup/OpenGLProbe.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>

bool HasOpenGL()
{
    const QString platform = QGuiApplication::platformName();
    for (const char *headless : {"offscreen", "minimal", "vnc", "linuxfb"})
        if (platform == QLatin1String(headless))
            return false;
    QOpenGLContext context;
    if (!context.create())
        return false;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    return surface.isValid() && context.makeCurrent(&surface) && (context.doneCurrent(), true);
}
