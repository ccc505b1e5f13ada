// A recorded session of strokes played back: the same mesh, byte for byte, every time.
#include "StrokeFixtures.h"

#include <QTemporaryDir>

namespace {

using General::Vector;

class BenchmarkStrokes : public StrokeTest {
protected:
    // A stroke with the Qt modifier flags held (Shift picks the temporary smooth brush).
    void StrokeHolding(uint32_t qtModifiers, std::initializer_list<Vector> points, float pressure)
    {
        bool first = true;
        for (const Vector &p : points) {
            InputState state = At(p, pressure);
            state.left = 1;
            state.modifiers = qtModifiers;
            if (first)
                m_interface->OnInputButton(state, true);
            else
                m_interface->OnInputMove(state);
            first = false;
        }
        InputState state = At(*(points.end() - 1), pressure);
        state.modifiers = qtModifiers;
        m_interface->OnInputButton(state, false);
    }
    void Key(int key, Qt::KeyboardModifiers modifiers)
    {
        m_interface->OnKeyPress(QKeyEvent(QEvent::KeyPress, key, modifiers));
        m_interface->OnKeyRelease(QKeyEvent(QEvent::KeyRelease, key, modifiers));
    }
};

TEST_F(BenchmarkStrokes, ThreeStrokesAndAnUndoPlayBackToTheSameMesh)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString script = folder.filePath(QStringLiteral("benchmark"));
    const std::vector<char> before = Bytes(*m_object);
    ASSERT_TRUE(m_interface->StartRecording(script));
    Stroke({Vector(2.5f, 4.2f, 0), Vector(3.5f, 4.3f, 0), Vector(5.5f, 4.1f, 0)});
    StrokeHolding(0, {Vector(4.0f, 2.5f, 0), Vector(4.2f, 3.5f, 0), Vector(4.1f, 5.7f, 0)}, 0.6f);
    StrokeHolding(uint32_t(Qt::ShiftModifier), {Vector(3.0f, 3.0f, 0), Vector(5.0f, 5.0f, 0)}, 1.0f);
    Stroke({Vector(1.5f, 6.2f, 0), Vector(6.5f, 6.1f, 0)});
    Key(Qt::Key_Z, Qt::ControlModifier);
    const std::vector<char> recorded = Bytes(*m_object);
    ASSERT_NE(recorded, before);

    for (int pass = 0; pass < 2; ++pass) {
        Reset();  // the scene, the grid and the controller as they were before the session
        ASSERT_EQ(Bytes(*m_object), before);
        m_interface->PlayBenchmark(script);
        EXPECT_TRUE(Bytes(*m_object) == recorded) << "pass " << pass;
    }
}

}  // namespace
