#include "app/dialogs/MapperDlg.h"

#include <QLabel>
#include <QVBoxLayout>

namespace GUI {

MapperDlg::MapperDlg(QWidget *parent) : Dialog(parent, "MapperDlg")
{
    setWindowTitle(tr("Texture Baking"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Texture Baking"), this));
}

}  // namespace GUI
