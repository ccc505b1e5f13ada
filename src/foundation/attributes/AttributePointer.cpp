#include "foundation/attributes/AttributePointer.h"

#include "foundation/attributes/AttributeEditor.h"
#include "foundation/Node.h"

namespace General {

AttributePointer<Node>::AttributePointer(const QString &name, bool join) : AttributeInstance<Node *>(name, join) {}

int AttributePointer<Node>::GetType() const { return kTypePointer; }

QString AttributePointer<Node>::AsString() const { return m_Value ? m_Value->GetName() : m_sNullText; }

void AttributePointer<Node>::SetFromString(const QString &)
{
    Log("A node pointer cannot be set from a text (%s)\n", GetName().toLocal8Bit().constData());
}

void AttributePointer<Node>::Connect(Attribute *target)
{
    Attribute::Connect(target);
    if (target->GetValueSize() != 0 && target->GetPointer() != m_Value)
        target->SetPointer(m_Value, false);
    Notify(kTargetsChanged);
    target->Notify(kSourceChanged);
}

void AttributePointer<Node>::UpdateTargets()
{
    Node *const node = m_Value;
    for (unsigned i = 0; i < GetTargetCount(); ++i)
        GetTarget(i)->SetPointer(node, false);
}

const TypeInfo *AttributePointer<Node>::GetPointerType() const { return &Node::s_typeInfo; }

void AttributePointer<Node>::SetPointer(Node *node, bool connect)
{
    if (node && !AcceptsPointer(node))
        return;
    if (connect) {
        SetValue(node, false);
        return;
    }
    m_Value = node;
    UpdateTargets();
    Notify(kValueChanged);
}

bool AttributePointer<Node>::AcceptsPointer(Node *node) const
{
    return IsOfPointerType(node) && (!m_pFilter || m_pFilter(node));
}

void AttributePointer<Node>::Notify(int event)
{
    Attribute::Notify(event);
    if (event != kNodeChanged && event != kNodeDestroyed)
        return;
    // The watches among the targets heard it from the base already.
    for (unsigned i = 0; i < GetTargetCount(); ++i)
        if (GetTarget(i)->GetType() != kTypeWatch)
            GetTarget(i)->Notify(event);
}

QWidget *AttributePointer<Node>::CreateEditor(QWidget *parent, int width)
{
    EditorRequest request(EditorKind::Pointerbox, this, parent, width);
    request.pointerType = GetPointerType();
    return MakeEditor(request);
}

void AttributePointer<Node>::SetValue(Node *const &node, bool silent)
{
    Node *const value = node;
    if (value == m_Value || (value && !IsOfPointerType(value)))
        return;
    m_Value = value;
    UpdateTargets();
    if (!silent)
        Notify(kValueChanged);
    if (value)
        value->GetThis().Connect(this);
}

// A pointer of a node class only ever holds nodes of that class, so its typed value
// can be trusted whatever a file or a connection offers.
bool AttributePointer<Node>::IsOfPointerType(Node *node) const
{
    const TypeInfo *type = GetPointerType();
    return !node || type == &Node::s_typeInfo || TypeInfo::IsKindOf(node->GetTypeInfo(), type);
}

AttributeThisPointer::AttributeThisPointer() : AttributePointer<Node>(QStringLiteral("THIS"), false) {}

const TypeInfo *AttributeThisPointer::GetPointerType() const
{
    return GetOwner() ? GetOwner()->GetTypeInfo() : &Node::s_typeInfo;
}

}  // namespace General
