#include "foundation/attributes/AttributeFloatRange.h"

#include "foundation/attributes/AttributeEditor.h"

#include <algorithm>

namespace General {

AttributeFloatRange::AttributeFloatRange(const QString &name, float lower, float upper, float scale)
    : AttributeInstance<float>(name), m_fLower(lower), m_fUpper(upper), m_fScale(scale)
{
}

QString AttributeFloatRange::AsString() const { return QString::asprintf("%.02f", double(m_Value * m_fScale)); }

void AttributeFloatRange::SetFromString(const QString &text) { m_Value = text.toFloat() / m_fScale; }

void AttributeFloatRange::Notify(int event)
{
    if (event == kValueChanged) {
        m_fLower = std::min(m_fLower, m_Value);
        m_fUpper = std::max(m_fUpper, m_Value);
    }
    AttributeInstance<float>::Notify(event);
}

QWidget *AttributeFloatRange::CreateEditor(QWidget *parent, int width)
{
    return MakeEditor({EditorKind::Sliderbox, this, parent, width});
}

}  // namespace General
