#include "gui/properties/CameraProperties.h"

#include "foundation/Diagnostics.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "gui/editors/TextSlider.h"
#include "gui/editors/VectorEditor.h"
#include "gui/layouts/CollapsableFrame.h"
#include "gui/outliner/SceneInfoDialog.h"
#include "gui/properties/PanelRows.h"
#include "interaction/Interface.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"
#include "scene/camera/Light.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace GUI {

namespace {

// Angles convert with this value of pi throughout the panels.
constexpr float kPi = 3.1415f;

void Copy(const General::Vector &from, float (&to)[3])
{
    to[0] = from.x;
    to[1] = from.y;
    to[2] = from.z;
}

General::Vector VectorOf(const float (&from)[3]) { return General::Vector(from[0], from[1], from[2]); }

VectorEditor *AddVectorRow(CollapsableFrame *frame, const QString &caption, const char *name, bool angles)
{
    auto *editor = new VectorEditor(frame, name);
    editor->SetAngles(angles);
    AddCaptionRow(frame, caption, editor);
    return editor;
}

QCheckBox *Check(QWidget *parent, const QString &text, const char *name, bool on)
{
    auto *box = new QCheckBox(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setChecked(on);
    return box;
}

// Two check boxes side by side in one row without caption.
void AddCheckPair(CollapsableFrame *frame, QCheckBox *left, QCheckBox *right)
{
    auto *row = new QWidget(frame);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    left->setParent(row);
    right->setParent(row);
    layout->addWidget(left);
    layout->addWidget(right);
    AddCaptionRow(frame, QString(), row);
}

}  // namespace

float CameraPlanes::Near(float shown, float unitScale, float far)
{
    const float stored = shown / unitScale;
    // Not-a-number and anything at or below zero land on the minimum.
    float value = stored > kMinimumNear ? stored : kMinimumNear;
    if (far - kMinimumGap > kMinimumNear)
        value = std::min(value, far - kMinimumGap);
    return value;
}

float CameraPlanes::Far(float shown, float unitScale, float near)
{
    const float stored = shown / unitScale;
    const float lowest = std::max(near, kMinimumNear) + kMinimumGap;
    return stored > lowest ? stored : lowest;
}

// --- camera ----------------------------------------------------------------------

CameraProperties::CameraProperties(PropertiesDialog *owner) : PropertyList(owner)
{
    QVBoxLayout *layout = MakePanelLayout(this);
    CollapsableFrame *transform = AddGroup(this, layout, tr("Transform"));
    TV_CHECK(connect(AddVectorRow(transform, tr("Translate"), "Translate", false), &VectorEditor::valueChanged, this,
                     &CameraProperties::OnChangeTrans));
    TV_CHECK(connect(AddVectorRow(transform, tr("Rotate"), "Rotate", true), &VectorEditor::valueChanged, this,
                     &CameraProperties::OnChangeRotate));
    TV_CHECK(connect(AddVectorRow(transform, tr("Scale"), "Scale", false), &VectorEditor::valueChanged, this,
                     &CameraProperties::OnChangeScale));
    for (const auto &[text, name] : {std::pair{"Lock Pan", "LockPan"}, std::pair{"Lock Rotate", "LockRotate"},
                                     std::pair{"Lock Zoom", "LockZoom"}}) {
        QCheckBox *box = Check(transform, tr(text), name, false);
        AddCaptionRow(transform, QString(), box);
        TV_CHECK(connect(box, &QCheckBox::toggled, this, &CameraProperties::Update));
    }

    CollapsableFrame *projection = AddGroup(this, layout, QString());
    QCheckBox *orthographic = Check(projection, tr("Orthographic"), "Orthographic", false);
    AddCaptionRow(projection, QString(), orthographic);
    TV_CHECK(connect(orthographic, &QCheckBox::toggled, this, &CameraProperties::Update));
    m_pFOV = new TextSlider(1, projection, "FOV");
    m_pFOV->SetRange(20.0f, 120.0f);
    m_pFOVLabel = AddCaptionRow(projection, tr("FOV"), m_pFOV);
    TV_CHECK(connect(m_pFOV, &TextSlider::valueChanged, this, &CameraProperties::FOVChange));

    CollapsableFrame *planes = AddGroup(this, layout, QString());
    m_pNear = new TextSlider(4, planes, "NearPlane");
    m_pNear->SetRange(1.0f, 1000.0f);
    AddCaptionRow(planes, tr("Near Plane"), m_pNear);
    TV_CHECK(connect(m_pNear, &TextSlider::valueChanged, this, &CameraProperties::NearChange));
    m_pFar = new TextSlider(0, planes, "FarPlane");
    m_pFar->SetRange(10.0f, 10000.0f);
    AddCaptionRow(planes, tr("Far Plane"), m_pFar);
    TV_CHECK(connect(m_pFar, &TextSlider::valueChanged, this, &CameraProperties::FarChange));

    CollapsableFrame *reset = AddGroup(this, layout, QString());
    AddCheckPair(reset, Check(reset, tr("Dolly"), "ResetDolly", false), Check(reset, tr("Track"), "ResetTrack", false));
    AddCheckPair(reset, Check(reset, tr("Rotate"), "ResetRotate", false), Check(reset, tr("Roll"), "ResetRoll", true));
    auto *button = new QPushButton(tr("Reset"), reset);
    button->setObjectName(QStringLiteral("Reset"));
    button->setFixedWidth(60);
    button->setAutoDefault(false);
    AddCaptionRow(reset, QString(), button);
    TV_CHECK(connect(button, &QPushButton::clicked, this, &CameraProperties::OnReset));

    Refresh();
    if (owner)
        owner->SetWhatsThis(this);
}

Camera *CameraProperties::GetCamera() const
{
    General::Node *node = GetShownNode();
    return node && General::TypeInfo::IsKindOf(node->GetTypeInfo(), &Camera::s_typeInfo) ? static_cast<Camera *>(node)
                                                                                          : nullptr;
}

void CameraProperties::EnableFOV(bool orthographic)
{
    m_pFOV->setEnabled(!orthographic);
    if (m_pFOVLabel)
        m_pFOVLabel->setEnabled(!orthographic);
}

void CameraProperties::Refresh()
{
    Camera *camera = GetCamera();
    if (!camera)
        return;
    m_bUpdating = true;
    Copy(camera->m_aTranslate.GetValue(), m_aTranslate);
    Copy(camera->m_vRotation, m_aRotate);
    Copy(camera->m_aScale.GetValue(), m_aScale);
    findChild<VectorEditor *>(QStringLiteral("Translate"))->SetValue(m_aTranslate);
    findChild<VectorEditor *>(QStringLiteral("Rotate"))->SetValue(m_aRotate);
    findChild<VectorEditor *>(QStringLiteral("Scale"))->SetValue(m_aScale);
    const float unit = Scene::LinearUnitScale();
    m_pFOV->setValue(camera->m_aFOV.GetValue() * 180.0f / kPi);
    m_pNear->setValue(camera->m_aNearPlane.GetValue() * unit);
    m_pFar->setValue(camera->m_aFarPlane.GetValue() * unit);
    findChild<QCheckBox *>(QStringLiteral("Orthographic"))->setChecked(camera->m_aOrthographic.GetValue());
    findChild<QCheckBox *>(QStringLiteral("LockPan"))->setChecked(camera->m_aLockPan.GetValue());
    findChild<QCheckBox *>(QStringLiteral("LockRotate"))->setChecked(camera->m_aLockRotate.GetValue());
    findChild<QCheckBox *>(QStringLiteral("LockZoom"))->setChecked(camera->m_aLockZoom.GetValue());
    EnableFOV(camera->m_aOrthographic.GetValue());
    m_bUpdating = false;
}

void CameraProperties::Update()
{
    Camera *camera = GetCamera();
    if (m_bUpdating || !camera)
        return;
    camera->m_aOrthographic.SetValue(findChild<QCheckBox *>(QStringLiteral("Orthographic"))->isChecked(), true);
    camera->m_aLockPan.SetValue(findChild<QCheckBox *>(QStringLiteral("LockPan"))->isChecked(), true);
    camera->m_aLockRotate.SetValue(findChild<QCheckBox *>(QStringLiteral("LockRotate"))->isChecked(), true);
    camera->m_aLockZoom.SetValue(findChild<QCheckBox *>(QStringLiteral("LockZoom"))->isChecked(), true);
    EnableFOV(camera->m_aOrthographic.GetValue());
    Interface::Redraw();
}

void CameraProperties::FOVChange(float value)
{
    Camera *camera = GetCamera();
    if (m_bUpdating || !camera)
        return;
    camera->m_aFOV.SetValue(value * kPi / 180.0f, true);
    Interface::Redraw();
}

void CameraProperties::NearChange(float value)
{
    Camera *camera = GetCamera();
    if (m_bUpdating || !camera)
        return;
    camera->m_aNearPlane.SetValue(CameraPlanes::Near(value, Scene::LinearUnitScale(), camera->m_aFarPlane.GetValue()),
                                  true);
    Interface::Redraw();
}

void CameraProperties::FarChange(float value)
{
    Camera *camera = GetCamera();
    if (m_bUpdating || !camera)
        return;
    const float unit = Scene::LinearUnitScale();
    const float far = CameraPlanes::Far(value, unit, camera->m_aNearPlane.GetValue());
    camera->m_aFarPlane.SetValue(far, true);
    if (far != value / unit)
        // A refused far plane shows what was kept, once the slider has finished its change.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (Camera *shown = GetCamera()) {
                    m_bUpdating = true;
                    m_pFar->setValue(shown->m_aFarPlane.GetValue() * Scene::LinearUnitScale());
                    m_bUpdating = false;
                }
            },
            Qt::QueuedConnection);
    Interface::Redraw();
}

void CameraProperties::OnReset()
{
    Camera *camera = GetCamera();
    if (!camera)
        return;
    const auto on = [this](const char *name) { return findChild<QCheckBox *>(QLatin1String(name))->isChecked(); };
    camera->ResetNavigation(on("ResetRotate"), on("ResetTrack"), on("ResetDolly"), on("ResetRoll"));
    Interface::Redraw();
}

void CameraProperties::OnChangeTrans()
{
    if (Camera *camera = GetCamera())
        camera->SetTranslate(VectorOf(m_aTranslate));
    Interface::Redraw();
}

void CameraProperties::OnChangeRotate()
{
    if (Camera *camera = GetCamera())
        camera->SetRotation(VectorOf(m_aRotate));
    Interface::Redraw();
}

void CameraProperties::OnChangeScale()
{
    if (Camera *camera = GetCamera())
        camera->SetScale(VectorOf(m_aScale));
    Interface::Redraw();
}

// --- light -----------------------------------------------------------------------

LightProperties::LightProperties(PropertiesDialog *owner) : PropertyList(owner)
{
    QVBoxLayout *layout = MakePanelLayout(this);
    CollapsableFrame *transform = AddGroup(this, layout, tr("Transform"));
    TV_CHECK(connect(AddVectorRow(transform, tr("Translate"), "Translate", false), &VectorEditor::valueChanged, this,
                     &LightProperties::OnChangeTrans));
    CollapsableFrame *colours = AddGroup(this, layout, QString());
    auto *intensity = new TextSlider(0, colours, "Intensity");
    intensity->SetRange(0.0f, 100.0f);
    AddCaptionRow(colours, tr("Intensity"), intensity);
    TV_CHECK(connect(intensity, &TextSlider::valueChanged, this, &LightProperties::Update));
    AddCaptionRow(colours, tr("Diffuse"), MakeColorSwatch(colours, QStringLiteral("Diffuse"), this));
    AddCaptionRow(colours, tr("Specular"), MakeColorSwatch(colours, QStringLiteral("Specular"), this));
    Refresh();
    if (owner)
        owner->SetWhatsThis(this);
}

Light *LightProperties::GetLight() const
{
    // Lights have no class record of their own: the window's page type says what it shows.
    General::Node *node = GetShownNode();
    if (!node || !GetOwner() || GetOwner()->GetTypeName() != QLatin1String("Light"))
        return nullptr;
    return dynamic_cast<Light *>(node);
}

void LightProperties::Refresh()
{
    Light *light = GetLight();
    if (!light)
        return;
    m_bUpdating = true;
    Copy(light->m_aTranslate.GetValue(), m_aTranslate);
    findChild<VectorEditor *>(QStringLiteral("Translate"))->SetValue(m_aTranslate);
    findChild<TextSlider *>(QStringLiteral("Intensity"))->setValue(light->m_fIntensity * 100.0f);
    PaintSwatch(findChild<QFrame *>(QStringLiteral("Diffuse")), light->m_cDiffuse);
    PaintSwatch(findChild<QFrame *>(QStringLiteral("Specular")), light->m_cSpecular);
    m_bUpdating = false;
}

void LightProperties::Update()
{
    Light *light = GetLight();
    if (m_bUpdating || !light)
        return;
    light->m_fIntensity = findChild<TextSlider *>(QStringLiteral("Intensity"))->GetValue() / 100.0f;
    SceneInfoDialog::RefreshAll();
    Interface::Redraw();
}

void LightProperties::OnChangeTrans()
{
    if (Light *light = GetLight())
        light->SetTranslate(VectorOf(m_aTranslate));
    Interface::Redraw();
}

bool LightProperties::eventFilter(QObject *watched, QEvent *event)
{
    auto *swatch = qobject_cast<QFrame *>(watched);
    if (event->type() != QEvent::MouseButtonRelease || !swatch)
        return false;
    Light *light = GetLight();
    General::Color picked;
    if (!light || !AskSwatchColor(swatch, this, picked))
        return true;
    if (swatch->objectName() == QLatin1String("Diffuse"))
        light->m_cDiffuse = picked;
    else if (swatch->objectName() == QLatin1String("Specular"))
        light->m_cSpecular = picked;
    Refresh();
    Interface::Redraw();
    return true;
}

}  // namespace GUI
