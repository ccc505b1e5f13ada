#pragma once
// The tab bar of a tab panel: it takes dropped pages onto its tabs and leaves middle
// presses to its panel, which starts the drag of a page.

#include <QTabBar>

namespace GUI {

// The MIME type of a dragged page: its label, one QString written with QDataStream; the
// page itself is the drag's source.
inline QString TabMimeType() { return QStringLiteral("application/x-dragtabwidget"); }

// Whether the drag carries a page of this program.
bool CarriesTab(const class QDropEvent &event);

class TabBar : public QTabBar {
    Q_OBJECT

public:
    explicit TabBar(QWidget *parent);

signals:
    // A page was dropped onto the tab at `index`.
    void receivedDropEvent(int index, QDropEvent *event);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};

}  // namespace GUI
