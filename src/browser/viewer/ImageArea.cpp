#include "browser/viewer/ImageArea.h"

#include "browser/viewer/ImageWidget.h"

#include <QEvent>
#include <QResizeEvent>
#include <QScrollBar>

ImageArea::ImageArea(QWidget *parent) : QScrollArea(parent), m_pWidget(new ImageWidget(this))
{
    setWidget(m_pWidget);
    connect(m_pWidget, &ImageWidget::resized, this, &ImageArea::slotWidgetResized);
    connect(m_pWidget, &ImageWidget::contentsMoved, this, &ImageArea::slotWidgetMoved);
    viewport()->setMouseTracking(true);
}

void ImageArea::slotWidgetResized(int w, int h)
{
    const QRect r = viewport()->rect();
    if (m_pWidget->IsFit()) {
        m_pWidget->SetOffset(QPoint(r.width() / 2 - w / 2, r.height() / 2 - h / 2));
        m_pWidget->setFixedSize(r.size());
    } else {
        QPoint offset;
        QSize size = m_pWidget->size();
        if (r.width() > w) {
            offset.setX(r.width() / 2 - w / 2);
            size.setWidth(r.width());
        } else {
            size.setWidth(w);
        }
        if (r.height() > h) {
            offset.setY(r.height() / 2 - h / 2);
            size.setHeight(r.height());
        } else {
            size.setHeight(h);
        }
        m_pWidget->SetOffset(offset);
        if (size != m_pWidget->size())
            m_pWidget->setFixedSize(size);
    }
    m_pWidget->update();
}

void ImageArea::slotWidgetMoved(int dx, int dy)
{
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() - dx);
    verticalScrollBar()->setValue(verticalScrollBar()->value() - dy);
}

bool ImageArea::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::Resize) {
        m_pWidget->SetFitArea(static_cast<QResizeEvent *>(event)->size());
        slotWidgetResized(m_pWidget->GetPixmap().width(), m_pWidget->GetPixmap().height());
    }
    return QScrollArea::viewportEvent(event);
}
