#pragma once
// A tree whose rows the user rearranges by dragging one row at a time with the middle
// button: a drop above or below a row puts the dragged row beside it, a drop onto a row
// makes it that row's last child. The drop line shows where the row will go. The drag
// carries the row's id, which means something only inside this tree.

#include <QColor>
#include <QTreeWidget>

namespace GUI {

class QTvTreeWidget : public QTreeWidget {
    Q_OBJECT

public:
    static constexpr const char *kMimeType = "application/x-treewidgetitem";
    enum DropPosition { kNone = 0, kAbove = 1, kBelow = 2, kOnto = 3 };

    explicit QTvTreeWidget(QWidget *parent);

    QTreeWidgetItem *GetDropTarget() const { return m_pDropTarget; }
    int GetDropPosition() const { return m_iDropPosition; }
    // The position for cursor height y over a row at `top` of `height` pixels: the upper
    // quarter above, the lower quarter below, the middle onto; `current` outside the row.
    static int DropPositionAt(int y, int top, int height, int current);

    // The id a drag of `item` carries (given on first use), and the item an id names (null
    // when no row of this tree has it).
    quint64 RowId(QTreeWidgetItem *item);
    QTreeWidgetItem *ItemOfRowId(quint64 id) const;

signals:
    void itemReparented(QTreeWidgetItem *item, QTreeWidgetItem *parent, int index);
    void itemMoved(QTreeWidgetItem *item, int index);

public slots:
    // Persistent editors follow the new column widths.
    void slotHeaderSectionResized(int, int, int);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

    // The row a drag of this tree carries; null for other data or a row that is gone.
    QTreeWidgetItem *DraggedItem(const QDropEvent &event) const;

private:
    QTreeWidgetItem *m_pDropTarget = nullptr;
    int m_iDropPosition = kNone;
    int m_iDropLineWidth = 2;
    QColor m_cDropLineColor{131, 163, 176};
    quint64 m_iNextRowId = 1;
};

}  // namespace GUI
