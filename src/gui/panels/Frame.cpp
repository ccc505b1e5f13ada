#include "gui/panels/Frame.h"

#include "gui/panels/TabPanel.h"

namespace GUI {

Frame::Frame(QWidget *parent, const QString &name, const QString &caption) : QDockWidget(caption, parent)
{
    setObjectName(name);
    m_pPanel = new TabPanel(this, "tab", this);
    setWidget(m_pPanel);
    setMinimumSize(20, 20);
    PlaceChanged(false);
    connect(this, &QDockWidget::topLevelChanged, this, &Frame::PlaceChanged);
}

QWidget *Frame::AddTab(QWidget *widget, const QString &title) { return m_pPanel->AddTab(widget, title); }

void Frame::PlaceChanged(bool floating)
{
    // Docked: only floating is offered (Chip Off Frame); floating: moved and closed too.
    setFeatures(floating ? DockWidgetFloatable | DockWidgetMovable | DockWidgetClosable : DockWidgetFloatable);
}

}  // namespace GUI
