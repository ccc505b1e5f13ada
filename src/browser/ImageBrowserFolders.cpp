// The image browser's folders: reading one, the tiles and their thumbnails, the scanner's
// reports, navigation and the history.

#include "browser/BrowserText.h"
#include "browser/BusyCursor.h"
#include "browser/ComboBoxModify.h"
#include "browser/ImageBrowser.h"
#include "browser/scanner/ImgDirThread.h"
#include "browser/scanner/ThumbnailCache.h"
#include "browser/thumbnails/ThumbnailItem.h"
#include "browser/thumbnails/ThumbnailList.h"
#include "browser/viewer/ImageWidget.h"
#include "foundation/Diagnostics.h"
#include "foundation/images/Pictures.h"
#include "foundation/images/QTvImage.h"
#include "gui/common/ModalDialogs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

namespace {

const QStringList &ImageFilters()
{
    static const QStringList filters = {QStringLiteral("*.tiff"), QStringLiteral("*.tif"),  QStringLiteral("*.bmp"),
                                        QStringLiteral("*.png"),  QStringLiteral("*.jpeg"), QStringLiteral("*.jpg")};
    return filters;
}


}  // namespace

QString ImageBrowser::FilePath(const QString &name) const { return QDir(m_sFolder).absoluteFilePath(name); }

void ImageBrowser::slotBookmarksIndexChanged(int index)
{
    if (index != -1)
        ReadFolder(m_pPathBox->currentText());
}

void ImageBrowser::ReadFolder(QString path)
{
    if (m_pScanner)
        m_pScanner->AbortPass();
    const BusyCursor wait(Qt::WaitCursor);
    m_pThumbnailList->Clear();
    m_mItems.clear();
    m_sShownPath.clear();
    path.remove(QLatin1Char('\n'));
    const QDir folder(path);
    m_sFolder = folder.absolutePath();

    for (const QString &name : folder.entryList({QStringLiteral("*")}, QDir::Dirs | QDir::NoSymLinks | QDir::NoDotAndDotDot,
                                                QDir::Name | QDir::DirsFirst))
        slotAddFolder(name);

    // Extensions match whatever their case.
    QDir images(m_sFolder, QString(), QDir::Name, QDir::Dirs | QDir::Files | QDir::NoSymLinks | QDir::NoDotAndDotDot);
    images.setNameFilters(ImageFilters());
    const QStringList files = images.entryList(QDir::Files | QDir::NoSymLinks, QDir::Name);
    m_iDone = 0;
    m_iExpected = int(files.size());
    // The tiles are made a slice at a time from the event loop (see FillSome), so a large
    // folder never holds the window still; a folder read before is forgotten here.
    m_lPendingFiles.clear();
    m_lPendingRecords.clear();
    for (const QString &name : files)
        m_lPendingFiles.push_back(FilePath(name));
    FillSome();
    m_pThumbnailList->Refit();
    update();

    if (!m_bHistoryMove) {
        if (m_iHistoryIndex != -1 && m_iHistoryIndex < int(m_lHistory.size()) - 1) {
            m_lHistory.resize(size_t(m_iHistoryIndex + 1));
            m_pForward->setEnabled(false);
        }
        m_lHistory.push_back(m_sFolder);
        ++m_iHistoryIndex;
    } else {
        m_bHistoryMove = false;
    }
    m_pBack->setEnabled(m_lHistory.size() > 1);

    if (m_pScanner)
        m_pScanner->StartScan(images, m_iThumbWidth, m_iThumbHeight, m_bThumbnails);
}

ThumbnailItem *ImageBrowser::AddImageItem(const QString &path, bool refit)
{
    auto *item = new ThumbnailItem(m_iThumbWidth, m_iThumbHeight, path, false, QPixmap(), nullptr);
    item->SetSelectionColor(m_cItemColor);
    m_pThumbnailList->AddItem(item, refit);
    m_mItems.insert(path, item);
    connect(item, &ThumbnailItem::select, this, &ImageBrowser::slotThumbnailSelect);
    return item;
}

void ImageBrowser::slotAddFolder(const QString &name)
{
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return;
    const QPixmap icon = General::Pictures::Pixmap(QStringLiteral("Icons/folder.png"), QSize(64, 64));
    auto *item = new ThumbnailItem(m_iThumbWidth, m_iThumbHeight, FilePath(name), true, icon, nullptr);
    item->SetSelectionColor(m_cItemColor);
    connect(item, &ThumbnailItem::doubleClick, this, &ImageBrowser::slotFolderSelect);
    m_pThumbnailList->AddItem(item);
}

void ImageBrowser::customEvent(QEvent *event)
{
    if (event->type() != ImgThreadAppendThumbnailEvent::kType) {
        QWidget::customEvent(event);
        return;
    }
    // Records of a full scan may arrive by the thousand in one pass of the event loop: they
    // wait here and are shown a slice at a time.
    m_lPendingRecords.push_back(static_cast<ImgThreadAppendThumbnailEvent *>(event)->Info());
    if (!m_pFillTimer->isActive())
        m_pFillTimer->start();
}

bool ImageBrowser::IsFilling() const { return !m_lPendingFiles.empty() || !m_lPendingRecords.empty(); }

void ImageBrowser::FillSome()
{
    QElapsedTimer clock;
    clock.start();
    bool added = false;
    // Tiles in folder order; a thumbnail as soon as its tile stands, so the first screen
    // fills while the rest of the tiles are still being made.
    while (IsFilling() && clock.elapsed() < kFillSliceMs) {
        if (!m_lPendingRecords.empty() &&
            (m_lPendingFiles.empty() || m_mItems.contains(m_lPendingRecords.front().path))) {
            const ImgInfo record = std::move(m_lPendingRecords.front());
            m_lPendingRecords.pop_front();
            ShowRecord(record);
        } else {
            AddImageItem(m_lPendingFiles.front(), false);
            m_lPendingFiles.pop_front();
            added = true;
        }
    }
    if (added)
        m_pThumbnailList->Refit();
    if (IsFilling())
        m_pFillTimer->start();
}

void ImageBrowser::slotGetThumbnail(const ImgInfo &info)
{
    // A record for a tile still to be made waits for it.
    if (!m_lPendingFiles.empty() && !m_mItems.contains(info.path)) {
        m_lPendingRecords.push_back(info);
        if (!m_pFillTimer->isActive())
            m_pFillTimer->start();
        return;
    }
    ShowRecord(info);
}

void ImageBrowser::ShowRecord(const ImgInfo &info)
{
    ThumbnailItem *item = m_mItems.value(info.path, nullptr);
    if (!item) {
        // A record of the folder shown before, still on its way when this one was read.
        if (QFileInfo(info.path).absolutePath() != m_sFolder)
            return;
        item = AddImageItem(info.path);
    }
    item->SetThumbnail(info);
    emit progress(m_iDone++, m_iExpected);
    if (m_iDone >= m_iExpected) {
        m_iDone = 0;
        emit progress(0, m_iExpected);
    }
    // The records already posted come in their turn from the event loop, never from inside here.
}

void ImageBrowser::slotItemDeleted(const QString &path)
{
    Log("Item \"%s\" is deleted\n", qPrintable(path));
    std::erase(m_lPendingFiles, path);
    ThumbnailItem *item = m_mItems.value(path, nullptr);
    if (!item)
        item = m_pThumbnailList->FindByPath(path);
    if (!item)
        return;
    if (item == m_pThumbnailList->Current()) {
        ThumbnailItem *other = m_pThumbnailList->Next(item, ThumbnailList::Images);
        if (!other)
            other = m_pThumbnailList->Previous(item, ThumbnailList::Images);
        if (other)
            other->SetSelected(true);
    }
    m_mItems.remove(path);
    m_pThumbnailList->RemoveItem(item);
    update();
}

void ImageBrowser::SelectPath(const QString &path)
{
    int index = m_pPathBox->findText(path, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) {
        m_pPathBox->insertItem(0, path);
        index = 0;
    }
    m_pPathBox->setCurrentIndex(index);
}

void ImageBrowser::slotGetNewBookmark()
{
    const QString start = m_sLastDialogFolder.isEmpty() ? QDir::currentPath() : m_sLastDialogFolder;
    const QString chosen = GUI::Modals().GetExistingDirectory(this, tr("Select a directory"), start);
    if (chosen.isEmpty())
        return;
    m_sLastDialogFolder = chosen;
    m_pPathBox->insertItem(0, QDir(chosen).absolutePath());
    m_pPathBox->setCurrentIndex(0);
}

void ImageBrowser::slotFolderSelect()
{
    auto *item = qobject_cast<ThumbnailItem *>(sender());
    if (item)
        SelectPath(QDir(item->GetPath()).absolutePath());
}

void ImageBrowser::slotFolderUp()
{
    const QString parent = Browser::ParentFolder(m_pPathBox->currentText());
    if (!parent.isEmpty())
        SelectPath(parent);
}

void ImageBrowser::slotHistoryBack()
{
    if (m_lHistory.empty() || m_iHistoryIndex <= 0)
        return;
    --m_iHistoryIndex;
    const int index = m_pPathBox->findText(m_lHistory[size_t(m_iHistoryIndex)], Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0) {
        m_bHistoryMove = true;
        m_pPathBox->setCurrentIndex(index);
    }
    m_pBack->setEnabled(m_iHistoryIndex > 0);
    m_pForward->setEnabled(true);
}

void ImageBrowser::slotHistoryForward()
{
    if (m_lHistory.empty() || m_iHistoryIndex >= int(m_lHistory.size()) - 1)
        return;
    ++m_iHistoryIndex;
    m_pForward->setEnabled(m_iHistoryIndex < int(m_lHistory.size()) - 1);
    const int index = m_pPathBox->findText(m_lHistory[size_t(m_iHistoryIndex)], Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0) {
        m_bHistoryMove = true;
        m_pPathBox->setCurrentIndex(index);
    }
    m_pBack->setEnabled(true);
}

void ImageBrowser::slotRereadFolder()
{
    slotBookmarksIndexChanged(m_pPathBox->currentIndex());
}

void ImageBrowser::slotRereadFolder(const QString &) { slotRereadFolder(); }

void ImageBrowser::slotThumbnailSelect()
{
    auto *item = qobject_cast<ThumbnailItem *>(sender());
    if (!item || item->GetPath() == m_sShownPath)
        return;
    const BusyCursor wait(Qt::WaitCursor);
    ShowImage(item->GetCaption());
}

QString ImageBrowser::CurrentImagePath() const
{
    const ThumbnailItem *item = m_pThumbnailList->Current();
    return item && !item->IsFolder() ? FilePath(item->GetCaption()) : QString();
}

void ImageBrowser::slotRefresh()
{
    ThumbnailItem *item = m_pThumbnailList->Current();
    if (!item || item->IsFolder())
        return;
    const BusyCursor wait(Qt::WaitCursor);
    ShowImage(item->GetCaption());
    if (!m_pImageWidget->HasImage())
        return;
    const QFileInfo file(item->GetPath());
    ImgInfo record;
    record.path = file.absoluteFilePath();
    const QImage &image = *m_pImageWidget->GetImage().GetImage();
    record.thumbnail = Thumbnails::FitThumbnail(image, m_iThumbWidth, m_iThumbHeight).copy();
    record.depth = m_pImageWidget->GetBitDepth();
    record.width = image.width();
    record.height = image.height();
    Thumbnails::WriteCache(file, record.thumbnail);
    item->SetThumbnail(record);
}
