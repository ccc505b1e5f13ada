#include "gui/layouts/FlowBoxLayout.h"

#include <QWidget>

void FlowBoxLayout::insertItem(int index, QLayoutItem *item)
{
    if (index < 0 || index > m_aItems.size())
        index = int(m_aItems.size());
    m_aItems.insert(index, item);
    invalidate();
}

void FlowBoxLayout::RemoveItem(QLayoutItem *item)
{
    m_aItems.removeOne(item);
    invalidate();
}

bool FlowBoxLayout::IsPlaced(const QLayoutItem *item) const
{
    const QWidget *widget = item->widget();
    return !widget || !widget->isHidden();
}

QSize FlowBoxLayout::ItemMinimumSize(const QLayoutItem *item) const
{
    const QWidget *widget = item->widget();
    if (!widget || !widget->isHidden())
        return item->minimumSize();
    // A hidden widget's layout item reports no size; ask the widget itself.
    return widget->minimumSizeHint().expandedTo(widget->minimumSize()).boundedTo(widget->maximumSize());
}
