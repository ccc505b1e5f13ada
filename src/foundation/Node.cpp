#include "foundation/Node.h"

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"

namespace General {

constinit TypeInfo Node::s_typeInfo{nullptr, "Node", nullptr};

Node *Node::s_pHead = nullptr;
Node *Node::s_pCurrent = nullptr;
int Node::s_iSerial = 0;

Node::Node(const QString &name) : m_sName(name)
{
    s_pCurrent = this;
    m_pNext = s_pHead;
    if (s_pHead) {
        s_pHead->m_pPrevious = this;
        m_iSecondOrder = s_pHead->m_iSecondOrder + 100;
    }
    s_pHead = this;
    m_iId = s_iSerial++;

    m_aThis.SetOwner(this);
    m_aThis.SetPointer(this, false);
    m_aThis.SetReadOnly(true);
    m_aThis.Notify(Attribute::kNodeCreated);
}

Node::~Node()
{
    // Every node's death reaches the windows that may show it, before its pointers hear of it.
    Shell().ReleaseNode(this);
    m_aThis.Notify(Attribute::kNodeDestroyed);
    m_aThis.SetPointer(nullptr, false);

    if (m_pPrevious)
        m_pPrevious->m_pNext = m_pNext;
    else if (s_pHead == this)
        s_pHead = m_pNext;
    if (m_pNext)
        m_pNext->m_pPrevious = m_pPrevious;
    m_pNext = m_pPrevious = nullptr;

    // An attribute built without an owner must never join a node that is gone.
    if (s_pCurrent == this)
        s_pCurrent = nullptr;
    // Attributes that outlive the node (taken from another node, or THIS itself) must not
    // keep pointing at it.
    while (Attribute *attribute = m_pAttributes)
        attribute->Detach();
}

void Node::AttributeChanged(Attribute *, int) {}

void Node::HandleEvent(EventGate *) {}

QString Node::GetName() const { return m_sName; }

const TypeInfo *Node::GetTypeInfo() const { return &s_typeInfo; }

int Node::GetAttributeCount() const
{
    int count = 0;
    for (const Attribute *attribute = m_pAttributes; attribute; attribute = attribute->m_pNext)
        ++count;
    return count;
}

Attribute *Node::GetAttribute(int index) const
{
    if (index < 0)
        return nullptr;
    Attribute *attribute = m_pAttributes;
    for (; attribute && index > 0; --index)
        attribute = attribute->m_pNext;
    return attribute;
}

void Node::TakeAttributes(Node *other, const QString &group)
{
    if (!TV_CHECK(other && other != this))
        return;
    while (Attribute *attribute = other->m_pAttributes) {
        if (!group.isEmpty())
            attribute->SetGroup(group);
        attribute->SetOwner(this);
    }
}

void Node::LogAttributes() const
{
    for (const Attribute *attribute = m_pAttributes; attribute; attribute = attribute->m_pNext)
        Log("%s: %s\n", attribute->GetName().toLocal8Bit().constData(),
            attribute->AsString().toLocal8Bit().constData());
}

Node *Node::Find(const QString &className, const QString &nodeName)
{
    const TypeInfo *record = TypeInfo::Find(className);
    if (!record)
        return nullptr;
    for (Node *node = s_pHead; node; node = node->m_pNext)
        if (TypeInfo::IsKindOf(node->GetTypeInfo(), record) && node->GetName() == nodeName)
            return node;
    return nullptr;
}

Node *Node::FindById(int id)
{
    for (Node *node = s_pHead; node; node = node->m_pNext)
        if (node->m_iId == id)
            return node;
    return nullptr;
}

bool Node::IsLive(const Node *node)
{
    for (const Node *live = s_pHead; live; live = live->m_pNext)
        if (live == node)
            return true;
    return false;
}

}  // namespace General
