#pragma once
// Tests that need an OpenGL context skip without one (CTest shows them as skipped), so
// the suite still runs on a machine without a display. A run that must exercise them
// sets TEVRIN_REQUIRE_GL, and a missing context then fails the test.
#include <gtest/gtest.h>

#include <cstdlib>

#define SKIP_OR_FAIL_WITHOUT_GL()                                           \
    do {                                                                    \
        if (std::getenv("TEVRIN_REQUIRE_GL"))                               \
            FAIL() << "no OpenGL context, but this run requires one";       \
        GTEST_SKIP() << "no OpenGL context (run under xvfb-run)";            \
    } while (0)
