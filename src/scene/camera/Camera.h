#pragma once
// The viewing node: a transformation with a projection, a 2D pan/zoom/roll of the
// projected picture, navigation, the conversions between world and screen that brushes
// and pickers use, and an image plane. Every matrix is computed here; OpenGL only
// receives them (through the camera host), so all of it runs without a context.

#include "foundation/attributes/AttributeBoolCollection.h"
#include "foundation/attributes/AttributeFloatRange.h"
#include "foundation/math/Rect2D.h"
#include "scene/Transformation.h"
#include "scene/camera/ImagePlane.h"

#include <cstdint>
#include <memory>

class AABB;

class Camera : public Transformation {
public:
    static General::TypeInfo s_typeInfo;
    const General::TypeInfo *GetTypeInfo() const override { return &s_typeInfo; }

    // Indices of the navigation and 2D reset choices.
    enum NavigationReset { kResetRoll = 0, kResetRotate = 1, kResetTrack = 2, kResetDolly = 3 };
    enum PictureReset { kResetPosition = 0, kResetRotation = 1, kResetScale = 2 };

    Camera();
    // Deletes the rest of the chain with it.
    ~Camera() override;

    void AttributeChanged(General::Attribute *attribute, int event) override;
    void HandleEvent(General::EventGate *gate) override;
    // The camera's own name, not the node name.
    QString GetName() const override { return m_sCameraName; }
    // The camera record; a refused load leaves the camera as it was.
    bool Serialize(Stream &stream) override;

    // --- projection ----------------------------------------------------------
    // The projection as OpenGL would build it: the viewport matrix (when asked), the 2D
    // transform, then the frustum or the orthographic box.
    General::Matrix GetProjectionMatrix(bool withViewportMatrix) const;
    // Hands GetProjectionMatrix to OpenGL.
    void ApplyProjection(bool withViewportMatrix) const;
    void GetFrustumHalfSize(float &halfWidth, float &halfHeight) const;
    General::Matrix Get2DTransformMatrix() const;
    // Maps the picture into the lower-left part of a larger off-screen buffer.
    General::Matrix GetViewportMatrix() const;

    // --- conversions ---------------------------------------------------------
    // Window x and y from the top-left corner and the window depth.
    void Project(const General::Vector &world, float &x, float &y, float *depth = nullptr) const;
    // The inverse of Project; false (world untouched) when the matrices cannot be inverted.
    bool UnProject(float x, float y, float depth, General::Vector &world) const;
    // The row Project and UnProject count for row y of the view (from its top): rows of the
    // off-screen buffer below the picture come first in their count.
    static float BufferRow(float y, int viewHeight, float heightRatio);
    float BufferRow(float y) const { return BufferRow(y, m_aViewport[3], m_fHeightRatio); }
    // The point in the picture's normalised device coordinates, z the projected depth.
    General::Vector WorldToScreen(const General::Vector &world, bool withoutRatios) const;
    General::Vector ScreenToWorld(const General::Vector &screen, bool withoutRatios) const;

    void SetViewRegion(const General::Rect2D &region, bool flag);
    void ResetViewRegion(bool flag);
    // The box's screen bounds in 0..1 of the view, kept as the view region.
    General::Rect2D GetScreenBounds(const AABB &box, bool flag);

    // --- navigation ----------------------------------------------------------
    void SetRotation(const General::Vector &radians);
    // Turns by Euler angles in radians, then reloads the stored angles from "Rotate".
    void Rotate(const General::Vector &radians);
    void SetRotationFromAxes(General::Vector back, General::Vector up, General::Vector right);
    void LookAt(const General::Vector &target, const General::Vector &up);
    void ResetUpVector() { LookAt(m_vTarget, General::Vector(0, 1, 0)); }
    // The navigation resets that are asked for, in the order rotate, track (the default
    // position of the camera's name), dolly (aim at the origin), roll (straighten the up
    // vector); the rotation is then kept as the second rotation vector.
    void ResetNavigation(bool rotate, bool track, bool dolly, bool roll);
    void Dolly(float amount);
    void TrackVertical(float amount);
    void TrackHorizontal(float amount);
    void FocusOn(const General::Vector &point, float radius);
    // The position the "Track" reset puts a camera of this name at.
    static General::Vector DefaultPosition(const QString &cameraName);

    // --- image plane ---------------------------------------------------------
    void SetImagePlane(const QString &fileName);
    // False when the file gave no image (the plane is then left without one).
    bool LoadImagePlane(ImagePlane &plane, const QString &fileName, float opacity, bool activate);
    void UpdateImagePlane(ImagePlane &plane);
    General::Matrix GetImagePlaneMatrix(const ImagePlane &plane) const;

    float GetDistanceToTarget() const { return (m_vTarget - GetPosition()).Length(); }

    ImagePlane m_cImagePlane;
    General::Rect2D m_rViewRegion{0, 0, 1, 1};
    bool m_bRegionSet = false;
    bool m_bRegionFlag = false;
    General::AttributeInstance<bool> m_aOrthographic;
    float m_fAspect = 1.0f;
    General::AttributeFloatRange m_aFOV;
    General::AttributeFloatRange m_aNearPlane;
    General::AttributeFloatRange m_aFarPlane;
    General::Vector m_vRotation{0, 0, 0};  // radians
    General::Vector m_vTarget{0, 0, 0};
    General::Vector m_vPivot{0, 0, 0};
    General::Vector m_vRotationBackup{0, 0, 0};
    float m_fDollySensitivity = 2.0f;
    float m_fTrackSensitivity = 2.0f;
    float m_fRotateSensitivity = 2.0f;
    General::Matrix m_mModelView;
    General::Matrix m_mProjection;
    int32_t m_aViewport[4] = {0, 0, 0, 0};
    float m_fWidthRatio = 1.0f;
    float m_fHeightRatio = 1.0f;
    General::AttributeFloatRange m_a2DScale;
    General::AttributeFloatRange m_a2DAngle;
    General::AttributeFloatRange m_a2DXPos;
    General::AttributeFloatRange m_a2DYPos;
    General::AttributeBoolCollection m_aPictureResetChoices;
    General::EventGate m_aPictureReset;
    General::AttributeInstance<bool> m_aLockPan;
    General::AttributeInstance<bool> m_aLockRotate;
    General::AttributeInstance<bool> m_aLockZoom;
    General::AttributeBoolCollection m_aNavigationResetChoices;
    General::EventGate m_aNavigationReset;
    QString m_sCameraName;
    std::unique_ptr<Camera> m_pNext;
    General::EventGate m_aEventGate;

private:
    void ReadViewState();
};
