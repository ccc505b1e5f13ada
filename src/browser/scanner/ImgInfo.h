#pragma once
// One thumbnail record: the image file's path, what loading it found (all 0 when the
// thumbnail came from the cache) and the thumbnail. A plain value: it crosses from the
// scanner thread to the GUI thread by copy, so no record is ever left without an owner.

#include <QImage>
#include <QMetaType>
#include <QString>

struct ImgInfo {
    QString path;
    int depth = 0;
    int width = 0;
    int height = 0;
    QImage thumbnail;
};

Q_DECLARE_METATYPE(ImgInfo)
