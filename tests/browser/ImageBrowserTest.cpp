// The image browser driven as a person does: folders, history, thumbnails, keys, the info
// line, bookmarks and handing an image on.

#include "BrowserFixtures.h"
#include "GuiApplication.h"

#include "browser/BrowserText.h"
#include "browser/ComboBoxModify.h"
#include "browser/ImageBrowser.h"
#include "browser/ImageBrowserDialog.h"
#include "browser/scanner/ImgDirThread.h"
#include "browser/scanner/ThumbnailCache.h"
#include "browser/thumbnails/ThumbnailItem.h"
#include "browser/thumbnails/ThumbnailList.h"
#include "browser/viewer/ImageArea.h"
#include "browser/viewer/ImageWidget.h"
#include "foundation/Globals.h"
#include "foundation/images/QTvImage.h"
#include "gui/common/ModalDialogs.h"
#include "gui/dialogs/DialogFactory.h"
#include "interaction/Interface.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"
#include "support/FileSizeLimit.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <memory>

using browsertest::MakeImage;
using browsertest::WaitFor;

namespace {

// Counts the events it receives.
class Counter : public QObject {
public:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::User)
            ++received;
        return QObject::event(event);
    }
    int received = 0;
};

class ImageBrowserTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(guitest::Application(), nullptr);
        General::BookmarksFolder() = m_settings.Path();
        QDir root(m_dir.Path());
        root.mkdir(QStringLiteral("zeta"));
        root.mkdir(QStringLiteral("alpha"));
        ASSERT_TRUE(MakeImage(m_dir.File("b.png"), 8, 4));
        ASSERT_TRUE(MakeImage(m_dir.File("a.tif"), 16, 16));
        ASSERT_TRUE(MakeImage(m_dir.File("C.JPG"), 4, 4));
        TempDir::Write(m_dir.File("notes.txt"), "text");
        ASSERT_TRUE(MakeImage(m_dir.File("alpha/inner.png"), 4, 4));
    }
    void TearDown() override
    {
        m_browser.reset();
        General::BookmarksFolder().clear();
    }
    ImageBrowser &Open()
    {
        m_browser = std::make_unique<ImageBrowser>(true, nullptr, 0, QColor(131, 163, 176, 255));
        m_browser->resize(1000, 600);
        m_browser->show();
        return *m_browser;
    }
    // Chooses a folder in the path box as a person typing it and pressing Enter would, and
    // lets the event loop make its tiles.
    void Go(const QString &path)
    {
        ComboBoxModify *box = m_browser->GetPathBox();
        box->insertItem(0, path);
        box->setCurrentIndex(0);
        Filled();
    }
    void Filled()
    {
        ASSERT_TRUE(WaitFor([&] { return !m_browser->IsFilling(); }));
    }
    QStringList Captions() const
    {
        QStringList names;
        ThumbnailList *list = m_browser->GetThumbnailList();
        for (ThumbnailItem *item = list->First(ThumbnailList::Any); item; item = list->Next(item, ThumbnailList::Any))
            names << item->GetCaption();
        return names;
    }
    QString Path(const char *name) const { return QDir(m_dir.Path()).absoluteFilePath(QLatin1String(name)); }
    ThumbnailItem *Item(const char *name) const { return m_browser->ItemForPath(Path(name)); }
    QString Label(const char *name) const { return m_browser->findChild<QLabel *>(QLatin1String(name))->text(); }
    QToolButton *Button(const char *name) const { return m_browser->findChild<QToolButton *>(QLatin1String(name)); }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(m_browser->GetImageArea()->viewport(), Qt::Key(key), modifiers);
    }
    // Waits until the scanner has posted the whole folder and its records are in.
    void Settle()
    {
        ASSERT_TRUE(WaitFor([&] { return m_browser->GetScanner()->GetCommand() == ImgDirThread::Watch; }));
        QCoreApplication::sendPostedEvents(m_browser.get());
        Filled();
    }
    bool AllThumbnailsArrived() const
    {
        for (const char *name : {"a.tif", "b.png", "C.JPG"})
            if (!Item(name) || Item(name)->pixmap().isNull())
                return false;
        return true;
    }

    TempDir m_dir;
    TempDir m_settings;
    std::unique_ptr<ImageBrowser> m_browser;
};

TEST_F(ImageBrowserTest, AFolderShowsItsFoldersThenItsImagesWithThumbnails)
{
    Open();
    Go(m_dir.Path());
    EXPECT_EQ(Captions(), (QStringList{"alpha", "zeta", "C.JPG", "a.tif", "b.png"}));
    ASSERT_TRUE(WaitFor([&] { return AllThumbnailsArrived(); }));
    EXPECT_EQ(Item("b.png")->pixmap().size(), QSize(12, 8));
    QTest::mouseClick(Item("a.tif"), Qt::LeftButton);
    const QImage shot = m_browser->grab().toImage();
    shot.save(QStringLiteral(TEVRIN_SCREENSHOTS "/image_browser.png"));
    // The chosen image in the viewer, in its colour.
    const QPoint centre = m_browser->GetImageWidget()->mapTo(m_browser.get(), m_browser->GetImageWidget()->rect().center());
    EXPECT_EQ(shot.pixelColor(centre), QColor(200, 40, 10));

    // A folder without images shows its folders only; a missing one shows nothing.
    QDir(m_dir.Path()).mkpath(QStringLiteral("zeta/deeper"));
    Go(Path("zeta"));
    EXPECT_EQ(Captions(), QStringList{"deeper"});
    Go(Path("missing"));
    EXPECT_TRUE(Captions().isEmpty());
}

// A large folder's tiles are made a slice at a time from the event loop while its
// thumbnails come in: every file gets exactly one tile, in folder order, with its thumbnail.
TEST_F(ImageBrowserTest, ALargeFolderFillsInSlicesWithOneTileAFileInOrder)
{
    QDir(m_dir.Path()).mkdir(QStringLiteral("many"));
    QStringList names;
    for (int i = 0; i < 400; ++i) {
        names << QStringLiteral("m%1.png").arg(i, 3, 10, QLatin1Char('0'));
        ASSERT_TRUE(QFile::copy(m_dir.File("b.png"), Path("many/") + names.last()));
    }
    Open();
    ComboBoxModify *box = m_browser->GetPathBox();
    box->insertItem(0, Path("many"));
    box->setCurrentIndex(0);
    EXPECT_TRUE(m_browser->IsFilling());
    EXPECT_LT(m_browser->GetThumbnailList()->Count(), 400);
    Filled();
    ASSERT_TRUE(WaitFor([&] { return m_browser->GetScanner()->GetCommand() == ImgDirThread::Watch; }));
    Filled();
    ASSERT_TRUE(WaitFor([&] {
        for (const QString &name : names)
            if (m_browser->ItemForPath(Path("many/") + name)->pixmap().isNull())
                return false;
        return !m_browser->IsFilling();
    }));
    EXPECT_EQ(Captions(), names);
}

TEST_F(ImageBrowserTest, GoingBackThenReadingAFolderCutsTheHistory)
{
    Open();
    QToolButton *back = Button("PrevBookmark");
    QToolButton *forward = Button("NextBookmark");
    EXPECT_FALSE(back->isEnabled());
    Go(m_dir.Path());
    Go(m_dir.Path());
    EXPECT_EQ(m_browser->GetHistory().size(), 2u);
    Go(Path("alpha"));
    Go(Path("zeta"));
    ASSERT_EQ(m_browser->GetHistory().size(), 4u);
    EXPECT_TRUE(back->isEnabled());

    QTest::mouseClick(back, Qt::LeftButton);
    QTest::mouseClick(back, Qt::LeftButton);
    EXPECT_EQ(m_browser->GetFolder(), QDir(m_dir.Path()).absolutePath());
    EXPECT_EQ(m_browser->GetHistoryIndex(), 1);
    EXPECT_TRUE(forward->isEnabled());
    QTest::mouseClick(forward, Qt::LeftButton);
    EXPECT_EQ(m_browser->GetFolder(), Path("alpha"));
    EXPECT_EQ(m_browser->GetHistory().size(), 4u);

    // Reading a new folder from the middle drops the entries after it.
    QTest::mouseClick(back, Qt::LeftButton);
    Go(Path("zeta"));
    const std::vector<QString> expected = {QDir(m_dir.Path()).absolutePath(), QDir(m_dir.Path()).absolutePath(),
                                           Path("zeta")};
    EXPECT_EQ(m_browser->GetHistory(), expected);
    EXPECT_FALSE(forward->isEnabled());
}

TEST_F(ImageBrowserTest, TheParentFolderButtonGoesUpToTheRoot)
{
    Open();
    QToolButton *up = Button("ParentDirectory");
    Go(Path("alpha"));
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(m_browser->GetFolder(), QDir(m_dir.Path()).absolutePath());

    Go(QStringLiteral("/tmp"));
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(m_browser->GetPathBox()->currentText(), QStringLiteral("/"));
    EXPECT_EQ(m_browser->GetFolder(), QStringLiteral("/"));
    const size_t history = m_browser->GetHistory().size();
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(m_browser->GetHistory().size(), history);

    // A drive root stays where it is.
    m_browser->GetPathBox()->setEditText(QStringLiteral("C:"));
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(m_browser->GetHistory().size(), history);
}

TEST_F(ImageBrowserTest, LateThumbnailsOfThePreviousFolderAreDroppedAndNoEventsArePumped)
{
    Open();
    Go(Path("alpha"));
    Go(m_dir.Path());
    Settle();
    const int tiles = int(Captions().size());
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::red);
    // A record of the folder read before arrives late: no tile for it here.
    m_browser->slotGetThumbnail(ImgInfo{Path("alpha/inner.png"), 32, 4, 4, picture});
    EXPECT_EQ(Captions().size(), tiles);
    EXPECT_EQ(m_browser->ItemForPath(Path("alpha/inner.png")), nullptr);

    // A record of this folder that has no tile (a file that just appeared) gets one, and
    // handling it delivers no other event.
    Counter counter;
    QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
    m_browser->slotGetThumbnail(ImgInfo{Path("new.png"), 32, 4, 4, picture});
    EXPECT_EQ(counter.received, 0);
    ASSERT_NE(Item("new.png"), nullptr);
    EXPECT_EQ(Captions().size(), tiles + 1);
    QCoreApplication::sendPostedEvents(&counter);
    EXPECT_EQ(counter.received, 1);
}

TEST_F(ImageBrowserTest, DeletingTheCurrentImageSelectsItsNeighbour)
{
    Open();
    Go(m_dir.Path());
    Settle();
    Item("a.tif")->SetSelected(true);
    ASSERT_EQ(m_browser->GetThumbnailList()->Current(), Item("a.tif"));
    m_browser->slotItemDeleted(Path("a.tif"));
    EXPECT_EQ(m_browser->GetThumbnailList()->Current(), Item("b.png"));
    EXPECT_EQ(Label("FileName"), QStringLiteral("b.png"));
    m_browser->slotItemDeleted(Path("b.png"));
    EXPECT_EQ(m_browser->GetThumbnailList()->Current(), Item("C.JPG"));
    m_browser->slotItemDeleted(Path("C.JPG"));
    EXPECT_EQ(m_browser->GetThumbnailList()->Current(), nullptr);
    // Folder tiles stay; a path without a tile changes nothing.
    m_browser->slotItemDeleted(Path("nothing.png"));
    EXPECT_EQ(Captions(), (QStringList{"alpha", "zeta"}));
    m_browser->slotItemDeleted(Path("zeta"));
    EXPECT_EQ(Captions(), QStringList{"alpha"});
}

TEST_F(ImageBrowserTest, TheInfoLineShowsSizeDepthAndFileSize)
{
    ASSERT_TRUE(MakeImage(m_dir.File("big.png"), 8, 4));
    QFile big(m_dir.File("big.png"));
    ASSERT_TRUE(big.resize(2000000));
    Open();
    Go(m_dir.Path());
    QSignalSpy loads(m_browser->GetImageWidget(), &ImageWidget::scaled);
    QTest::mouseClick(Item("big.png"), Qt::LeftButton);
    EXPECT_EQ(Label("FileName"), QStringLiteral("big.png"));
    EXPECT_TRUE(Label("Param").startsWith(QStringLiteral("8x4\t"))) << Label("Param").toStdString();
    EXPECT_TRUE(Label("Param").endsWith(QStringLiteral("bit\t  1.91M"))) << Label("Param").toStdString();
    EXPECT_EQ(m_browser->GetZoomBox()->currentText(), QStringLiteral("100.00"));
    EXPECT_EQ(loads.count(), 1);
    // The same tile again does not load the image again.
    QTest::mouseClick(Item("big.png"), Qt::LeftButton);
    EXPECT_EQ(loads.count(), 1);
}

TEST_F(ImageBrowserTest, KeysStepTheZoomBrowseImagesAndToggleChannels)
{
    Open();
    Go(m_dir.Path());
    ComboBoxModify *zoom = m_browser->GetZoomBox();
    ImageWidget *widget = m_browser->GetImageWidget();
    // Space with nothing current shows the first image, then the next ones.
    Key(Qt::Key_Space);
    EXPECT_EQ(m_browser->GetThumbnailList()->Current(), Item("C.JPG"));
    Key(Qt::Key_Space);
    EXPECT_EQ(m_browser->GetThumbnailList()->Current(), Item("a.tif"));
    Key(Qt::Key_Backspace);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(m_browser->GetThumbnailList()->Current(), Item("b.png"));

    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        int index;
        double zoom;
    } steps[] = {{Qt::Key_Equal, Qt::ControlModifier, 3, 2.0},
                 {Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier, 2, 3.0},
                 {Qt::Key_Minus, Qt::ControlModifier, 3, 2.0},
                 {Qt::Key_Minus, Qt::ControlModifier | Qt::KeypadModifier, 4, 1.0}};
    for (const auto &s : steps) {
        Key(s.key, s.modifiers);
        EXPECT_EQ(zoom->currentIndex(), s.index);
        EXPECT_DOUBLE_EQ(widget->GetZoom(), s.zoom);
    }
    zoom->setCurrentIndex(0);
    Key(Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(zoom->currentIndex(), 0);
    zoom->setCurrentIndex(11);
    EXPECT_NEAR(widget->GetZoom(), 0.0833, 1e-9);
    Key(Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(zoom->currentIndex(), 11);

    Key(Qt::Key_1);
    EXPECT_FALSE(widget->Channel(0));
    Key(Qt::Key_1);
    EXPECT_TRUE(widget->Channel(0));
    Key(Qt::Key_Plus);
    EXPECT_FLOAT_EQ(widget->GetImage().GetExposure(), 1.0f);
    EXPECT_TRUE(Label("ExposureInfo").contains(QStringLiteral("1.00")));
    Key(Qt::Key_0);
    EXPECT_FLOAT_EQ(widget->GetImage().GetExposure(), 0.0f);
}

TEST_F(ImageBrowserTest, AltWithTheRightButtonDraggedDownRightZooms)
{
    Open();
    Go(m_dir.Path());
    QTest::mouseClick(Item("a.tif"), Qt::LeftButton);
    ImageWidget *widget = m_browser->GetImageWidget();
    QTest::keyPress(m_browser->GetImageArea()->viewport(), Qt::Key_Alt, Qt::AltModifier);
    const auto move = [widget](QPoint global, Qt::MouseButtons buttons) {
        QMouseEvent event(QEvent::MouseMove, QPointF(5, 5), QPointF(global), Qt::NoButton, buttons, Qt::AltModifier);
        QApplication::sendEvent(widget, &event);
    };
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(100, 100), Qt::RightButton, Qt::RightButton,
                      Qt::AltModifier);
    QApplication::sendEvent(widget, &press);
    move(QPoint(103, 102), Qt::RightButton);
    EXPECT_NEAR(widget->GetZoom(), 1.02, 1e-9);
    move(QPoint(106, 102), Qt::RightButton);
    EXPECT_NEAR(widget->GetZoom(), 1.02, 1e-9);
    move(QPoint(103, 106), Qt::RightButton);
    EXPECT_NEAR(widget->GetZoom(), 1.02, 1e-9);
    move(QPoint(110, 110), Qt::RightButton);
    EXPECT_NEAR(widget->GetZoom(), 1.04, 1e-9);
    move(QPoint(100, 100), Qt::RightButton);
    EXPECT_NEAR(widget->GetZoom(), 1.02, 1e-9);
    QTest::keyRelease(m_browser->GetImageArea()->viewport(), Qt::Key_Alt);
    move(QPoint(120, 120), Qt::RightButton);
    EXPECT_NEAR(widget->GetZoom(), 1.02, 1e-9);

    // At a small zoom the step is smaller.
    m_browser->GetZoomBox()->setCurrentIndex(11);
    QTest::keyPress(m_browser->GetImageArea()->viewport(), Qt::Key_Alt, Qt::AltModifier);
    QApplication::sendEvent(widget, &press);
    move(QPoint(101, 101), Qt::RightButton);
    EXPECT_NEAR(widget->GetZoom(), 0.0833 + 0.011, 1e-9);
    QTest::keyRelease(m_browser->GetImageArea()->viewport(), Qt::Key_Alt);
}

TEST_F(ImageBrowserTest, BookmarksAndTheLastFolderSurviveARun)
{
    const QString f1 = Path("alpha"), f2 = Path("zeta"), f3 = QDir(m_dir.Path()).absolutePath();
    TempDir::Write(m_settings.File("ImageBrowser.txt"),
                   (f3 + "\n" + f1 + "\n/\n" + Path("gone") + "\n" + f2 + "\n").toLocal8Bit());
    Open();
    Filled();
    EXPECT_EQ(m_browser->GetFolder(), f3);
    EXPECT_EQ(Captions().size(), 5);
    // The root stays a bookmark; a missing folder is dropped.
    EXPECT_EQ(m_browser->BookmarkPaths(), (QStringList{f1, "/", f2}));
    EXPECT_TRUE(m_browser->GetRemoveBookmarkAction()->isEnabled());
    m_browser->RemoveBookmarkAction(QStringLiteral("/"));
    m_browser.reset();
    EXPECT_EQ(TempDir::Read(m_settings.File("ImageBrowser.txt")), (f3 + "\n" + f1 + "\n" + f2 + "\n").toLocal8Bit());

    // A file whose first line is empty loads nothing.
    TempDir::Write(m_settings.File("ImageBrowser.txt"), ("\n" + f1 + "\n").toLocal8Bit());
    Open();
    EXPECT_TRUE(m_browser->BookmarkPaths().isEmpty());
    EXPECT_TRUE(m_browser->GetFolder().isEmpty());
}

TEST_F(ImageBrowserTest, ABookmarksFileThatIsNoRegularFileOrTooLargeIsRefusedAndLeftAlone)
{
    const QString file = m_settings.File("ImageBrowser.txt");
    ASSERT_EQ(::mkfifo(QFile::encodeName(file).constData(), 0666), 0);
    Recorder().Clear();
    Open();  // with a FIFO and no writer, an unbounded read would wait here for ever
    EXPECT_TRUE(m_browser->BookmarkPaths().isEmpty());
    ASSERT_EQ(Recorder().boxes.size(), 1);
    EXPECT_TRUE(Recorder().boxes.front().contains(file));
    m_browser.reset();  // the save at close refuses the FIFO
    struct stat info {};
    ASSERT_EQ(::lstat(QFile::encodeName(file).constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));

    QFile::remove(file);
    TempDir::Write(file, (m_dir.Path() + QLatin1Char('\n')).toLocal8Bit());
    ASSERT_EQ(::truncate(QFile::encodeName(file).constData(), 2LL << 30), 0);
    Recorder().Clear();
    Open();
    EXPECT_TRUE(m_browser->GetFolder().isEmpty());
    EXPECT_EQ(Recorder().boxes.size(), 1);
    m_browser.reset();
    EXPECT_EQ(QFileInfo(file).size(), 2LL << 30) << "the empty list shown did not replace the file";
}

TEST_F(ImageBrowserTest, TheThumbnailOfAPictureBombIsRefusedFromItsHeader)
{
    // 5000 x 5000 grey zeros: some 25 kB of PNG that Qt alone would decode whole.
    const QString bomb = Path("bomb.png");
    QImage zeros(5000, 5000, QImage::Format_Grayscale8);
    zeros.fill(0);
    ASSERT_TRUE(zeros.save(bomb, "PNG", 0));
    zeros = QImage();
    ImgInfo record;
    EXPECT_FALSE(Thumbnails::MakeRecord(QFileInfo(bomb), 64, 64, record));
    // A picture within the bound keeps its own size in the record and a thumbnail's in the tile.
    QImage large(3000, 1500, QImage::Format_RGB32);
    large.fill(Qt::red);
    ASSERT_TRUE(large.save(Path("large.png")));
    ASSERT_TRUE(Thumbnails::MakeRecord(QFileInfo(Path("large.png")), 64, 64, record));
    EXPECT_EQ(QSize(record.width, record.height), QSize(3000, 1500));
    EXPECT_EQ(record.thumbnail.size(), QSize(64, 32));
}

TEST_F(ImageBrowserTest, TheThumbnailCacheIsWrittenOnlyOverARegularFile)
{
    const QFileInfo image(Path("b.png"));
    const QString cache = Thumbnails::CacheFilePath(image);
    ASSERT_TRUE(QDir(m_dir.Path()).mkpath(QStringLiteral(".thumbs")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(cache).constData(), 0666), 0);
    QImage thumbnail(4, 4, QImage::Format_RGB32);
    thumbnail.fill(Qt::blue);
    QImage read;
    EXPECT_FALSE(Thumbnails::ReadCache(image, read));
    EXPECT_FALSE(Thumbnails::WriteCache(image, thumbnail));
    struct stat info {};
    ASSERT_EQ(::lstat(QFile::encodeName(cache).constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    QFile::remove(cache);
    {
        const FileSizeLimit full(16);
        EXPECT_FALSE(Thumbnails::WriteCache(image, thumbnail));
    }
    EXPECT_FALSE(QFileInfo::exists(cache));
    EXPECT_TRUE(Thumbnails::WriteCache(image, thumbnail));
    EXPECT_TRUE(Thumbnails::ReadCache(image, read));
}

TEST_F(ImageBrowserTest, TheBookmarksMenuAddsRemovesAndRefusesMissingFolders)
{
    Open();
    QAction *add = m_browser->GetAddBookmarkAction();
    QAction *remove = m_browser->GetRemoveBookmarkAction();
    EXPECT_FALSE(add->isEnabled());
    EXPECT_FALSE(remove->isEnabled());
    Go(Path("alpha"));
    EXPECT_TRUE(add->isEnabled());
    add->trigger();
    add->trigger();
    EXPECT_EQ(m_browser->BookmarkPaths(), QStringList{Path("alpha")});
    EXPECT_TRUE(remove->isEnabled());
    remove->trigger();
    EXPECT_TRUE(m_browser->BookmarkPaths().isEmpty());
    EXPECT_FALSE(remove->isEnabled());

    Recorder().Clear();
    m_browser->AddBookmarkAction(Path("missing"));
    EXPECT_EQ(Recorder().boxes, QStringList{"Warning: Invalid path"});
    EXPECT_TRUE(m_browser->BookmarkPaths().isEmpty());

    // A bookmark whose folder went away meanwhile: a warning, and the folder shown stays.
    QDir(m_dir.Path()).mkdir(QStringLiteral("brief"));
    m_browser->AddBookmarkAction(Path("brief"));
    Go(Path("zeta"));
    QDir(m_dir.Path()).rmdir(QStringLiteral("brief"));
    Recorder().Clear();
    QList<QAction *> actions = m_browser->findChildren<QAction *>();
    for (QAction *action : actions)
        if (action->text() == Path("brief"))
            action->trigger();
    EXPECT_EQ(Recorder().boxes, QStringList{"Warning: Invalid path"});
    EXPECT_EQ(m_browser->GetFolder(), Path("zeta"));
    // A bookmark that exists reads its folder.
    m_browser->AddBookmarkAction(Path("alpha"));
    for (QAction *action : m_browser->findChildren<QAction *>())
        if (action->text() == Path("alpha"))
            action->trigger();
    EXPECT_EQ(m_browser->GetFolder(), Path("alpha"));
}

TEST_F(ImageBrowserTest, TheChosenImageBecomesTheStencilAndTheImagePlane)
{
    QTemporaryDir temp;
    Recorder().tempFolder = temp.path();
    Scene scene;
    scene.CreateDefaultCameras();
    // The open pages of the stencil and the image plane are told.
    struct Pages : InteractionServices {
        void ShowInProperties(const QString &page, Object *) override { shown << page; }
        QStringList shown;
    } pages;
    InteractionServices::Install(&pages);
    Interface controller;
    Open();
    Go(m_dir.Path());
    // Nothing chosen: nothing handed on.
    Recorder().Clear();
    QTest::mouseClick(Button("SetStencil"), Qt::LeftButton);
    EXPECT_FALSE(Recorder().LogContains(QStringLiteral("Stencil set to")));

    QTest::mouseClick(Item("b.png"), Qt::LeftButton);
    QTest::mouseClick(Button("SetStencil"), Qt::LeftButton);
    EXPECT_TRUE(Recorder().LogContains(QStringLiteral("Stencil set to ") + Path("b.png")));
    EXPECT_TRUE(controller.m_cStencil.m_bState);
    QTest::mouseClick(Button("SetPlane"), Qt::LeftButton);
    EXPECT_TRUE(Recorder().LogContains(QStringLiteral("Image plane set to ") + Path("b.png")));
    EXPECT_EQ(pages.shown, QStringList({"Stencil", "ImagePlane"}));
    EXPECT_EQ(scene.m_pActiveCamera->m_cImagePlane.m_sFileName, Path("b.png"));
    m_browser.reset();
    InteractionServices::Install(nullptr);
    Recorder().tempFolder.clear();
}

// Answers the folder question with a fixed folder.
class FolderAnswer : public GUI::ModalDialogs {
public:
    QString GetExistingDirectory(QWidget *, const QString &caption, const QString &start) override
    {
        asked << caption;
        return answer;
    }
    QString answer;
    QStringList asked;
};

TEST_F(ImageBrowserTest, TheBookmarksButtonShowsItsWholeTextInAWindowOfItsOwn)
{
    // The browser's window from the Windows menu, made as narrow as a person can make it.
    GUI::ImageBrowserDialog window(nullptr, "Image Browser");
    window.show();
    window.resize(400, 300);
    QApplication::processEvents();
    const auto *button = window.findChild<QPushButton *>(QStringLiteral("BookmarksButton"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QStringLiteral("Bookmarks"));
    EXPECT_GE(button->width(), std::min(button->sizeHint().width(), 150));
    EXPECT_LE(button->width(), 150);
}

TEST_F(ImageBrowserTest, TheToolRowOpensFoldersFitsRotatesAndMovesTheInfoLine)
{
    FolderAnswer folders;
    folders.answer = Path("alpha");
    GUI::ModalDialogs::Install(&folders);
    Open();
    QTest::mouseClick(Button("OpenDirectory"), Qt::LeftButton);
    GUI::ModalDialogs::Install(nullptr);
    Filled();
    EXPECT_EQ(folders.asked, QStringList{"Select a directory"});
    EXPECT_EQ(m_browser->GetFolder(), Path("alpha"));
    EXPECT_EQ(Captions(), QStringList{"inner.png"});

    Go(m_dir.Path());
    QTest::mouseClick(Item("a.tif"), Qt::LeftButton);
    ImageWidget *widget = m_browser->GetImageWidget();
    QTest::mouseClick(Button("RotateLeft"), Qt::LeftButton);
    EXPECT_EQ(widget->GetRotation(), 270);
    QTest::mouseClick(Button("RotateRight"), Qt::LeftButton);
    EXPECT_EQ(widget->GetRotation(), 0);
    QTest::mouseClick(Button("ScaleToFit"), Qt::LeftButton);
    const QSize view = m_browser->GetImageArea()->viewport()->size();
    EXPECT_DOUBLE_EQ(widget->GetZoom(), ImageWidget::FitScale(16, 16, 0, view.width(), view.height()));
    EXPECT_EQ(m_browser->GetZoomBox()->currentText(), Browser::ZoomText(widget->GetZoom()));
    // Choosing a zoom leaves fit mode.
    m_browser->GetZoomBox()->setCurrentIndex(6);
    EXPECT_FALSE(Button("ScaleToFit")->isChecked());
    EXPECT_DOUBLE_EQ(widget->GetZoom(), 0.5);

    QTest::mouseClick(Button("HideShow"), Qt::LeftButton);
    EXPECT_FALSE(m_browser->GetThumbnailList()->isVisible());
    QTest::mouseClick(Button("HideShow"), Qt::LeftButton);
    EXPECT_TRUE(m_browser->GetThumbnailList()->isVisible());
    auto *top = m_browser->findChild<QFrame *>(QStringLiteral("InfoFrame"))->parentWidget();
    const int above = top->y();
    QTest::mouseClick(Button("UpDown"), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_GT(top->y(), above);
    QTest::mouseClick(Button("UpDown"), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(top->y(), above);
}

TEST(ImageBrowserDialog, TheRegistryMakesThePanelByItsClassName)
{
    ASSERT_NE(guitest::Application(), nullptr);
    GUI::DialogFactory::Clear();
    GUI::ImageBrowserDialog::Register();
    EXPECT_EQ(GUI::DialogFactory::GetTitle(0), QStringLiteral("Image Browser"));
    std::unique_ptr<QWidget> panel(GUI::DialogFactory::CreateByName(QStringLiteral("ImageBrowserDialog"), nullptr, "p"));
    auto *dialog = qobject_cast<GUI::ImageBrowserDialog *>(panel.get());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GUI::ImageBrowserDialog::First(), dialog);
    EXPECT_EQ(dialog->GetBrowser()->objectName(), QStringLiteral("ImageBrowser"));
    panel.reset();
    EXPECT_EQ(GUI::ImageBrowserDialog::First(), nullptr);
    GUI::DialogFactory::Clear();
}

}  // namespace
