#include "gui/panels/TabPanel.h"

#include "gui/dialogs/DialogFactory.h"

namespace GUI {

TabPanel::TabPanel(QWidget *parent, const char *name) : QTabWidget(parent)
{
    setObjectName(QString::fromLatin1(name));
}

QWidget *TabPanel::AddDialog(const QString &className, const QString &title)
{
    QWidget *window = DialogFactory::CreateByName(className, this, className.toLatin1().constData());
    if (window)
        addTab(window, title);
    return window;
}

}  // namespace GUI
