#pragma once
// One offscreen OpenGL context (compatibility profile) for the whole test run, with the
// buffer entry points installed from it. Tests skip when no context can be made (no
// display); run them under a virtual X server.

#include "support/OpenGLRequirement.h"

#include <QOpenGLContext>

namespace gltest {

// The current context, or null when none could be made.
QOpenGLContext *Context();

}  // namespace gltest

#define REQUIRE_GL()                                                  \
    do {                                                              \
        if (!gltest::Context())                                       \
            SKIP_OR_FAIL_WITHOUT_GL();                                \
    } while (0)
