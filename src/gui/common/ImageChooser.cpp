#include "gui/common/ImageChooser.h"

#include "gui/common/ModalDialogs.h"

#include <QApplication>
#include <QFileInfo>

namespace GUI {

QString ImageFileFilter()
{
    return QStringLiteral("All Formats (*.bmp *.png *.jpg *.tif);;Windows Bitmap (*.bmp);;Portable Network Graphics "
                          "(*.png);;JPEG (*.jpg);;TIFF (*.tif)");
}

QString ChooseImageFile(QWidget *parent, QString &folder)
{
    const QString file =
        Modals().GetOpenFileName(parent, QApplication::tr("Choose an image file"), folder, ImageFileFilter());
    if (!file.isEmpty())
        folder = QFileInfo(file).path();
    return file;
}

}  // namespace GUI
