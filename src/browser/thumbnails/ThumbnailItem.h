#pragma once
// One tile of the thumbnail list: a folder icon, or an image's thumbnail with a drop
// shadow, above the file name on a gradient band, framed when selected. Fixed size.

#include <QColor>
#include <QLabel>

struct ImgInfo;

class ThumbnailItem : public QLabel {
    Q_OBJECT
    friend class ThumbnailList;

public:
    ThumbnailItem(int width, int height, const QString &path, bool isFolder, const QPixmap &pixmap,
                  QWidget *parent);

    QSize sizeHint() const override { return QSize(m_iWidth, m_iHeight); }
    QSize minimumSizeHint() const override { return sizeHint(); }

    // Selected true also emits select(); repaints.
    void SetSelected(bool selected);
    bool IsSelected() const { return m_bSelected; }
    // The record's thumbnail with its shadow becomes the picture; a record without one
    // changes nothing.
    void SetThumbnail(const ImgInfo &info);
    void SetSelectionColor(const QColor &color) { m_cSelectionColor = color; }

    const QString &GetPath() const { return m_sPath; }
    // The file name part of the path.
    const QString &GetCaption() const { return m_sCaption; }
    bool IsFolder() const { return m_bFolder; }
    ThumbnailItem *GetPrevious() const { return m_pPrevious; }
    ThumbnailItem *GetNext() const { return m_pNext; }

signals:
    void select();
    void doubleClick();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int m_iWidth;
    int m_iHeight;
    QString m_sPath;
    ThumbnailItem *m_pPrevious = nullptr;
    ThumbnailItem *m_pNext = nullptr;
    bool m_bSelected = false;
    bool m_bFolder;
    QString m_sCaption;
    QColor m_cSelectionColor{131, 163, 176, 255};
};
