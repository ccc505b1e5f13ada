#pragma once
// The "Camera" and "Light" pages. The camera page edits the transformation, the
// projection (orthographic, field of view, near and far planes in the user's length
// unit) and the navigation locks, and resets the view in the ways that are ticked; the
// light page edits the light's direction, intensity and colours. The node is read from
// the owning window every time; each edit writes it at once and redraws the view.

#include "gui/dialogs/PropertyList.h"

class Camera;
class Light;
class QLabel;

namespace GUI {

class TextSlider;

// The stored planes for a shown value: near at least 0.001, far above near.
struct CameraPlanes {
    static constexpr float kMinimumNear = 0.001f;
    // Far stays at least this far beyond near, so the projection never collapses.
    static constexpr float kMinimumGap = 0.001f;
    static float Near(float shown, float unitScale, float far);
    static float Far(float shown, float unitScale, float near);
};

class CameraProperties : public PropertyList {
    Q_OBJECT

public:
    explicit CameraProperties(PropertiesDialog *owner);

    void Refresh() override;
    Camera *GetCamera() const;

public slots:
    // Writes the four check boxes to the camera.
    void Update();
    void FOVChange(float value);
    void NearChange(float value);
    void FarChange(float value);
    void OnReset();
    void OnChangeTrans();
    void OnChangeRotate();
    void OnChangeScale();

private:
    void EnableFOV(bool orthographic);

    bool m_bUpdating = false;
    TextSlider *m_pFOV;
    TextSlider *m_pNear;
    TextSlider *m_pFar;
    QLabel *m_pFOVLabel;
    // What the vector editors edit; the node takes them on each change.
    float m_aTranslate[3] = {0, 0, 0};
    float m_aRotate[3] = {0, 0, 0};
    float m_aScale[3] = {1, 1, 1};
};

class LightProperties : public PropertyList {
    Q_OBJECT

public:
    explicit LightProperties(PropertiesDialog *owner);

    void Refresh() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    Light *GetLight() const;

public slots:
    // Intensity from the slider (percent).
    void Update();
    void OnChangeTrans();

private:
    bool m_bUpdating = false;
    float m_aTranslate[3] = {0, 0, 0};
};

}  // namespace GUI
