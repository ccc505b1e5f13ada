#pragma once
// The main window built as the program builds it, on a display with OpenGL (the tests
// skip without one). Its message and question boxes go to the test's recording shell,
// which answers them; its console lines can be captured.

#include "app/window/Tevrin.h"
#include "support/OpenGLRequirement.h"
#include "support/RecordingShell.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace apptest {

// Whether the process could make an OpenGL context for the 3D view.
bool HasGL();

#define REQUIRE_WINDOW_GL()            \
    do {                               \
        if (!apptest::HasGL())         \
            SKIP_OR_FAIL_WITHOUT_GL(); \
    } while (0)

// The console lines written while `run` ran.
template <class Run>
QStringList ConsoleLines(Run run)
{
    testing::internal::CaptureStdout();
    run();
    return QString::fromStdString(testing::internal::GetCapturedStdout()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// A torus of `rings` x `sides` quads in an OBJ file.
void WriteTorus(const QString &file, int rings, int sides);

// How many pixels of two frames of one size differ.
int DifferingPixels(const QImage &a, const QImage &b);

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Builds the window (its console lines are dropped).
    void Build();
    // Lets the window show, lay out and paint.
    void Settle();
    QString File(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    std::unique_ptr<Tevrin> m_window;
};

}  // namespace apptest
