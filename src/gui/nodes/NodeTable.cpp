#include "gui/nodes/NodeTable.h"

#include "foundation/Globals.h"
#include "gui/attributes/AttributeWidget.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "gui/layouts/CollapsableContainer.h"
#include "gui/layouts/CollapsableFrame.h"
#include "gui/nodes/NodeLinks.h"
#include "mesh/surface/Material.h"
#include "scene/camera/Camera.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace GUI {

namespace {

// The box colour by the node's exact class; false keeps the default palette.
bool BoxColor(const General::Node &node, QColor &colour)
{
    const General::TypeInfo *record = node.GetTypeInfo();
    if (record == &Surface::Material::s_typeInfo)
        colour = QColor(200, 100, 100);
    else if (record == General::TypeInfo::Find(QStringLiteral("Mapper")))
        colour = QColor(100, 140, 250);
    else if (record == General::TypeInfo::Find(QStringLiteral("DisplaceOperation")))
        colour = QColor(230, 170, 200);
    else if (record == &Camera::s_typeInfo)
        colour = QColor(150, 0, 200);
    else
        return false;
    return true;
}

}  // namespace

// --- view ------------------------------------------------------------------------

NodeView::NodeView(NodeTable *table, General::Node *node)
    : QFrame(table), m_pTable(table), m_aNode(QString(), false)
{
    m_aNode.SetOwner(table);
    m_aNode.SetValue(node, true);
    m_pPage = new CollapsableContainer(this, false);
    QFont font = QApplication::font();
    font.setPointSize(6);
    setFont(font);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);
    QColor colour;
    if (BoxColor(*node, colour)) {
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, colour);
        setPalette(palette);
    }
    m_pTitleBar = new QWidget(this);
    m_pTitle = new QLabel(node->GetName(), m_pTitleBar);
    auto *second = new QLabel(m_pTitleBar);
    second->setMaximumWidth(8);
    m_pPage->AddNode(node);
    auto *titleLayout = new QHBoxLayout(m_pTitleBar);
    titleLayout->setContentsMargins(0, 0, 0, 0);
    titleLayout->addWidget(m_pTitle);
    titleLayout->addWidget(second);
    m_pTitleBar->setMaximumHeight(titleLayout->sizeHint().height());
    auto *layout = new QVBoxLayout(this);
    layout->setAlignment(Qt::AlignTop);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(0);
    layout->addWidget(m_pTitleBar);
    layout->addWidget(m_pPage);
    show();
}

NodeView::~NodeView() = default;

bool NodeView::Anchor(const General::Attribute *attribute, int &y) const
{
    for (CollapsableFrame *frame : m_pPage->GetFrames()) {
        if (!frame->IsOpen())
            continue;
        for (AttributeWidget *row : frame->GetRows())
            if (row->IsNodeAlive() && row->GetAttribute() == attribute) {
                y = row->mapTo(m_pTable, QPoint(0, row->height() / 2)).y();
                return true;
            }
    }
    return false;
}

void NodeView::mousePressEvent(QMouseEvent *event)
{
    const QPoint inBar = m_pTitleBar->mapFrom(this, event->position().toPoint());
    if (!m_pTitle->geometry().contains(inBar) || !GetNode())
        return;
    m_pTable->StartDrag(this, mapTo(m_pTable, event->position().toPoint()));
    CurrentNode().SetValue(GetNode(), true);
}

// --- table -----------------------------------------------------------------------

NodeTable::NodeTable(QWidget *parent) : QFrame(parent), General::Node(QString())
{
    setFixedSize(1000, 1000);
    try {
        General::ConnectionGate().Connect(&m_aGate);
    } catch (const General::Error &error) {
        error.Show(QString());
    }
}

NodeTable::~NodeTable()
{
    // The views' pointers belong to this node part: they go before it does.
    for (NodeView *view : std::exchange(m_aViews, {}))
        delete view;
    for (const QPointer<NodeView> &view : std::exchange(m_aDying, {}))
        delete view.data();
}

NodeView *NodeTable::FindView(const General::Node *node) const
{
    for (NodeView *view : m_aViews)
        if (view->GetNode() == node)
            return view;
    return nullptr;
}

NodeView *NodeTable::AddNode(General::Node *node)
{
    if (!node || FindView(node))
        return nullptr;
    auto *view = new NodeView(this, node);
    m_aViews.push_back(view);
    view->move(100, 100);
    update();
    return view;
}

void NodeTable::StartDrag(NodeView *view, const QPoint &position)
{
    m_pDragged = view;
    m_cLast = position;
}

void NodeTable::RemoveView(NodeView *view)
{
    std::erase(m_aViews, view);
    if (m_pDragged == view)
        m_pDragged = nullptr;
    view->hide();
    m_aDying.emplace_back(view);
    // The node's death is being told through this view's pointer: it goes once that is done.
    view->deleteLater();
    update();
}

void NodeTable::AttributeChanged(General::Attribute *attribute, int event)
{
    if (event != General::Attribute::kNodeDestroyed)
        return;
    for (NodeView *view : m_aViews)
        if (view->GetNodeAttribute() == attribute) {
            RemoveView(view);
            return;
        }
}

void NodeTable::HandleEvent(General::EventGate *gate)
{
    if (gate == &m_aGate)
        update();
}

void NodeTable::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    for (NodeView *target : m_aViews) {
        General::Node *node = target->GetNode();
        if (!node)
            continue;
        for (int i = 0; i < node->GetAttributeCount(); ++i) {
            const General::Attribute *attribute = node->GetAttribute(i);
            const General::Attribute *source = attribute->GetSource();
            NodeView *origin = source ? FindView(source->GetOwner()) : nullptr;
            int ySource = 0, yTarget = 0;
            if (!origin || !origin->Anchor(source, ySource) || !target->Anchor(attribute, yTarget))
                continue;
            QColor colour;
            if (LinkColor(attribute->GetType(), colour))
                painter.setPen(colour);
            painter.drawPath(LinkPath(origin->geometry(), ySource, target->geometry(), yTarget));
        }
    }
}

void NodeTable::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pDragged)
        return;
    const QPoint position = event->position().toPoint();
    const QPoint delta = position - m_cLast;
    m_cLast = position;
    m_pDragged->move(m_pDragged->pos() + delta);
    update();
}

void NodeTable::mouseReleaseEvent(QMouseEvent *) { m_pDragged = nullptr; }

}  // namespace GUI
