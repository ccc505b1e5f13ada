#pragma once
// One offscreen OpenGL context (compatibility profile) for the whole test run, with the
// buffer entry points installed from it. Tests skip when no context can be made (no
// display); run them under a virtual X server.

#include <QOpenGLContext>

namespace gltest {

// The current context, or null when none could be made.
QOpenGLContext *Context();

}  // namespace gltest

#define REQUIRE_GL()                                                  \
    do {                                                              \
        if (!gltest::Context())                                       \
            GTEST_SKIP() << "no OpenGL context (run under xvfb-run)"; \
    } while (0)
