#include "scene/camera/Camera.h"

#include "foundation/math/AABB.h"
#include "foundation/Diagnostics.h"
#include "foundation/Globals.h"
#include "foundation/ShellServices.h"
#include "foundation/Stream.h"
#include "foundation/images/ImageLimits.h"
#include "scene/camera/CameraHost.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cmath>

using General::Matrix;
using General::Vector;

namespace {

QString Label(const char *text) { return QCoreApplication::translate("Camera", text); }

// Angles convert with pi taken as 3.1415, as everywhere in the program.
constexpr float kDisplayDegrees = 57.29747f;
Vector ToRadians(const Vector &degrees) { return degrees * 3.1414999961853027f * 0.0055555556900799274f; }
Vector ToDegrees(const Vector &radians) { return radians * 0.31831926107406616f * 180.0f; }

CameraHost &Host() { return CameraHost::Get(); }

// A 4×4 of doubles in OpenGL element order, for the window conversions.
struct WideMatrix {
    double m[16];

    explicit WideMatrix(const Matrix &source)
    {
        for (int i = 0; i < 16; ++i)
            m[i] = source.m[i];
    }
    // this × other (row vectors: this applies first).
    WideMatrix Multiply(const WideMatrix &o) const
    {
        WideMatrix r(*this);
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                double sum = 0.0;
                for (int k = 0; k < 4; ++k)
                    sum += m[4 * i + k] * o.m[4 * k + j];
                r.m[4 * i + j] = sum;
            }
        return r;
    }
    // (v, 1) × this, all four components.
    void Transform(const double v[3], double out[4]) const
    {
        for (int j = 0; j < 4; ++j)
            out[j] = v[0] * m[j] + v[1] * m[4 + j] + v[2] * m[8 + j] + m[12 + j];
    }
    // Gauss-Jordan with partial pivoting; false for a singular (or not finite) matrix.
    bool Invert()
    {
        double a[4][8];
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 8; ++j)
                a[i][j] = j < 4 ? m[4 * i + j] : (j - 4 == i ? 1.0 : 0.0);
        for (int column = 0; column < 4; ++column) {
            int pivot = column;
            for (int row = column + 1; row < 4; ++row)
                if (std::fabs(a[row][column]) > std::fabs(a[pivot][column]))
                    pivot = row;
            if (!(std::fabs(a[pivot][column]) > 0.0) || !std::isfinite(a[pivot][column]))
                return false;
            if (pivot != column)
                for (int j = 0; j < 8; ++j)
                    std::swap(a[pivot][j], a[column][j]);
            const double scale = 1.0 / a[column][column];
            for (int j = 0; j < 8; ++j)
                a[column][j] *= scale;
            for (int row = 0; row < 4; ++row)
                if (row != column && a[row][column] != 0.0) {
                    const double factor = a[row][column];
                    for (int j = 0; j < 8; ++j)
                        a[row][j] -= factor * a[column][j];
                }
        }
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                m[4 * i + j] = a[i][j + 4];
        return true;
    }
};

// glFrustum and glOrtho as element arrays.
Matrix Frustum(float left, float right, float bottom, float top, float nearPlane, float farPlane)
{
    Matrix f;
    f.m[0] = 2.0f * nearPlane / (right - left);
    f.m[5] = 2.0f * nearPlane / (top - bottom);
    f.m[8] = (right + left) / (right - left);
    f.m[9] = (top + bottom) / (top - bottom);
    f.m[10] = -(farPlane + nearPlane) / (farPlane - nearPlane);
    f.m[11] = -1.0f;
    f.m[14] = -2.0f * farPlane * nearPlane / (farPlane - nearPlane);
    f.m[15] = 0.0f;
    return f;
}

Matrix Ortho(float left, float right, float bottom, float top, float nearPlane, float farPlane)
{
    Matrix o;
    o.m[0] = 2.0f / (right - left);
    o.m[5] = 2.0f / (top - bottom);
    o.m[10] = -2.0f / (farPlane - nearPlane);
    o.m[12] = -(right + left) / (right - left);
    o.m[13] = -(top + bottom) / (top - bottom);
    o.m[14] = -(farPlane + nearPlane) / (farPlane - nearPlane);
    return o;
}

// Everything the record carries, so a refused load can put the camera back.
struct CameraState {
    General::Rect2D region;
    float fov, nearPlane, farPlane, aspect;
    Vector rotation, target, pivot, backup;
    float sensitivity[3];
    Matrix modelView, projection;
    int32_t viewport[4];
    bool orthographic, locks[3];
    QString name;
    bool flags[5];
    Matrix matrices[8];
    Vector translate, scale, rotate, pivotAttribute;
    General::ImagePlacement placement;
    float depth, opacity;
    bool active;
};

}  // namespace

constinit General::TypeInfo Camera::s_typeInfo{&Transformation::s_typeInfo, "Camera", &General::CreateNodes<Camera>};

Camera::Camera()
    : m_aOrthographic(Label("Orthographic")),
      m_aFOV(Label("FOV"), 0.34905556f, 2.9451563f, kDisplayDegrees),
      m_aNearPlane(Label("Near Plane"), 1.0f, 1000.0f),
      m_aFarPlane(Label("Far Plane"), 10.0f, 10000.0f),
      m_a2DScale(Label("2D Scale"), 0.5f, 2.0f),
      m_a2DAngle(Label("2D Angle"), 0.0f, 6.283f, kDisplayDegrees),
      m_a2DXPos(Label("2D X Pos"), -1.0f, 1.0f),
      m_a2DYPos(Label("2D Y Pos"), -1.0f, 1.0f),
      m_aPictureResetChoices(QString()),
      m_aPictureReset(Label("Reset")),
      m_aLockPan(Label("Lock Pan")),
      m_aLockRotate(Label("Lock Rotate")),
      m_aLockZoom(Label("Lock Zoom")),
      m_aNavigationResetChoices(QString()),
      m_aNavigationReset(Label("Reset")),
      m_sCameraName(QStringLiteral("defaultCam")),
      m_aEventGate(QStringLiteral("eventgate"))
{
    m_aOrthographic.SetValue(false, true);
    m_aFOV.SetValue(0.488f, true);
    m_aNearPlane.SetValue(1.0f, true);
    m_aFarPlane.SetValue(10000.0f, true);
    m_a2DScale.SetValue(1.0f, true);
    m_a2DAngle.SetValue(0.0f, true);
    m_a2DXPos.SetValue(0.0f, true);
    m_a2DYPos.SetValue(0.0f, true);
    for (const char *name : {"Position", "Rotation", "Scale"})
        m_aPictureResetChoices.AddBool(Label(name), false);
    for (const char *name : {"Roll", "Rotate", "Track", "Dolly"})
        m_aNavigationResetChoices.AddBool(Label(name), false);

    const QString transform = QStringLiteral("-Transform");
    for (General::Attribute *a : std::initializer_list<General::Attribute *>{
             &m_aTranslate, &m_aRotate, &m_aScale, &m_aLockPan, &m_aLockRotate, &m_aLockZoom,
             &m_aNavigationResetChoices, &m_aNavigationReset})
        a->SetGroup(transform);
    for (General::Attribute *a : std::initializer_list<General::Attribute *>{&m_aOrthographic, &m_aNearPlane,
                                                                            &m_aFarPlane, &m_aFOV})
        a->SetGroup(QStringLiteral("#bottom"));
    for (General::Attribute *a : std::initializer_list<General::Attribute *>{
             &m_a2DScale, &m_a2DAngle, &m_a2DXPos, &m_a2DYPos, &m_aPictureResetChoices, &m_aPictureReset})
        a->SetGroup(QStringLiteral("+2D Transform"));
    for (General::Attribute *a : std::initializer_list<General::Attribute *>{
             &m_aTranslate, &m_aRotate, &m_aScale, &m_aFOV, &m_aNearPlane, &m_aFarPlane, &m_a2DScale, &m_a2DAngle,
             &m_a2DXPos, &m_a2DYPos})
        a->SetProportion(0.3f);
    m_aPictureResetChoices.SetProportion(0.0f);
    m_aNavigationResetChoices.SetProportion(0.0f);

    General::CameraGate().Connect(&m_aEventGate);
    m_sName = QStringLiteral("Camera");
}

Camera::~Camera()
{
    General::Shell().ReleaseNode(this);
    // Iteratively, so a long chain does not recurse once per camera.
    std::unique_ptr<Camera> next = std::move(m_pNext);
    while (next) {
        std::unique_ptr<Camera> after = std::move(next->m_pNext);
        next.reset();
        next = std::move(after);
    }
}

// --- projection ---------------------------------------------------------------

void Camera::GetFrustumHalfSize(float &halfWidth, float &halfHeight) const
{
    if (m_aOrthographic.GetValue()) {
        const float d = GetDistanceToTarget() * 0.0005f;
        halfWidth = d * float(m_aViewport[2]);
        halfHeight = d * float(m_aViewport[3]);
        return;
    }
    halfHeight = std::tan(m_aFOV.GetValue() * 0.5f) * m_aNearPlane.GetValue();
    halfWidth = halfHeight * m_fAspect;
}

Matrix Camera::Get2DTransformMatrix() const
{
    const int width = Host().ViewWidth();
    const int height = Host().ViewHeight();
    // Without a view the stored aspect stands in, so the picture is not squashed to nothing.
    const float aspect = width > 0 && height > 0 ? float(width) / float(height) : m_fAspect;
    Matrix stretch;
    stretch.m[0] = aspect;
    Matrix roll;
    roll.SetRotation(0.0f, 0.0f, m_a2DAngle.GetValue());
    Matrix zoom;
    zoom.m[0] = zoom.m[5] = m_a2DScale.GetValue();
    Matrix pan;
    pan.m[12] = m_a2DXPos.GetValue();
    pan.m[13] = m_a2DYPos.GetValue();
    Matrix unstretch;
    unstretch.m[0] = 1.0f / aspect;
    return stretch.Multiply(roll).Multiply(zoom).Multiply(pan).Multiply(unstretch);
}

Matrix Camera::GetViewportMatrix() const
{
    Matrix v;
    v.m[0] = m_fWidthRatio;
    v.m[5] = m_fHeightRatio;
    v.m[12] = m_fWidthRatio - 1.0f;
    v.m[13] = m_fHeightRatio - 1.0f;
    return v;
}

Matrix Camera::GetProjectionMatrix(bool withViewportMatrix) const
{
    float w = 0.0f;
    float h = 0.0f;
    GetFrustumHalfSize(w, h);
    const float farPlane = m_aFarPlane.GetValue();
    const Matrix volume = m_aOrthographic.GetValue() ? Ortho(-w, w, -h, h, -farPlane, farPlane)
                                                     : Frustum(-w, w, -h, h, m_aNearPlane.GetValue(), farPlane);
    // OpenGL multiplies onto the right of the current matrix; with row vectors the
    // volume applies first, then the 2D transform, then the viewport matrix.
    Matrix result = volume.Multiply(Get2DTransformMatrix());
    if (withViewportMatrix)
        result = result.Multiply(GetViewportMatrix());
    return result;
}

void Camera::ApplyProjection(bool withViewportMatrix) const { Host().LoadProjection(GetProjectionMatrix(withViewportMatrix)); }

// --- conversions --------------------------------------------------------------

namespace {

// The viewport as the window conversions see it: each value divided by its ratio.
void DividedViewport(const int32_t viewport[4], float widthRatio, float heightRatio, double out[4])
{
    out[0] = std::trunc(viewport[0] / widthRatio);
    out[1] = std::trunc(viewport[1] / heightRatio);
    out[2] = std::trunc(viewport[2] / widthRatio);
    out[3] = std::trunc(viewport[3] / heightRatio);
}

}  // namespace

void Camera::Project(const Vector &world, float &x, float &y, float *depth) const
{
    const WideMatrix full = WideMatrix(m_mModelView).Multiply(WideMatrix(m_mProjection));
    const double in[3] = {world.x, world.y, world.z};
    double clip[4];
    full.Transform(in, clip);
    double viewport[4];
    DividedViewport(m_aViewport, m_fWidthRatio, m_fHeightRatio, viewport);
    if (clip[3] == 0.0) {
        x = y = 0.0f;
        if (depth)
            *depth = 0.0f;
        return;
    }
    const double windowX = viewport[0] + viewport[2] * (clip[0] / clip[3] * 0.5 + 0.5);
    const double windowY = viewport[1] + viewport[3] * (clip[1] / clip[3] * 0.5 + 0.5);
    x = float(windowX);
    // Flipped within the same viewport the point was projected into, so that the top
    // row is 0 whatever the off-screen ratios are.
    y = float(viewport[3] - windowY);
    if (depth)
        *depth = float(clip[2] / clip[3] * 0.5 + 0.5);
}

bool Camera::UnProject(float x, float y, float depth, Vector &world) const
{
    WideMatrix inverse = WideMatrix(m_mModelView).Multiply(WideMatrix(m_mProjection));
    if (!inverse.Invert())
        return false;
    double viewport[4];
    DividedViewport(m_aViewport, m_fWidthRatio, m_fHeightRatio, viewport);
    if (viewport[2] == 0.0 || viewport[3] == 0.0)
        return false;
    const double windowY = viewport[3] - y;
    const double ndc[3] = {(x - viewport[0]) / viewport[2] * 2.0 - 1.0, (windowY - viewport[1]) / viewport[3] * 2.0 - 1.0,
                           depth * 2.0 - 1.0};
    double out[4];
    inverse.Transform(ndc, out);
    if (out[3] == 0.0)
        return false;
    world = Vector(float(out[0] / out[3]), float(out[1] / out[3]), float(out[2] / out[3]));
    return true;
}

float Camera::BufferRow(float y, int viewHeight, float heightRatio)
{
    if (!(heightRatio > 0.0f) || viewHeight <= 0)
        return y;
    // The viewport is divided by the ratio, truncating, as Project and UnProject divide it.
    const float bufferRows = std::trunc(float(viewHeight) / heightRatio);
    return y + (bufferRows - float(viewHeight));
}

Vector Camera::WorldToScreen(const Vector &world, bool withoutRatios) const
{
    const Vector projected = m_mProjection.ProjectPoint(m_mModelView.Transform(world, 1.0f), 1.0f);
    float sx = projected.x * 0.5f + 0.5f;
    float sy = projected.y * 0.5f + 0.5f;
    if (!withoutRatios) {
        sx /= m_fWidthRatio;
        sy /= m_fHeightRatio;
    }
    return Vector(sx * 2.0f - 1.0f, sy * 2.0f - 1.0f, projected.z);
}

Vector Camera::ScreenToWorld(const Vector &screen, bool withoutRatios) const
{
    float sx = screen.x * 0.5f + 0.5f;
    float sy = screen.y * 0.5f + 0.5f;
    if (!withoutRatios) {
        sx *= m_fWidthRatio;
        sy *= m_fHeightRatio;
    }
    Matrix inverseProjection = m_mProjection;
    inverseProjection.Invert();
    Matrix inverseModelView = m_mModelView;
    inverseModelView.Invert();
    const Vector eye = inverseProjection.ProjectPoint(Vector(sx * 2.0f - 1.0f, sy * 2.0f - 1.0f, screen.z), 1.0f);
    return inverseModelView.Transform(eye, 1.0f);
}

void Camera::SetViewRegion(const General::Rect2D &region, bool flag)
{
    m_rViewRegion.Copy(region);
    m_bRegionFlag = flag;
    m_bRegionSet = true;
}

void Camera::ResetViewRegion(bool flag)
{
    SetViewRegion(General::Rect2D(0, 0, 1, 1), flag);
    Host().RefreshProperties(QStringLiteral("Camera"));
}

General::Rect2D Camera::GetScreenBounds(const AABB &box, bool flag)
{
    // In the view's own share of the picture, top row 0: with an off-screen buffer larger
    // than the view, pixels counted in the buffer would put the region beside the change.
    General::Rect2D bounds(1, 1, 0, 0);
    for (int corner = 0; corner < 8; ++corner) {
        const Vector screen = WorldToScreen(box.GetCorner(corner), false);
        bounds.Extend((screen.x + 1.0f) * 0.5f, (1.0f - screen.y) * 0.5f);
    }
    // A region still waiting to be drawn (a full redraw asked for just before) is kept:
    // the next frame covers both.
    if (m_bRegionSet) {
        General::Rect2D both = m_rViewRegion;
        both.Extend(bounds.x0, bounds.y0);
        both.Extend(bounds.x1, bounds.y1);
        SetViewRegion(both, flag && m_bRegionFlag);
    } else {
        SetViewRegion(bounds, flag);
    }
    return bounds;
}

// --- navigation ----------------------------------------------------------------

void Camera::SetRotation(const Vector &radians)
{
    m_vRotation = radians;
    SetRotate(ToDegrees(radians));
}

void Camera::Rotate(const Vector &radians)
{
    RotateBy(radians);
    m_vRotation = ToRadians(m_aRotate.GetValue());
}

void Camera::SetRotationFromAxes(Vector back, Vector up, Vector right)
{
    back.Normalize();
    up.Normalize();
    right.Normalize();
    Matrix axes;
    axes.SetRow(0, right);
    axes.SetRow(1, up);
    axes.SetRow(2, back);
    SetRotation(axes.GetRotation());
}

void Camera::LookAt(const Vector &target, const Vector &up)
{
    const Vector back = GetPosition() - target;
    const Vector right = up.Cross(back);
    SetRotationFromAxes(back, back.Cross(right), right);
}

void Camera::Dolly(float amount) { SetTranslate(GetPosition() + GetForward() * amount); }

void Camera::TrackVertical(float amount)
{
    const Vector offset = GetUp() * amount;
    SetTranslate(GetPosition() + offset);
    m_vTarget += GetUp() * amount;
}

void Camera::TrackHorizontal(float amount)
{
    const Vector offset = GetRight() * amount;
    SetTranslate(GetPosition() + offset);
    m_vTarget += GetRight() * amount;
}

void Camera::FocusOn(const Vector &point, float radius)
{
    const float distance = GetDistanceToTarget();
    m_vTarget = point;
    m_vPivot = point;
    if (Host().DollyWithFocus() && radius > 0.0f) {
        SetTranslate(point);
        Dolly(-radius / std::tan(m_aFOV.GetValue() * 0.5f));
        return;
    }
    SetTranslate(point - GetForward() * distance);
}

Vector Camera::DefaultPosition(const QString &cameraName)
{
    if (cameraName == QLatin1String("Top"))
        return Vector(0.01f, 500.0f, 0.0f);
    if (cameraName == QLatin1String("Side"))
        return Vector(500.0f, 0.0f, 0.0f);
    if (cameraName == QLatin1String("Front"))
        return Vector(0.0f, 0.0f, 500.0f);
    return Vector(0.0f, 200.0f, 500.0f);
}

void Camera::ResetNavigation(bool rotate, bool track, bool dolly, bool roll)
{
    if (rotate)
        SetRotation(Vector(0, 0, 0));
    if (track)
        SetTranslate(DefaultPosition(m_sCameraName));
    if (dolly) {
        m_vTarget = Vector(0, 0, 0);
        LookAt(m_vTarget, Vector(0, 1, 0));
    }
    if (roll)
        ResetUpVector();
    m_vRotationBackup = m_vRotation;
}

// --- events ----------------------------------------------------------------------

void Camera::AttributeChanged(General::Attribute *attribute, int event)
{
    Transformation::AttributeChanged(attribute, event);
    if (event != General::Attribute::kValueChanged)
        return;
    if (attribute == &m_aNavigationReset) {
        ResetNavigation(m_aNavigationResetChoices.GetBool(kResetRotate), m_aNavigationResetChoices.GetBool(kResetTrack),
                        m_aNavigationResetChoices.GetBool(kResetDolly), m_aNavigationResetChoices.GetBool(kResetRoll));
        Host().Redraw();
        return;
    }
    if (attribute == &m_aPictureReset) {
        if (m_aPictureResetChoices.GetBool(kResetPosition)) {
            m_a2DYPos.SetValue(0.0f, true);
            m_a2DXPos.SetValue(0.0f, true);
        }
        if (m_aPictureResetChoices.GetBool(kResetRotation))
            m_a2DAngle.SetValue(0.0f, true);
        if (m_aPictureResetChoices.GetBool(kResetScale))
            m_a2DScale.SetValue(1.0f, true);
        Host().Redraw();
        return;
    }
    for (const General::Attribute *redraws : std::initializer_list<const General::Attribute *>{
             &m_aOrthographic, &m_a2DAngle, &m_a2DXPos, &m_a2DYPos, &m_a2DScale, &m_aFOV, &m_aNearPlane, &m_aFarPlane,
             &m_aTranslate, &m_aRotate})
        if (attribute == redraws) {
            Host().Redraw();
            return;
        }
}

void Camera::HandleEvent(General::EventGate *gate)
{
    if (gate == &m_aEventGate && Host().TestLog())
        Log("Test event: shutdown\n");
}

// --- image plane -------------------------------------------------------------------

void Camera::SetImagePlane(const QString &fileName)
{
    Log("Image plane set to %s\n", qPrintable(fileName));
    LoadImagePlane(m_cImagePlane, fileName, 1.0f, true);
    Host().RefreshProperties(QStringLiteral("ImagePlane"));
}

bool Camera::LoadImagePlane(ImagePlane &plane, const QString &fileName, float opacity, bool activate)
{
    if (fileName.isEmpty()) {
        plane.m_bActive = false;
        Host().Redraw();
        return true;
    }
    plane.m_fOpacity = opacity;
    if (fileName == plane.m_sFileName && opacity == plane.m_fTextureOpacity && plane.HasImage()) {
        // The picture is there already; asked to, the plane still comes on.
        if (activate && !plane.m_bActive) {
            plane.m_bActive = true;
            UpdateImagePlane(plane);
            Host().Redraw();
        }
        return true;
    }
    if (activate)
        plane.m_bActive = true;
    plane.SetFileName(fileName);

    // Only plain files: a stored name may point at a device or a pipe that never ends.
    // Its declared size is checked before it is decoded.
    General::BoundedImage read;
    if (QFileInfo(fileName).isFile())
        read = General::ReadBoundedImage(fileName, General::MaxImagePixels());
    const QImage image = std::move(read.image);
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) {
        // No picture: nothing to show and no aspect to divide by; the last aspect stays.
        Log("Image plane: cannot read %s\n", qPrintable(fileName));
        if (read.tooLarge)
            General::Shell().CriticalMessage(read.error);
        plane.m_iImageWidth = plane.m_iImageHeight = 0;
        plane.m_bActive = false;
        Host().Redraw();
        return false;
    }
    plane.m_fAspect = float(double(image.width()) / double(image.height()));
    plane.m_iImageWidth = uint32_t(image.width());
    plane.m_iImageHeight = uint32_t(image.height());
    plane.m_fTextureOpacity = opacity;
    plane.m_iTexture = Host().UploadTexture(plane.m_iTexture, ImagePlane::MakeTexturePixels(image, opacity));
    UpdateImagePlane(plane);
    Host().Redraw();
    return true;
}

Matrix Camera::GetImagePlaneMatrix(const ImagePlane &plane) const
{
    Matrix base;
    base.m[5] = 1.0f / plane.m_fAspect;
    Matrix roll;
    roll.SetRotation(0.0f, 0.0f, plane.m_fRotation);
    const float r = float(plane.m_iImageWidth) / float(std::max(Host().ViewWidth(), 1));
    Matrix scale;
    scale.m[0] = plane.m_fScale * r;
    scale.m[5] = r * Host().ViewAspect() * plane.m_fScale;
    Matrix offset;
    offset.m[12] = plane.m_fOffsetX;
    offset.m[13] = plane.m_fOffsetY;
    return base.Multiply(roll).Multiply(scale).Multiply(offset);
}

void Camera::UpdateImagePlane(ImagePlane &plane)
{
    if (!plane.m_bActive || !plane.HasImage())
        return;
    const Camera *active = Host().ActiveCamera();
    if (!active)
        active = this;
    const Matrix projection = active->GetProjectionMatrix(false);
    Matrix pixels;
    pixels.m[0] = float(plane.m_iImageWidth / 2);
    pixels.m[12] = float(plane.m_iImageWidth / 2);
    pixels.m[5] = -float(plane.m_iImageHeight / 2);
    pixels.m[13] = float(plane.m_iImageHeight / 2);
    Matrix placement = GetImagePlaneMatrix(plane);
    placement.Invert();
    plane.m_mImage = active->m_mModelView.Multiply(projection).Multiply(placement).Multiply(pixels);
    Host().RefreshProperties(QStringLiteral("ImagePlane"));
}

// --- record --------------------------------------------------------------------------

void Camera::ReadViewState()
{
    int32_t viewport[4];
    if (Host().CurrentViewport(viewport))
        std::copy(viewport, viewport + 4, m_aViewport);
    float width = 1.0f;
    float height = 1.0f;
    if (Host().OffscreenRatios(width, height)) {
        m_fWidthRatio = width;
        m_fHeightRatio = height;
    }
}

bool Camera::Serialize(Stream &stream)
{
    const bool loading = !stream.IsStoring();
    const int version = stream.GetVersion();
    CameraState before{m_rViewRegion, m_aFOV.GetValue(), m_aNearPlane.GetValue(), m_aFarPlane.GetValue(), m_fAspect,
                       m_vRotation, m_vTarget, m_vPivot, m_vRotationBackup,
                       {m_fDollySensitivity, m_fTrackSensitivity, m_fRotateSensitivity}, m_mModelView, m_mProjection,
                       {m_aViewport[0], m_aViewport[1], m_aViewport[2], m_aViewport[3]}, m_aOrthographic.GetValue(),
                       {m_aLockPan.GetValue(), m_aLockRotate.GetValue(), m_aLockZoom.GetValue()}, m_sCameraName,
                       {m_bModified, m_bSeen, m_bInverseNodeValid, m_bInverseFullValid, m_bDirectMatrix},
                       {m_mFull, m_mInverseFull, m_mNode, m_mInverseNode, m_mBase, m_mRotation, m_mInverseRotation,
                        m_mDirect},
                       m_aTranslate.GetValue(), m_aScale.GetValue(), m_aRotate.GetValue(), m_aPivot.GetValue(),
                       m_cImagePlane, m_cImagePlane.m_fDepth, m_cImagePlane.m_fOpacity, m_cImagePlane.m_bActive};

    stream.Transfer(&m_rViewRegion, sizeof(m_rViewRegion));
    if (version < 1 && loading) {
        unsigned char dropped[2];
        stream.Transfer(dropped, 2);
    }
    m_aFOV.Serialize(stream);
    m_aNearPlane.Serialize(stream);
    m_aFarPlane.Serialize(stream);
    stream.Serialize(m_fAspect);
    stream.Transfer(&m_vRotation, 12);
    stream.Transfer(&m_vTarget, 12);
    if (version < 16 && loading) {
        unsigned char dropped[13];
        stream.Transfer(dropped, sizeof(dropped));
    }
    if (version > 23) {
        stream.Serialize(m_fDollySensitivity);
        stream.Serialize(m_fTrackSensitivity);
        stream.Serialize(m_fRotateSensitivity);
    }
    for (Matrix *matrix : {&m_mModelView, &m_mProjection}) {
        if (version > 36) {
            stream.Transfer(matrix->m, sizeof(matrix->m));
        } else {
            double wide[16];
            for (int i = 0; i < 16; ++i)
                wide[i] = matrix->m[i];
            stream.Transfer(wide, sizeof(wide));
            if (loading)
                for (int i = 0; i < 16; ++i)
                    matrix->m[i] = float(wide[i]);
        }
    }
    stream.Transfer(m_aViewport, sizeof(m_aViewport));
    if (version >= 16)
        m_aOrthographic.Serialize(stream);
    if (version >= 68)
        stream.Serialize(m_sCameraName);  // a 4-byte length and Latin-1 bytes, of any length
    Transformation::Serialize(stream);
    if (version >= 106)
        stream.Transfer(&m_vPivot, 12);
    if (version >= 108) {
        m_aLockPan.Serialize(stream);
        m_aLockRotate.Serialize(stream);
        m_aLockZoom.Serialize(stream);
    }
    if (version >= 109) {
        m_cImagePlane.Serialize(stream);
    }

    if (loading && stream.HasError()) {
        const CameraState &s = before;
        m_rViewRegion = s.region;
        m_aFOV.SetValue(s.fov, true);
        m_aNearPlane.SetValue(s.nearPlane, true);
        m_aFarPlane.SetValue(s.farPlane, true);
        m_fAspect = s.aspect;
        m_vRotation = s.rotation;
        m_vTarget = s.target;
        m_vPivot = s.pivot;
        m_vRotationBackup = s.backup;
        m_fDollySensitivity = s.sensitivity[0];
        m_fTrackSensitivity = s.sensitivity[1];
        m_fRotateSensitivity = s.sensitivity[2];
        m_mModelView = s.modelView;
        m_mProjection = s.projection;
        std::copy(s.viewport, s.viewport + 4, m_aViewport);
        m_aOrthographic.SetValue(s.orthographic, true);
        m_aLockPan.SetValue(s.locks[0], true);
        m_aLockRotate.SetValue(s.locks[1], true);
        m_aLockZoom.SetValue(s.locks[2], true);
        m_sCameraName = s.name;
        bool *flags[5] = {&m_bModified, &m_bSeen, &m_bInverseNodeValid, &m_bInverseFullValid, &m_bDirectMatrix};
        for (int i = 0; i < 5; ++i)
            *flags[i] = s.flags[i];
        Matrix *matrices[8] = {&m_mFull, &m_mInverseFull, &m_mNode, &m_mInverseNode,
                               &m_mBase, &m_mRotation, &m_mInverseRotation, &m_mDirect};
        for (int i = 0; i < 8; ++i)
            *matrices[i] = s.matrices[i];
        m_aTranslate.SetValue(s.translate, true);
        m_aScale.SetValue(s.scale, true);
        m_aRotate.SetValue(s.rotate, true);
        m_aPivot.SetValue(s.pivotAttribute, true);
        static_cast<General::ImagePlacement &>(m_cImagePlane) = s.placement;
        m_cImagePlane.m_fDepth = s.depth;
        m_cImagePlane.m_fOpacity = s.opacity;
        m_cImagePlane.m_bActive = s.active;
        return false;
    }
    m_vRotationBackup = m_vRotation;
    if (loading) {
        ReadViewState();
        if (version >= 109) {
            // The opacity just read is what the picture is prepared with; forget it so the
            // load below does not take the plane for already loaded.
            const float opacity = m_cImagePlane.m_fOpacity;
            const QString name = m_cImagePlane.m_sFileName;
            m_cImagePlane.m_iImageWidth = m_cImagePlane.m_iImageHeight = 0;
            LoadImagePlane(m_cImagePlane, name, opacity, false);
        }
    }
    return !stream.HasError();
}
