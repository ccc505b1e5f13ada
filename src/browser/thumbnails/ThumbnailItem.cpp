#include "browser/thumbnails/ThumbnailItem.h"

#include "browser/scanner/ImgInfo.h"

#include <QFileInfo>
#include <QLinearGradient>
#include <QPainter>
#include <QPolygon>

ThumbnailItem::ThumbnailItem(int width, int height, const QString &path, bool isFolder, const QPixmap &pixmap,
                             QWidget *parent)
    : QLabel(parent), m_iWidth(width), m_iHeight(height), m_sPath(path), m_bFolder(isFolder),
      m_sCaption(QFileInfo(path).fileName())
{
    setToolTip(m_sCaption);
    setPixmap(pixmap);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Raised);
    setLineWidth(1);
    const QSize fixed(width + 25, height + fontMetrics().height() + 21);
    setMinimumSize(fixed);
    setMaximumSize(fixed);
    setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    setMargin(6);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ThumbnailItem::SetSelected(bool selected)
{
    m_bSelected = selected;
    if (selected)
        emit select();
    repaint();
}

void ThumbnailItem::mousePressEvent(QMouseEvent *)
{
    m_bSelected = true;
    emit select();
    repaint();
}

void ThumbnailItem::mouseDoubleClickEvent(QMouseEvent *) { emit doubleClick(); }

void ThumbnailItem::SetThumbnail(const ImgInfo &info)
{
    if (info.thumbnail.isNull())
        return;
    const int w = info.thumbnail.width();
    const int h = info.thumbnail.height();
    QPixmap picture(w + 4, h + 4);
    picture.fill(palette().color(backgroundRole()));
    QPainter painter(&picture);
    painter.drawImage(0, 0, info.thumbnail);
    painter.setPen(Qt::NoPen);
    const auto shadow = [&painter](QPointF from, QPointF to, const QPolygon &strip) {
        QLinearGradient gradient(from, to);
        gradient.setColorAt(0, QColor(51, 51, 51, 192));
        gradient.setColorAt(1, QColor(192, 192, 192, 128));
        painter.setBrush(gradient);
        painter.drawPolygon(strip);
    };
    shadow(QPointF(w, 0), QPointF(w + 4, 0), QPolygon({QPoint(w, 4), QPoint(w + 4, 4), QPoint(w + 4, h + 4), QPoint(w, h)}));
    shadow(QPointF(0, h), QPointF(0, h + 4), QPolygon({QPoint(4, h), QPoint(4, h + 4), QPoint(w + 4, h + 4), QPoint(w, h)}));
    painter.end();
    setPixmap(picture);
    update();
}

void ThumbnailItem::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    QPainter painter(this);
    if (m_bSelected) {
        painter.setPen(QPen(m_cSelectionColor, 3.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        painter.drawRect(1, 1, width() - 4, height() - 4);
    }
    if (m_sCaption.isNull())
        return;
    const int fontHeight = fontMetrics().height();
    const QRect band(2, height() - 4 - fontHeight, width() - 4, fontHeight + 2);
    QLinearGradient gradient(band.topLeft(), band.bottomLeft());
    gradient.setColorAt(0, QColor(255, 255, 255));
    gradient.setColorAt(1, QColor(192, 192, 192));
    painter.setPen(Qt::NoPen);
    painter.fillRect(band, gradient);
    painter.setPen(Qt::black);
    // A name wider than the band starts at its left edge and is clipped, not shortened.
    const bool fits = fontMetrics().horizontalAdvance(m_sCaption) < band.width();
    painter.setClipRect(band);
    painter.drawText(band, Qt::AlignVCenter | (fits ? Qt::AlignHCenter : Qt::AlignLeft), m_sCaption);
}
