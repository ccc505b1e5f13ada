#pragma once
// A layout that places its items left to right and wraps them into a new row when the row
// is full, like words in a paragraph; it reports the height it needs for a width, so a
// scroll area around it grows as it narrows. The image browser lays its thumbnails out
// with it.

#include <QLayout>
#include <QList>

class FlowLayout : public QLayout {
    Q_OBJECT

public:
    // A negative spacing takes the style's.
    FlowLayout(QWidget *parent, int margin, int spacing);
    ~FlowLayout() override;

    QSize sizeHint() const override { return minimumSize(); }
    // The largest minimum size of all items, plus the margin on both sides.
    QSize minimumSize() const override;
    Qt::Orientations expandingDirections() const override { return {}; }
    void setGeometry(const QRect &rect) override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

    void addItem(QLayoutItem *item) override { m_aItems.append(item); }
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;
    int count() const override { return int(m_aItems.size()); }

protected:
    // Whether the placement gives `item` a place; every item here.
    virtual bool IsPlaced(const QLayoutItem *item) const;
    // The item's minimum size as the layout's minimum counts it.
    virtual QSize ItemMinimumSize(const QLayoutItem *item) const;

    QList<QLayoutItem *> m_aItems;

private:
    // Places the items over `rect` (or only measures, with `place` false); the height used.
    int Flow(const QRect &rect, bool place) const;
    int Spacing() const;
};
