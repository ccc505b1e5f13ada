#pragma once
// The canvas of the node graph: the boxes (NodeView) of the shown nodes, each listing
// its node's attributes with their connection signs, and a curve with an arrow head for
// every connection between shown nodes. Boxes move by dragging their title. The canvas
// repaints whenever a connection changes or a frame folds; a box whose node dies goes.

#include "foundation/EventGate.h"
#include "foundation/Node.h"
#include "foundation/attributes/AttributePointer.h"

#include <QFrame>
#include <QPoint>
#include <QPointer>

#include <memory>
#include <vector>

class QLabel;

namespace GUI {

class CollapsableContainer;
class NodeTable;

class NodeView : public QFrame {
    Q_OBJECT

public:
    NodeView(NodeTable *table, General::Node *node);
    ~NodeView() override;

    // Null once the node is gone.
    General::Node *GetNode() const { return m_aNode.GetPointer(); }
    CollapsableContainer *GetPage() const { return m_pPage; }
    QLabel *GetTitle() const { return m_pTitle; }
    QWidget *GetTitleBar() const { return m_pTitleBar; }
    const General::Attribute *GetNodeAttribute() const { return &m_aNode; }
    // The height of the attribute's row in table coordinates; false when the attribute
    // has no row in an open frame.
    bool Anchor(const General::Attribute *attribute, int &y) const;

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    CollapsableContainer *m_pPage;
    QWidget *m_pTitleBar;
    QLabel *m_pTitle;
    NodeTable *m_pTable;
    // Follows the node: owned by the table's node part, which hears the node's death.
    General::AttributePointer<General::Node> m_aNode;
};

class NodeTable : public QFrame, public General::Node {
    Q_OBJECT

public:
    explicit NodeTable(QWidget *parent);
    ~NodeTable() override;

    // A box for the node at (100, 100); nothing for null or a node already shown.
    NodeView *AddNode(General::Node *node);
    // Boxes in the order their nodes were added.
    const std::vector<NodeView *> &GetViews() const { return m_aViews; }
    NodeView *FindView(const General::Node *node) const;
    NodeView *GetDragged() const { return m_pDragged; }
    void StartDrag(NodeView *view, const QPoint &position);

    void HandleEvent(General::EventGate *gate) override;
    void AttributeChanged(General::Attribute *attribute, int event) override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void RemoveView(NodeView *view);

    General::EventGate m_aGate{QStringLiteral("eventgate")};
    std::vector<NodeView *> m_aViews;
    // Boxes whose node died, waiting for their deletion; they go with the table at the latest.
    std::vector<QPointer<NodeView>> m_aDying;
    NodeView *m_pDragged = nullptr;
    QPoint m_cLast;
};

}  // namespace GUI
