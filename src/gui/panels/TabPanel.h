#pragma once
// The tab widget that holds the program's views and docked tool windows: the main
// window's centre ("3D View" and the image browser) and each dock frame's pages. A page
// moves to another panel by dragging its tab with the middle button; the context menu
// adds pages ("New Tab") and closes, renames or floats the current one.

#include <QTabWidget>

class QMenu;

namespace GUI {

class Frame;
class TabBar;

class TabPanel : public QTabWidget {
    Q_OBJECT

public:
    // `name` becomes the Qt object name; `frame` is the dock frame holding the panel (none
    // for the main window's centre).
    TabPanel(QWidget *parent, const char *name, Frame *frame = nullptr);

    Frame *GetFrame() const { return m_pFrame; }
    // Whether the context menu offers Close Tab, Rename Tab and Chip Off Tab (on by default).
    bool HasTabCommands() const { return m_bTabCommands; }
    void SetTabCommands(bool on) { m_bTabCommands = on; }

    // Appends `widget`, wrapped in a scroll area, as a page titled `title`; the page.
    QWidget *AddTab(QWidget *widget, const QString &title);
    // Adds a new window of the registered class as the last page, titled `title`, and
    // makes it current; the window, or null when no class of that name is registered. A
    // tray named like a live tray brings that one forward instead; a second "Custom" gets
    // a free name.
    QWidget *AddDialog(const QString &className, const QString &title);

    // The context menu as it stands now (the caller owns it).
    QMenu *CreateContextMenu(QWidget *parent);
    // Whether the current page hosts a tray (Rename Tab is offered for trays only).
    bool CurrentIsTray() const;

public slots:
    void receivedDropEvent(int index, QDropEvent *event);
    // The 3D view page is refused with a message.
    void CloseTab();
    void NewTab();
    // Tray pages only: the tray, its file and its tab take the name the user gives.
    void RenameTab();
    // Floats the current page's window as a window of its own; not the 3D view.
    void ChipOffTab();
    void ChipOffFrame();
    void CloseFrame();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Whether the dragged page may come into this panel (never a page holding it).
    bool TakesPage(const QDropEvent &event) const;

    Frame *m_pFrame;
    TabBar *m_pBar;
    bool m_bTabCommands = true;
};

}  // namespace GUI
