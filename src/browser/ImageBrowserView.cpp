// The image browser's viewer side: showing an image and its info line, the zoom, rotation,
// exposure and channel controls, keys and Alt-drags, and handing the image on.

#include "browser/BrowserText.h"
#include "browser/BusyCursor.h"
#include "browser/ComboBoxModify.h"
#include "browser/ImageBrowser.h"
#include "browser/thumbnails/ThumbnailItem.h"
#include "browser/thumbnails/ThumbnailList.h"
#include "browser/viewer/ImageArea.h"
#include "browser/viewer/ImageWidget.h"
#include "interaction/Interface.h"
#include "mesh/object/Object.h"
#include "mesh/surface/Material.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QToolButton>


void ImageBrowser::ShowZoom() { m_pZoomBox->setEditText(Browser::ZoomText(m_pImageWidget->GetZoom())); }

void ImageBrowser::ShowImage(const QString &fileName)
{
    const QString path = FilePath(fileName);
    m_sShownPath = path;
    m_pImageWidget->Load(path);
    m_pImageWidget->repaint();
    ShowZoom();
    const qint64 size = QFileInfo(path).size();
    const double zoom = m_pImageWidget->GetZoom();
    const QPixmap &pixmap = m_pImageWidget->GetPixmap();
    m_pFileName->setText(fileName);
    m_pParameters->setText(QStringLiteral("%1x%2\t%3bit\t%4")
                               .arg(int(pixmap.width() / zoom))
                               .arg(int(pixmap.height() / zoom))
                               .arg(m_pImageWidget->GetBitDepth())
                               .arg(Browser::SizeText(size)));
    if (m_iToggleMode == 1) {
        if (m_pStamp->isChecked())
            slotSetStamp(true);
        else if (m_pStencil->isChecked())
            slotSetStencil(true);
    }
}

void ImageBrowser::slotSetStamp(bool)
{
    const QString path = CurrentImagePath();
    if (!path.isEmpty() && Interface::Get())
        Interface::Get()->SetStamp(path);
}

void ImageBrowser::slotSetStencil(bool)
{
    const QString path = CurrentImagePath();
    if (!path.isEmpty() && Interface::Get())
        Interface::Get()->SetStencil(path);
}

void ImageBrowser::slotSetPlane(bool)
{
    const QString path = CurrentImagePath();
    Scene *scene = Scene::GetCurrent();
    if (path.isEmpty() || !scene || !scene->m_pActiveCamera)
        return;
    scene->m_pActiveCamera->SetImagePlane(path);
    // An open "ImagePlane" page shows the new picture.
    InteractionHost().ShowInProperties(QStringLiteral("ImagePlane"), nullptr);
}

void ImageBrowser::slotSetTexture(bool)
{
    const QString path = CurrentImagePath();
    Interface *controller = Interface::Get();
    if (path.isEmpty() || !controller)
        return;
    Object *object = controller->m_pActiveObject;
    if (!object && Scene::GetCurrent())
        object = Scene::GetCurrent()->m_pObjects;
    Surface::Material *material = object ? object->GetMaterial() : nullptr;
    if (!material)
        return;
    material->m_aDiffuseTexture.SetValue(path);
    Interface::Redraw();
}

void ImageBrowser::slotSetFlatColor(bool flat)
{
    m_bFlatColor = flat;
    const BusyCursor busy;
    m_pImageWidget->ToggleFlatColor();
    m_pImageWidget->repaint();
}

void ImageBrowser::slotScaleSelect(int index)
{
    QString text = m_pZoomBox->itemText(index);
    text.remove(QLatin1Char('%'));
    bool ok = false;
    const double zoom = text.trimmed().toDouble(&ok) / 100.0;
    if (!ok || zoom <= 0.0)
        return;
    m_pScaleToFit->setChecked(false);
    const BusyCursor busy;
    m_pImageWidget->SetZoom(zoom);
    m_pImageWidget->repaint();
}

void ImageBrowser::slotScaleToFit(bool fit)
{
    m_pImageWidget->SetFit(fit, m_pImageArea->viewport()->size());
    ShowZoom();
}

void ImageBrowser::slotRotateLeft(bool)
{
    m_pImageWidget->Rotate(-90);
    ShowZoom();
    m_pImageWidget->repaint();
}

void ImageBrowser::slotRotateRight(bool)
{
    m_pImageWidget->Rotate(90);
    ShowZoom();
    m_pImageWidget->repaint();
}

void ImageBrowser::slotRotateSelect(int index)
{
    QString text = m_pRotateBox->itemText(index);
    text.remove(QChar(0x00B0));
    m_pImageWidget->setInitDegree(int(text.trimmed().toUInt()));
}

void ImageBrowser::slotImageViewScaled(double zoom) { m_pZoomBox->setEditText(Browser::ZoomText(zoom)); }

void ImageBrowser::slotExposure(double stops)
{
    m_pExposureInfo->setText(QStringLiteral("<b>%1</b> %2").arg(stops, 5, 'f', 2).arg(tr("stops")));
    emit exposure(stops);
}

void ImageBrowser::slotPixelInfo(int x, int y, float red, float green, float blue, float alpha)
{
    m_pPixelInfo->setText(QStringLiteral("\tPos x:%1 y:%2 Color R:<b>%3</b> G:<b>%4</b> B:<b>%5</b> A:<b>%6</b>")
                              .arg(x, 4)
                              .arg(y, 4)
                              .arg(double(red), 10, 'f', 6)
                              .arg(double(green), 10, 'f', 6)
                              .arg(double(blue), 10, 'f', 6)
                              .arg(double(alpha), 10, 'f', 6));
}

void ImageBrowser::slotPixelInfo(int x, int y, int red, int green, int blue, int alpha)
{
    m_pPixelInfo->setText(QStringLiteral("\tPos x:%1 y:%2 Color R:<b>%3</b> G:<b>%4</b> B:<b>%5</b> A:<b>%6</b>")
                              .arg(x, 4)
                              .arg(y, 4)
                              .arg(red, 10)
                              .arg(green, 10)
                              .arg(blue, 10)
                              .arg(alpha, 10));
}

void ImageBrowser::slotShowPlans(bool red, bool green, bool blue) { emit showPlans(red, green, blue); }

void ImageBrowser::keyPressEvent(QKeyEvent *event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool keypad = event->modifiers() & Qt::KeypadModifier;
    const int key = event->key();
    const int zoom = m_pZoomBox->currentIndex();
    if (ctrl && (key == Qt::Key_Equal || (keypad && key == Qt::Key_Plus))) {
        if (zoom > 0)
            m_pZoomBox->setCurrentIndex(zoom - 1);
        return;
    }
    if (ctrl && key == Qt::Key_Minus) {
        if (zoom < m_pZoomBox->count() - 1)
            m_pZoomBox->setCurrentIndex(zoom + 1);
        return;
    }
    const auto select = [](ThumbnailItem *item) {
        if (item)
            item->SetSelected(true);
    };
    ThumbnailItem *current = m_pThumbnailList->Current();
    switch (key) {
    case Qt::Key_Alt:
        m_bAlt = true;
        if (!event->isAutoRepeat()) {
            m_pImageWidget->setCursor(Qt::PointingHandCursor);
            m_dAltZoom = m_pImageWidget->GetZoom();
        }
        return;
    case Qt::Key_Plus:
    case Qt::Key_Equal: {
        const BusyCursor busy;
        m_pImageWidget->AddExposure(1.0);
        m_pImageWidget->repaint();
        return;
    }
    case Qt::Key_Minus: {
        const BusyCursor busy;
        m_pImageWidget->AddExposure(-1.0);
        m_pImageWidget->repaint();
        return;
    }
    case Qt::Key_0: {
        const BusyCursor busy;
        m_pImageWidget->SetExposure(0.0);
        m_pImageWidget->repaint();
        return;
    }
    case Qt::Key_1:
        m_pImageWidget->ToggleRed(true);
        return;
    case Qt::Key_2:
        m_pImageWidget->ToggleGreen(true);
        return;
    case Qt::Key_3:
        m_pImageWidget->ToggleBlue(true);
        return;
    case Qt::Key_Space: {
        ThumbnailItem *next = current ? m_pThumbnailList->Next(current, ThumbnailList::Images) : nullptr;
        select(next ? next : m_pThumbnailList->First(ThumbnailList::Images));
        return;
    }
    case Qt::Key_Backspace: {
        ThumbnailItem *previous = current ? m_pThumbnailList->Previous(current, ThumbnailList::Images) : nullptr;
        select(previous ? previous : m_pThumbnailList->Last(ThumbnailList::Images));
        return;
    }
    default:
        QWidget::keyPressEvent(event);
    }
}

void ImageBrowser::keyReleaseEvent(QKeyEvent *event)
{
    event->ignore();
    if (event->key() == Qt::Key_Alt && !event->isAutoRepeat()) {
        m_bAlt = false;
        m_pImageWidget->unsetCursor();
    }
}

bool ImageBrowser::AltDrag(QMouseEvent *event)
{
    const Qt::MouseButtons buttons = event->buttons();
    const QPoint global = event->globalPosition().toPoint();
    if (buttons == Qt::LeftButton || buttons == Qt::MiddleButton) {
        const QPoint d = m_cLastPosition - global;
        QScrollBar *h = m_pImageArea->horizontalScrollBar();
        QScrollBar *v = m_pImageArea->verticalScrollBar();
        h->setValue(h->value() + d.x());
        v->setValue(v->value() + d.y());
        m_cLastPosition = global;
        return true;
    }
    if (!(buttons & Qt::RightButton) && !(buttons & (Qt::LeftButton | Qt::MiddleButton)))
        return false;
    {
        const QSignalBlocker quiet(m_pScaleToFit);
        m_pScaleToFit->setChecked(false);
        m_pImageWidget->LeaveFit();
    }
    const double step = Browser::AltZoomStep(m_dAltZoom);
    const QPoint d = global - m_cLastPosition;
    if (d.x() > 0 && d.y() > 0)
        m_dAltZoom += step;
    else if (d.x() < 0 && d.y() < 0 && m_dAltZoom > 0.02)
        m_dAltZoom -= step;
    else
        return true;
    m_cLastPosition = global;
    m_pImageWidget->SetZoom(m_dAltZoom);
    m_pImageArea->viewport()->update();
    return true;
}

bool ImageBrowser::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_pImageWidget) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            m_cLastPosition = m_cPressPosition = static_cast<QMouseEvent *>(event)->globalPosition().toPoint();
            break;
        case QEvent::MouseButtonRelease:
            m_pImageArea->update();
            break;
        case QEvent::MouseMove:
            if (m_bAlt && AltDrag(static_cast<QMouseEvent *>(event)))
                return true;
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}
