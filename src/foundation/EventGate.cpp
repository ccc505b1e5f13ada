#include "foundation/EventGate.h"

#include "foundation/attributes/AttributeEditor.h"
#include "foundation/Node.h"

namespace General {

EventGate::EventGate(const QString &name, bool join) : AttributeInstance<int>(name, join) { m_Value = 0; }

void EventGate::Notify(int event)
{
    if (event == kValueChanged && GetOwner())
        GetOwner()->HandleEvent(this);
    Attribute::Notify(event);
}

QWidget *EventGate::CreateEditor(QWidget *parent, int width)
{
    return MakeEditor({EditorKind::Eventbox, this, parent, width});
}

}  // namespace General
