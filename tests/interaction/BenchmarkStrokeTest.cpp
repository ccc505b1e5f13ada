// A recorded session of strokes played back: the same mesh, byte for byte, every time.
#include "StrokeFixtures.h"

#include "foundation/ShippedFiles.h"
#include "foundation/images/GrayImage.h"
#include "foundation/images/Pictures.h"
#include "scene/Brush.h"

#include <QDir>
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

// The default tool table's files ship with the program and are found from any current
// folder; the Stamp tool's stamp then jitters two strokes along one path apart, and a
// recording of them plays back to the same mesh every time.
TEST_F(BenchmarkStrokes, TheShippedStampJittersStrokesThatPlayBackAlike)
{
    QTemporaryDir elsewhere;
    ASSERT_TRUE(elsewhere.isValid());
    const QString current = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    const bool hadTools = !Brush::Tools().empty();
    CreateDefaultFalloffs();
    QString stampName;
    for (const auto &tool : Brush::Tools()) {
        EXPECT_FALSE(General::Pictures::Resolve(tool->IconPath()).isEmpty()) << tool->IconPath().toStdString();
        if (tool->m_sStampImage.isEmpty())
            continue;
        stampName = tool->m_sStampImage;
        General::Store<float> pixels;
        uint32_t width = 0, height = 0;
        EXPECT_TRUE(General::LoadGrayImage(pixels, General::ShippedFile(stampName), width, height, false,
                                           General::kGrayAlphaGreen, General::kGrayNone))
            << stampName.toStdString();
    }
    if (!hadTools) {
        Brush::Tools().clear();
        Brush::Falloffs().clear();
    }
    ASSERT_FALSE(stampName.isEmpty());

    // The grid's brush with the table's stamp, chosen as a tray choice does.
    Brush stampTool;
    stampTool.CopySettings(m_tool);
    stampTool.m_iType = m_tool.m_iType;
    stampTool.m_sName = QStringLiteral("Stamp");
    stampTool.m_sStampImage = stampName;
    const auto choose = [&] {
        m_host.preferences.rotateJitter = 0.5f;
        m_host.preferences.positionJitter = 0.3f;
        m_host.preferences.scaleJitter = 0.3f;
        m_host.preferences.strengthJitter = 0.3f;
        m_host.preferences.flipRandomizeX = m_host.preferences.flipRandomizeY = true;
        m_interface->ApplyTrayItem(&stampTool, false);
        EXPECT_TRUE(m_interface->m_cStamp.m_bEnabled && m_interface->m_cStamp.IsPresent());
    };
    choose();
    const std::vector<char> before = Bytes(*m_object);
    const QString script = elsewhere.filePath(QStringLiteral("benchmark"));
    ASSERT_TRUE(m_interface->StartRecording(script));
    const auto stroke = [&] {
        Stroke({Vector(2.5f, 4.2f, 0), Vector(3.5f, 4.3f, 0), Vector(4.5f, 4.1f, 0), Vector(5.5f, 4.2f, 0)});
    };
    stroke();
    const std::vector<char> first = Bytes(*m_object);
    Key(Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(Bytes(*m_object), before);
    stroke();
    const std::vector<char> recorded = Bytes(*m_object);
    EXPECT_NE(first, before);
    EXPECT_NE(recorded, before);
    EXPECT_NE(recorded, first);

    for (int pass = 0; pass < 2; ++pass) {
        Reset();
        choose();
        ASSERT_EQ(Bytes(*m_object), before);
        m_interface->PlayBenchmark(script);
        EXPECT_TRUE(Bytes(*m_object) == recorded) << "pass " << pass;
    }
    QDir::setCurrent(current);
}

}  // namespace
