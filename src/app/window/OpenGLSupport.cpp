#include "app/window/OpenGLSupport.h"

#include "viewport/view/SceneView.h"

#include <QGuiApplication>
#include <QOpenGLContext>

bool CanShowOpenGLView()
{
    const QString platform = QGuiApplication::platformName();
    for (const char *headless : {"offscreen", "minimal", "vnc", "linuxfb"})
        if (platform == QLatin1String(headless))
            return false;
    QOpenGLContext context;
    context.setFormat(SceneView::Format());
    return context.create();
}
