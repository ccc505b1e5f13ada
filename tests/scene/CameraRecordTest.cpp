#include "CameraFixtures.h"

#include "foundation/Stream.h"
#include "scene/camera/Camera.h"
#include "scene/camera/Light.h"
#include "support/RecordingShell.h"
#include "support/StreamAtVersion.h"
#include "support/TempDir.h"

#include <QImage>

#include <gtest/gtest.h>

#include <functional>

using General::Matrix;
using General::Vector;

namespace {

// Little-endian record bytes, written field by field; the stream header comes first.
struct Bytes {
    QByteArray data;
    explicit Bytes(int32_t version) { I32(version); }
    Bytes &I32(int32_t v) { data.append(reinterpret_cast<const char *>(&v), 4); return *this; }
    Bytes &F(float v) { data.append(reinterpret_cast<const char *>(&v), 4); return *this; }
    Bytes &D(double v) { data.append(reinterpret_cast<const char *>(&v), 8); return *this; }
    Bytes &B(uint8_t v) { data.append(char(v)); return *this; }
    Bytes &Fs(std::initializer_list<float> values) { for (float v : values) F(v); return *this; }
    Bytes &Text(const QByteArray &t) { I32(int32_t(t.size())); data.append(t); return *this; }
};

// A transformation record of a version before 211: flags, eight matrices, translate, scale.
void AppendTransformation(Bytes &b, const Vector &translate)
{
    for (int i = 0; i < 5; ++i)
        b.B(0);
    for (int m = 0; m < 8; ++m)
        for (int i = 0; i < 16; ++i)
            b.F(i % 5 == 0 ? 1.0f : 0.0f);
    b.Fs({translate.x, translate.y, translate.z}).Fs({1, 1, 1});
}

// The camera record of version 36 or 37, with the matrices as doubles or floats.
QByteArray OldCameraRecord(int version)
{
    Bytes b(version);
    b.Fs({0.1f, 0.2f, 0.9f, 0.8f});    // view region
    b.Fs({0.7f, 2.0f, 900.0f});        // FOV, near, far
    b.F(1.5f);                         // aspect
    b.Fs({0.1f, 0.2f, 0.3f});          // rotation
    b.Fs({1, 2, 3});                   // target
    b.Fs({4, 5, 6});                   // sensitivities
    for (int m = 0; m < 2; ++m)
        for (int i = 0; i < 16; ++i) {
            const double value = (m + 1) * 100 + i + 0.25;
            version > 36 ? b.F(float(value)) : b.D(value);
        }
    b.I32(0).I32(0).I32(640).I32(480);
    b.B(1);  // orthographic
    AppendTransformation(b, Vector(7, 8, 9));
    return b.data;
}

bool Load(const QString &path, const std::function<bool(Stream &)> &serialize)
{
    Stream stream(path, false);
    return serialize(stream) && !stream.HasError();
}

QByteArray Stored(const QString &path, const std::function<bool(Stream &)> &serialize)
{
    {
        Stream stream(path, true);
        serialize(stream);
    }
    return TempDir::Read(path);
}

}  // namespace

TEST(CameraRecord, Versions36And37TakeTheMatricesAsDoublesOrFloats)
{
    RecordingCameraHost host;
    TempDir dir;
    for (int version : {36, 37}) {
        SCOPED_TRACE(version);
        const QString path = dir.File("old.str");
        TempDir::Write(path, OldCameraRecord(version));
        Camera camera;
        ASSERT_TRUE(Load(path, [&](Stream &s) { return camera.Serialize(s); }));
        EXPECT_EQ(camera.m_rViewRegion, General::Rect2D(0.1f, 0.2f, 0.9f, 0.8f));
        EXPECT_FLOAT_EQ(camera.m_aFOV.GetValue(), 0.7f);
        EXPECT_FLOAT_EQ(camera.m_aFarPlane.GetValue(), 900.0f);
        EXPECT_EQ(camera.m_vTarget, Vector(1, 2, 3));
        EXPECT_EQ(camera.m_vRotationBackup, Vector(0.1f, 0.2f, 0.3f));
        EXPECT_FLOAT_EQ(camera.m_fRotateSensitivity, 6.0f);
        EXPECT_FLOAT_EQ(camera.m_mModelView.m[3], 103.25f);
        EXPECT_FLOAT_EQ(camera.m_mProjection.m[15], 215.25f);
        EXPECT_EQ(camera.m_aViewport[2], 640);
        EXPECT_TRUE(camera.m_aOrthographic.GetValue());
        EXPECT_EQ(camera.GetName(), QStringLiteral("defaultCam"));  // no name before version 68
        EXPECT_EQ(camera.m_aTranslate.GetValue(), Vector(7, 8, 9));
    }
}

TEST(CameraRecord, RoundTripKeepsTheViewAndANameOfAnyLength)
{
    RecordingCameraHost host;
    TempDir dir;
    Camera camera;
    camera.SetTranslate(Vector(10, 20, 30));
    camera.SetRotation(Vector(0.4f, 1.1f, 0.2f));
    camera.m_vTarget = Vector(1, 1, 1);
    camera.m_vPivot = Vector(2, 2, 2);
    camera.m_sCameraName = QString(300, QLatin1Char('n'));
    camera.m_aLockZoom.SetValue(true);
    camera.m_cImagePlane.m_fDepth = 3.0f;
    camera.m_fTrackSensitivity = 0.25f;
    const QString path = dir.File("camera.str");
    const QByteArray bytes = Stored(path, [&](Stream &s) { return camera.Serialize(s); });

    Camera loaded;
    ASSERT_TRUE(Load(path, [&](Stream &s) { return loaded.Serialize(s); }));
    EXPECT_EQ(loaded.GetName(), camera.GetName());
    EXPECT_EQ(loaded.GetFullMatrix(), camera.GetFullMatrix());
    EXPECT_EQ(loaded.m_vRotation, camera.m_vRotation);
    EXPECT_EQ(loaded.m_vRotationBackup, camera.m_vRotation);
    EXPECT_EQ(loaded.m_vPivot, Vector(2, 2, 2));
    EXPECT_TRUE(loaded.m_aLockZoom.GetValue());
    EXPECT_FLOAT_EQ(loaded.m_cImagePlane.m_fDepth, 3.0f);
    EXPECT_EQ(Stored(dir.File("again.str"), [&](Stream &s) { return loaded.Serialize(s); }), bytes);
}

TEST(CameraRecord, LoadingTakesTheViewportAndRatiosOfTheView)
{
    RecordingCameraHost host;
    host.hasContext = true;
    host.glViewport[2] = 1024;
    host.glViewport[3] = 768;
    TempDir dir;
    Camera camera;
    const QString path = dir.File("camera.str");
    Stored(path, [&](Stream &s) { return camera.Serialize(s); });
    Camera loaded;
    ASSERT_TRUE(Load(path, [&](Stream &s) { return loaded.Serialize(s); }));
    EXPECT_EQ(loaded.m_aViewport[2], 1024);
    EXPECT_EQ(loaded.m_aViewport[3], 768);
}

TEST(CameraRecord, ACutRecordIsRefusedAndChangesNothing)
{
    RecordingCameraHost host;
    TempDir dir;
    Camera source;
    source.SetTranslate(Vector(5, 6, 7));
    source.m_sCameraName = QStringLiteral("Side");
    source.m_cImagePlane.m_fOffsetX = 0.5f;
    const QByteArray full = Stored(dir.File("full.str"), [&](Stream &s) { return source.Serialize(s); });

    Camera target;
    target.SetTranslate(Vector(-1, -2, -3));
    target.SetRotation(Vector(0.1f, 0.2f, 0.3f));
    target.m_aFOV.SetValue(1.0f);
    const QByteArray before = Stored(dir.File("before.str"), [&](Stream &s) { return target.Serialize(s); });
    const QString cut = dir.File("cut.str");
    // Every cut near both ends, every third one in between.
    for (int length = 4; length < full.size(); length += length < 64 || length > full.size() - 64 ? 1 : 3) {
        TempDir::Write(cut, full.left(length));
        ASSERT_FALSE(Load(cut, [&](Stream &s) { return target.Serialize(s); })) << length;
        ASSERT_EQ(Stored(dir.File("after.str"), [&](Stream &s) { return target.Serialize(s); }), before) << length;
    }
}

TEST(ImagePlane, TextureSidesArePowersOfTwoUpTo1024)
{
    const struct {
        uint32_t side;
        int texture;
    } cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 2}, {300, 256}, {700, 512}, {1024, 1024}, {1500, 1024}, {100000, 1024}};
    for (const auto &c : cases)
        EXPECT_EQ(ImagePlane::TextureSide(c.side), c.texture) << c.side;
}

TEST(ImagePlane, LoadingScalesToATextureAndAppliesTheOpacity)
{
    RecordingCameraHost host;
    TempDir dir;
    const QString file = dir.File("plane.png");
    QImage image(1500, 700, QImage::Format_ARGB32);
    image.fill(qRgba(10, 20, 30, 255));
    ASSERT_TRUE(image.save(file));

    Camera camera;
    ASSERT_TRUE(camera.LoadImagePlane(camera.m_cImagePlane, file, 0.5f, true));
    ASSERT_EQ(host.uploads.size(), 1u);
    EXPECT_EQ(host.uploads[0].size(), QSize(1024, 512));
    EXPECT_EQ(host.uploads[0].pixel(100, 100), qRgba(10, 20, 30, 127));
    EXPECT_FLOAT_EQ(camera.m_cImagePlane.m_fAspect, float(1500.0 / 700.0));
    EXPECT_EQ(camera.m_cImagePlane.m_iImageWidth, 1500u);
    EXPECT_TRUE(camera.m_cImagePlane.m_bActive);
    EXPECT_EQ(camera.m_cImagePlane.m_iTexture, 7u);

    // The same file at the same opacity again does no work and asks for no redraw.
    const int redraws = host.redraws;
    ASSERT_TRUE(camera.LoadImagePlane(camera.m_cImagePlane, file, 0.5f, true));
    EXPECT_EQ(host.uploads.size(), 1u);
    EXPECT_EQ(host.redraws, redraws);
    // Another opacity prepares the pixels again into the same texture.
    ASSERT_TRUE(camera.LoadImagePlane(camera.m_cImagePlane, file, 1.0f, true));
    ASSERT_EQ(host.uploads.size(), 2u);
    EXPECT_EQ(qAlpha(host.uploads[1].pixel(0, 0)), 255);
    EXPECT_EQ(camera.m_cImagePlane.m_iTexture, 7u);
}

TEST(ImagePlane, AFileWithoutAPictureLeavesAFiniteAspectAndNoTexture)
{
    RecordingCameraHost host;
    TempDir dir;
    TempDir::Write(dir.File("empty.png"), QByteArray());
    TempDir::Write(dir.File("junk.png"), QByteArray("\x89PNG not really", 15));
    for (const char *name : {"missing.png", "empty.png", "junk.png"}) {
        SCOPED_TRACE(name);
        Camera camera;
        EXPECT_FALSE(camera.LoadImagePlane(camera.m_cImagePlane, dir.File(name), 1.0f, true));
        EXPECT_FALSE(camera.m_cImagePlane.m_bActive);
        EXPECT_FALSE(camera.m_cImagePlane.HasImage());
        EXPECT_TRUE(std::isfinite(camera.m_cImagePlane.m_fAspect));
        EXPECT_TRUE(host.uploads.empty());
    }
}

TEST(ImagePlane, APictureDeclaringMoreThanCanBeReadIsRefusedWithAMessage)
{
    RecordingCameraHost host;
    TempDir dir;
    // 9000 x 9000 grey zeros: some 80 kB of PNG, past Qt's image allocation limit.
    const QString bomb = dir.File("bomb.png");
    QImage zeros(9000, 9000, QImage::Format_Grayscale8);
    zeros.fill(0);
    ASSERT_TRUE(zeros.save(bomb, "PNG", 0));
    zeros = QImage();
    Recorder().Clear();
    Camera camera;
    EXPECT_FALSE(camera.LoadImagePlane(camera.m_cImagePlane, bomb, 1.0f, true));
    EXPECT_FALSE(camera.m_cImagePlane.HasImage());
    ASSERT_EQ(Recorder().messages.size(), 1);
    EXPECT_TRUE(Recorder().messages.front().contains(bomb));
}

TEST(ImagePlane, TheImageMatrixMapsThePlaneCornersToPixels)
{
    RecordingCameraHost host;
    host.width = 400;
    host.height = 400;
    TempDir dir;
    const QString file = dir.File("square.png");
    QImage image(400, 400, QImage::Format_ARGB32);
    image.fill(Qt::white);
    ASSERT_TRUE(image.save(file));
    Camera camera;
    ASSERT_TRUE(camera.LoadImagePlane(camera.m_cImagePlane, file, 1.0f, true));
    // Identity view: a plane as wide as the view covers the picture, so the picture's
    // corners land on the image's corners.
    camera.m_fAspect = 1.0f;
    camera.m_mProjection = camera.GetProjectionMatrix(false);
    camera.UpdateImagePlane(camera.m_cImagePlane);
    const Matrix &m = camera.m_cImagePlane.m_mImage;
    const Matrix toScreen = camera.GetProjectionMatrix(false);
    Matrix fromScreen = toScreen;
    ASSERT_TRUE(fromScreen.Invert());
    const Vector topLeft = fromScreen.ProjectPoint(Vector(-1, 1, 0.5f));
    const Vector bottomRight = fromScreen.ProjectPoint(Vector(1, -1, 0.5f));
    const Vector a = m.ProjectPoint(topLeft);
    const Vector b = m.ProjectPoint(bottomRight);
    EXPECT_NEAR(a.x, 0.0f, 1e-2f);
    EXPECT_NEAR(a.y, 0.0f, 1e-2f);
    EXPECT_NEAR(b.x, 400.0f, 1e-2f);
    EXPECT_NEAR(b.y, 400.0f, 1e-2f);
}

TEST(Light, DefaultsAndTheColoursOpenGLReceives)
{
    Light light;
    EXPECT_EQ(light.m_sLightName, QStringLiteral("Light 01"));
    EXPECT_EQ(light.GetName(), QString());  // no owner: the inherited name is empty
    EXPECT_EQ(light.GetTypeInfo(), &Transformation::s_typeInfo);
    EXPECT_FLOAT_EQ(light.m_fIntensity, 1.0f);
    const Vector d = light.GetDirection();
    EXPECT_NEAR(d.x, -0.19245f, 1e-5f);
    EXPECT_NEAR(d.y, 0.19245f, 1e-5f);
    EXPECT_NEAR(d.z, 0.96225f, 1e-5f);
    EXPECT_EQ(light.GetDiffuse(), General::Color(1, 1, 1, 1));
    light.m_fIntensity = 0.5f;
    EXPECT_EQ(light.GetDiffuse(), General::Color(0.5f, 0.5f, 0.5f, 1));
    EXPECT_EQ(light.GetSpecular(), General::Color(0.5f, 0.5f, 0.5f, 1));
}

TEST(Light, RecordsOfVersion81And82)
{
    TempDir dir;
    const QString path = dir.File("light.str");
    for (int version : {81, 82}) {
        SCOPED_TRACE(version);
        Bytes b(version);
        b.Fs({0, 0, 1}).F(0.75f).Text("Key");
        if (version >= 82)
            b.Fs({0.5f, 0.25f, 1, 1}).Fs({0.1f, 0.2f, 0.3f, 1});
        TempDir::Write(path, b.data);
        Light light;
        ASSERT_TRUE(Load(path, [&](Stream &s) { return light.Serialize(s); }));
        EXPECT_EQ(light.GetDirection(), Vector(0, 0, 1));
        EXPECT_FLOAT_EQ(light.m_fIntensity, 0.75f);
        EXPECT_EQ(light.m_sLightName, QStringLiteral("Key"));
        EXPECT_EQ(light.m_cDiffuse, version >= 82 ? General::Color(0.5f, 0.25f, 1, 1) : General::Color(1, 1, 1, 1));
        EXPECT_EQ(light.m_cSpecular, version >= 82 ? General::Color(0.1f, 0.2f, 0.3f, 1) : General::Color(1, 1, 1, 1));
    }
}

TEST(Light, ACutRecordIsRefusedAndChangesNothing)
{
    TempDir dir;
    Light source;
    source.m_sLightName = QStringLiteral("Rim");
    const QByteArray full = Stored(dir.File("full.str"), [&](Stream &s) { return source.Serialize(s); });
    Light target;
    target.m_fIntensity = 0.3f;
    target.m_aTranslate.SetValue(Vector(1, 0, 0), true);
    const QByteArray before = Stored(dir.File("before.str"), [&](Stream &s) { return target.Serialize(s); });
    for (int length = 4; length < full.size(); ++length) {
        TempDir::Write(dir.File("cut.str"), full.left(length));
        ASSERT_FALSE(Load(dir.File("cut.str"), [&](Stream &s) { return target.Serialize(s); })) << length;
        ASSERT_EQ(Stored(dir.File("after.str"), [&](Stream &s) { return target.Serialize(s); }), before) << length;
    }
}

TEST(Light, DeletingTheHeadDeletesTheChain)
{
    auto *head = new Light;
    head->m_pNext = std::make_unique<Light>();
    const General::Node *second = head->m_pNext.get();
    delete head;
    EXPECT_FALSE(General::Node::IsLive(second));
}
