#pragma once
// The wrapping grid of a tray's buttons. Its list of buttons, in display order, is the
// tray's one list of items: each button owns its item, and the layout follows the list.
// It takes drops of tray buttons: a button from this grid moves to the drop place, one
// from another tray moves over with its item.

#include <QList>
#include <QWidget>

#include <memory>
#include <vector>

class FlowBoxLayout;

namespace GUI {

class QTrayItem;
class TrayItem;

class TrayItemList : public QWidget {
    Q_OBJECT

public:
    explicit TrayItemList(QWidget *parent);

    int Count() const { return int(m_lButtons.size()); }
    QTrayItem *ButtonAt(int index) const { return m_lButtons.value(index); }
    const QList<QTrayItem *> &Buttons() const { return m_lButtons; }
    std::vector<TrayItem *> GetItems() const;
    int IndexOf(const QTrayItem *button) const { return int(m_lButtons.indexOf(const_cast<QTrayItem *>(button))); }
    // The button of another item than `except` named `name` (not empty), or null.
    QTrayItem *FindByName(const QString &name, const QTrayItem *except = nullptr) const;

    // A new button for the item at `index` (at or below 0 the front, past the end the end).
    QTrayItem *InsertItem(std::unique_ptr<TrayItem> item, int index);
    // Puts a button that belongs to no grid at `index`.
    void InsertButton(QTrayItem *button, int index);
    // Takes the button out of the list and the layout; it is the caller's then.
    void TakeButton(QTrayItem *button);
    // Deletes the button and its item.
    void DeleteButton(QTrayItem *button);

    // Where a drop at `point` inserts: before or after the button under it by the half it
    // hits, after the button whose right edge is near it in its row, else at the end.
    int DropIndex(const QPoint &point) const;
    // Takes the width given and the height its buttons need for it.
    void Fit(int width);
    // The height of `rows` whole rows of its buttons with the spacing between them; 0 when empty.
    int RowsHeight(int rows) const;

signals:
    void insertNewItem(GUI::QTrayItem *button);
    // The button has left this grid (moved away or about to be deleted).
    void buttonTaken(GUI::QTrayItem *button);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // Whether this grid takes the drag: the tray-item type from a widget of this program.
    bool Accepts(const QDropEvent *event) const;

    QList<QTrayItem *> m_lButtons;
    FlowBoxLayout *m_pLayout;
};

}  // namespace GUI
