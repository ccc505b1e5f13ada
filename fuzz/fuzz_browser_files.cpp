// The image browser's two readers: the bookmarks file and a thumbnail cache file (a PNG
// whose text chunks name the image it was made from).
#include "FuzzFile.h"

#include "browser/BrowserText.h"
#include "browser/scanner/ThumbnailCache.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    if (data[0] & 1) {
        const Browser::Bookmarks read = Browser::ParseBookmarks(bytes);
        if (read.last.isEmpty() && !read.folders.isEmpty())
            __builtin_trap();
        return 0;
    }
    FuzzFile image(data, 0, "x.png");
    QDir(QFileInfo(image.Path()).absolutePath()).mkdir(QStringLiteral(".thumbs"));
    QFile cache(Thumbnails::CacheFilePath(QFileInfo(image.Path())));
    if (cache.open(QIODevice::WriteOnly)) {
        cache.write(bytes);
        cache.close();
    }
    QImage thumbnail;
    Thumbnails::ReadCache(QFileInfo(image.Path()), thumbnail);
    return 0;
}
