#include "browser/ImageBrowser.h"

#include "browser/BrowserText.h"
#include "browser/ComboBoxModify.h"
#include "browser/scanner/ImgDirThread.h"
#include "browser/thumbnails/ThumbnailList.h"
#include "browser/viewer/ImageArea.h"
#include "browser/viewer/ImageWidget.h"
#include "foundation/images/Pictures.h"

#include <QAction>
#include <QActionGroup>
#include <QCompleter>
#include <QFrame>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSpacerItem>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QFrame *Separator(const char *name)
{
    auto *line = new QFrame;
    line->setObjectName(QLatin1String(name));
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setLineWidth(1);
    return line;
}

QLabel *InfoLabel(const char *name)
{
    auto *label = new QLabel;
    label->setObjectName(QLatin1String(name));
    label->setFrameShape(QFrame::Box);
    label->setAutoFillBackground(true);
    return label;
}

}  // namespace

ImageBrowser::ImageBrowser(bool thumbnails, QWidget *parent, int toggleMode, const QColor &itemColor)
    : QWidget(parent), m_bThumbnails(thumbnails), m_cItemColor(itemColor), m_iToggleMode(toggleMode)
{
    setObjectName(QStringLiteral("ImageBrowser"));
    m_pFillTimer = new QTimer(this);
    m_pFillTimer->setSingleShot(true);
    m_pFillTimer->setInterval(0);
    connect(m_pFillTimer, &QTimer::timeout, this, &ImageBrowser::FillSome);
    m_pSplitter = new QSplitter(Qt::Horizontal);
    RestartScanner(true);
    BuildUi();
    BuildViewer();
    m_pThumbnailList = new ThumbnailList(nullptr);
    m_pLayout = new QVBoxLayout(this);
    m_pLayout->addWidget(m_pTopFrame);
    m_pLayout->addWidget(m_pSplitter);
    m_pSplitter->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_pSplitter->addWidget(m_pThumbnailList);
    m_pSplitter->addWidget(m_pImageArea);
    // The list keeps room for one column of tiles; the viewer takes what the browser gains.
    m_pThumbnailList->setMinimumWidth(m_iThumbWidth + 25 + 2 * m_pThumbnailList->frameWidth() +
                                      style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4);
    m_pSplitter->setStretchFactor(0, 0);
    m_pSplitter->setStretchFactor(1, 1);

    m_pBookmarksMenu = new QMenu(this);
    m_pBookmarkGroup = new QActionGroup(this);
    m_pBookmarkGroup->setExclusive(true);
    m_pAddBookmark =
        new QAction(General::Pictures::Icon(QStringLiteral("Icons/newdirectory.png")), tr("Add Bookmark"), this);
    m_pAddBookmark->setToolTip(m_pAddBookmark->text());
    connect(m_pAddBookmark, &QAction::triggered, this, qOverload<bool>(&ImageBrowser::slotAddBookmark));
    m_pRemoveBookmark =
        new QAction(General::Pictures::Icon(QStringLiteral("Icons/deldirectory.png")), tr("Remove Bookmark"), this);
    m_pRemoveBookmark->setToolTip(m_pRemoveBookmark->text());
    connect(m_pRemoveBookmark, &QAction::triggered, this, &ImageBrowser::slotDeleteBookmark);
    for (QAction *action : {m_pAddBookmark, m_pRemoveBookmark}) {
        m_pBookmarksMenu->addAction(action);
        m_pBookmarkGroup->addAction(action);
    }
    m_pBookmarksMenu->addSeparator();
    m_pBookmarksButton->setMenu(m_pBookmarksMenu);
    slotBookmarksTextChanged(m_pPathBox->currentText());
    m_pRemoveBookmark->setEnabled(false);
    LoadBookmarks();
    m_pRemoveBookmark->setEnabled(m_pBookmarkGroup->actions().size() > 2);
    if (QWidget *second = m_pSplitter->widget(1))
        second->resize(850, second->height());
    slotShowAdditionalBar();
    SetToggleMode(toggleMode);
    m_pImageArea->viewport()->setFocus();
}

ImageBrowser::~ImageBrowser()
{
    SaveBookmarks();
    RestartScanner(false);
}

void ImageBrowser::RestartScanner(bool start)
{
    if (m_pScanner) {
        m_pScanner->Stop();
        delete m_pScanner;
        m_pScanner = nullptr;
    }
    if (!start)
        return;
    m_pScanner = new ImgDirThread(this);
    connect(m_pScanner, qOverload<const ImgInfo &>(&ImgDirThread::itemAdded), this, &ImageBrowser::slotGetThumbnail);
    connect(m_pScanner, &ImgDirThread::itemChanged, this, &ImageBrowser::slotGetThumbnail);
    connect(m_pScanner, qOverload<const QString &>(&ImgDirThread::itemAdded), this, &ImageBrowser::slotAddFolder);
    connect(m_pScanner, &ImgDirThread::itemDeleted, this, &ImageBrowser::slotItemDeleted);
    m_pScanner->start(QThread::InheritPriority);
}

void ImageBrowser::SetIconAndTip(QToolButton *button, const char *icon, const QString &tip)
{
    button->setIcon(General::Pictures::Icon(QString::fromLatin1(icon)));
    button->setToolTip(tip);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
}

void ImageBrowser::BuildUi()
{
    m_pTopFrame = new QFrame;
    m_pTopFrame->setFrameShape(QFrame::StyledPanel);
    m_pTopFrame->setFrameShadow(QFrame::Raised);
    m_pTopLayout = new QVBoxLayout(m_pTopFrame);
    m_pTopLayout->setObjectName(QStringLiteral("m_pVboxLayout1"));
    m_pTopLayout->setSpacing(6);
    m_pTopLayout->setContentsMargins(9, 9, 9, 9);

    m_pInfoFrame = new QFrame;
    m_pInfoFrame->setObjectName(QStringLiteral("InfoFrame"));
    m_pInfoFrame->setFrameShape(QFrame::Panel);
    m_pInfoFrame->setFrameShadow(QFrame::Sunken);
    m_pInfoFrame->setLineWidth(1);
    m_pInfoFrame->setFixedHeight(20);
    auto *info = new QHBoxLayout(m_pInfoFrame);
    info->setObjectName(QStringLiteral("hboxLayoutAddon"));
    info->setSpacing(0);
    info->setContentsMargins(0, 0, 0, 0);
    m_pFileName = InfoLabel("FileName");
    m_pFileName->setAlignment(Qt::AlignCenter);
    m_pFileName->setFixedWidth(300);
    QFont bold = m_pFileName->font();
    bold.setBold(true);
    m_pFileName->setFont(bold);
    m_pParameters = InfoLabel("Param");
    m_pParameters->setAlignment(Qt::AlignCenter);
    m_pPixelInfo = InfoLabel("PixelInfo");
    m_pPixelInfo->setFixedWidth(500);
    m_pExposureInfo = InfoLabel("ExposureInfo");
    m_pExposureInfo->setFixedWidth(85);
    m_pExposureInfo->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (QLabel *label : {m_pFileName, m_pParameters, m_pPixelInfo, m_pExposureInfo})
        info->addWidget(label);
    m_pTopLayout->addWidget(m_pInfoFrame);

    m_pToolRow = new QHBoxLayout;
    m_pToolRow->setObjectName(QStringLiteral("m_pHboxLayoutGray"));
    m_pToolRow->setSpacing(6);
    m_pToolRow->setContentsMargins(0, 0, 0, 0);
    m_pTopLayout->addLayout(m_pToolRow);

    const auto button = [this](const char *name, const char *icon, const QString &tip) {
        auto *made = new QToolButton;
        made->setObjectName(QLatin1String(name));
        made->setAutoRaise(true);
        SetIconAndTip(made, icon, tip);
        m_pToolRow->addWidget(made);
        return made;
    };
    m_pHideShow = button("HideShow", "Icons/left.png", tr("Hide List of Thumbnails"));
    connect(m_pHideShow, &QToolButton::clicked, this, &ImageBrowser::slotHideThumbnailList);

    m_pPathBox = new ComboBoxModify;
    m_pPathBox->setObjectName(QStringLiteral("Bookmarks"));
    m_pPathBox->setToolTip(tr("Bookmarks"));
    m_pPathBox->setEditable(true);
    m_pPathBox->setMinimumWidth(300);
    m_pPathBox->completer()->setCompletionMode(QCompleter::InlineCompletion);
    connect(m_pPathBox, &QComboBox::activated, this, &ImageBrowser::slotBookmarksIndexChanged);
    connect(m_pPathBox, &QComboBox::editTextChanged, this, &ImageBrowser::slotBookmarksTextChanged);
    m_pToolRow->addWidget(m_pPathBox);

    m_pOpenFolder = button("OpenDirectory", "Icons/diropen.png", tr("Open Directory"));
    connect(m_pOpenFolder, &QToolButton::clicked, this, &ImageBrowser::slotGetNewBookmark);
    m_pParent = button("ParentDirectory", "Icons/parentdir.png", tr("Parent Directory"));
    connect(m_pParent, &QToolButton::clicked, this, &ImageBrowser::slotFolderUp);
    m_pBack = button("PrevBookmark", "Icons/historyBack.png", tr("Back"));
    connect(m_pBack, &QToolButton::clicked, this, &ImageBrowser::slotHistoryBack);
    m_pBack->setEnabled(false);
    m_pForward = button("NextBookmark", "Icons/historyForward.png", tr("Forward"));
    connect(m_pForward, &QToolButton::clicked, this, &ImageBrowser::slotHistoryForward);
    m_pForward->setEnabled(false);
    m_pReread = button("RereadFolder", "Icons/reloadThumbnails.png", tr("Reread"));
    connect(m_pReread, &QToolButton::clicked, this, qOverload<>(&ImageBrowser::slotRereadFolder));
    m_pToolRow->addWidget(Separator("vline_0"));

    m_pBookmarksButton = new QPushButton(tr("Bookmarks"));
    m_pBookmarksButton->setObjectName(QStringLiteral("BookmarksButton"));
    m_pBookmarksButton->setToolTip(tr("Bookmarks"));
    m_pBookmarksButton->setFlat(true);
    m_pBookmarksButton->setMaximumWidth(150);
    m_pToolRow->addWidget(m_pBookmarksButton);
    m_pToolRow->addWidget(Separator("vline_1"));

    m_pStamp = button("SetStamp", "Icons/setStamp.png", tr("Set Stamp"));
    m_pStencil = button("SetStencil", "Icons/setStencil.png", tr("Set Stencil"));
    m_pPlane = button("SetPlane", "Icons/setPlane.png", tr("Set Image Plane"));
    connect(m_pPlane, &QToolButton::clicked, this, &ImageBrowser::slotSetPlane);
    m_pTexture = button("SetTexture", "Icons/setTexture.png", tr("Set Color Map"));
    connect(m_pTexture, &QToolButton::clicked, this, &ImageBrowser::slotSetTexture);
    m_pFlatColor = button("SetFlatColor", "Icons/setNegativePlane.png", tr("See Negative as Flat Color"));
    m_pFlatColor->setCheckable(true);
    connect(m_pFlatColor, &QToolButton::toggled, this, &ImageBrowser::slotSetFlatColor);
    m_pRefresh = button("RefreshImage", "Icons/updateImage.png", tr("Refresh"));
    connect(m_pRefresh, &QToolButton::clicked, this, &ImageBrowser::slotRefresh);
    m_pToolRow->addWidget(Separator("vline_2"));

    m_pScaleToFit = button("ScaleToFit", "Icons/adjustsize.png", tr("Scale To Fit"));
    m_pScaleToFit->setCheckable(true);
    connect(m_pScaleToFit, &QToolButton::toggled, this, &ImageBrowser::slotScaleToFit);
    m_pZoomBox = new ComboBoxModify;
    m_pZoomBox->setObjectName(QStringLiteral("ZoomBox"));
    m_pZoomBox->setToolTip(tr("Image Zoom Ratio"));
    m_pZoomBox->addItems({QStringLiteral("500.00"), QStringLiteral("400.00"), QStringLiteral("300.00"),
                          QStringLiteral("200.00"), QStringLiteral("100.00"), QStringLiteral(" 66.70"),
                          QStringLiteral(" 50.00"), QStringLiteral(" 33.30"), QStringLiteral(" 25.00"),
                          QStringLiteral(" 16.70"), QStringLiteral(" 12.50"), QStringLiteral("  8.33")});
    m_pZoomBox->setEditable(true);
    m_pZoomBox->QComboBox::setCurrentIndex(4);
    m_pZoomBox->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^\\d{1,2}\\.\\d{1,2}$|^[1-9]\\d{1,2}\\.\\d{1,2}$")), m_pZoomBox));
    connect(m_pZoomBox, &QComboBox::activated, this, &ImageBrowser::slotScaleSelect);
    m_pToolRow->addWidget(m_pZoomBox);
    m_pToolRow->addWidget(Separator("vline_4"));

    m_pRotateLeft = button("RotateLeft", "Icons/rotateLeft.png", tr("Rotate Left"));
    connect(m_pRotateLeft, &QToolButton::clicked, this, &ImageBrowser::slotRotateLeft);
    m_pRotateRight = button("RotateRight", "Icons/rotateRight.png", tr("Rotate Right"));
    connect(m_pRotateRight, &QToolButton::clicked, this, &ImageBrowser::slotRotateRight);
    m_pRotateBox = new ComboBoxModify;
    m_pRotateBox->setObjectName(QStringLiteral("RotateBox"));
    m_pRotateBox->setToolTip(tr("Image Rotate Degree"));
    for (const char *degrees : {"  0", " 90", "180", "270"})
        m_pRotateBox->addItem(QLatin1String(degrees) + QChar(0x00B0));
    m_pRotateBox->QComboBox::setCurrentIndex(0);
    connect(m_pRotateBox, &QComboBox::activated, this, &ImageBrowser::slotRotateSelect);
    m_pToolRow->addWidget(m_pRotateBox);
    m_pToolRow->addWidget(Separator("vline_3"));
    m_pToolRow->addItem(new QSpacerItem(10, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));

    m_pAdditional = button("AdditionalFunctions", "Icons/plus.png", tr("Show the Additional Info About Image"));
    connect(m_pAdditional, &QToolButton::clicked, this, &ImageBrowser::slotShowAdditionalBar);
    m_pUpDown = button("UpDown", "Icons/down.png", tr("To Move Down the Info Line"));
    connect(m_pUpDown, &QToolButton::clicked, this, &ImageBrowser::slotUpDownInfoLine);
    // Hidden until the constructor's first slotShowAdditionalBar shows it.
    m_pInfoFrame->hide();
}

void ImageBrowser::BuildViewer()
{
    m_pImageArea = new ImageArea(nullptr);
    m_pImageArea->setBackgroundRole(QPalette::Dark);
    m_pImageArea->setWidgetResizable(true);
    m_pImageWidget = m_pImageArea->GetImageWidget();
    connect(m_pImageWidget, &ImageWidget::scaled, this, &ImageBrowser::slotImageViewScaled);
    connect(m_pImageWidget, qOverload<int, int, int, int, int, int>(&ImageWidget::pixelInfo), this,
            qOverload<int, int, int, int, int, int>(&ImageBrowser::slotPixelInfo));
    connect(m_pImageWidget, qOverload<int, int, float, float, float, float>(&ImageWidget::pixelInfo), this,
            qOverload<int, int, float, float, float, float>(&ImageBrowser::slotPixelInfo));
    connect(m_pImageWidget, &ImageWidget::exposure, this, &ImageBrowser::slotExposure);
    connect(m_pImageWidget, &ImageWidget::showPlans, this, &ImageBrowser::slotShowPlans);
    m_pImageWidget->installEventFilter(this);
}

void ImageBrowser::SetToggleMode(int mode)
{
    m_iToggleMode = mode;
    for (QToolButton *b : {m_pStamp, m_pStencil})
        disconnect(b, nullptr, this, nullptr);
    if (mode == 0) {
        m_pStamp->setCheckable(false);
        m_pStencil->setCheckable(false);
        connect(m_pStamp, &QToolButton::clicked, this, &ImageBrowser::slotSetStamp);
        connect(m_pStencil, &QToolButton::clicked, this, &ImageBrowser::slotSetStencil);
    } else {
        m_pStamp->setCheckable(true);
        m_pStencil->setCheckable(true);
        connect(m_pStamp, &QToolButton::toggled, this, &ImageBrowser::slotToolButtonSetStampToggled);
        connect(m_pStencil, &QToolButton::toggled, this, &ImageBrowser::slotToolButtonSetStencilToggled);
    }
}

void ImageBrowser::slotToolButtonSetStampToggled(bool on)
{
    if (!on)
        return;
    // At most one of the two is checked; unchecking the other says nothing.
    const QSignalBlocker quiet(m_pStencil);
    m_pStencil->setChecked(false);
}

void ImageBrowser::slotToolButtonSetStencilToggled(bool on)
{
    if (!on)
        return;
    const QSignalBlocker quiet(m_pStamp);
    m_pStamp->setChecked(false);
}

void ImageBrowser::slotHideThumbnailList()
{
    if (m_pThumbnailList->isVisible()) {
        m_pThumbnailList->hide();
        SetIconAndTip(m_pHideShow, "Icons/right.png", tr("Show List of Thumbnails"));
    } else {
        m_pThumbnailList->show();
        SetIconAndTip(m_pHideShow, "Icons/left.png", tr("Hide List of Thumbnails"));
    }
}

void ImageBrowser::slotShowAdditionalBar()
{
    if (m_pInfoFrame->isHidden()) {
        m_pInfoFrame->show();
        SetIconAndTip(m_pAdditional, "Icons/minus.png", tr("Hide the Additional Info About Image"));
        m_pTopFrame->setFixedHeight(80);
    } else {
        m_pInfoFrame->hide();
        SetIconAndTip(m_pAdditional, "Icons/plus.png", tr("Show the Additional Info About Image"));
        m_pTopFrame->setFixedHeight(50);
    }
}

void ImageBrowser::slotUpDownInfoLine()
{
    if (m_bInfoOnTop) {
        m_bInfoOnTop = false;
        SetIconAndTip(m_pUpDown, "Icons/up.png", tr("To Move Upward the Info Line"));
        m_pLayout->removeWidget(m_pTopFrame);
        m_pLayout->addWidget(m_pTopFrame);
    } else {
        m_bInfoOnTop = true;
        SetIconAndTip(m_pUpDown, "Icons/down.png", tr("To Move Down the Info Line"));
        m_pLayout->removeWidget(m_pSplitter);
        m_pLayout->addWidget(m_pSplitter);
    }
}
