#pragma once
// The thumbnail cache: a hidden ".thumbs" folder beside the images holding one PNG per image
// file, named after the whole file name ("a.tif" -> "a.tif.png", so "a.bmp" has a file of
// its own). Each cache file records the size and modification time of the image it was made
// from; a cache file whose record no longer matches the image is stale and not used. The
// scanner and the browser's own thumbnail refresh both go through these functions.

#include "browser/scanner/ImgInfo.h"

class QFileInfo;

namespace Thumbnails {

// "<folder>/.thumbs/<file name>.png".
QString CacheFilePath(const QFileInfo &file);
// The cached thumbnail of `file` when one exists, loads, and was made from the file as it
// is now (size and modification time); else false.
bool ReadCache(const QFileInfo &file, QImage &thumbnail);
// Creates ".thumbs" when missing and writes the thumbnail whole or not at all, stamped with
// the file's size and time. False when it could not (nothing is reported).
bool WriteCache(const QFileInfo &file, const QImage &thumbnail);
// `image` scaled to fit width x height keeping its aspect (fast transformation) when it is
// larger in either direction and both sizes are at least 1; else the image itself.
QImage FitThumbnail(const QImage &image, int width, int height);
// A record made by loading the image file (the platform loader, else the program's own
// image class): absolute path, depth, size and a thumbnail within width x height. False
// when nothing could read it.
bool MakeRecord(const QFileInfo &file, int width, int height, ImgInfo &record);

}  // namespace Thumbnails
