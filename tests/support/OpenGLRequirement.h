#pragma once
// Tests that need an OpenGL context skip without one, so the suite still runs on a
// machine without a display. A run that must exercise them (scripts/test sets
// TEVRIN_REQUIRE_GL) fails instead, so a broken display cannot pass unnoticed.
#include <gtest/gtest.h>

#include <cstdlib>

#define SKIP_OR_FAIL_WITHOUT_GL()                                           \
    do {                                                                    \
        if (std::getenv("TEVRIN_REQUIRE_GL"))                               \
            FAIL() << "no OpenGL context, but this run requires one";       \
        GTEST_SKIP() << "no OpenGL context (run under xvfb-run)";            \
    } while (0)
