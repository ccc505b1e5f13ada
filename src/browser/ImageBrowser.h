#pragma once
// The "Image Browser" panel's widget: the sub-folders and images of one folder as
// thumbnails (filled in the background by the folder scanner), the chosen image in the
// viewer, a folder history, bookmarks, and buttons that hand the image on as the stamp, the
// stencil, the camera's image plane or the active object's colour map.
//
// The current folder is the path box's text; every navigation ends by choosing a path in
// that box, whose activated(int) reads the folder.

#include "browser/scanner/ImgInfo.h"

#include <QColor>
#include <QMap>
#include <QPoint>
#include <QWidget>

#include <deque>
#include <vector>

class ComboBoxModify;
class ImageArea;
class ImageWidget;
class ImgDirThread;
class QAction;
class QActionGroup;
class QFrame;
class QHBoxLayout;
class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class QTimer;
class QToolButton;
class QVBoxLayout;
class ThumbnailItem;
class ThumbnailList;

class ImageBrowser : public QWidget {
    Q_OBJECT

public:
    ImageBrowser(bool thumbnails, QWidget *parent, int toggleMode, const QColor &itemColor);
    // Writes the bookmarks file and stops the scanner before anything else goes.
    ~ImageBrowser() override;

    // Reads `path` as the current folder: folder and image tiles at once, thumbnails from the
    // scanner as they come.
    void ReadFolder(QString path);
    // Shows `fileName` of the current folder in the viewer and fills the info line.
    void ShowImage(const QString &fileName);
    // 0: the stamp and stencil buttons hand the current image on when clicked; otherwise
    // they are exclusive toggles and each image shown goes to the checked one.
    void SetToggleMode(int mode);

    void LoadBookmarks();
    void SaveBookmarks();
    void AddBookmarkAction(const QString &path);
    void RemoveBookmarkAction(const QString &path);
    // The bookmarked folders in menu order.
    QStringList BookmarkPaths() const;

    // Tiles still to be made or thumbnails still to be shown for the folder read last.
    bool IsFilling() const;

    // What tests and the panel look at.
    ThumbnailList *GetThumbnailList() const { return m_pThumbnailList; }
    ImageArea *GetImageArea() const { return m_pImageArea; }
    ImageWidget *GetImageWidget() const { return m_pImageWidget; }
    ImgDirThread *GetScanner() const { return m_pScanner; }
    ComboBoxModify *GetPathBox() const { return m_pPathBox; }
    ComboBoxModify *GetZoomBox() const { return m_pZoomBox; }
    // The folder read last, absolute and clean.
    const QString &GetFolder() const { return m_sFolder; }
    const std::vector<QString> &GetHistory() const { return m_lHistory; }
    int GetHistoryIndex() const { return m_iHistoryIndex; }
    // The image item for a full path, or null.
    ThumbnailItem *ItemForPath(const QString &path) const { return m_mItems.value(path, nullptr); }
    QAction *GetAddBookmarkAction() const { return m_pAddBookmark; }
    QAction *GetRemoveBookmarkAction() const { return m_pRemoveBookmark; }

signals:
    void progress(int done, int expected);
    void exposure(double stops);
    void showPlans(bool red, bool green, bool blue);

public slots:
    void slotGetNewBookmark();
    void slotHideThumbnailList();
    void slotUpDownInfoLine();
    void slotBookmarksIndexChanged(int index);
    void slotBookmarksTextChanged(const QString &text);
    void slotThumbnailSelect();
    void slotGetThumbnail(const ImgInfo &info);
    void slotSetStamp(bool);
    void slotSetStencil(bool);
    void slotSetPlane(bool);
    void slotSetTexture(bool);
    void slotSetFlatColor(bool flat);
    void slotBookmarkSelect(bool);
    void slotFolderSelect();
    void slotFolderUp();
    void slotAddBookmark();
    void slotHistoryBack();
    void slotHistoryForward();
    void slotAddBookmark(bool);
    void slotDeleteBookmark(bool);
    void slotScaleToFit(bool fit);
    void slotRotateRight(bool);
    void slotRotateLeft(bool);
    void slotScaleSelect(int index);
    void slotRotateSelect(int index);
    void slotShowAdditionalBar();
    void slotToolButtonSetStampToggled(bool on);
    void slotToolButtonSetStencilToggled(bool on);
    void slotPixelInfo(int x, int y, float red, float green, float blue, float alpha);
    void slotPixelInfo(int x, int y, int red, int green, int blue, int alpha);
    void slotExposure(double stops);
    void slotImageViewScaled(double zoom);
    void slotShowPlans(bool red, bool green, bool blue);
    void slotRefresh();
    void slotRereadFolder();
    void slotRereadFolder(const QString &);
    void slotAddFolder(const QString &name);
    void slotItemDeleted(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void customEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    void BuildUi();
    void BuildViewer();
    void RestartScanner(bool start);
    // Chooses `path` in the path box (an equal entry, else a new one at the top), which reads it.
    void SelectPath(const QString &path);
    // "<current folder>/<name>".
    QString FilePath(const QString &name) const;
    ThumbnailItem *AddImageItem(const QString &path, bool refit = true);
    // The full path of the current image item; empty without one.
    QString CurrentImagePath() const;
    void ShowZoom();
    void SetIconAndTip(QToolButton *button, const char *icon, const QString &tip);
    bool AltDrag(QMouseEvent *event);
    // Makes pending tiles and shows pending thumbnails for one slice of time; the rest waits
    // for the next pass of the event loop.
    void FillSome();
    // Gives a record's thumbnail to its tile (a tile of this folder that has none gets one).
    void ShowRecord(const ImgInfo &info);
    static constexpr int kFillSliceMs = 10;

    QSplitter *m_pSplitter = nullptr;
    bool m_bThumbnails;
    std::vector<QString> m_lHistory;
    int m_iHistoryIndex = -1;
    bool m_bHistoryMove = false;
    bool m_bAlt = false;
    double m_dAltZoom = 1.0;
    QPoint m_cLastPosition;
    QPoint m_cPressPosition;
    int m_iDone = 0;
    int m_iExpected = 100;
    int m_iThumbWidth = 100;
    int m_iThumbHeight = 100;
    bool m_bFlatColor = false;
    bool m_bInfoOnTop = true;
    // The bookmarks file was there but not read: the list shown would replace it unseen.
    bool m_bBookmarksRefused = false;
    QColor m_cItemColor;

    QAction *m_pAddBookmark = nullptr;
    QAction *m_pRemoveBookmark = nullptr;
    QToolButton *m_pScaleToFit = nullptr;
    QToolButton *m_pRotateRight = nullptr;
    QToolButton *m_pRotateLeft = nullptr;
    QToolButton *m_pAdditional = nullptr;
    ComboBoxModify *m_pZoomBox = nullptr;
    ComboBoxModify *m_pRotateBox = nullptr;
    ImageArea *m_pImageArea = nullptr;
    ImageWidget *m_pImageWidget = nullptr;
    ThumbnailList *m_pThumbnailList = nullptr;
    QFrame *m_pTopFrame = nullptr;
    QVBoxLayout *m_pLayout = nullptr;
    QVBoxLayout *m_pTopLayout = nullptr;
    QHBoxLayout *m_pToolRow = nullptr;
    ComboBoxModify *m_pPathBox = nullptr;
    QPushButton *m_pBookmarksButton = nullptr;
    QMenu *m_pBookmarksMenu = nullptr;
    QFrame *m_pInfoFrame = nullptr;
    QToolButton *m_pStamp = nullptr;
    QToolButton *m_pStencil = nullptr;
    QToolButton *m_pFlatColor = nullptr;
    QToolButton *m_pPlane = nullptr;
    QToolButton *m_pTexture = nullptr;
    QToolButton *m_pRefresh = nullptr;
    QToolButton *m_pReread = nullptr;
    QToolButton *m_pBack = nullptr;
    QToolButton *m_pForward = nullptr;
    QToolButton *m_pOpenFolder = nullptr;
    QToolButton *m_pParent = nullptr;
    QLabel *m_pPixelInfo = nullptr;
    QLabel *m_pExposureInfo = nullptr;
    QLabel *m_pFileName = nullptr;
    QLabel *m_pParameters = nullptr;
    QToolButton *m_pHideShow = nullptr;
    QToolButton *m_pUpDown = nullptr;
    QActionGroup *m_pBookmarkGroup = nullptr;

    QMap<QString, ThumbnailItem *> m_mItems;
    ImgDirThread *m_pScanner = nullptr;
    QString m_sLastDialogFolder;
    int m_iToggleMode = 0;
    // The folder read last (absolute, clean) and the image shown last.
    QString m_sFolder;
    QString m_sShownPath;
    std::deque<QString> m_lPendingFiles;
    std::deque<ImgInfo> m_lPendingRecords;
    QTimer *m_pFillTimer = nullptr;
};
