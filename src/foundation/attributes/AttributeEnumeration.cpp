#include "foundation/attributes/AttributeEnumeration.h"

#include "foundation/attributes/AttributeEditor.h"

namespace General {

AttributeEnumeration::AttributeEnumeration(const QString &name) : AttributeInstance<int>(name) {}

QWidget *AttributeEnumeration::CreateEditor(QWidget *parent, int width)
{
    return MakeEditor({EditorKind::Combobox, this, parent, width});
}

}  // namespace General
