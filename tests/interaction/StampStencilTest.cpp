// The stamp and the stencil: their pixel matrices, sampling, textures, and the controller's
// SetStamp and SetStencil as the trays reach them.
#include "StrokeFixtures.h"

#include "interaction/TrayTargets.h"

#include <QImage>
#include <QTemporaryDir>

#include <cmath>
#include <cstring>

using General::Matrix;
using General::Vector;

namespace {

// A grey image in a PNG: every pixel white except the listed black ones.
QString WritePng(const QTemporaryDir &dir, const char *name, int width, int height,
                 std::initializer_list<QPoint> black = {})
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (const QPoint &p : black)
        image.setPixel(p, qRgb(0, 0, 0));
    const QString file = dir.filePath(QLatin1String(name));
    EXPECT_TRUE(image.save(file));
    return file;
}

// A stencil of one row whose pixel x holds x / width, sampled straight from pixel space.
StencilImage Ramp(uint32_t width)
{
    StencilImage stencil;
    stencil.m_bState = true;
    stencil.m_bProjected = true;
    stencil.m_iWidth = width;
    stencil.m_iHeight = 1;
    stencil.m_aPixels.SetItemCount(width, false);
    for (uint32_t x = 0; x < width; ++x)
        stencil.m_aPixels[x] = float(x) / float(width);
    return stencil;
}

bool Finite(const Matrix &m)
{
    for (float v : m.m)
        if (!std::isfinite(v))
            return false;
    return true;
}

}  // namespace

TEST(StencilImage, LoadsAThousandBySixHundredImage)
{
    QTemporaryDir dir;
    StencilImage stencil;
    // Black at the last texel's source pixel (trunc(511 × 1.953125), trunc(511 × 1.171875)).
    ASSERT_TRUE(stencil.Load(WritePng(dir, "s.png", 1000, 600, {{998, 598}}), false, 1.0f));
    EXPECT_TRUE(stencil.m_bState);
    EXPECT_EQ(stencil.m_iWidth, 1000u);
    EXPECT_EQ(stencil.m_iHeight, 600u);
    EXPECT_NEAR(stencil.m_cPlacement.m_fAspect, 1.6667f, 1e-4f);
    const QImage texture = stencil.TextureImage();
    ASSERT_EQ(texture.size(), QSize(512, 512));
    EXPECT_EQ(qAlpha(texture.pixel(511, 511)), 255);
    EXPECT_EQ(qAlpha(texture.pixel(510, 511)), 0);
    EXPECT_EQ(qAlpha(texture.pixel(511, 510)), 0);

    // The same file again changes nothing; a new visibility keeps the pixels.
    const float *pixels = stencil.m_aPixels.begin();
    EXPECT_TRUE(stencil.Load(stencil.m_cPlacement.m_sFileName, false, 0.5f));
    EXPECT_EQ(stencil.m_aPixels.begin(), pixels);
    EXPECT_EQ(stencil.m_fVisibility, 0.5f);
    EXPECT_EQ(qAlpha(stencil.TextureImage().pixel(511, 511)), 127);
}

// Alpha values beyond a byte saturate instead of keeping their low 8 bits.
TEST(StencilImage, TextureAlphaIsClampedNotWrapped)
{
    StencilImage stencil = Ramp(4);
    stencil.m_aPixels[1] = -1.0f;  // (1 − v) × 255 = 510
    stencil.m_aPixels[2] = 2.0f;   // negative
    const QImage texture = stencil.TextureImage();
    ASSERT_EQ(texture.size(), QSize(4, 1));
    EXPECT_EQ(qAlpha(texture.pixel(0, 0)), 255);
    EXPECT_EQ(qAlpha(texture.pixel(1, 0)), 255);
    EXPECT_EQ(qAlpha(texture.pixel(2, 0)), 0);
}

// A large image is held as 1024 × 1024 pixels but keeps its own shape on screen.
TEST(StencilImage, TakesItsAspectFromTheFilesOwnSize)
{
    QTemporaryDir dir;
    StencilImage stencil;
    ASSERT_TRUE(stencil.Load(WritePng(dir, "wide.png", 2000, 600), false, 1.0f));
    EXPECT_EQ(stencil.m_iWidth, 1024u);
    EXPECT_EQ(stencil.m_iHeight, 1024u);
    EXPECT_NEAR(stencil.m_cPlacement.m_fAspect, 2000.0f / 600.0f, 1e-4f);
}

TEST(StencilImage, SamplesWithAndWithoutTiling)
{
    StencilImage stencil = Ramp(100);
    const struct {
        float x;
        bool tile;
        float value;  // -1: outside
    } cases[] = {
        {-1.0f, true, 0.99f}, {250.0f, true, 0.50f}, {100.0f, false, -1.0f}, {-0.5f, false, 0.0f},
        {-1.0f, false, -1.0f}, {99.9f, false, 0.99f}, {-250.0f, true, 0.50f}, {1e30f, true, -2.0f},
    };
    for (const auto &c : cases) {
        stencil.m_bUseTile = c.tile;
        const float sample = stencil.Sample(Vector(c.x, 0.5f, 0.0f));
        if (c.value == -2.0f)
            EXPECT_TRUE(sample >= 0.0f && sample < 1.0f) << c.x;  // somewhere inside, no hang
        else
            EXPECT_NEAR(sample, c.value == -1.0f ? 0.0f : c.value, 1e-6f) << c.x << " tile " << c.tile;
    }
    // Multiplier and offset: offset 0 takes 1 off the value.
    stencil.m_bUseTile = false;
    stencil.m_cSettings.offset = 0.0f;
    EXPECT_NEAR(stencil.Sample(Vector(30.0f, 0.0f, 0.0f)), 0.3f - 1.0f, 1e-6f);
    stencil.m_cSettings.multiplier = 0.5f;
    stencil.m_cSettings.offset = 1.0f;
    EXPECT_NEAR(stencil.Sample(Vector(30.0f, 0.0f, 0.0f)), 0.15f, 1e-6f);
}

// An empty or inactive stencil reads no pixel: tiling an empty image would never end.
TEST(StencilImage, AnEmptyOrInactiveStencilSamplesNothing)
{
    StencilImage empty = Ramp(0);
    empty.m_bUseTile = true;
    EXPECT_EQ(empty.Sample(Vector(-5.0f, 0.0f, 0.0f)), 0.0f);
    StencilImage inactive = Ramp(10);
    inactive.m_bState = false;
    Recorder().ExpectAssertionFailures();
    EXPECT_EQ(inactive.Sample(Vector(5.0f, 0.0f, 0.0f)), 0.0f);
}

TEST(StencilImage, PlacementMatrixAndAViewWithoutPixels)
{
    StencilImage stencil = Ramp(100);
    stencil.m_cPlacement.m_fAspect = 2.0f;
    stencil.m_cPlacement.m_fOffsetX = 0.25f;
    stencil.m_cPlacement.m_fOffsetY = -0.5f;
    Matrix q;
    ASSERT_TRUE(stencil.BuildPlacementMatrix(q, 200, 100));
    // t = 100 / 200, view aspect 2: the quad spans ±0.5 across and ±0.5 up (1 / aspect × t × 2).
    const Vector corner = q.Transform(Vector(1.0f, 1.0f, 0.0f));
    EXPECT_NEAR(corner.x, 0.5f + 0.25f, 1e-6f);
    EXPECT_NEAR(corner.y, 0.5f - 0.5f, 1e-6f);
    stencil.m_cSettings.flipHorizontal = true;
    ASSERT_TRUE(stencil.BuildPlacementMatrix(q, 200, 100));
    EXPECT_NEAR(q.Transform(Vector(1.0f, 1.0f, 0.0f)).x, -0.5f + 0.25f, 1e-6f);

    const Matrix before = q;
    for (const auto &size : {std::pair{0, 100}, std::pair{200, 0}}) {
        EXPECT_FALSE(stencil.BuildPlacementMatrix(q, size.first, size.second));
        EXPECT_TRUE(Finite(q));
    }
    EXPECT_EQ(std::memcmp(before.m, q.m, sizeof q.m), 0);
}

// The stamp's own frame: the centre at the middle pixel, the extent at the edges.
TEST(AlphaImage, FrameCornersAndSampling)
{
    AlphaImage stamp;
    stamp.m_iWidth = 64;
    stamp.m_iHeight = 32;
    stamp.m_aPixels.SetItemCount(64 * 32, false);
    for (unsigned i = 0; i < 64 * 32; ++i)
        stamp.m_aPixels[i] = float(i % 64) / 64.0f;
    const Vector p(1.0f, 2.0f, 3.0f), n(0.0f, 0.0f, 1.0f), d(0.0f, 1.0f, 0.0f);  // u = (1, 0, 0), v = (0, 1, 0)
    const float e = 2.0f;
    stamp.SetProjection(p, n, d, e, e, false, false, Matrix());
    ASSERT_TRUE(stamp.IsPlaced());
    const struct {
        Vector point;
        float x, y;
    } corners[] = {
        {p, 32, 16},
        {p + Vector(e, 0, 0), 64, 16},
        {p + Vector(-e, e, 0), 0, 0},
        {p + Vector(e, e, 0), 64, 0},
        {p + Vector(-e, -e, 0), 0, 32},
        {p + Vector(e, -e, 0), 64, 32},
    };
    for (const auto &c : corners) {
        const Vector pixel = stamp.m_mStamp.Transform(c.point);
        EXPECT_NEAR(pixel.x, c.x, 1e-4f);
        EXPECT_NEAR(pixel.y, c.y, 1e-4f);
    }
    EXPECT_NEAR(stamp.Sample(p), 0.5f, 1e-6f);
    EXPECT_EQ(stamp.Sample(p + Vector(e + 0.1f, 0, 0)), 0.0f);  // past the right edge
    stamp.SetFactor(0.5f);
    EXPECT_NEAR(stamp.Sample(p), 0.25f, 1e-6f);
    // Flipped in x: the left half is read on the right.
    stamp.SetProjection(p, n, d, e, e, true, false, Matrix());
    EXPECT_NEAR(stamp.m_mStamp.Transform(p + Vector(e, 0, 0)).x, 0.0f, 1e-4f);

    // A uniformly scaled, moved object: the extent is measured in the object's own units.
    Matrix world;
    world.m[0] = world.m[5] = world.m[10] = 2.0f;
    world.m[12] = 5.0f;
    stamp.SetProjection(p, n, d, e, e, false, false, world);
    EXPECT_NEAR(stamp.m_mStamp.Transform(p + Vector(e, 0, 0)).x, 64.0f, 1e-4f);
    EXPECT_NEAR(stamp.m_mStamp.Transform(p + Vector(0, e, 0)).y, 0.0f, 1e-4f);
}

// An extent of 0 (size 0, or a deferred stamp at its press) leaves no NaN matrix behind.
TEST(AlphaImage, AZeroExtentLeavesTheStampUnplaced)
{
    AlphaImage stamp;
    stamp.m_iWidth = stamp.m_iHeight = 2;
    stamp.m_aPixels.SetItemCount(4, false);
    stamp.m_aPixels.Fill(1.0f);
    const Vector p(0, 0, 0), n(0, 0, 1), d(0, 1, 0);
    stamp.SetProjection(p, n, d, 1.0f, 1.0f, false, false, Matrix());
    ASSERT_GT(stamp.Sample(p), 0.0f);
    for (const auto &extents : {std::pair{0.0f, 1.0f}, std::pair{1.0f, 0.0f}, std::pair{NAN, 1.0f}}) {
        stamp.SetProjection(p, n, d, extents.first, extents.second, false, false, Matrix());
        EXPECT_FALSE(stamp.IsPlaced());
        EXPECT_TRUE(Finite(stamp.m_mStamp));
        EXPECT_EQ(stamp.Sample(p), 0.0f);
    }
    stamp.SetProjection(p, n, d, 1.0f, 1.0f, false, false, Matrix());
    EXPECT_TRUE(stamp.IsPlaced());
}

class StampStencilTest : public StrokeTest {};

TEST_F(StampStencilTest, TheStampTrayReachesTheControllersStamp)
{
    QTemporaryDir dir;
    const QString file = WritePng(dir, "ring.png", 8, 4, {{1, 1}});
    Recorder().Clear();
    TrayTargets::SetStamp(file);
    EXPECT_TRUE(m_interface->m_cStamp.m_bEnabled);
    EXPECT_EQ(m_interface->m_cStamp.m_iWidth, 8u);
    EXPECT_EQ(m_tool.m_sStampFile, file);
    EXPECT_EQ(TrayTargets::CurrentStamp(), file);
    EXPECT_TRUE(Recorder().LogContains("Stamp set to " + file));
    EXPECT_NEAR(m_interface->m_cStamp.m_fAspect, 2.0f, 1e-6f);

    // The same stamp again, while on: nothing to say.
    Recorder().Clear();
    TrayTargets::SetStamp(file);
    EXPECT_FALSE(Recorder().LogContains("Stamp set to"));

    // "OFF" switches it off and leaves the pixels.
    TrayTargets::SetStamp(QStringLiteral("OFF"));
    EXPECT_FALSE(m_interface->m_cStamp.m_bEnabled);
    EXPECT_TRUE(m_interface->m_cStamp.IsPresent());
    EXPECT_EQ(m_tool.m_sStampFile, QStringLiteral("OFF"));
    EXPECT_TRUE(TrayTargets::CurrentStamp().isEmpty());
}

// A file without pixels leaves the stamp off and says so, instead of strokes doing nothing.
TEST_F(StampStencilTest, AStampWithoutPixelsStaysOffAndSaysSo)
{
    QTemporaryDir dir;
    const QString broken = dir.filePath(QStringLiteral("broken.png"));
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\x89PNG not really");
    f.close();
    Recorder().Clear();
    EXPECT_FALSE(m_interface->SetStamp(broken));
    EXPECT_FALSE(m_interface->m_cStamp.m_bEnabled);
    EXPECT_FALSE(m_interface->m_cStamp.IsPresent());
    ASSERT_FALSE(Recorder().statusMessages.isEmpty());
    EXPECT_TRUE(Recorder().statusMessages.last().contains("cannot be read"));
    // Without a tool there is no stamp to set.
    m_interface->m_pCurrentTool = nullptr;
    EXPECT_FALSE(m_interface->SetStamp(broken));
}

// The stencil is placed through the camera's own matrices: the view's centre (where the
// camera looks) falls on the stencil's middle pixel.
TEST_F(StampStencilTest, TheStencilTrayLoadsAndProjectsThroughTheCamera)
{
    QTemporaryDir dir;
    const QString file = WritePng(dir, "s.png", 40, 20);
    TrayTargets::SetStencil(file);
    ASSERT_TRUE(m_interface->m_cStencil.m_bState);
    EXPECT_EQ(TrayTargets::CurrentStencil(), file);
    StencilImage &stencil = m_interface->m_cStencil;
    ASSERT_TRUE(stencil.m_bProjected);
    const Vector centre = stencil.m_mScreen.TransformHomogeneous(TheCamera().m_vTarget);
    EXPECT_NEAR(centre.x, 20.0f, 1e-3f);
    EXPECT_NEAR(centre.y, 10.0f, 1e-3f);
    stencil.UpdateProjection(m_object->GetPlacement());
    EXPECT_NEAR(stencil.Sample(TheCamera().m_vTarget), 1.0f, 1e-6f);

    TrayTargets::SetStencil(QStringLiteral("OFF"));
    EXPECT_FALSE(stencil.m_bState);
    EXPECT_TRUE(TrayTargets::CurrentStencil().isEmpty());
    EXPECT_EQ(stencil.m_iWidth, 40u);  // the pixels stay

    EXPECT_FALSE(m_interface->SetStencil(dir.filePath(QStringLiteral("missing.png"))));
    EXPECT_FALSE(stencil.m_bState);
    EXPECT_EQ(stencil.m_iWidth, 0u);
}

TEST(OverlayImage, LoadsWithClampedAlphaAndFollowsTheCursor)
{
    QTemporaryDir dir;
    QImage picture(16, 8, QImage::Format_ARGB32);
    picture.fill(qRgba(10, 20, 30, 200));
    const QString file = dir.filePath(QStringLiteral("roll.png"));
    ASSERT_TRUE(picture.save(file));
    OverlayImage overlay;
    ASSERT_TRUE(overlay.Load(file, 2.0f));
    EXPECT_TRUE(overlay.m_bActive);
    EXPECT_EQ(overlay.m_iWidth, 16u);
    EXPECT_EQ(qAlpha(overlay.TextureImage().pixel(3, 3)), 255);  // 400 saturates
    ASSERT_TRUE(overlay.Load(file, 0.5f));
    EXPECT_EQ(qAlpha(overlay.TextureImage().pixel(3, 3)), 100);

    Matrix m;
    ASSERT_TRUE(overlay.GetCursorMatrix(m, 0.5f, 0.5f, 200, 100));
    EXPECT_NEAR(m.m[12], 0.04f, 1e-6f);
    EXPECT_NEAR(m.m[13], 0.04f, 1e-6f);
    EXPECT_NEAR(m.m[0], 16.0f / 200.0f, 1e-6f);
    EXPECT_NEAR(m.m[5], 16.0f / 200.0f * 2.0f, 1e-6f);
    const Matrix before = m;
    EXPECT_FALSE(overlay.GetCursorMatrix(m, 0.5f, 0.5f, 0, 100));
    EXPECT_FALSE(overlay.GetCursorMatrix(m, 0.5f, 0.5f, 200, 0));
    EXPECT_EQ(std::memcmp(before.m, m.m, sizeof m.m), 0);

    EXPECT_FALSE(overlay.Load(dir.filePath(QStringLiteral("missing.png")), 1.0f));
    EXPECT_TRUE(overlay.TextureImage().isNull());
}
