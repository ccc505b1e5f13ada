#include "gui/panels/FloatingPanel.h"

#include "gui/panels/ScrollWrap.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

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
    // Without a horizontal scroll bar a page narrower than its own least width is cut: the
    // window is never narrower than the page needs beside the vertical scroll bar.
    const int least = panel ? std::max(panel->minimumWidth(), panel->minimumSizeHint().width()) +
                                  area->verticalScrollBar()->sizeHint().width() + 2 * area->frameWidth()
                            : 0;
    setMinimumWidth(least);
    resize(std::max(300, least), panel ? panel->sizeHint().height() : 300);
    setModal(modal);
    show();
}

}  // namespace GUI
