#include "interaction/InteractionMeshHost.h"

#include "interaction/Interface.h"

Object *InteractionMeshHost::GetActiveObject() const
{
    return Interface::Get() ? Interface::Get()->m_pActiveObject : nullptr;
}

void InteractionMeshHost::SetActiveObject(Object *object)
{
    if (Interface *controller = Interface::Get())
        controller->SetActiveObject(object);
}

void InteractionMeshHost::SelectObject(Object *object, bool select)
{
    if (Interface *controller = Interface::Get())
        controller->SelectObject(object, select);
}

void InteractionMeshHost::ForgetObject(Object *object)
{
    if (Interface *controller = Interface::Get())
        controller->ForgetObject(object);
}

void InteractionMeshHost::Redraw() { Interface::Redraw(); }
