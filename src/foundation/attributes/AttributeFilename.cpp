#include "foundation/attributes/AttributeFilename.h"

#include "foundation/attributes/AttributeEditor.h"

namespace General {

AttributeFilename::AttributeFilename(const QString &name, bool open) : AttributeInstance<QString>(name), m_bOpen(open) {}

QWidget *AttributeFilename::CreateEditor(QWidget *parent, int width)
{
    return MakeEditor({EditorKind::Filenamebox, this, parent, width});
}

}  // namespace General
