#include "gui/properties/StencilProperties.h"

#include "foundation/Containers.h"
#include "foundation/Diagnostics.h"
#include "foundation/images/GrayImage.h"
#include "gui/common/ImageChooser.h"
#include "gui/common/PanelServices.h"
#include "gui/common/Trays.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "gui/editors/TextSlider.h"
#include "gui/layouts/CollapsableFrame.h"
#include "gui/outliner/SceneInfoDialog.h"
#include "gui/properties/PanelRows.h"
#include "interaction/Interface.h"

#include <QCheckBox>
#include <QImage>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace GUI {

namespace {

constexpr int kPreviewSide = 130;

StencilImage *Stencil()
{
    Interface *controller = Interface::Get();
    return controller ? &controller->m_cStencil : nullptr;
}

QCheckBox *AddCheckRow(CollapsableFrame *frame, const QString &text, const char *name)
{
    auto *box = new QCheckBox(text, frame);
    box->setObjectName(QLatin1String(name));
    AddCaptionRow(frame, QString(), box);
    return box;
}

// The grey values drawn at 130 x 130, nearest pixel; null without pixels.
QImage GreyPreview(const QString &file)
{
    General::Store<float> pixels{"stencil preview"};
    uint32_t width = 0, height = 0;
    if (!Interface::LoadGrayImage(pixels, file, width, height, false, General::kGrayAlphaGreen, General::kGrayNone) ||
        width == 0 || height == 0 || pixels.GetItemCount() != width * height)
        return QImage();
    QImage image(kPreviewSide, kPreviewSide, QImage::Format_RGB32);
    for (int r = 0; r < kPreviewSide; ++r) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(r));
        const uint32_t row = uint32_t(r) * height / kPreviewSide;
        for (int c = 0; c < kPreviewSide; ++c) {
            const uint32_t column = uint32_t(c) * width / kPreviewSide;
            const int grey = std::clamp(int(pixels[row * width + column] * 255.0f), 0, 255);
            line[c] = qRgba(grey, grey, grey, 255);
        }
    }
    return image;
}

}  // namespace

StencilProperties::StencilProperties(PropertiesDialog *owner)
    : PropertyList(owner), m_pLayout(MakePanelLayout(this)), m_cRows(this, m_pLayout)
{
    TV_CHECK(connect(m_cRows.off, &QCheckBox::toggled, this, &StencilProperties::OnActive));
    TV_CHECK(connect(m_cRows.AddButton(tr("Import"), "Import"), &QPushButton::clicked, this,
                     &StencilProperties::OnImport));
    m_pStore = m_cRows.AddButton(tr("Store To"), "Store");
    m_pStore->installEventFilter(this);

    CollapsableFrame *advanced = AddGroup(this, m_pLayout, tr("-Advanced"));
    m_pInvert = AddCheckRow(advanced, tr("Invert Values"), "InvertValues");
    TV_CHECK(connect(m_pInvert, &QCheckBox::toggled, this, &StencilProperties::OnInvert));
    m_pHide = AddCheckRow(advanced, tr("Hide When Sculpt"), "HideWhenSculpt");
    TV_CHECK(connect(m_pHide, &QCheckBox::toggled, this, &StencilProperties::OnHideWhenSculpt));
    m_pFlipHorizontal = AddCheckRow(advanced, tr("Flip Horizontal"), "FlipHorizontal");
    TV_CHECK(connect(m_pFlipHorizontal, &QCheckBox::toggled, this, &StencilProperties::OnFlipFlop));
    m_pFlipVertical = AddCheckRow(advanced, tr("Flip Vertical"), "FlipVertical");
    TV_CHECK(connect(m_pFlipVertical, &QCheckBox::toggled, this, &StencilProperties::OnFlipFlop));
    m_pTile = AddCheckRow(advanced, tr("Tile"), "Tile");
    TV_CHECK(connect(m_pTile, &QCheckBox::toggled, this, &StencilProperties::OnUseTile));
    m_pVisibility = AddPercentSlider(advanced, tr("Visibility"), "Visibility");
    TV_CHECK(connect(m_pVisibility, &TextSlider::valueChanged, this, &StencilProperties::OnVisibilityChanged));
    TV_CHECK(connect(m_pVisibility, &TextSlider::sliderReleased, this, [this] { ReloadWhenSettled(nullptr); }));
    m_pMultiplier = AddPercentSlider(advanced, tr("Multiplier"), "Multiplier");
    TV_CHECK(connect(m_pMultiplier, &TextSlider::valueChanged, this, &StencilProperties::OnFactorChanged));
    m_pOffset = AddPercentSlider(advanced, tr("Offset"), "Offset");
    TV_CHECK(connect(m_pOffset, &TextSlider::valueChanged, this, &StencilProperties::OnOffsetChanged));
    m_pReset = AddResetRow(advanced);
    TV_CHECK(connect(m_pReset, &QPushButton::pressed, this, &StencilProperties::OnResetTransform));

    m_cFields.Build(this, m_pLayout, this, &StencilProperties::OnChangeTrans);

    Refresh();
    if (owner)
        owner->SetWhatsThis(this);
}

void StencilProperties::Refresh()
{
    const StencilImage *stencil = Stencil();
    const StencilSettings settings = PanelHost().GetStencilSettings();
    m_bUpdating = true;
    m_pTile->setChecked(stencil && stencil->m_bUseTile);
    m_pInvert->setChecked(settings.invert);
    m_pVisibility->setValue(settings.visibility * 100.0f);
    m_pMultiplier->setValue(settings.multiplier * 100.0f);
    m_pOffset->setValue(settings.offset * 100.0f);
    m_pFlipHorizontal->setChecked(settings.flipHorizontal);
    m_pFlipVertical->setChecked(settings.flipVertical);
    m_pHide->setChecked(settings.hideWhenSculpt);
    m_cRows.off->setChecked(!stencil || !stencil->m_bState);
    m_cRows.off->setEnabled(stencil && stencil->m_aPixels.GetItemCount() > 0);
    // Edits made while the stencil is off are kept in its placement, so the fields always
    // show the placement.
    if (stencil)
        m_cFields.Show(stencil->m_cPlacement);
    ShowPreview(stencil ? stencil->m_cPlacement.m_sFileName : QString());
    m_bUpdating = false;
}

void StencilProperties::ShowPreview(const QString &file)
{
    if (file.isEmpty()) {
        m_sShownFile.clear();
        m_cRows.ShowPreview(QString(), QImage());
        return;
    }
    if (file == m_sShownFile)
        return;
    m_sShownFile = file;
    m_cRows.ShowPreview(file, GreyPreview(file));
}

bool StencilProperties::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_pStore || event->type() != QEvent::MouseButtonPress)
        return PropertyList::eventFilter(watched, event);
    const StencilImage *stencil = Stencil();
    Interface *controller = Interface::Get();
    if (stencil && stencil->m_bState && GetOwner())
        GetOwner()->ShowMenu(static_cast<QMouseEvent *>(event)->globalPosition().toPoint(), QStringLiteral("Stencil"),
                             &controller->m_cStencilNode, true);
    return true;
}

void StencilProperties::StoreSettings()
{
    StencilSettings settings = PanelHost().GetStencilSettings();
    settings.invert = m_pInvert->isChecked();
    settings.visibility = m_pVisibility->GetValue() * 0.01f;
    settings.multiplier = m_pMultiplier->GetValue() * 0.01f;
    settings.offset = m_pOffset->GetValue() * 0.01f;
    settings.flipHorizontal = m_pFlipHorizontal->isChecked();
    settings.flipVertical = m_pFlipVertical->isChecked();
    settings.hideWhenSculpt = m_pHide->isChecked();
    PanelHost().SetStencilSettings(settings);
}

void StencilProperties::Reload()
{
    StencilImage *stencil = Stencil();
    if (!stencil)
        return;
    const StencilSettings settings = PanelHost().GetStencilSettings();
    stencil->Load(stencil->m_cPlacement.m_sFileName, settings.invert, settings.visibility);
    Interface::Get()->UpdateStencil();
    Interface::Redraw();
}

void StencilProperties::ReloadWhenSettled(const TextSlider *moved)
{
    const StencilImage *stencil = Stencil();
    if (!stencil || !stencil->m_bState || (moved && IsDragging(moved)))
        return;
    Reload();
}

void StencilProperties::OnActive()
{
    StencilImage *stencil = Stencil();
    if (m_bUpdating || !stencil)
        return;
    const bool on = !m_cRows.off->isChecked();
    Log("Stencil %s\n", on ? "activated" : "deactivated");
    if (on)
        Reload();  // with whatever was set while it was off
    else
        stencil->m_bState = false;
    Interface::Get()->UpdateStencil();
    Interface::Redraw();
    SceneInfoDialog::RefreshAll();
    Refresh();
}

void StencilProperties::OnInvert()
{
    if (m_bUpdating)
        return;
    StoreSettings();
    // A stencil that has a file comes on with the new values.
    Reload();
    SceneInfoDialog::RefreshAll();
    Refresh();
}

void StencilProperties::OnUseTile()
{
    StencilImage *stencil = Stencil();
    if (m_bUpdating || !stencil)
        return;
    stencil->m_bUseTile = m_pTile->isChecked();
    InteractionHost().RedrawIfContinuous();
}

void StencilProperties::OnHideWhenSculpt()
{
    if (!m_bUpdating)
        StoreSettings();
}

void StencilProperties::OnVisibilityChanged()
{
    if (m_bUpdating)
        return;
    StoreSettings();
    ReloadWhenSettled(m_pVisibility);
}

void StencilProperties::OnFactorChanged()
{
    if (m_bUpdating)
        return;
    StoreSettings();
    InteractionHost().RedrawIfContinuous();
}

void StencilProperties::OnOffsetChanged()
{
    if (!m_bUpdating)
        StoreSettings();
}

void StencilProperties::OnFlipFlop()
{
    if (m_bUpdating)
        return;
    StoreSettings();
    if (Interface *controller = Interface::Get())
        controller->UpdateStencil();
    InteractionHost().RedrawIfContinuous();
}

void StencilProperties::OnChangeTrans()
{
    StencilImage *stencil = Stencil();
    if (m_bUpdating || !stencil)
        return;
    // Kept while the stencil is off too: it shows them when switched on.
    m_cFields.Read(stencil->m_cPlacement);
    Interface::Get()->UpdateStencil();
    if (stencil->m_bState)
        InteractionHost().RedrawIfContinuous();
    Refresh();
}

void StencilProperties::OnResetTransform()
{
    StencilImage *stencil = Stencil();
    if (!stencil || !stencil->m_bState)
        return;
    General::ImagePlacement &placement = stencil->m_cPlacement;
    placement.m_fRotation = placement.m_fOffsetX = placement.m_fOffsetY = 0.0f;
    placement.m_fScale = 1.0f;
    Interface::Get()->UpdateStencil();
    InteractionHost().RedrawIfContinuous();
    Refresh();
}

void StencilProperties::OnImport()
{
    Interface *controller = Interface::Get();
    if (!controller)
        return;
    QString folder = TrayServices::Get().GetImageFolder(QStringLiteral("Stencil"));
    const QString file = ChooseImageFile(this, folder);
    if (file.isEmpty())
        return;
    TrayServices::Get().SetImageFolder(QStringLiteral("Stencil"), folder);
    controller->SetStencil(file);
    SceneInfoDialog::RefreshAll();
    Refresh();
}

}  // namespace GUI
