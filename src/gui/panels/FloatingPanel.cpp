#include "gui/panels/FloatingPanel.h"

#include "gui/panels/ScrollWrap.h"

#include <QScrollArea>
#include <QVBoxLayout>

namespace GUI {

FloatingPanel::FloatingPanel(QWidget *parent, QWidget *panel, const QString &caption, bool modal)
    : QDialog(parent), m_pPanel(panel)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    setWindowTitle(caption);
    QScrollArea *area = WrapInScrollArea(panel, palette().color(QPalette::Window));
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(area);
    resize(300, panel ? panel->sizeHint().height() : 300);
    setModal(modal);
    show();
}

}  // namespace GUI
