#include "gui/layouts/FlowLayout.h"

#include <QStyle>
#include <QWidget>

#include <algorithm>

FlowLayout::FlowLayout(QWidget *parent, int margin, int spacing) : QLayout(parent)
{
    setContentsMargins(margin, margin, margin, margin);
    setSpacing(spacing);
}

FlowLayout::~FlowLayout()
{
    while (!m_aItems.isEmpty())
        delete m_aItems.takeFirst();
}

QSize FlowLayout::minimumSize() const
{
    QSize size(0, 0);
    for (const QLayoutItem *item : m_aItems)
        size = size.expandedTo(ItemMinimumSize(item));
    const QMargins margins = contentsMargins();
    return size + QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

void FlowLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    Flow(rect, true);
}

int FlowLayout::heightForWidth(int width) const { return Flow(QRect(0, 0, width, 0), false); }

QLayoutItem *FlowLayout::itemAt(int index) const
{
    return index >= 0 && index < m_aItems.size() ? m_aItems.at(index) : nullptr;
}

QLayoutItem *FlowLayout::takeAt(int index)
{
    return index >= 0 && index < m_aItems.size() ? m_aItems.takeAt(index) : nullptr;
}

bool FlowLayout::IsPlaced(const QLayoutItem *) const { return true; }

QSize FlowLayout::ItemMinimumSize(const QLayoutItem *item) const { return item->minimumSize(); }

int FlowLayout::Flow(const QRect &rect, bool place) const
{
    const int spacing = Spacing();
    int x = rect.x(), y = rect.y(), lineHeight = 0;
    for (QLayoutItem *item : m_aItems) {
        if (!IsPlaced(item))
            continue;
        const QSize hint = item->sizeHint();
        int nextX = x + hint.width() + spacing;
        // The first item of a row is placed however wide it is.
        if (nextX - spacing > rect.right() && lineHeight > 0) {
            x = rect.x();
            y += lineHeight + spacing;
            nextX = x + hint.width() + spacing;
            lineHeight = 0;
        }
        if (place)
            item->setGeometry(QRect(QPoint(x, y), hint));
        x = nextX;
        lineHeight = std::max(lineHeight, hint.height());
    }
    return y + lineHeight - rect.y();
}

int FlowLayout::Spacing() const
{
    int spacing = QLayout::spacing();
    if (spacing < 0) {
        const QWidget *parent = parentWidget();
        const QStyle *style = parent ? parent->style() : nullptr;
        spacing = style ? style->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, parent) : 0;
    }
    return std::max(spacing, 0);
}
