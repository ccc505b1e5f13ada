#include "browser/thumbnails/ThumbnailList.h"

#include "browser/thumbnails/ThumbnailItem.h"
#include "gui/layouts/FlowLayout.h"

#include <QResizeEvent>

ThumbnailList::ThumbnailList(QWidget *parent) : QScrollArea(parent), m_pInner(new QWidget)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::MinimumExpanding);
    m_pLayout = new FlowLayout(m_pInner, 0, -1);
    m_pInner->resize(m_pInner->width(), 200);
    setWidget(m_pInner);
}

ThumbnailList::~ThumbnailList() { Clear(); }

bool ThumbnailList::Matches(const ThumbnailItem *item, int mode)
{
    return mode == Any || item->IsFolder() == (mode == Folders);
}

void ThumbnailList::AddItem(ThumbnailItem *item, bool refit)
{
    if (!item)
        return;
    item->setParent(m_pInner);
    m_pLayout->addWidget(item);
    connect(item, &ThumbnailItem::select, this, &ThumbnailList::itemSelected);
    item->m_pPrevious = m_pLast;
    item->m_pNext = nullptr;
    if (m_pLast)
        m_pLast->m_pNext = item;
    else
        m_pFirst = item;
    m_pLast = item;
    if (refit)
        Refit();
    item->show();
}

void ThumbnailList::RemoveItem(ThumbnailItem *item)
{
    if (!item)
        return;
    if (item->m_pPrevious)
        item->m_pPrevious->m_pNext = item->m_pNext;
    else if (m_pFirst == item)
        m_pFirst = item->m_pNext;
    if (item->m_pNext)
        item->m_pNext->m_pPrevious = item->m_pPrevious;
    else if (m_pLast == item)
        m_pLast = item->m_pPrevious;
    if (m_pCurrent == item)
        m_pCurrent = nullptr;
    m_pLayout->removeWidget(item);
    delete item;
    Refit();
}

void ThumbnailList::Clear()
{
    for (ThumbnailItem *item = m_pFirst; item;) {
        ThumbnailItem *next = item->m_pNext;
        m_pLayout->removeWidget(item);
        delete item;
        item = next;
    }
    m_pLayout->update();
    m_pFirst = m_pLast = m_pCurrent = nullptr;
}

ThumbnailItem *ThumbnailList::Next(const ThumbnailItem *item, int mode) const
{
    for (ThumbnailItem *next = item ? item->m_pNext : nullptr; next; next = next->m_pNext)
        if (Matches(next, mode))
            return next;
    return nullptr;
}

ThumbnailItem *ThumbnailList::Previous(const ThumbnailItem *item, int mode) const
{
    for (ThumbnailItem *previous = item ? item->m_pPrevious : nullptr; previous; previous = previous->m_pPrevious)
        if (Matches(previous, mode))
            return previous;
    return nullptr;
}

ThumbnailItem *ThumbnailList::First(int mode) const
{
    for (ThumbnailItem *item = m_pFirst; item; item = item->m_pNext)
        if (Matches(item, mode))
            return item;
    return nullptr;
}

ThumbnailItem *ThumbnailList::Last(int mode) const
{
    for (ThumbnailItem *item = m_pLast; item; item = item->m_pPrevious)
        if (Matches(item, mode))
            return item;
    return nullptr;
}

ThumbnailItem *ThumbnailList::FindByPath(const QString &path) const
{
    for (ThumbnailItem *item = m_pFirst; item; item = item->m_pNext)
        if (item->GetPath() == path)
            return item;
    return nullptr;
}

int ThumbnailList::Count() const
{
    int count = 0;
    for (ThumbnailItem *item = m_pFirst; item; item = item->m_pNext)
        ++count;
    return count;
}

void ThumbnailList::itemSelected()
{
    auto *item = qobject_cast<ThumbnailItem *>(sender());
    if (!item || item == m_pCurrent)
        return;
    if (m_pCurrent) {
        m_pCurrent->m_bSelected = false;
        m_pCurrent->repaint();
    }
    m_pCurrent = item;
}

void ThumbnailList::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    Refit();
}

void ThumbnailList::Refit()
{
    const int width = viewport()->width();
    m_pInner->setFixedHeight(m_pLayout->heightForWidth(width));
    m_pInner->setFixedWidth(width);
}
