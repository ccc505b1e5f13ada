#include "gui/editors/FloatSlider.h"

#include "foundation/math/MathFunctions.h"

#include <cmath>
#include <limits>

namespace GUI {

namespace {

// Truncates toward zero; values past what an int holds (and not-a-number) are held at
// the ends rather than converted with undefined results.
int ClampToInt(double x)
{
    if (std::isnan(x))
        return 0;
    if (x >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (x <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(std::trunc(x));
}

}  // namespace

FloatSlider::FloatSlider(int decimals, QWidget *parent, const char *name)
    : QSlider(Qt::Horizontal, parent), m_iDecimals(decimals)
{
    setObjectName(QString::fromUtf8(name ? name : ""));
    SetRange(0.0f, 1.0f);
    setFocusPolicy(Qt::NoFocus);
    setPageStep(ClampToInt(General::PowInt(10.0f, decimals + 1)));
}

double FloatSlider::Scale() const { return std::trunc(std::pow(10.0, m_iDecimals)); }

int FloatSlider::ToPosition(float value) const { return ClampToInt(Scale() * double(value)); }

void FloatSlider::SetRange(float minimum, float maximum)
{
    m_fMinimum = minimum;
    m_fMaximum = maximum;
    setRange(ToPosition(minimum), ToPosition(maximum));
}

void FloatSlider::setValue(float value)
{
    if (value == m_fValue)
        return;
    m_fValue = value;
    const int before = QSlider::value();
    QSlider::setValue(ToPosition(value));
    // A value that lands on the same position moves nothing, so sliderChange stays silent:
    // report it here, or a typed value between two positions would never reach the owner.
    if (QSlider::value() == before)
        emit valueChanged(m_fValue);
}

void FloatSlider::mouseDoubleClickEvent(QMouseEvent *)
{
    emit doubleClicked();
    SetRange(m_fMinimum, m_fValue);
}

void FloatSlider::sliderChange(SliderChange change)
{
    QSlider::sliderChange(change);
    if (change != SliderValueChange)
        return;
    // The stored value stays only while it still maps to the new position, so a value set in
    // code keeps its precision and every position dragged to is reported as itself.
    const int position = QSlider::value();
    if (ToPosition(m_fValue) != position)
        m_fValue = float(double(position) / double(General::PowInt(10.0f, m_iDecimals)));
    emit valueChanged(m_fValue);
}

}  // namespace GUI
