// The image browser on a folder of 5,000 small images. With cached thumbnails: the time
// until the first screen of tiles shows its thumbnails and until all have them, against the
// peer, a plain loop that reads the same cache files with QImage on one thread. Without a
// cache: the longest single pass of the GUI thread's event loop while the scanner makes the
// thumbnails ("gui_wait_ms"), against the peer, decoding and scaling the same images in a
// plain loop. Needs the offscreen platform (set here).

#include "browser/ComboBoxModify.h"
#include "browser/ImageBrowser.h"
#include "browser/scanner/ImgDirThread.h"
#include "browser/scanner/ThumbnailCache.h"
#include "browser/thumbnails/ThumbnailItem.h"
#include "browser/thumbnails/ThumbnailList.h"
#include "foundation/Globals.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

namespace {

constexpr int kImages = 5000;

// One folder of small images for the whole run, its thumbnails cached by a first visit.
const QString &Folder()
{
    static QTemporaryDir dir;
    static bool made = false;
    if (!made) {
        made = true;
        for (int i = 0; i < kImages; ++i) {
            QImage image(64, 48, QImage::Format_RGB32);
            image.fill(QColor::fromHsv(i % 360, 200, 200));
            image.save(dir.filePath(QStringLiteral("img%1.png").arg(i, 5, 10, QLatin1Char('0'))));
        }
    }
    static const QString path = dir.path();
    return path;
}

void Cache()
{
    for (const QFileInfo &file : QDir(Folder(), QStringLiteral("*.png")).entryInfoList(QDir::Files)) {
        ImgInfo record;
        if (Thumbnails::MakeRecord(file, 100, 100, record))
            Thumbnails::WriteCache(file, record.thumbnail);
    }
}

bool HasThumbnail(const ThumbnailItem *item) { return !item->pixmap().isNull(); }

// Tiles inside the list's view, as a person would see them.
bool FirstScreenShown(const ThumbnailList &list)
{
    bool any = false;
    for (ThumbnailItem *item = list.First(ThumbnailList::Any); item; item = list.Next(item, ThumbnailList::Any)) {
        const QRect r(item->mapTo(list.viewport(), QPoint(0, 0)), item->size());
        if (!r.intersects(list.viewport()->rect()))
            break;
        any = true;
        if (!HasThumbnail(item))
            return false;
    }
    return any;
}

bool AllShown(const ThumbnailList &list)
{
    for (ThumbnailItem *item = list.First(ThumbnailList::Any); item; item = list.Next(item, ThumbnailList::Any))
        if (!HasThumbnail(item))
            return false;
    return true;
}

// Reads the folder in a fresh browser and runs the event loop until every tile has its
// thumbnail; the longest single pass of the loop goes to `longestPass`.
void Browse(bool makeCache, double &open, double &firstScreen, double &all, double &longestPass)
{
    ImageBrowser browser(makeCache, nullptr, 0, QColor(131, 163, 176));
    browser.resize(1280, 900);
    browser.show();
    QApplication::processEvents();
    QElapsedTimer clock;
    clock.start();
    browser.GetPathBox()->insertItem(0, Folder());
    browser.GetPathBox()->setCurrentIndex(0);
    // Reading the folder makes every tile at once, before the loop runs again.
    open = clock.nsecsElapsed() / 1e9;
    firstScreen = -1;
    longestPass = 0;
    const ThumbnailList &list = *browser.GetThumbnailList();
    while (browser.IsFilling() || list.Count() < kImages || !AllShown(list)) {
        QElapsedTimer pass;
        pass.start();
        QApplication::processEvents();
        longestPass = std::max(longestPass, pass.nsecsElapsed() / 1e6);
        if (firstScreen < 0 && FirstScreenShown(list))
            firstScreen = clock.nsecsElapsed() / 1e9;
        if (clock.elapsed() > 600000)
            break;
    }
    all = clock.nsecsElapsed() / 1e9;
}

void BM_OursOpenCachedFolder(benchmark::State &state)
{
    Folder();
    Cache();
    double open = 0, first = 0, all = 0, longest = 0, worstPass = 0;
    for (auto _ : state) {
        Browse(true, open, first, all, longest);
        worstPass = std::max(worstPass, longest);
        state.SetIterationTime(first);
    }
    state.counters["open_s"] = open;
    state.counters["first_screen_s"] = first;
    state.counters["all_s"] = all;
    state.counters["gui_wait_ms"] = worstPass;
}
BENCHMARK(BM_OursOpenCachedFolder)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_PeerReadCacheFiles(benchmark::State &state)
{
    Folder();
    Cache();
    const QFileInfoList files = QDir(Folder(), QStringLiteral("*.png")).entryInfoList(QDir::Files);
    for (auto _ : state) {
        int read = 0;
        for (const QFileInfo &file : files) {
            QImage image;
            read += image.load(Thumbnails::CacheFilePath(file), "PNG");
        }
        benchmark::DoNotOptimize(read);
    }
}
BENCHMARK(BM_PeerReadCacheFiles)->Iterations(3)->Unit(benchmark::kMillisecond);

// Without the cache flag nothing is cached, so every visit makes every thumbnail.
void BM_OursMakeThumbnailsGuiWait(benchmark::State &state)
{
    Folder();
    QDir(Folder() + QStringLiteral("/.thumbs")).removeRecursively();
    double open = 0, first = 0, all = 0, longest = 0, worstPass = 0;
    for (auto _ : state) {
        Browse(false, open, first, all, longest);
        worstPass = std::max(worstPass, longest);
        state.SetIterationTime(all);
    }
    state.counters["open_s"] = open;
    state.counters["first_screen_s"] = first;
    state.counters["gui_wait_ms"] = worstPass;
}
BENCHMARK(BM_OursMakeThumbnailsGuiWait)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

void BM_PeerDecodeAndScale(benchmark::State &state)
{
    const QFileInfoList files = QDir(Folder(), QStringLiteral("*.png")).entryInfoList(QDir::Files);
    for (auto _ : state) {
        int made = 0;
        for (const QFileInfo &file : files) {
            ImgInfo record;
            made += Thumbnails::MakeRecord(file, 100, 100, record);
        }
        benchmark::DoNotOptimize(made);
    }
}
BENCHMARK(BM_PeerDecodeAndScale)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    General::InitializeGlobals();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
