#pragma once
// One row of the object list. A row remembers the node it stands for by address and by
// serial id: the address is used only while a live node with that id still sits there,
// so a row that outlived its node (the list is rebuilt only on request) yields nothing.
// Layer rows hold their object as the node and find the layer in its tree again.

#include <QTreeWidgetItem>

class Layer3D;
class Object;
namespace General {
class Node;
}

namespace GUI {

class OutlinerItem : public QTreeWidgetItem {
public:
    // The row under `parent` (or a top-level row of `tree`), with the texts of columns 0 to 6.
    OutlinerItem(General::Node *node, QTreeWidgetItem *parent, const QString &name, const QString &type,
                 const QStringList &columns = {});
    OutlinerItem(General::Node *node, QTreeWidget *tree, const QString &name, const QString &type);

    const QString &GetType() const { return m_sType; }
    // The row's node while it lives with the id it had; null for the root row and once it is gone.
    General::Node *GetNode() const;
    // Whether the row was made for a node (its pointer may since have gone stale).
    bool HasNode() const { return m_pNode != nullptr; }
    int GetSerial() const { return m_iSerial; }
    // The object of a geometry, level, transformation or layer row, while it lives.
    Object *GetObject() const;
    // A layer row's layer, while its object still holds it.
    Layer3D *GetLayer() const;
    void SetLayer(Layer3D *layer) { m_pLayer = layer; }
    // Kept for rows whose node is not the object itself (levels, transformations).
    void SetObject(Object *object);
    // What finds the row again after a rebuild.
    QString GetKey() const;

private:
    void SetTexts(const QString &name, const QStringList &columns);

    QString m_sType;
    General::Node *m_pNode = nullptr;
    int m_iSerial = 0;
    General::Node *m_pObject = nullptr;
    int m_iObjectSerial = 0;
    Layer3D *m_pLayer = nullptr;
};

}  // namespace GUI
