// The off-screen buffer in a real OpenGL context: its size for a view, the picture
// ratios, and a frame drawn into it and shown in the window's framebuffer.
#include "mesh/gl/GLContext.h"

#include "support/RecordingShell.h"
#include "viewport/PBuffer.h"

#include <QColor>
#include <QImage>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>

#include <gtest/gtest.h>

namespace {

class PBuffers : public testing::Test {
protected:
    void SetUp() override { REQUIRE_GL(); }
};

}  // namespace

TEST(PBufferSize, SidesArePowersOfTwoCappedAtTheMaximum)
{
    struct Row {
        int width, height, maximum;
        QSize size;
    } rows[] = {
        {1000, 700, 2048, QSize(1024, 1024)}, {1000, 700, 512, QSize(512, 512)}, {1024, 1, 4096, QSize(1024, 1)},
        {1025, 3, 4096, QSize(2048, 4)},      {0, 0, 2048, QSize(1, 1)},         {300, 200, 0, QSize(1, 1)},
        {5000, 40, 1000, QSize(1000, 64)},
    };
    for (const Row &row : rows)
        EXPECT_EQ(PBuffer::BufferSize(row.width, row.height, row.maximum), row.size)
            << row.width << " x " << row.height << " at most " << row.maximum;
}

TEST_F(PBuffers, AViewGetsAPowerOfTwoBufferAndItsPictureRatios)
{
    struct Row {
        int maximum;
        int bufferSide, neededWidth, neededHeight;
        float widthRatio, heightRatio;
    } rows[] = {
        {2048, 1024, 1000, 700, 1000.0f / 1024.0f, 700.0f / 1024.0f},
        {512, 512, 512, 512, 1.0f, 1.0f},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.maximum);
        Recorder().Clear();
        auto buffer = PBuffer::Create(1000, 700, row.maximum);
        ASSERT_NE(buffer, nullptr);
        EXPECT_EQ(buffer->GetBufferWidth(), row.bufferSide);
        EXPECT_EQ(buffer->GetBufferHeight(), row.bufferSide);
        EXPECT_EQ(buffer->GetNeededWidth(), row.neededWidth);
        EXPECT_EQ(buffer->GetNeededHeight(), row.neededHeight);
        EXPECT_FLOAT_EQ(buffer->GetWidthRatio(), row.widthRatio);
        EXPECT_FLOAT_EQ(buffer->GetHeightRatio(), row.heightRatio);
        // The log names the size asked for by the view, not the reduced one.
        EXPECT_TRUE(Recorder().LogContains(
            QStringLiteral("PBuffer created with size %1:%1 (1000:700 needed)").arg(row.bufferSide)))
            << Recorder().log.toStdString();
    }
}

TEST_F(PBuffers, AFrameDrawnIntoTheBufferIsShownInTheWindow)
{
    QOpenGLFunctions *gl = gltest::Context()->functions();
    // The window: a framebuffer of its own, bound as the view's would be while it paints.
    QOpenGLFramebufferObject window(64, 48);
    ASSERT_TRUE(window.bind());
    gl->glViewport(0, 0, 64, 48);
    gl->glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT);

    auto buffer = PBuffer::Create(40, 30, 2048);
    ASSERT_NE(buffer, nullptr);
    ASSERT_TRUE(buffer->SetAsTarget());
    gl->glViewport(0, 0, 64, 64);
    gl->glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_TRUE(buffer->RestoreTarget());
    GLint bound = 0;
    gl->glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(GLuint(bound), window.handle());

    // The window still shows what it had until the buffer is displayed.
    EXPECT_EQ(window.toImage().pixelColor(10, 47 - 10), QColor(0, 0, 255));
    ASSERT_TRUE(buffer->Display());
    gl->glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(GLuint(bound), window.handle());
    // Only the needed 40 x 30 at the lower left is copied; toImage is top-down.
    const QImage shown = window.toImage();
    EXPECT_EQ(shown.pixelColor(0, 47), QColor(255, 0, 0));
    EXPECT_EQ(shown.pixelColor(39, 47 - 29), QColor(255, 0, 0));
    EXPECT_EQ(shown.pixelColor(40, 47 - 10), QColor(0, 0, 255));
    EXPECT_EQ(shown.pixelColor(10, 47 - 30), QColor(0, 0, 255));
    QOpenGLFramebufferObject::bindDefault();
}
