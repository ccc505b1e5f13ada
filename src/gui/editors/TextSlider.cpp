#include "gui/editors/TextSlider.h"

#include "gui/editors/FloatSlider.h"

#include <QDoubleValidator>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QStyle>

#include <algorithm>
#include <cmath>

namespace GUI {

TextSlider::TextSlider(int decimals, QWidget *parent, const char *name) : QWidget(parent)
{
    setObjectName(QString::fromUtf8(name ? name : ""));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    m_pEdit = new QLineEdit(this);
    m_pEdit->setMaximumWidth(45);
    m_pEdit->setValidator(new QDoubleValidator(m_pEdit));
    m_pSlider = new FloatSlider(decimals, this, "");
    m_pSlider->setMaximumWidth(100);
    layout->addWidget(m_pEdit);
    layout->addWidget(m_pSlider);

    connect(m_pSlider, &QSlider::sliderPressed, this, &TextSlider::sliderPressed);
    connect(m_pSlider, &QSlider::sliderReleased, this, &TextSlider::sliderReleased);
    connect(m_pEdit, &QLineEdit::editingFinished, this, &TextSlider::textChanged);
    // The field follows a drag before the owner hears of it.
    connect(m_pSlider, &FloatSlider::valueChanged, this, &TextSlider::setValue);
    connect(m_pSlider, &FloatSlider::valueChanged, this, &TextSlider::valueChanged);
    connect(m_pSlider, &FloatSlider::doubleClicked, this, &TextSlider::doubleClicked);
}

// The field loses its focus as its window goes, after this slider's own part is gone: the
// editing it then reports finished must not reach the slider.
TextSlider::~TextSlider() { m_pEdit->disconnect(this); }

void TextSlider::SetRange(float minimum, float maximum)
{
    m_pSlider->SetRange(minimum, maximum);
    FitField(GetValue());
}

float TextSlider::GetValue() const { return m_pSlider->GetValue(); }

QString TextSlider::Format(float value) const
{
    return QStringLiteral("%1").arg(double(value), 0, 'f', m_pSlider->GetDecimals(), QLatin1Char(' '));
}

void TextSlider::setValue(float value)
{
    if (m_bUpdating)
        return;
    m_bUpdating = true;
    m_pEdit->setText(Format(value));
    FitField(value);
    if (m_bRangeFollowsValue) {
        if (value < m_pSlider->GetMinimum())
            m_pSlider->SetRange(value, m_pSlider->GetMaximum());
        if (value > m_pSlider->GetMaximum())
            m_pSlider->SetRange(m_pSlider->GetMinimum(), value);
    } else if (value > m_pSlider->GetMaximum()) {
        m_pEdit->setText(Format(m_pSlider->GetMaximum()));
    }
    m_pSlider->setValue(value);
    m_bUpdating = false;
}

void TextSlider::FitField(float value)
{
    // The field is at least as wide as the longest number the range or the value gives, so
    // a squeezed row never scrolls its first digits out of sight.
    const float widest = std::max({std::abs(value), std::abs(m_pSlider->GetMinimum()), std::abs(m_pSlider->GetMaximum())});
    const QString text = Format(value < 0.0f || m_pSlider->GetMinimum() < 0.0f ? -widest : widest);
    const int frame = m_pEdit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, m_pEdit);
    const int needed = m_pEdit->fontMetrics().horizontalAdvance(text) + 2 * frame + 6;
    m_pEdit->setMinimumWidth(needed);
    m_pEdit->setMaximumWidth(std::max(45, needed));
}

void TextSlider::textChanged()
{
    bool ok = false;
    const float value = m_pEdit->text().toFloat(&ok);
    if (ok && !m_bUpdating)
        setValue(value);
}

}  // namespace GUI
