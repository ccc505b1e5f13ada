#include "foundation/attributes/Attribute.h"

#include "foundation/attributes/AttributeEditor.h"
#include "foundation/Node.h"
#include "foundation/Stream.h"

#include <QCoreApplication>

namespace General {

namespace {

[[noreturn]] void Refuse(const char *message)
{
    throw Error(1, QCoreApplication::translate("General::Attribute", message));
}

}  // namespace

Attribute::Attribute(const QString &name) : m_sName(name) { SetOwner(nullptr); }

Attribute::Attribute(const QString &name, bool join) : m_sName(name)
{
    if (join && Node::GetCurrent())
        Link(Node::GetCurrent());
}

Attribute::~Attribute()
{
    DisconnectTargets();
    Disconnect();
    // The owner's list must never hold a destroyed attribute.
    Unlink();
}

int Attribute::GetType() const { return kTypeBase; }

bool Attribute::Serialize(Stream &)
{
    TV_ASSERT(false);
    return false;
}

QString Attribute::AsString() const { return QString(); }

void Attribute::SetFromString(const QString &) { TV_ASSERT(false); }

void Attribute::Connect(Attribute *target)
{
    if (!TV_CHECK(target))
        return;
    for (const Attribute *attribute = this; attribute; attribute = attribute->m_pSource)
        if (attribute == target)
            Refuse("Connection would result a loop");
    if (target->m_iSize != 0 && target->m_iSize != m_iSize)
        Refuse("Size of the attributes do not match");
    const int type = GetType();
    const int targetType = target->GetType();
    if (!((type != kTypeBase && type == targetType) || targetType == kTypeWatch))
        Refuse("Type of the attributes do not match");
    // Room for the new target first, so that running out of memory changes nothing.
    const unsigned capacity = m_aTargets.GetCapacity();
    if (m_aTargets.GetItemCount() >= capacity && !m_aTargets.Reserve(capacity * 2 + 1, true))
        Refuse("Out of memory");

    if (Attribute *old = target->m_pSource) {
        if (!old->RemoveTarget(target))
            AssertFailed(__FILE__, __LINE__, "m_pSource->m_aTargets.Remove( this )", nullptr);
        old->Notify(kTargetsChanged);
        target->m_pSource = nullptr;
        target->Notify(kSourceChanged);
    }
    if (m_aTargets.Add(target) < 0)
        Refuse("Out of memory");
    target->m_pSource = this;
}

void Attribute::UpdateTargets() { TV_ASSERT(false); }

const TypeInfo *Attribute::GetPointerType() const { return nullptr; }

void Attribute::SetPointer(Node *, bool) { Notify(kValueChanged); }

Node *Attribute::GetPointer() const
{
    TV_ASSERT(false);
    return nullptr;
}

bool Attribute::AcceptsPointer(Node *) const
{
    TV_ASSERT(false);
    return false;
}

void Attribute::Notify(int event)
{
    // The list is read afresh each step: a notified owner may connect or disconnect.
    for (unsigned i = 0; i < m_aTargets.GetItemCount(); ++i) {
        Attribute *target = m_aTargets[i];
        if (target->GetType() == kTypeWatch)
            target->Notify(event);
    }
    if (m_pOwner && !(event == kNodeChanged && this == &m_pOwner->m_aThis))
        m_pOwner->AttributeChanged(this, event);
}

QWidget *Attribute::CreateEditor(QWidget *parent, int width)
{
    return MakeEditor({EditorKind::Editbox, this, parent, width});
}

void Attribute::Disconnect()
{
    Attribute *source = m_pSource;
    if (!source)
        return;
    if (!source->RemoveTarget(this))
        AssertFailed(__FILE__, __LINE__, "m_pSource->m_aTargets.Remove( this )", nullptr);
    source->Notify(kTargetsChanged);
    m_pSource = nullptr;
    Notify(kSourceChanged);
}

void Attribute::DisconnectTargets()
{
    // One at a time from the front: each notified target may change the list.
    while (m_aTargets.GetItemCount()) {
        Attribute *target = m_aTargets[0];
        RemoveTarget(target);
        if (target->m_pSource == this)
            target->m_pSource = nullptr;
        target->Notify(kSourceChanged);
    }
    m_aTargets.Clear();
    Notify(kTargetsChanged);
}

void Attribute::SetOwner(Node *node)
{
    if (!node)
        node = Node::GetCurrent();
    if (node == m_pOwner)
        return;
    // A moved attribute leaves its source properly, so the source never keeps a target
    // that no longer follows it.
    Disconnect();
    Unlink();
    if (node)
        Link(node);
}

void Attribute::Detach() { Unlink(); }

void Attribute::SetGroup(const QString &group) { m_sGroup = group; }

void Attribute::Link(Node *node)
{
    m_pOwner = node;
    m_pNext = node->m_pAttributes;
    node->m_pAttributes = this;
}

void Attribute::Unlink()
{
    if (!m_pOwner)
        return;
    for (Attribute **link = &m_pOwner->m_pAttributes; *link; link = &(*link)->m_pNext) {
        if (*link == this) {
            *link = m_pNext;
            break;
        }
    }
    m_pNext = nullptr;
    m_pOwner = nullptr;
}

bool Attribute::RemoveTarget(Attribute *target) { return m_aTargets.Remove(target) != 0; }

}  // namespace General

Stream &operator<<(Stream &stream, General::Attribute &attribute)
{
    attribute.Serialize(stream);
    return stream;
}
