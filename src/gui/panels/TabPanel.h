#pragma once
// The tab widget that holds the program's views and docked tool windows: the main
// window's centre ("3D View" and the image browser) and each dock frame's pages.

#include <QTabWidget>

namespace GUI {

class TabPanel : public QTabWidget {
    Q_OBJECT

public:
    // `name` becomes the Qt object name.
    TabPanel(QWidget *parent, const char *name);

    // Adds a new window of the registered class as a tab titled `title`; the window, or
    // null when no class of that name is registered.
    QWidget *AddDialog(const QString &className, const QString &title);
};

}  // namespace GUI
