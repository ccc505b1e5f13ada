#include "browser/viewer/ImageWidget.h"

#include "browser/BusyCursor.h"
#include "foundation/images/QTvImage.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

ImageWidget::ImageWidget(QWidget *parent) : QFrame(parent), m_pImage(std::make_unique<QTvImage>())
{
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    setMouseTracking(true);
}

ImageWidget::~ImageWidget() = default;

bool ImageWidget::HasImage() const { return m_pImage->GetImage() != nullptr && !m_pImage->GetImage()->isNull(); }

int ImageWidget::GetBitDepth() const { return m_pImage->GetBitDepth(); }

bool ImageWidget::Load(const QString &path)
{
    const BusyCursor busy(Qt::WaitCursor);
    std::fill(std::begin(m_aChannels), std::end(m_aChannels), true);
    m_iRotation = m_iInitRotation;
    // A file that does not load leaves the image shown before.
    auto loaded = std::make_unique<QTvImage>();
    if (!loaded->Load(path, false) || !loaded->GetImage() || loaded->GetImage()->isNull())
        return false;
    loaded->SetExposure(m_pImage->GetExposure());
    if (m_pImage->IsMarkingNegative())
        loaded->ToggleConversionFlag();
    m_pImage = std::move(loaded);
    SetZoom(m_bFit ? FitScale(m_cFitArea.width(), m_cFitArea.height()) : m_dZoom);
    emit exposure(m_pImage->GetExposure());
    return true;
}

void ImageWidget::Rebuild()
{
    if (!HasImage())
        return;
    const BusyCursor busy(Qt::WaitCursor);
    m_cMatrix.reset();
    m_cMatrix.scale(m_dZoom, m_dZoom);
    m_cMatrix.rotate(m_iRotation);
    m_cPixmap = QPixmap::fromImage(m_pImage->GetImage()->transformed(m_cMatrix, m_eMode));
    update();
}

void ImageWidget::SetZoom(double zoom)
{
    if (!HasImage())
        return;
    m_dZoom = zoom;
    Rebuild();
    emit resized(m_cPixmap.width(), m_cPixmap.height());
    emit scaled(m_dZoom);
}

void ImageWidget::SetFit(bool fit, const QSize &area)
{
    m_bFit = fit;
    m_cFitArea = area;
    if (HasImage())
        SetZoom(FitScale(area.width(), area.height()));
}

double ImageWidget::FitScale(int width, int height, int rotation, int w, int h)
{
    if (rotation != 0 && rotation != 180)
        std::swap(width, height);
    if (width <= 0 || height <= 0)
        return 1.0;
    const double horizontal = double(w - 1) / width;
    const double vertical = double(h - 1) / height;
    return horizontal < vertical ? horizontal : vertical;
}

double ImageWidget::FitScale(int w, int h) const
{
    if (!HasImage())
        return m_dZoom;
    const QImage &image = *m_pImage->GetImage();
    return FitScale(image.width(), image.height(), m_iRotation, w, h);
}

void ImageWidget::Rotate(int degrees)
{
    if (!HasImage())
        return;
    m_iRotation += degrees;
    m_iRotation %= 360;
    if (m_iRotation < 0)
        m_iRotation += 360;
    if (m_bFit) {
        SetZoom(FitScale(m_cFitArea.width(), m_cFitArea.height()));
        return;
    }
    Rebuild();
    emit resized(m_cPixmap.width(), m_cPixmap.height());
}

void ImageWidget::AddExposure(double stops)
{
    if (!HasImage())
        return;
    m_pImage->AddExposure(float(stops));
    Rebuild();
    emit exposure(m_pImage->GetExposure());
}

void ImageWidget::SetExposure(double stops)
{
    if (!HasImage())
        return;
    m_pImage->SetExposure(float(stops));
    Rebuild();
    emit exposure(m_pImage->GetExposure());
}

void ImageWidget::ToggleFlatColor()
{
    if (!HasImage())
        return;
    m_pImage->ToggleConversionFlag();
    Rebuild();
}

void ImageWidget::ToggleChannel(int channel, bool toggle)
{
    if (!HasImage())
        return;
    bool *flags = m_aChannels;
    if (toggle)
        flags[channel] = !flags[channel];
    const int a = (channel + 1) % 3;
    const int b = (channel + 2) % 3;
    // One channel left on is shown alone, in grey.
    if (!flags[channel] && flags[a] != flags[b]) {
        ToggleChannel(flags[a] ? a : b, false);
        return;
    }
    const BusyCursor busy(Qt::WaitCursor);
    QImage view = m_pImage->GetImage()->convertToFormat(QImage::Format_ARGB32);
    const bool alone = flags[channel] && !flags[a] && !flags[b];
    for (int y = 0; y < view.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(view.scanLine(y));
        for (int x = 0; x < view.width(); ++x) {
            const QRgb p = line[x];
            const int values[3] = {qRed(p), qGreen(p), qBlue(p)};
            if (alone)
                line[x] = qRgba(values[channel], values[channel], values[channel], qAlpha(p));
            else
                line[x] = qRgba(flags[0] ? values[0] : 0, flags[1] ? values[1] : 0, flags[2] ? values[2] : 0, qAlpha(p));
        }
    }
    emit showPlans(flags[0], flags[1], flags[2]);
    m_cPixmap = QPixmap::fromImage(view.transformed(m_cMatrix, m_eMode));
    update();
}

void ImageWidget::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    if (!HasImage() || m_cPixmap.isNull())
        return;
    QPainter painter(this);
    if (m_cOffset.isNull())
        painter.drawPixmap(event->rect(), m_cPixmap, event->rect());
    else
        painter.drawPixmap(m_cOffset, m_cPixmap);
}

bool ImageWidget::PixelAt(QPointF p, double zoom, int rotation, QSize size, QPoint &pixel)
{
    if (zoom <= 0.0)
        return false;
    const int x = int(std::trunc(p.x() / zoom + 0.5));
    const int y = int(std::trunc(p.y() / zoom + 0.5));
    const int w = size.width();
    const int h = size.height();
    // In the quarter turns the view's rows run along the image's columns.
    const int u = y;
    const int v = x;
    switch (rotation) {
    case 0:
        if (x < 0 || x >= w || y < 0 || y >= h)
            return false;
        pixel = QPoint(x, y);
        return true;
    case 90:
        if (u < 0 || u >= w || v < 0 || v >= h)
            return false;
        pixel = QPoint(u, h - 1 - v);
        return true;
    case 180:
        if (x < 0 || x >= w || y < 0 || y >= h)
            return false;
        pixel = QPoint(w - 1 - x, h - 1 - y);
        return true;
    case 270:
        if (u < 0 || u >= w || v < 0 || v >= h)
            return false;
        pixel = QPoint(w - 1 - u, v);
        return true;
    default:
        return false;
    }
}

void ImageWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (HasImage()) {
        const QImage &image = *m_pImage->GetImage();
        const QPointF p = event->position() - QPointF(m_cOffset);
        QPoint pixel;
        if (PixelAt(p, m_dZoom, m_iRotation, image.size(), pixel)) {
            const int x = int(std::trunc(p.x() / m_dZoom + 0.5));
            const int y = int(std::trunc(p.y() / m_dZoom + 0.5));
            const int depth = m_pImage->GetBitDepth();
            if ((depth == 16 || depth == 24 || depth == 32) && m_pImage->IsFloat()) {
                float r = 1.0f, g = 1.0f, b = 1.0f, a = 1.0f;
                m_pImage->GetPixelValue(pixel.x(), pixel.y(), r, g, b, a);
                emit pixelInfo(x, y, r, g, b, a);
            } else {
                const QRgb c = image.pixel(pixel);
                emit pixelInfo(x, y, qRed(c), qGreen(c), qBlue(c), qAlpha(c));
            }
        }
    }
    QFrame::mouseMoveEvent(event);
}

void ImageWidget::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    if (!m_bFit || !HasImage())
        return;
    const double s = FitScale(width(), height());
    if (std::fabs(s - m_dZoom) > 0.000001)
        SetZoom(s);
}
