#include "gui/layers/QTvTreeWidget.h"

#include "gui/common/DragRunner.h"

#include <QApplication>
#include <QDataStream>
#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QTreeWidgetItemIterator>

#include <algorithm>

namespace GUI {

namespace {

// Where a row keeps its drag id.
constexpr int kRowIdRole = Qt::UserRole + 0x4c;

bool IsDescendant(const QTreeWidgetItem *item, const QTreeWidgetItem *ancestor)
{
    for (const QTreeWidgetItem *p = item ? item->parent() : nullptr; p; p = p->parent())
        if (p == ancestor)
            return true;
    return false;
}

}  // namespace

QTvTreeWidget::QTvTreeWidget(QWidget *parent) : QTreeWidget(parent)
{
    setAcceptDrops(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(header(), &QHeaderView::sectionResized, this, &QTvTreeWidget::slotHeaderSectionResized);
}

int QTvTreeWidget::DropPositionAt(int y, int top, int height, int current)
{
    const int quarter = height / 4;
    if (y > top && y <= top + quarter)
        return kAbove;
    if (y > top + quarter && y <= top + quarter * 3)
        return kOnto;
    if (y > top + quarter * 3 && y <= top + height)
        return kBelow;
    return current;
}

quint64 QTvTreeWidget::RowId(QTreeWidgetItem *item)
{
    if (!item)
        return 0;
    quint64 id = item->data(0, kRowIdRole).toULongLong();
    if (id == 0) {
        id = m_iNextRowId++;
        item->setData(0, kRowIdRole, id);
    }
    return id;
}

QTreeWidgetItem *QTvTreeWidget::ItemOfRowId(quint64 id) const
{
    if (id == 0)
        return nullptr;
    for (QTreeWidgetItemIterator it(const_cast<QTvTreeWidget *>(this)); *it; ++it)
        if ((*it)->data(0, kRowIdRole).toULongLong() == id)
            return *it;
    return nullptr;
}

QTreeWidgetItem *QTvTreeWidget::DraggedItem(const QDropEvent &event) const
{
    if (!event.mimeData() || !event.mimeData()->hasFormat(QLatin1String(kMimeType)) || DragSource(event) != this)
        return nullptr;
    QByteArray data = event.mimeData()->data(QLatin1String(kMimeType));
    QDataStream stream(&data, QIODevice::ReadOnly);
    quint64 id = 0;
    stream >> id;
    return stream.status() == QDataStream::Ok ? ItemOfRowId(id) : nullptr;
}

void QTvTreeWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::MiddleButton) {
        QTreeWidget::mousePressEvent(event);
        return;
    }
    QTreeWidgetItem *item = itemAt(event->position().toPoint());
    if (!item) {
        event->accept();
        return;
    }
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream << RowId(item);
    auto *mime = new QMimeData;
    mime->setData(QLatin1String(kMimeType), data);
    QDrag drag(this);
    drag.setMimeData(mime);
    QLabel label(item->text(0));
    label.setFont(font());
    label.setFixedSize(fontMetrics().horizontalAdvance(item->text(0)) + 1, std::max(1, visualItemRect(item).height()));
    drag.setPixmap(label.grab());
    RunDrag(drag, Qt::MoveAction, Qt::MoveAction);
    event->accept();
}

void QTvTreeWidget::paintEvent(QPaintEvent *event)
{
    QTreeWidget::paintEvent(event);
    if (!m_pDropTarget || m_iDropPosition == kNone)
        return;
    const QRect rect = visualItemRect(m_pDropTarget);
    QPainter painter(viewport());
    painter.setPen(QPen(m_cDropLineColor, m_iDropLineWidth, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    const int left = viewport()->x(), right = viewport()->width();
    if (m_iDropPosition == kAbove || m_iDropPosition == kOnto)
        painter.drawLine(left, rect.top(), right, rect.top());
    if (m_iDropPosition == kBelow || m_iDropPosition == kOnto)
        painter.drawLine(left, rect.top() + rect.height(), right, rect.top() + rect.height());
}

void QTvTreeWidget::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasFormat(QLatin1String(kMimeType)) && DragSource(*event) == this) {
        event->acceptProposedAction();
        return;
    }
    QTreeWidget::dragEnterEvent(event);
}

void QTvTreeWidget::dragLeaveEvent(QDragLeaveEvent *event)
{
    m_pDropTarget = nullptr;
    m_iDropPosition = kNone;
    QTreeWidget::dragLeaveEvent(event);
}

void QTvTreeWidget::dragMoveEvent(QDragMoveEvent *event)
{
    if (!event->mimeData()->hasFormat(QLatin1String(kMimeType))) {
        QTreeWidget::dragMoveEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    QTreeWidgetItem *under = itemAt(at);
    if (DraggedItem(*event) && under) {
        if (m_pDropTarget) {
            const QRect rect = visualItemRect(m_pDropTarget);
            m_iDropPosition = DropPositionAt(at.y(), rect.top(), rect.height(), m_iDropPosition);
        }
        if (under != m_pDropTarget) {
            // The border between two rows is one line, seen from either of them.
            m_pDropTarget = under;
            if (m_iDropPosition == kAbove)
                m_iDropPosition = kBelow;
            else if (m_iDropPosition == kBelow)
                m_iDropPosition = kAbove;
        }
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
    viewport()->update();
}

void QTvTreeWidget::dropEvent(QDropEvent *event)
{
    if (!event->mimeData()->hasFormat(QLatin1String(kMimeType))) {
        QTreeWidget::dropEvent(event);
        return;
    }
    QTreeWidgetItem *dragged = DraggedItem(*event);
    QTreeWidgetItem *target = m_pDropTarget;
    const int position = m_iDropPosition;
    m_pDropTarget = nullptr;
    m_iDropPosition = kNone;
    // What to tell the listeners, sent last: they may rebuild the tree.
    QTreeWidgetItem *newParent = nullptr;
    int index = -1;
    if (dragged && target && dragged != target && !IsDescendant(target, dragged)) {
        const bool selected = dragged->isSelected();
        if (QTreeWidgetItem *parent = dragged->parent())
            parent->removeChild(dragged);
        else
            takeTopLevelItem(indexOfTopLevelItem(dragged));
        if (selected)
            clearSelection();
        const QList<QTreeWidgetItem *> children = dragged->takeChildren();
        if (position == kAbove || position == kBelow) {
            const int offset = position == kBelow ? 1 : 0;
            if (QTreeWidgetItem *parent = target->parent()) {
                index = parent->indexOfChild(target) + offset;
                parent->insertChild(index, dragged);
                newParent = parent;
            } else {
                index = indexOfTopLevelItem(target) + offset;
                insertTopLevelItem(index, dragged);
            }
        } else {
            target->addChild(dragged);
            newParent = target;
            index = target->childCount() - 1;
        }
        if (selected)
            dragged->setSelected(true);
        dragged->addChildren(children);
    }
    event->acceptProposedAction();
    viewport()->update();
    if (index < 0)
        return;
    if (newParent)
        emit itemReparented(dragged, newParent, index);
    else
        emit itemMoved(dragged, index);
}

void QTvTreeWidget::slotHeaderSectionResized(int, int, int)
{
    QApplication::postEvent(viewport(), new QResizeEvent(viewport()->size(), viewport()->size()));
    viewport()->update();
}

}  // namespace GUI
