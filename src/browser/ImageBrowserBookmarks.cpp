// The image browser's bookmarks: the menu of bookmarked folders and the file that keeps
// them, with the folder shown last, from one run to the next.

#include "browser/BrowserText.h"
#include "browser/ComboBoxModify.h"
#include "browser/ImageBrowser.h"
#include "browser/viewer/ImageArea.h"
#include "foundation/Diagnostics.h"
#include "foundation/Globals.h"
#include "foundation/ShellServices.h"
#include "foundation/images/Pictures.h"
#include "platform/WholeFiles.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>

namespace {

void InvalidPath()
{
    General::Shell().ShowMessage(General::ShellServices::kWarning, QStringLiteral("Warning"),
                                 QStringLiteral("Invalid path"));
}

bool IsFolder(const QString &path) { return QFileInfo(path).isDir(); }

}  // namespace

void ImageBrowser::LoadBookmarks()
{
    const QString folder = General::BookmarksFolder();
    if (folder.isEmpty())
        return;
    const QString path = Browser::BookmarksFilePath(folder);
    const SmallFile file = ReadSmallFile(path, Browser::kMaxBookmarksBytes, Browser::kMaxBookmarksLine);
    m_bBookmarksRefused = file.outcome == SmallFile::Refused;
    QString error = file.error;
    // Bytes that are no list of folders are kept aside; the list of this run is written at exit.
    const QString why = file.outcome == SmallFile::Read ? Browser::NotBookmarksReason(file.bytes) : QString();
    if (!why.isEmpty()) {
        const QString kept = KeepAside(path);
        m_bBookmarksRefused = kept.isEmpty();
        error = kept.isEmpty() ? tr("%1 was not read: %2.").arg(path, why)
                               : tr("%1 was not read: %2. It was moved to %3.").arg(path, why, kept);
    }
    if (!error.isEmpty()) {
        Log("%s\n", error.toUtf8().constData());
        General::Shell().ShowMessage(General::ShellServices::kWarning, QString::fromLatin1(General::ProgramTitle()),
                                     error);
    }
    if (file.outcome != SmallFile::Read || !why.isEmpty())
        return;
    const Browser::Bookmarks bookmarks = Browser::ParseBookmarks(file.bytes);
    if (bookmarks.last.isEmpty())
        return;
    // Adding the bookmarks reads no folder.
    disconnect(m_pPathBox, &QComboBox::activated, this, &ImageBrowser::slotBookmarksIndexChanged);
    for (const QString &path : bookmarks.folders)
        if (IsFolder(path))
            AddBookmarkAction(path);
    connect(m_pPathBox, &QComboBox::activated, this, &ImageBrowser::slotBookmarksIndexChanged);
    m_pPathBox->insertItem(0, bookmarks.last);
    m_pPathBox->setCurrentIndex(0);
}

QStringList ImageBrowser::BookmarkPaths() const
{
    QStringList paths;
    for (QAction *action : m_pBookmarkGroup->actions())
        if (action != m_pAddBookmark && action != m_pRemoveBookmark && !action->isSeparator())
            paths << action->text();
    return paths;
}

void ImageBrowser::SaveBookmarks()
{
    const QString folder = General::BookmarksFolder();
    if (folder.isEmpty() || m_bBookmarksRefused)
        return;
    // Whole or not at all: a failed write keeps the file of the run before.
    QString error;
    if (!SaveWholeFile(Browser::BookmarksFilePath(folder),
                       Browser::FormatBookmarks({m_pPathBox->currentText(), BookmarkPaths()}), &error))
        Log("%s\n", error.toUtf8().constData());
}

void ImageBrowser::AddBookmarkAction(const QString &path)
{
    if (path.isEmpty())
        return;
    if (!IsFolder(path)) {
        InvalidPath();
        return;
    }
    for (QAction *action : m_pBookmarkGroup->actions())
        if (QString::localeAwareCompare(action->text(), path) == 0)
            return;
    auto *action = new QAction(General::Pictures::Icon(QStringLiteral("Icons/star.png")), path, m_pBookmarksMenu);
    action->setToolTip(path);
    connect(action, &QAction::triggered, this, &ImageBrowser::slotBookmarkSelect);
    m_pBookmarksMenu->addAction(action);
    m_pBookmarkGroup->addAction(action);
    if (!m_pBookmarksButton->menu())
        m_pBookmarksButton->setMenu(m_pBookmarksMenu);
}

void ImageBrowser::RemoveBookmarkAction(const QString &path)
{
    if (path.isEmpty())
        return;
    for (QAction *action : m_pBookmarkGroup->actions()) {
        if (action == m_pAddBookmark || action == m_pRemoveBookmark || action->text() != path)
            continue;
        m_pBookmarksMenu->removeAction(action);
        m_pBookmarkGroup->removeAction(action);
        delete action;
        return;
    }
}

void ImageBrowser::slotAddBookmark(bool)
{
    if (m_pPathBox->count() == 0)
        return;
    AddBookmarkAction(m_pPathBox->currentText());
    m_pRemoveBookmark->setEnabled(true);
}

void ImageBrowser::slotAddBookmark()
{
    if (m_pPathBox->count() > 0)
        AddBookmarkAction(m_pPathBox->currentText());
}

void ImageBrowser::slotDeleteBookmark(bool)
{
    if (m_pPathBox->count() > 0)
        RemoveBookmarkAction(m_pPathBox->currentText());
    if (m_pBookmarkGroup->actions().size() < 3)
        m_pRemoveBookmark->setEnabled(false);
}

void ImageBrowser::slotBookmarkSelect(bool)
{
    auto *action = qobject_cast<QAction *>(sender());
    if (!action)
        return;
    const QString path = action->text();
    if (!IsFolder(path)) {
        InvalidPath();
        return;
    }
    const QString absolute = QDir(path).absolutePath();
    if (path != m_pPathBox->currentText()) {
        m_pPathBox->insertItem(0, absolute);
        m_pPathBox->setCurrentIndex(0);
    } else {
        const int index = m_pPathBox->findText(absolute, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index >= 0)
            m_pPathBox->setCurrentIndex(index);
    }
    m_pImageArea->setFocus();
}

void ImageBrowser::slotBookmarksTextChanged(const QString &text)
{
    if (m_pAddBookmark)
        m_pAddBookmark->setEnabled(!text.isEmpty());
}
