#pragma once
// The image-file question that the stamp, stencil and image plane panels share.

#include <QString>

class QWidget;

namespace GUI {

// "All Formats" first, then each format alone.
QString ImageFileFilter();

// Asks for an image starting in `folder`; on a choice `folder` becomes the file's folder.
// Empty (and `folder` untouched) when the user cancelled.
QString ChooseImageFile(QWidget *parent, QString &folder);

}  // namespace GUI
