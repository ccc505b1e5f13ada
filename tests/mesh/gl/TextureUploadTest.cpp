// Texture uploads and binding in a real OpenGL context (Mesa under Xvfb: run with
// xvfb-run). Without a display the tests are skipped.
#include "support/OpenGLRequirement.h"
#include "mesh/surface/Material.h"
#include "mesh/object/MeshHost.h"
#include "mesh/surface/Texture.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QSurfaceFormat>

#include <GL/gl.h>

#include <memory>

// The OpenGL driver keeps a block from its one-time set-up (made under pthread_once) and
// is unloaded before the leak check can name it; the full unwinder still sees pthread_once.
extern "C" const char *__asan_default_options() { return "fast_unwind_on_malloc=0"; }
extern "C" const char *__lsan_default_suppressions() { return "leak:__pthread_once_slow\n"; }

namespace {

// The view as the textures see it: its switch and its context.
class ViewHost : public MeshHost {
public:
    ViewHost() { MeshHost::Install(this); }
    ~ViewHost() override { MeshHost::Install(nullptr); }
    bool TextureDisplay() const override { return display; }
    int MaximumTextureSize() const override { return maximum; }
    bool MakeViewContextCurrent() override { return context && context->makeCurrent(surface); }

    bool display = true;
    int maximum = 2048;
    QOpenGLContext *context = nullptr;
    QOffscreenSurface *surface = nullptr;
};

class TextureUpload : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            return;
        static int argc = 1;
        static char name[] = "mesh_gl_tests";
        static char *argv[] = {name, nullptr};
        s_pApplication = new QGuiApplication(argc, argv);
        QSurfaceFormat format;
        format.setProfile(QSurfaceFormat::CompatibilityProfile);
        format.setVersion(2, 1);
        s_pSurface = new QOffscreenSurface;
        s_pSurface->setFormat(format);
        s_pSurface->create();
        s_pContext = new QOpenGLContext;
        s_pContext->setFormat(format);
        if (!s_pContext->create()) {
            delete s_pContext;
            s_pContext = nullptr;
        }
    }
    static void TearDownTestSuite()
    {
        delete s_pContext;
        delete s_pSurface;
        delete s_pApplication;
        s_pContext = nullptr;
        s_pSurface = nullptr;
        s_pApplication = nullptr;
    }

    void SetUp() override
    {
        if (!s_pContext)
            SKIP_OR_FAIL_WITHOUT_GL();
        m_host.context = s_pContext;
        m_host.surface = s_pSurface;
        // Texture code asks the view for its context when none is current.
        s_pContext->doneCurrent();
    }

    QString Image(const char *name, int w, int h)
    {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(QColor(10, 200, 30));
        const QString path = m_dir.File(name);
        EXPECT_TRUE(image.save(path));
        return path;
    }

    static GLint Level0(GLenum what)
    {
        GLint value = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, what, &value);
        return value;
    }

    static inline QGuiApplication *s_pApplication = nullptr;
    static inline QOffscreenSurface *s_pSurface = nullptr;
    static inline QOpenGLContext *s_pContext = nullptr;

    ViewHost m_host;
    TempDir m_dir;
};

AABB Tile(int x, int y) { return AABB(General::Vector(float(x), float(y), 0), General::Vector(float(x + 1), float(y + 1), 1)); }

}  // namespace

TEST_F(TextureUpload, PowerOfTwoSizesWithinTheMaximum)
{
    Image("a0001.jpg", 300, 200);
    const struct {
        int maximum, width, height;
    } cases[] = {{2048, 512, 256}, {512, 512, 256}, {256, 256, 256}};
    for (const auto &c : cases) {
        m_host.maximum = c.maximum;
        Surface::Material material;
        material.m_aDiffuseTexture.SetValue(m_dir.File("a0001.jpg"));
        Surface::Texture *texture = material.GetTexture(Tile(0, 0), 0);
        ASSERT_TRUE(texture->HasImage()) << c.maximum;
        ASSERT_NE(QOpenGLContext::currentContext(), nullptr);
        glBindTexture(GL_TEXTURE_2D, texture->GetName());
        EXPECT_EQ(Level0(GL_TEXTURE_WIDTH), c.width) << c.maximum;
        EXPECT_EQ(Level0(GL_TEXTURE_HEIGHT), c.height) << c.maximum;
        // Green stays green through the byte order of the upload.
        GLubyte pixel[4] = {};
        std::vector<GLubyte> pixels(size_t(c.width) * size_t(c.height) * 4);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        std::copy(pixels.begin(), pixels.begin() + 4, pixel);
        EXPECT_LT(pixel[0], 40);
        EXPECT_GT(pixel[1], 170);
        glBindTexture(GL_TEXTURE_2D, 0);
        const QString line = QStringLiteral("Texture %1 (%2x%3) loaded for (0.000000,0.000000-1.000000,1.000000)\n")
                                 .arg(m_dir.File("a0001.jpg"))
                                 .arg(c.width)
                                 .arg(c.height);
        EXPECT_TRUE(Recorder().LogContains(line)) << Recorder().log.toStdString();
    }
}

TEST_F(TextureUpload, BindingFollowsTheSwitches)
{
    Image("b0003.png", 8, 8);
    Surface::Material material;
    material.m_aDiffuseTexture.SetValue(m_dir.File("b0001.png"));
    Surface::Texture *texture = material.GetTexture(Tile(2, 5), 0);
    // URange 1: tile (2, 5) is number 5 + 1 + 2.
    ASSERT_FALSE(texture->HasImage());
    Image("b0008.png", 8, 8);
    material.FreeTextures();
    texture = material.GetTexture(Tile(2, 5), 0);
    ASSERT_TRUE(texture->HasImage());

    EXPECT_TRUE(texture->Bind());
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLint bound = 0, mode = 0, filter = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(GLuint(bound), texture->GetName());
    EXPECT_EQ(mode, GL_TEXTURE);
    EXPECT_EQ(filter, GL_NEAREST);
    // u 2.5 maps to 0.5; v 5.25 to 1 - 0.25.
    GLfloat m[16];
    glGetFloatv(GL_TEXTURE_MATRIX, m);
    EXPECT_FLOAT_EQ(m[0] * 2.5f + m[12], 0.5f);
    EXPECT_FLOAT_EQ(m[5] * 5.25f + m[13], 0.75f);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);

    material.m_aShowTextures.SetValue(false, true);
    EXPECT_FALSE(texture->Bind());
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    material.m_aShowTextures.SetValue(true, true);
    m_host.display = false;
    EXPECT_FALSE(texture->Bind());
    m_host.display = true;
    EXPECT_TRUE(texture->Bind());
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_MODELVIEW);

    // Freeing the textures deletes their OpenGL names.
    const GLuint name = texture->GetName();
    material.FreeTextures();
    EXPECT_FALSE(glIsTexture(name));
}
