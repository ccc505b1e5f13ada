#include "gui/attributes/AttributeTextRows.h"

#include "foundation/Diagnostics.h"
#include "foundation/attributes/AttributeFilename.h"
#include "foundation/attributes/AttributeFloatRange.h"
#include "foundation/math/Color.h"
#include "gui/common/ModalDialogs.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include <algorithm>

namespace GUI {

// --- text ---------------------------------------------------------------------------------

AttributeEditbox::AttributeEditbox(QWidget *parent, int width, General::Attribute *attribute)
    : AttributeWidget(parent, width, attribute), m_cEditbox(new QLineEdit(this))
{
    m_cEditbox->setFixedWidth(std::max(0, width));
    ShowText();
    TV_CHECK(connect(m_cEditbox, &QLineEdit::editingFinished, this, &AttributeEditbox::OnChange));
}

void AttributeEditbox::ShowText()
{
    if (!IsNodeAlive())
        return;
    if (m_pAttribute->GetType() == General::Attribute::kTypeBase) {
        m_cEditbox->hide();
        return;
    }
    m_cEditbox->setText(m_pAttribute->AsString());
}

void AttributeEditbox::Refresh() { ShowText(); }

void AttributeEditbox::SetEditorGeometry(int left, int right)
{
    m_cEditbox->move(left, 0);
    m_cEditbox->setFixedWidth(std::max(0, right - left));
}

void AttributeEditbox::PlaceWithButton(QPushButton *button, int left, int right)
{
    const int width = std::min(right - left, 30);
    AttributeEditbox::SetEditorGeometry(left, right - width);
    button->move(right - width, 0);
    button->setFixedSize(std::max(0, width), 20);
}

void AttributeEditbox::OnChange()
{
    if (!IsNodeAlive())
        return;
    m_pAttribute->SetFromString(m_cEditbox->text());
    m_pAttribute->Notify(General::Attribute::kValueChanged);
    m_pAttribute->UpdateTargets();
}

// --- colour -------------------------------------------------------------------------------

namespace {

General::AttributeInstance<General::Color> *ColorOf(General::Attribute *attribute)
{
    return static_cast<General::AttributeInstance<General::Color> *>(attribute);
}

QColor ShownColor(const General::Color &color)
{
    return QColor(int(color.r * 255.0f), int(color.g * 255.0f), int(color.b * 255.0f), 255);
}

}  // namespace

AttributeColorbox::AttributeColorbox(QWidget *parent, int width, General::Attribute *attribute)
    : AttributeEditbox(parent, width - 15, attribute), m_cChangeButton(new QPushButton(this))
{
    m_cChangeButton->setAutoDefault(false);
    m_cChangeButton->setDefault(false);
    Refresh();
    TV_CHECK(connect(m_cChangeButton, &QPushButton::released, this, &AttributeColorbox::OnButtonPushed));
}

void AttributeColorbox::Refresh()
{
    if (!IsNodeAlive())
        return;
    QPalette palette = m_cChangeButton->palette();
    palette.setColor(QPalette::Button, ShownColor(ColorOf(m_pAttribute)->GetValue()));
    m_cChangeButton->setPalette(palette);
    ShowText();
}

void AttributeColorbox::SetEditorGeometry(int left, int right) { PlaceWithButton(m_cChangeButton, left, right); }

void AttributeColorbox::OnButtonPushed()
{
    if (!IsNodeAlive())
        return;
    const QColor picked = Modals().GetColor(ShownColor(ColorOf(m_pAttribute)->GetValue()), this);
    // The dialog may have outlived the node.
    if (!picked.isValid() || !IsNodeAlive())
        return;
    ColorOf(m_pAttribute)
        ->SetValue(General::Color(float(picked.red()) / 255.0f, float(picked.green()) / 255.0f,
                                  float(picked.blue()) / 255.0f, 1.0f));
}

// --- float range --------------------------------------------------------------------------

namespace {

General::AttributeFloatRange *RangeOf(General::Attribute *attribute)
{
    return static_cast<General::AttributeFloatRange *>(attribute);
}

}  // namespace

AttributeSliderbox::Slider::Slider(AttributeSliderbox *row, QWidget *parent)
    : QSlider(Qt::Horizontal, parent), m_pRow(row)
{
}

void AttributeSliderbox::Slider::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (!m_pRow)
        return;
    if (event->button() == Qt::LeftButton)
        m_pRow->MoveRangeToValue(true);
    else if (event->button() == Qt::RightButton)
        m_pRow->MoveRangeToValue(false);
}

AttributeSliderbox::AttributeSliderbox(QWidget *parent, int width, General::Attribute *attribute)
    : AttributeEditbox(parent, width, attribute), m_cSlider(new Slider(this, this))
{
    m_cSlider->setRange(0, 1000);
    Refresh();
    TV_CHECK(connect(m_cSlider, &QSlider::valueChanged, this, &AttributeSliderbox::OnMove));
}

int AttributeSliderbox::SliderPosition(float value, float lower, float upper)
{
    // An empty range has no position to divide out.
    if (!(upper > lower))
        return 0;
    return int((value - lower) * 1000.0f / (upper - lower));
}

void AttributeSliderbox::SetSliderFromValue()
{
    const General::AttributeFloatRange *range = RangeOf(m_pAttribute);
    m_bSetting = true;
    m_cSlider->setValue(SliderPosition(range->GetValue(), range->GetLower(), range->GetUpper()));
    m_bSetting = false;
}

void AttributeSliderbox::Refresh()
{
    if (!IsNodeAlive())
        return;
    if (!m_bMoving)
        SetSliderFromValue();
    ShowText();
}

void AttributeSliderbox::SetEditorGeometry(int left, int right)
{
    const int span = right - left;
    const int edit = std::min(span, std::max(40, int(0.35f * float(span))));
    AttributeEditbox::SetEditorGeometry(left, left + edit);
    m_cSlider->move(left + edit, 0);
    m_cSlider->setFixedWidth(std::max(0, span - edit));
}

void AttributeSliderbox::MoveRangeToValue(bool upper)
{
    if (!IsNodeAlive())
        return;
    General::AttributeFloatRange *range = RangeOf(m_pAttribute);
    if (upper)
        range->SetBounds(range->GetLower(), range->GetValue());
    else
        range->SetBounds(range->GetValue(), range->GetUpper());
    SetSliderFromValue();
}

void AttributeSliderbox::OnMove(int position)
{
    if (m_bSetting || !IsNodeAlive())
        return;
    General::AttributeFloatRange *range = RangeOf(m_pAttribute);
    m_bMoving = true;
    range->SetValue((range->GetUpper() - range->GetLower()) * (float(position) / 1000.0f) + range->GetLower());
    m_bMoving = false;
}

// --- file name ----------------------------------------------------------------------------

AttributeFilenamebox::AttributeFilenamebox(QWidget *parent, int width, General::Attribute *attribute)
    : AttributeEditbox(parent, width - 30, attribute), m_cBrowseButton(new QPushButton(QStringLiteral("..."), this))
{
    m_cBrowseButton->setAutoDefault(false);
    m_cBrowseButton->setDefault(false);
    TV_CHECK(connect(m_cBrowseButton, &QPushButton::released, this, &AttributeFilenamebox::OnBrowse));
}

void AttributeFilenamebox::SetEditorGeometry(int left, int right) { PlaceWithButton(m_cBrowseButton, left, right); }

void AttributeFilenamebox::OnBrowse()
{
    if (!IsNodeAlive())
        return;
    auto *file = static_cast<General::AttributeFilename *>(m_pAttribute);
    const QString start = file->GetFolder() ? *file->GetFolder() : QStringLiteral(".");
    const QString chosen =
        Modals().GetFileName(QApplication::activeWindow(), QString(), start, file->GetFilter(), file->IsOpen());
    if (chosen.isEmpty() || !IsNodeAlive())
        return;
    if (file->GetFolder())
        *file->GetFolder() = QFileInfo(chosen).absolutePath();
    file->SetValue(chosen);
}

}  // namespace GUI
