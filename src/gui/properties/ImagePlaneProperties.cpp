#include "gui/properties/ImagePlaneProperties.h"

#include "foundation/Diagnostics.h"
#include "foundation/images/ImageLimits.h"
#include "gui/common/ImageChooser.h"
#include "gui/common/Trays.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "gui/editors/TextSlider.h"
#include "gui/layouts/CollapsableFrame.h"
#include "gui/properties/PanelRows.h"
#include "interaction/Interface.h"
#include "scene/camera/Camera.h"

#include <QCheckBox>
#include <QImage>
#include <QPushButton>
#include <QVBoxLayout>

namespace GUI {

namespace {

constexpr int kPreviewSide = 130;

// The picture stretched to 130 x 130; null when it cannot be read.
QImage StretchedPreview(const QString &file)
{
    // Decoded at the preview's size where the reader can; a size past the bound is not decoded.
    const QImage image =
        General::ReadBoundedImage(file, General::MaxImagePixels(), QSize(kPreviewSide, kPreviewSide)).image;
    return image.isNull() ? image
                          : image.scaled(kPreviewSide, kPreviewSide, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

}  // namespace

ImagePlaneProperties::ImagePlaneProperties(PropertiesDialog *owner)
    : PropertyList(owner), m_pLayout(MakePanelLayout(this)), m_cRows(this, m_pLayout)
{
    TV_CHECK(connect(m_cRows.off, &QCheckBox::toggled, this, &ImagePlaneProperties::OnActive));
    TV_CHECK(connect(m_cRows.AddButton(tr("Import"), "ImportButton"), &QPushButton::clicked, this,
                     &ImagePlaneProperties::OnImport));

    CollapsableFrame *advanced = AddGroup(this, m_pLayout, tr("-Advanced"));
    m_pVisibility = AddPercentSlider(advanced, tr("Visibility"), "Visibility");
    TV_CHECK(connect(m_pVisibility, &TextSlider::valueChanged, this, &ImagePlaneProperties::OnVisibilityChanged));
    TV_CHECK(connect(m_pVisibility, &TextSlider::sliderReleased, this, [this] { ReloadWhenSettled(true); }));
    m_pDepth = AddPercentSlider(advanced, tr("Depth"), "Depth");
    TV_CHECK(connect(m_pDepth, &TextSlider::valueChanged, this, &ImagePlaneProperties::OnDepthChanged));
    m_pReset = AddResetRow(advanced);
    TV_CHECK(connect(m_pReset, &QPushButton::pressed, this, &ImagePlaneProperties::OnResetTransform));

    m_cFields.Build(this, m_pLayout, this, &ImagePlaneProperties::OnChangeTrans);

    Refresh();
    if (owner)
        owner->SetWhatsThis(this);
}

Camera *ImagePlaneProperties::GetCamera() const { return dynamic_cast<Camera *>(GetShownNode()); }

void ImagePlaneProperties::Refresh()
{
    const Camera *camera = GetCamera();
    const ImagePlane *plane = camera ? &camera->m_cImagePlane : nullptr;
    m_bUpdating = true;
    if (plane) {
        m_pVisibility->setValue(plane->m_fOpacity * 100.0f);
        m_pDepth->setValue(plane->m_fDepth);
        // Edits made while the plane is off are kept in it, so the fields always show it.
        m_cFields.Show(*plane);
    }
    const QString file = plane ? plane->m_sFileName : QString();
    m_cRows.off->setEnabled(!file.isEmpty());
    m_cRows.off->setChecked(!plane || !plane->m_bActive);
    if (file.isEmpty()) {
        m_sShownFile.clear();
        m_cRows.ShowPreview(QString(), QImage());
    } else if (file != m_sShownFile) {
        m_sShownFile = file;
        m_cRows.ShowPreview(file, StretchedPreview(file));
    }
    m_bUpdating = false;
}

void ImagePlaneProperties::OnActive()
{
    Camera *camera = GetCamera();
    if (m_bUpdating || !camera)
        return;
    ImagePlane &plane = camera->m_cImagePlane;
    plane.m_bActive = !m_cRows.off->isChecked();
    Log("ImagePlane %s\n", plane.m_bActive ? "activated" : "deactivated");
    // A visibility set while the plane was off is made now (nothing is read when none was).
    if (plane.m_bActive)
        camera->LoadImagePlane(plane, plane.m_sFileName, plane.m_fOpacity, true);
    camera->UpdateImagePlane(plane);
    Interface::Redraw();
    Refresh();
}

void ImagePlaneProperties::ReloadWhenSettled(bool released)
{
    Camera *camera = GetCamera();
    if (!camera || !camera->m_cImagePlane.m_bActive || (!released && IsDragging(m_pVisibility)))
        return;
    ImagePlane &plane = camera->m_cImagePlane;
    camera->LoadImagePlane(plane, plane.m_sFileName, m_pVisibility->GetValue() * 0.01f, true);
}

void ImagePlaneProperties::OnVisibilityChanged()
{
    Camera *camera = GetCamera();
    if (m_bUpdating || !camera)
        return;
    if (camera->m_cImagePlane.m_bActive)
        ReloadWhenSettled(false);
    else
        camera->m_cImagePlane.m_fOpacity = m_pVisibility->GetValue() * 0.01f;  // made when switched on
}

void ImagePlaneProperties::OnDepthChanged()
{
    Camera *camera = GetCamera();
    if (m_bUpdating || !camera)
        return;
    camera->m_cImagePlane.m_fDepth = m_pDepth->GetValue();
    if (camera->m_cImagePlane.m_bActive)
        Interface::Redraw();
}

void ImagePlaneProperties::OnChangeTrans()
{
    Camera *camera = GetCamera();
    if (m_bUpdating || !camera)
        return;
    ImagePlane &plane = camera->m_cImagePlane;
    // Kept while the plane is off too: it shows them when switched on.
    m_cFields.Read(plane);
    if (plane.m_bActive) {
        camera->UpdateImagePlane(plane);
        Interface::Redraw();
    }
    Refresh();
}

void ImagePlaneProperties::OnResetTransform()
{
    Camera *camera = GetCamera();
    if (!camera || !camera->m_cImagePlane.m_bActive)
        return;
    ImagePlane &plane = camera->m_cImagePlane;
    plane.m_fRotation = plane.m_fOffsetX = plane.m_fOffsetY = 0.0f;
    plane.m_fScale = 1.0f;
    camera->UpdateImagePlane(plane);
    Interface::Redraw();
    Refresh();
}

void ImagePlaneProperties::OnImport()
{
    Camera *camera = GetCamera();
    if (!camera)
        return;
    QString folder = TrayServices::Get().GetImageFolder(QStringLiteral("ImagePlane"));
    const QString file = ChooseImageFile(this, folder);
    if (file.isEmpty())
        return;
    TrayServices::Get().SetImageFolder(QStringLiteral("ImagePlane"), folder);
    camera->LoadImagePlane(camera->m_cImagePlane, file, 1.0f, true);
    // The plane shows at once, as a stencil chosen here does.
    Interface::Redraw();
    Refresh();
}

}  // namespace GUI
