// The folder scanner and its thumbnail cache on a temporary folder of real image files.

#include "BrowserFixtures.h"
#include "GuiApplication.h"

#include "browser/scanner/ImgDirThread.h"
#include "browser/scanner/ThumbnailCache.h"
#include "support/TempDir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QThread>

#include <gtest/gtest.h>

#include <random>

using browsertest::MakeImage;
using browsertest::WaitFor;

namespace {

// Receives what the scanner reports: posted records through the event loop, signals
// directly on the scanner thread.
class Owner : public QObject {
public:
    void customEvent(QEvent *event) override
    {
        if (event->type() == ImgThreadAppendThumbnailEvent::kType)
            posted.push_back(static_cast<ImgThreadAppendThumbnailEvent *>(event)->Info());
    }
    void Listen(ImgDirThread &scanner)
    {
        QObject::connect(
            &scanner, qOverload<const ImgInfo &>(&ImgDirThread::itemAdded), &scanner,
            [this](const ImgInfo &info) { Note(added, info.path, info.width); }, Qt::DirectConnection);
        QObject::connect(
            &scanner, qOverload<const QString &>(&ImgDirThread::itemAdded), &scanner,
            [this](const QString &path) { Note(folders, path); }, Qt::DirectConnection);
        QObject::connect(
            &scanner, &ImgDirThread::itemChanged, &scanner,
            [this](const ImgInfo &info) { Note(changed, info.path, info.width); }, Qt::DirectConnection);
        QObject::connect(
            &scanner, &ImgDirThread::itemDeleted, &scanner, [this](const QString &path) { Note(deleted, path); },
            Qt::DirectConnection);
    }
    QStringList Copy(const QStringList &list)
    {
        QMutexLocker lock(&mutex);
        return list;
    }

    std::vector<ImgInfo> posted;
    QMutex mutex;
    QStringList added, folders, changed, deleted;

private:
    void Note(QStringList &list, const QString &path, int width = -1)
    {
        QMutexLocker lock(&mutex);
        list << path;
        if (width >= 0)
            widths[path] = width;
    }

public:
    int Width(const QString &path)
    {
        QMutexLocker lock(&mutex);
        return widths.value(path);
    }
    QHash<QString, int> widths;
};

QDir ImageFolder(const QString &path)
{
    QDir folder(path, QString(), QDir::Name, QDir::Dirs | QDir::Files | QDir::NoSymLinks);
    folder.setNameFilters({QStringLiteral("*.tiff"), QStringLiteral("*.tif"), QStringLiteral("*.bmp"),
                           QStringLiteral("*.png"), QStringLiteral("*.jpeg"), QStringLiteral("*.jpg")});
    return folder;
}

class ScannerTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(guitest::Application(), nullptr); }
    // Scans the folder once and waits until the full scan has turned into watching.
    void Scan(ImgDirThread &scanner, bool makeCache = true)
    {
        m_owner.posted.clear();
        scanner.StartScan(ImageFolder(m_dir.Path()), 100, 100, makeCache);
        ASSERT_TRUE(WaitFor([&] { return scanner.GetCommand() == ImgDirThread::Watch; }));
        QCoreApplication::sendPostedEvents(&m_owner);
    }
    const ImgInfo *Posted(const char *name) const
    {
        for (const ImgInfo &info : m_owner.posted)
            if (QFileInfo(info.path).fileName() == QLatin1String(name))
                return &info;
        return nullptr;
    }

    TempDir m_dir;
    Owner m_owner;
};

TEST_F(ScannerTest, ASecondVisitTakesTheThumbnailsFromTheCache)
{
    ASSERT_TRUE(MakeImage(m_dir.File("a.tif"), 300, 150, QColor(255, 0, 0)));
    ASSERT_TRUE(MakeImage(m_dir.File("a.bmp"), 40, 80, QColor(0, 0, 255)));
    ASSERT_TRUE(MakeImage(m_dir.File("Upper.PNG"), 20, 20));
    TempDir::Write(m_dir.File("broken.jpg"), "not an image");
    TempDir::Write(m_dir.File("notes.txt"), "not listed");
    QDir(m_dir.Path()).mkdir(QStringLiteral("sub"));

    ImgDirThread scanner(&m_owner);
    scanner.start();
    Scan(scanner);
    // Unreadable images and other files give no record; extensions match whatever their case.
    ASSERT_EQ(m_owner.posted.size(), 3u);
    const ImgInfo *tif = Posted("a.tif");
    const ImgInfo *bmp = Posted("a.bmp");
    ASSERT_TRUE(tif && bmp && Posted("Upper.PNG"));
    EXPECT_EQ(tif->path, QFileInfo(m_dir.File("a.tif")).absoluteFilePath());
    EXPECT_EQ(tif->width, 300);
    EXPECT_EQ(tif->height, 150);
    EXPECT_GT(tif->depth, 0);
    EXPECT_EQ(tif->thumbnail.size(), QSize(100, 50));
    EXPECT_EQ(bmp->thumbnail.size(), QSize(40, 80));
    // The two images of one base name keep their own cache files.
    EXPECT_TRUE(QFileInfo::exists(m_dir.Path() + "/.thumbs/a.tif.png"));
    EXPECT_TRUE(QFileInfo::exists(m_dir.Path() + "/.thumbs/a.bmp.png"));

    Scan(scanner);
    ASSERT_EQ(m_owner.posted.size(), 3u);
    tif = Posted("a.tif");
    bmp = Posted("a.bmp");
    ASSERT_TRUE(tif && bmp);
    EXPECT_EQ(tif->depth, 0);
    EXPECT_EQ(tif->width, 0);
    EXPECT_EQ(tif->height, 0);
    EXPECT_EQ(tif->thumbnail.pixelColor(10, 10), QColor(255, 0, 0));
    EXPECT_EQ(bmp->thumbnail.pixelColor(10, 10), QColor(0, 0, 255));
    scanner.Stop();
}

TEST_F(ScannerTest, AStaleCacheFileIsMadeAgainAndWithoutTheFlagNothingIsCached)
{
    ASSERT_TRUE(MakeImage(m_dir.File("a.png"), 50, 50, QColor(255, 0, 0)));
    ImgDirThread scanner(&m_owner);
    scanner.start();
    Scan(scanner);
    // The image changes behind the cache's back (another size, another colour).
    ASSERT_TRUE(MakeImage(m_dir.File("a.png"), 60, 30, QColor(0, 255, 0)));
    scanner.AbortPass();
    Scan(scanner);
    const ImgInfo *a = Posted("a.png");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->width, 60);
    EXPECT_EQ(a->thumbnail.pixelColor(5, 5), QColor(0, 255, 0));
    QImage cached;
    EXPECT_TRUE(Thumbnails::ReadCache(QFileInfo(m_dir.File("a.png")), cached));
    EXPECT_EQ(cached.size(), QSize(60, 30));

    ASSERT_TRUE(MakeImage(m_dir.File("b.png"), 10, 10));
    Scan(scanner, false);
    EXPECT_FALSE(QFileInfo::exists(m_dir.Path() + "/.thumbs/b.png.png"));
    scanner.Stop();
}

TEST_F(ScannerTest, AWatchedFolderReportsCopiesOnceStableChangesDeletionsAndFolders)
{
    ASSERT_TRUE(MakeImage(m_dir.File("keep.png"), 16, 16));
    ASSERT_TRUE(MakeImage(m_dir.File("gone.png"), 16, 16));
    TempDir source;
    ASSERT_TRUE(MakeImage(source.File("copy.png"), 64, 64));
    const QByteArray bytes = TempDir::Read(source.File("copy.png"));

    ImgDirThread scanner(&m_owner);
    m_owner.Listen(scanner);
    scanner.start();
    Scan(scanner);

    // A copy that grows for a while is reported once, whole, after its size holds still (a
    // part that happened to sit still long enough does not decode and is reported by
    // nothing; the whole file then counts as a change).
    QFile copy(m_dir.File("copy.png"));
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
    const qsizetype chunk = bytes.size() / 8 + 1;
    for (qsizetype at = 0; at < bytes.size(); at += chunk) {
        copy.write(bytes.mid(at, chunk));
        copy.flush();
        QThread::msleep(15);
    }
    copy.close();
    const QString copied = QFileInfo(m_dir.File("copy.png")).absoluteFilePath();
    const auto reported = [&] { return m_owner.Copy(m_owner.added) + m_owner.Copy(m_owner.changed); };
    ASSERT_TRUE(WaitFor([&] { return reported().contains(copied); }));
    EXPECT_EQ(reported(), QStringList{copied});
    EXPECT_EQ(m_owner.Width(copied), 64);

    QFile::remove(m_dir.File("gone.png"));
    const QString gone = QFileInfo(m_dir.File("gone.png")).absoluteFilePath();
    ASSERT_TRUE(WaitFor([&] { return !m_owner.Copy(m_owner.deleted).isEmpty(); }));

    QDir(m_dir.Path()).mkdir(QStringLiteral("new folder"));
    ASSERT_TRUE(WaitFor([&] { return !m_owner.Copy(m_owner.folders).isEmpty(); }));
    EXPECT_EQ(m_owner.Copy(m_owner.folders), QStringList{m_dir.Path() + "/new folder"});

    // A file written again with another size is reported as changed.
    QThread::msleep(20);
    ASSERT_TRUE(MakeImage(m_dir.File("keep.png"), 32, 8));
    const QString kept = QFileInfo(m_dir.File("keep.png")).absoluteFilePath();
    ASSERT_TRUE(WaitFor([&] { return m_owner.Copy(m_owner.changed).contains(kept); }));

    // Some more passes: every report came exactly once.
    QThread::msleep(100);
    scanner.Stop();
    EXPECT_EQ(m_owner.deleted, QStringList{gone});
    EXPECT_EQ(m_owner.added.count(copied) + m_owner.changed.count(copied), 1);
    EXPECT_EQ(m_owner.changed.count(kept), 1);
    EXPECT_EQ(m_owner.widths.value(kept), 32);
    EXPECT_EQ(m_owner.folders.size(), 1);
}

// Entries that did not change cost no settle wait: a pass over sixty of them is short, so a
// new file is reported long before a wait per entry (1.8 seconds a pass) would allow.
TEST_F(ScannerTest, UnchangedEntriesCostNoWaitInAWatchPass)
{
    ASSERT_TRUE(MakeImage(m_dir.File("e000.png"), 8, 8));
    for (int i = 1; i < 60; ++i)
        ASSERT_TRUE(QFile::copy(m_dir.File("e000.png"),
                                m_dir.File(qPrintable(QStringLiteral("e%1.png").arg(i, 3, 10, QLatin1Char('0'))))));
    ImgDirThread scanner(&m_owner);
    m_owner.Listen(scanner);
    scanner.start();
    Scan(scanner);
    QThread::msleep(50);
    ASSERT_TRUE(QFile::copy(m_dir.File("e000.png"), m_dir.File("new.png")));
    const QString added = QFileInfo(m_dir.File("new.png")).absoluteFilePath();
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(WaitFor([&] { return m_owner.Copy(m_owner.added).contains(added); }, 10000));
    EXPECT_LT(clock.elapsed(), 1500);
    scanner.Stop();
}

TEST_F(ScannerTest, StopDuringAFullScanEndsAfterTheEntryBeingDecoded)
{
    // Images large enough that each one takes a while to decode.
    ASSERT_TRUE(MakeImage(m_dir.File("big00.png"), 1500, 1500, QColor(10, 100, 50)));
    for (int i = 1; i < 16; ++i)
        ASSERT_TRUE(QFile::copy(m_dir.File("big00.png"),
                                m_dir.File(qPrintable(QStringLiteral("big%1.png").arg(i, 2, 10, QLatin1Char('0'))))));
    ImgDirThread scanner(&m_owner);
    scanner.start();
    scanner.StartScan(ImageFolder(m_dir.Path()), 100, 100, true);
    const QDir thumbs(m_dir.Path() + "/.thumbs", QStringLiteral("*.png"));
    ASSERT_TRUE(WaitFor([&] { return thumbs.entryList(QDir::Files).size() >= 2; }));
    const qsizetype before = thumbs.entryList(QDir::Files).size();
    scanner.Stop();
    EXPECT_TRUE(scanner.isFinished());
    // At most the entry being decoded when the stop came (and one that the count missed).
    EXPECT_LE(thumbs.entryList(QDir::Files).size(), before + 2);
    EXPECT_LT(thumbs.entryList(QDir::Files).size(), 16);
}

// The abort that meets the end of a full scan: the command is 0 when AbortPass returns
// and stays 0; a thousand starts and stops, timed around the end of scans, all end.
TEST_F(ScannerTest, StartsAbortsAndStopsTimedToEndScansAlwaysComplete)
{
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(MakeImage(m_dir.File(qPrintable(QStringLiteral("s%1.png").arg(i))), 8, 8));
    {
        ImgDirThread warm(&m_owner);
        warm.start();
        Scan(warm);
    }
    // How long one full scan of the cached folder takes here.
    ImgDirThread scanner(&m_owner);
    scanner.start();
    Scan(scanner);
    QElapsedTimer clock;
    clock.start();
    scanner.StartScan(ImageFolder(m_dir.Path()), 100, 100, true);
    while (scanner.GetCommand() != ImgDirThread::Watch)
        QThread::usleep(20);
    const qint64 scanUs = std::clamp<qint64>(clock.nsecsElapsed() / 1000, 100, 2000);

    // Delays from nothing to twice a scan, so aborts and stops meet scans at every stage.
    std::mt19937 random(7);
    std::uniform_int_distribution<qint64> delay(0, 2 * scanUs);
    for (int cycle = 0; cycle < 500; ++cycle) {
        scanner.StartScan(ImageFolder(m_dir.Path()), 100, 100, true);
        QThread::usleep(unsigned(delay(random)));
        scanner.AbortPass();
        ASSERT_EQ(scanner.GetCommand(), ImgDirThread::Idle) << cycle;
    }
    QThread::msleep(20);
    EXPECT_EQ(scanner.GetCommand(), ImgDirThread::Idle);
    scanner.Stop();

    for (int cycle = 0; cycle < 500; ++cycle) {
        ImgDirThread brief(&m_owner);
        brief.start();
        brief.StartScan(ImageFolder(m_dir.Path()), 100, 100, true);
        QThread::usleep(unsigned(delay(random)));
        if (cycle % 2)
            brief.AbortPass();
        brief.Stop();
        ASSERT_TRUE(brief.isFinished()) << cycle;
    }
    QCoreApplication::removePostedEvents(&m_owner);
}

}  // namespace
