#pragma once
// The flow layout of the tray buttons: buttons are shown and hidden as the tray changes,
// so hidden ones give up their place at the next placement, while the minimum size still
// counts them and the tray keeps its width. Items live in the one list of FlowLayout,
// whichever way they are added.

#include "gui/layouts/FlowLayout.h"

class FlowBoxLayout : public FlowLayout {
    Q_OBJECT

public:
    FlowBoxLayout(QWidget *parent, int margin, int spacing) : FlowLayout(parent, margin, spacing) {}

    // Inserts `item` at `index` (appends when the index is outside the list).
    void insertItem(int index, QLayoutItem *item);
    // Takes the first entry of `item` out of the list; the item (and its widget) then
    // belong to the caller.
    void RemoveItem(QLayoutItem *item);

protected:
    // Items whose widget is hidden are skipped; an item without a widget (a spacer) is placed.
    bool IsPlaced(const QLayoutItem *item) const override;
    // A hidden widget still counts with the minimum size it has when shown.
    QSize ItemMinimumSize(const QLayoutItem *item) const override;
};
