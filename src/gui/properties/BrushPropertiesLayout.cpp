// The brush panel's widget tree: six groups of caption and editor rows, each widget named
// after the setting it edits, so that the panel and the help find it again.

#include "foundation/Diagnostics.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "gui/editors/CurveEditor.h"
#include "gui/editors/TextSlider.h"
#include "gui/layouts/CollapsableFrame.h"
#include "gui/properties/BrushProperties.h"
#include "gui/properties/PanelRows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace GUI {

namespace {

// The group is found again by its title.
CollapsableFrame *Group(QWidget *panel, QVBoxLayout *layout, const char *title)
{
    CollapsableFrame *frame = AddGroup(panel, layout, QLatin1String(title));
    frame->setObjectName(QLatin1String(title));
    return frame;
}

QCheckBox *AddCheck(CollapsableFrame *frame, const QString &text, const char *name)
{
    auto *box = new QCheckBox(text, frame);
    box->setObjectName(QLatin1String(name));
    AddCaptionRow(frame, QString(), box);
    return box;
}

TextSlider *AddSlider(CollapsableFrame *frame, const QString &caption, const char *name, int decimals, float low,
                      float high, bool follows = true)
{
    auto *slider = new TextSlider(decimals, frame, name);
    slider->SetRange(low, high);
    slider->SetRangeFollowsValue(follows);
    AddCaptionRow(frame, caption, slider);
    return slider;
}

// A button of the given width, or wider when its text needs it (fonts differ).
QPushButton *Button(QWidget *parent, const QString &text, const char *name, int width, int height = 0)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    const QSize hint = button->sizeHint();
    button->setFixedWidth(std::max(width, hint.width()));
    if (height > 0)
        button->setFixedHeight(std::max(height, hint.height()));
    return button;
}

// A row of widgets side by side in the editor column.
QWidget *AddBox(CollapsableFrame *frame, std::initializer_list<QWidget *> widgets)
{
    auto *box = new QWidget(frame);
    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (QWidget *widget : widgets) {
        widget->setParent(box);
        layout->addWidget(widget);
    }
    layout->addStretch(1);
    AddCaptionRow(frame, QString(), box);
    return box;
}

// An empty caption that still takes the label column's width.
QLabel *EmptyCaption(CollapsableFrame *frame, const char *name)
{
    auto *label = new QLabel(frame);
    if (name)
        label->setObjectName(QLatin1String(name));
    frame->AlignLabel(label);
    return label;
}

}  // namespace

BrushProperties::BrushProperties(PropertiesDialog *owner) : PropertyList(owner)
{
    BuildWidgets();
    Adopt();
    Refresh();
    if (owner)
        owner->SetWhatsThis(this);
}

void BrushProperties::BuildWidgets()
{
    QVBoxLayout *layout = MakePanelLayout(this);
    const auto update = [this](auto *sender, auto signal) {
        TV_CHECK(connect(sender, signal, this, &BrushProperties::Update));
    };
    const auto check = [&update](CollapsableFrame *frame, const QString &text, const char *name) {
        QCheckBox *box = AddCheck(frame, text, name);
        update(box, &QCheckBox::toggled);
        return box;
    };
    const auto slider = [&update](CollapsableFrame *frame, const QString &caption, const char *name, float high,
                                  float low = 0.0f, bool follows = true) {
        TextSlider *made = AddSlider(frame, caption, name, 0, low, high, follows);
        update(made, &TextSlider::valueChanged);
        return made;
    };
    const auto combo = [this](CollapsableFrame *frame, const QString &caption, const char *name) {
        auto *box = new QComboBox(frame);
        box->setObjectName(QLatin1String(name));
        if (GetOwner())
            box->installEventFilter(GetOwner());
        AddCaptionRow(frame, caption, box);
        return box;
    };

    CollapsableFrame *main = AddGroup(this, layout, QString());
    TextSlider *size = AddSlider(main, tr("Size"), "Size", 3, 0.0f, 100.0f);
    TextSlider *strength = AddSlider(main, tr("Strength"), "Strength", 3, 0.0f, 100.0f);
    m_pInvert = check(main, tr("Invert Function"), "InvertFunction");
    QComboBox *mirror = combo(main, tr("Mirror"), "Mirror");
    mirror->setMaximumWidth(65);
    mirror->addItems(
        {tr("Off"), tr("X"), tr("Y"), tr("Z"), tr("Local X"), tr("Local Y"), tr("Local Z"), tr("Tangent")});
    TV_CHECK(connect(mirror, &QComboBox::activated, this, &BrushProperties::UpdateMirror));
    TV_CHECK(connect(combo(main, tr("Direction"), "Direction"), &QComboBox::activated, this,
                     &BrushProperties::UpdateDir));
    QPushButton *flood = Button(main, tr("Flood"), "Flood", 46);
    AddCaptionRow(main, QString(), flood);
    TV_CHECK(connect(flood, &QPushButton::pressed, this, &BrushProperties::OnFlood));
    auto *floodLabel = new QLabel(main);
    floodLabel->setObjectName(QStringLiteral("FloodFromCameraLabel"));
    QPushButton *fromCamera = Button(main, tr("Flood From Camera"), "FloodFromCamera", 100);
    main->AddRow(floodLabel, fromCamera);
    TV_CHECK(connect(fromCamera, &QPushButton::pressed, this, &BrushProperties::OnFloodFromCamera));

    CollapsableFrame *falloff = Group(this, layout, "Falloff");
    auto *curve = new CurveEditor(falloff, QStringLiteral("FalloffCurve"), true);
    curve->setFixedSize(130, 130);
    falloff->AddRow(EmptyCaption(falloff, nullptr), curve);
    auto *snap = new QCheckBox(tr("Snap"), falloff);
    snap->setObjectName(QStringLiteral("Snap"));
    snap->setFixedWidth(64);
    update(snap, &QCheckBox::toggled);
    m_pFalloffStore = Button(falloff, tr("Store To"), "FalloffStore", 64, 20);
    m_pFalloffStore->installEventFilter(this);
    AddBox(falloff, {snap, m_pFalloffStore});

    CollapsableFrame *stamp = Group(this, layout, "Stamp");
    m_pStampOff = AddCheck(stamp, tr("Off"), "Off");
    m_pStampOff->setChecked(true);
    TV_CHECK(connect(m_pStampOff, &QCheckBox::toggled, this, &BrushProperties::OnActive));
    auto *image = new QLabel(stamp);
    image->setObjectName(QStringLiteral("Image"));
    image->setFrameShape(QFrame::Box);
    image->setFixedSize(130, 130);
    stamp->AddRow(EmptyCaption(stamp, "stamp_label"), image);
    auto *name = new QLineEdit(stamp);
    name->setObjectName(QStringLiteral("ImageName"));
    name->setReadOnly(true);
    AddCaptionRow(stamp, tr("Image"), name);
    QPushButton *import = Button(stamp, tr("Import"), "ImportButton", 64, 20);
    TV_CHECK(connect(import, &QPushButton::clicked, this, &BrushProperties::OnImport));
    m_pStampStore = Button(stamp, tr("Store To"), "StampStore", 64, 20);
    m_pStampStore->installEventFilter(this);
    AddBox(stamp, {import, m_pStampStore});
    slider(stamp, tr("Rotate"), "StampRotate", 360.0f);
    slider(stamp, tr("Visibility"), "StampVisibility", 100.0f);

    CollapsableFrame *stroke = Group(this, layout, "Stroke");
    m_pOrientToStroke = check(stroke, tr("Orient To Stroke"), "OrientToStroke");
    m_pPositionJitter = slider(stroke, tr("Position Jitter"), "PositionJitter", 100.0f);
    m_pRotateJitter = slider(stroke, tr("Rotate Jitter"), "RotateJitter", 100.0f);
    m_pScaleJitter = slider(stroke, tr("Scale Jitter"), "ScaleJitter", 100.0f);
    m_pStrengthJitter = slider(stroke, tr("Strength Jitter"), "StrengthJitter", 100.0f);
    m_pPositionJitterLabel = Find<QLabel>("PositionJitter_label");
    m_pRotateJitterLabel = Find<QLabel>("RotateJitter_label");
    m_pScaleJitterLabel = Find<QLabel>("ScaleJitter_label");
    m_pStrengthJitterLabel = Find<QLabel>("StrengthJitter_label");
    m_pFlipX = check(stroke, tr("Flip Randomize X"), "FlipRandomizeX");
    m_pFlipY = check(stroke, tr("Flip Randomize Y"), "FlipRandomizeY");
    m_pStampDrag = check(stroke, tr("Stamp Drag"), "StampDrag");
    m_pStretchStamp = check(stroke, tr("Stretch Stamp"), "StretchStamp");

    CollapsableFrame *pressure = Group(this, layout, "Pen Pressure");
    TextSlider *minSize = AddSlider(pressure, tr("Min Size %"), "MinSize", 0, 0.0f, 100.0f);
    TextSlider *minStrength = AddSlider(pressure, tr("Min Strength %"), "MinStrength", 0, 0.0f, 100.0f);

    CollapsableFrame *advanced = Group(this, layout, "Advanced");
    auto *remember = new QCheckBox(tr("Remember Size"), advanced);
    remember->setObjectName(QStringLiteral("RememberSize"));
    advanced->AddRow(EmptyCaption(advanced, nullptr), remember);
    update(remember, &QCheckBox::toggled);
    check(advanced, tr("Orient To Surface"), "OrientToSurface");
    check(advanced, tr("Project Through"), "ProjectThrough");
    check(advanced, tr("Affect All Layers"), "AffectAllLayers");
    check(advanced, tr("Prevent Overlap"), "PreventOverlap");
    slider(advanced, tr("Radius %"), "RadiusPercentage", 100.0f, 1.0f, false);
    check(advanced, tr("Curved Stroke"), "CurvedStroke");
    slider(advanced, tr("Stroke Quality"), "StrokeQuality", 100.0f, 0.0f, false);
    check(advanced, tr("Snap To Curve"), "SnapToCurve");
    slider(advanced, tr("Snap Distance"), "SnapDistance", 100.0f, 1.0f, false);
    check(advanced, tr("Update Plane"), "UpdatePlane")->setToolTip(tr("Update the plane after each new stamp"));
    check(advanced, tr("Whole Stroke"), "WholeStroke")
        ->setToolTip(tr("If checked the plane will be calculated from all the vertices affected by the stroke so far, "
                        "otherwise only the vertices from the latest stamp will be used"));
    check(advanced, tr("Smooth Values"), "SmoothValues")->setToolTip(tr("Smooths the values instead of painting"));
    check(advanced, tr("Smooth&&Paint Values"), "SmoothAndPaint")->setToolTip(tr("Smooths and paint the values"));
    slider(advanced, tr("Buildup Rate"), "BuildupRate", 50.0f, 1.0f, false);
    QComboBox *selection = combo(advanced, tr("Selection Mode"), "SelectionMode");
    selection->setMaximumWidth(85);
    selection->addItems({tr("Paint"), tr("Rectangle")});
    TV_CHECK(connect(selection, &QComboBox::activated, this, &BrushProperties::UpdateSelection));

    TV_CHECK(connect(size, &TextSlider::valueChanged, this, &BrushProperties::SetBrushSize));
    TV_CHECK(connect(size, &TextSlider::sliderPressed, this, &BrushProperties::BrushChangeStart));
    TV_CHECK(connect(size, &TextSlider::sliderReleased, this, &BrushProperties::BrushChangeEnd));
    update(minSize, &TextSlider::valueChanged);
    TV_CHECK(connect(strength, &TextSlider::valueChanged, this, &BrushProperties::SetBrushStrength));
    TV_CHECK(connect(strength, &TextSlider::sliderPressed, this, &BrushProperties::BrushChangeStart));
    TV_CHECK(connect(strength, &TextSlider::sliderReleased, this, &BrushProperties::BrushChangeEnd));
    update(minStrength, &TextSlider::valueChanged);
    TV_CHECK(connect(size, &TextSlider::doubleClicked, this, &BrushProperties::OnSizeReset));
    TV_CHECK(connect(strength, &TextSlider::doubleClicked, this, &BrushProperties::OnStrengthReset));
}

}  // namespace GUI
