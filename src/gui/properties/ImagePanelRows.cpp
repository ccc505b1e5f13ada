#include "gui/properties/ImagePanelRows.h"

#include "foundation/Diagnostics.h"
#include "foundation/images/ImagePlacement.h"
#include "gui/editors/FloatSlider.h"
#include "gui/editors/TextSlider.h"
#include "gui/layouts/CollapsableFrame.h"
#include "gui/properties/PanelRows.h"

#include <QCheckBox>
#include <QDoubleValidator>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

namespace GUI {

namespace {

// Angles convert with this value of pi throughout the panels.
constexpr float kPi = 3.1415f;
constexpr int kPreviewSide = 130;

QLineEdit *NumberField(QWidget *parent, const char *name)
{
    auto *field = new QLineEdit(QStringLiteral("0"), parent);
    field->setObjectName(QLatin1String(name));
    field->setMaximumWidth(45);
    field->setValidator(new QDoubleValidator(field));
    return field;
}

QString Decimals3(float value) { return QStringLiteral("%1").arg(double(value), 0, 'f', 3); }

// The field's number divided by `unit`; `kept` when the text reads as no number or still
// shows `kept` as Show wrote it, so that three shown decimals never round a stored value.
float Edited(const QLineEdit *field, float kept, float unit = 1.0f)
{
    if (field->text() == Decimals3(kept * unit))
        return kept;
    bool ok = false;
    const float value = field->text().toFloat(&ok);
    return ok ? value / unit : kept;
}

}  // namespace

ImageRows::ImageRows(QWidget *panel, QVBoxLayout *layout)
{
    CollapsableFrame *frame = AddGroup(panel, layout, QString());
    off = new QCheckBox(QObject::tr("Off"), frame);
    off->setObjectName(QStringLiteral("Off"));
    AddCaptionRow(frame, QString(), off);

    preview = new QLabel(frame);
    preview->setObjectName(QStringLiteral("Image"));
    preview->setFrameShape(QFrame::Box);
    preview->setFixedSize(kPreviewSide, kPreviewSide);
    auto *empty = new QLabel(frame);
    empty->setMinimumWidth(frame->GetLabelWidth());
    empty->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    frame->AddRow(empty, preview);

    name = new QLineEdit(frame);
    name->setObjectName(QStringLiteral("ImageName"));
    name->setReadOnly(true);
    AddCaptionRow(frame, QObject::tr("Image"), name);

    auto *row = new QWidget(frame);
    buttons = new QHBoxLayout(row);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setAlignment(Qt::AlignLeft);
    AddCaptionRow(frame, QString(), row);
}

QPushButton *ImageRows::AddButton(const QString &text, const char *objectName) const
{
    auto *button = new QPushButton(text, buttons->parentWidget());
    button->setObjectName(QLatin1String(objectName));
    button->setFixedSize(64, 20);
    button->setAutoDefault(false);
    buttons->addWidget(button);
    return button;
}

void ImageRows::ShowPreview(const QString &file, const QImage &picture) const
{
    preview->setPixmap(picture.isNull() ? QPixmap() : QPixmap::fromImage(picture));
    name->setText(file.isEmpty() ? QString() : QFileInfo(file).fileName());
}

void PlacementFields::AddGroup(QWidget *panel, QVBoxLayout *layout)
{
    CollapsableFrame *frame = GUI::AddGroup(panel, layout, QObject::tr("-Transform"));
    auto *translate = new QWidget(frame);
    translate->setObjectName(QStringLiteral("Translate"));
    auto *pair = new QHBoxLayout(translate);
    pair->setContentsMargins(0, 0, 0, 0);
    m_aFields[0] = NumberField(translate, "TranslateX");
    m_aFields[1] = NumberField(translate, "TranslateY");
    pair->addWidget(m_aFields[0]);
    pair->addWidget(m_aFields[1]);
    AddCaptionRow(frame, QObject::tr("Translate"), translate);
    m_aFields[2] = NumberField(frame, "Rotate");
    AddCaptionRow(frame, QObject::tr("Rotate"), m_aFields[2]);
    m_aFields[3] = NumberField(frame, "Scale");
    AddCaptionRow(frame, QObject::tr("Scale"), m_aFields[3]);
}

void PlacementFields::Connect(QWidget *receiver, const std::function<void()> &call) const
{
    // Return and leaving the field both finish an edit.
    for (QLineEdit *field : m_aFields)
        TV_CHECK(QObject::connect(field, &QLineEdit::editingFinished, receiver, call));
}

void PlacementFields::Show(const General::ImagePlacement &placement) const
{
    m_aFields[0]->setText(Decimals3(placement.m_fOffsetX));
    m_aFields[1]->setText(Decimals3(placement.m_fOffsetY));
    m_aFields[2]->setText(Decimals3(placement.m_fRotation * 180.0f / kPi));
    m_aFields[3]->setText(Decimals3(placement.m_fScale));
}

void PlacementFields::Read(General::ImagePlacement &placement) const
{
    placement.m_fOffsetX = Edited(m_aFields[0], placement.m_fOffsetX);
    placement.m_fOffsetY = Edited(m_aFields[1], placement.m_fOffsetY);
    placement.m_fRotation = Edited(m_aFields[2], placement.m_fRotation, 180.0f / kPi);
    placement.m_fScale = Edited(m_aFields[3], placement.m_fScale);
}

TextSlider *AddPercentSlider(CollapsableFrame *frame, const QString &caption, const char *name)
{
    auto *slider = new TextSlider(0, frame, name);
    slider->SetRange(0.0f, 100.0f);
    AddCaptionRow(frame, caption, slider);
    return slider;
}

QPushButton *AddResetRow(CollapsableFrame *frame)
{
    auto *button = new QPushButton(QObject::tr("Reset Transform"), frame);
    button->setObjectName(QStringLiteral("ResetTransform"));
    button->setAutoDefault(false);
    AddCaptionRow(frame, QString(), button);
    return button;
}

bool IsDragging(const TextSlider *slider) { return slider->GetSlider()->isSliderDown(); }

}  // namespace GUI
