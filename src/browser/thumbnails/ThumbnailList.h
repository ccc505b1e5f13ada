#pragma once
// The scrolling, wrapping grid of thumbnail tiles. Tiles form a chain in the order they
// were added; at most one is current (selected). Navigation walks the chain by kind.

#include <QScrollArea>

class FlowLayout;
class ThumbnailItem;

class ThumbnailList : public QScrollArea {
    Q_OBJECT

public:
    // Which tiles a walk stops at.
    enum Mode { Images = 0, Folders = 1, Any = 2 };

    explicit ThumbnailList(QWidget *parent);
    ~ThumbnailList() override;

    // The list takes the tile, lays it out, appends it to the chain and shows it. A caller
    // adding many tiles at once may leave the refit to one Refit at the end.
    void AddItem(ThumbnailItem *item, bool refit = true);
    // Unlinks and deletes the tile; when it was current the list has no current tile.
    void RemoveItem(ThumbnailItem *item);
    // Deletes every tile; an empty chain and no current tile.
    void Clear();

    // The first tile of the mode's kind after (before) `item` in the chain; null at the end.
    ThumbnailItem *Next(const ThumbnailItem *item, int mode) const;
    ThumbnailItem *Previous(const ThumbnailItem *item, int mode) const;
    // The first (last) tile of the mode's kind; null when there is none.
    ThumbnailItem *First(int mode) const;
    ThumbnailItem *Last(int mode) const;
    // The first tile whose path equals `path` exactly.
    ThumbnailItem *FindByPath(const QString &path) const;
    ThumbnailItem *Current() const { return m_pCurrent; }
    int Count() const;
    // Fits the inner widget to the list's width and the height its tiles need there.
    void Refit();

public slots:
    void itemSelected();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    static bool Matches(const ThumbnailItem *item, int mode);

    ThumbnailItem *m_pFirst = nullptr;
    ThumbnailItem *m_pLast = nullptr;
    ThumbnailItem *m_pCurrent = nullptr;
    FlowLayout *m_pLayout;
    QWidget *m_pInner;
};
