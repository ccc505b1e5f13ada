#include "foundation/attributes/AttributeNumber.h"

#include "foundation/attributes/AttributeEditor.h"

namespace General {

AttributeNumber::AttributeNumber(const QString &name, int width, int digits)
    : AttributeInstance<int>(name), m_iDigits(digits), m_iWidth(width)
{
}

QWidget *AttributeNumber::CreateEditor(QWidget *parent, int width)
{
    EditorRequest request(EditorKind::Spinbox, this, parent, width);
    request.spinWidth = m_iWidth;
    request.digits = m_iDigits;
    return MakeEditor(request);
}

}  // namespace General
