#include "gui/outliner/OutlinerItem.h"

#include "foundation/Node.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/Object.h"

namespace GUI {

namespace {

General::Node *Alive(General::Node *node, int serial)
{
    return node && General::Node::IsLive(node) && node->GetId() == serial ? node : nullptr;
}

}  // namespace

OutlinerItem::OutlinerItem(General::Node *node, QTreeWidgetItem *parent, const QString &name, const QString &type,
                           const QStringList &columns)
    : QTreeWidgetItem(parent), m_sType(type), m_pNode(node), m_iSerial(node ? node->GetId() : 0)
{
    SetTexts(name, columns);
}

OutlinerItem::OutlinerItem(General::Node *node, QTreeWidget *tree, const QString &name, const QString &type)
    : QTreeWidgetItem(tree), m_sType(type), m_pNode(node), m_iSerial(node ? node->GetId() : 0)
{
    SetTexts(name, {});
}

void OutlinerItem::SetTexts(const QString &name, const QStringList &columns)
{
    setText(0, name);
    for (int i = 0; i < columns.size() && i < 6; ++i)
        setText(i + 1, columns[i]);
}

General::Node *OutlinerItem::GetNode() const { return Alive(m_pNode, m_iSerial); }

void OutlinerItem::SetObject(Object *object)
{
    m_pObject = object;
    m_iObjectSerial = object ? object->GetId() : 0;
}

Object *OutlinerItem::GetObject() const
{
    if (m_pObject)
        return static_cast<Object *>(Alive(m_pObject, m_iObjectSerial));
    General::Node *node = GetNode();
    return node && General::TypeInfo::IsKindOf(node->GetTypeInfo(), &Object::s_typeInfo) ? static_cast<Object *>(node)
                                                                                          : nullptr;
}

Layer3D *OutlinerItem::GetLayer() const
{
    Object *object = GetObject();
    for (Layer3D *layer = object ? object->GetFirstLayer() : nullptr; layer; layer = layer->GetNextInTree())
        if (layer == m_pLayer)
            return layer;
    return nullptr;
}

QString OutlinerItem::GetKey() const
{
    return QStringLiteral("%1/%2/%3/%4").arg(m_sType).arg(m_iSerial).arg(m_iObjectSerial).arg(text(0));
}

}  // namespace GUI
