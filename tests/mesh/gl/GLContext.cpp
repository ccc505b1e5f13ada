#include "GLContext.h"

#include "mesh/buffers/BufferEntryPoints.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QSurfaceFormat>

#include <gtest/gtest.h>

#include <cstdlib>

namespace gltest {
namespace {

class GLEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        // Without a display only the offscreen platform starts; it then has no OpenGL.
        if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        s_pApplication = new QGuiApplication(s_iArgc, s_aArgv);
        QSurfaceFormat format;
        format.setRenderableType(QSurfaceFormat::OpenGL);
        format.setProfile(QSurfaceFormat::CompatibilityProfile);
        format.setVersion(2, 1);
        s_pSurface = new QOffscreenSurface;
        s_pSurface->setFormat(format);
        s_pSurface->create();
        auto *context = new QOpenGLContext;
        context->setFormat(format);
        if (!s_pSurface->isValid() || !context->create() || !context->makeCurrent(s_pSurface)) {
            delete context;
            return;
        }
        m_pContext = context;
        BufferEntryPoints::Install(
            BufferEntryPoints::Resolve([context](const char *name) { return context->getProcAddress(name); }));
    }

    // The application, surface and context live until the process ends: tearing them
    // down unloads the OpenGL driver, whose process-lifetime caches the leak checker
    // could then no longer tell apart from ours.
    void TearDown() override
    {
        BufferEntryPoints::Install(BufferEntryPoints{});
        if (m_pContext)
            m_pContext->doneCurrent();
    }

    QOpenGLContext *m_pContext = nullptr;

    static inline QGuiApplication *s_pApplication = nullptr;
    static inline QOffscreenSurface *s_pSurface = nullptr;
    static inline int s_iArgc = 1;
    static inline char s_sName[24] = "mesh_buffer_gl_tests";
    static inline char *s_aArgv[2] = {s_sName, nullptr};
};

GLEnvironment *s_pEnvironment =
    static_cast<GLEnvironment *>(testing::AddGlobalTestEnvironment(new GLEnvironment));

}  // namespace

QOpenGLContext *Context() { return s_pEnvironment->m_pContext; }

}  // namespace gltest
