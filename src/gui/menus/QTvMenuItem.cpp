#include "gui/menus/QTvMenuItem.h"

#include "foundation/images/Pictures.h"
#include "gui/menus/QTvAction.h"
#include "gui/menus/QTvMenu.h"

#include <QCheckBox>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QStatusTipEvent>
#include <QApplication>
#include <QStyleOptionMenuItem>
#include <QTimer>
#include <QToolButton>

namespace {

// The right-pointing arrow, 6 x 9, in the given colour.
QPixmap ArrowPixmap(const char *colour)
{
    const QByteArray ink = QByteArray(". c ") + colour;
    const char *const xpm[] = {"6 9 2 1", "  c None", ink.constData(), "      ", " .    ", " ..   ",
                               " ...  ", " .... ", " ...  ", " ..   ", " .    ", "      "};
    return QPixmap(xpm);
}

// The palette of a default menu item: the application's.
QPalette DefaultPalette()
{
    QStyleOptionMenuItem option;
    QPalette palette = option.palette;
    palette.setCurrentColorGroup(QPalette::Active);
    return palette;
}

}  // namespace

QTvMenuItem::QTvMenuItem(QAction *action, QTvMenu *menu) : QFrame(menu), m_pAction(action), m_pMenu(menu)
{
    setAutoFillBackground(true);
    m_pHoverTimer = new QTimer(this);
    m_pHoverTimer->setSingleShot(true);
    connect(m_pHoverTimer, &QTimer::timeout, this, &QTvMenuItem::slotHoverAlert);
    auto *layout = new QHBoxLayout(this);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);

    auto *tvAction = qobject_cast<QTvAction *>(action);
    m_pText = new QLabel(action->text(), this);
    m_pText->setFont(action->font());
    m_pText->setFixedHeight(20);
    m_pText->setFrameStyle(QFrame::NoFrame);
    const QKeySequence shortcut = tvAction ? tvAction->ShownShortcut() : action->shortcut();
    m_pShortcut = new QLabel(shortcut.toString(), this);
    m_pShortcut->setFont(action->font());
    m_pShortcut->setFixedHeight(20);
    m_pShortcut->setFrameStyle(QFrame::NoFrame);

    if (action->isCheckable()) {
        auto *box = new QCheckBox(this);
        box->setFocusPolicy(Qt::NoFocus);
        box->setChecked(action->isChecked());
        connect(box, &QCheckBox::clicked, this, &QTvMenuItem::slotActionSetChecked);
        // The box shows the action's state however it changes.
        connect(action, &QAction::toggled, box, &QCheckBox::setChecked);
        m_pLead = box;
    } else if (!action->icon().isNull()) {
        auto *icon = new QLabel(this);
        icon->setPixmap(action->icon().pixmap(20, QIcon::Normal).scaled(16, 16));
        icon->setAlignment(Qt::AlignCenter);
        m_pLead = icon;
    } else {
        m_pLead = new QWidget(this);
    }
    m_pLead->setFixedSize(20, 20);

    m_pArrow = new QLabel(this);
    m_pArrow->setAlignment(Qt::AlignCenter);
    m_pArrow->setFixedSize(20, 20);
    ShowArrow(false);

    layout->addWidget(m_pLead);
    layout->addWidget(m_pText);
    layout->addWidget(m_pShortcut);
    layout->addSpacing(2);
    if (tvAction && tvAction->HasOptionBox()) {
        m_pOptionBox = new QToolButton(this);
        m_pOptionBox->setIcon(General::Pictures::Icon(QStringLiteral("Icons/star.png")));
        m_pOptionBox->setAutoRaise(true);
        m_pOptionBox->setFixedSize(20, 18);
        m_pOptionBox->setFocusPolicy(Qt::NoFocus);
        connect(m_pOptionBox, &QToolButton::clicked, tvAction, &QTvAction::activateOptionBox);
        layout->addWidget(m_pOptionBox);
    } else {
        auto *gap = new QWidget(this);
        gap->setFixedSize(20, 18);
        layout->addWidget(gap);
    }
    layout->addSpacing(2);
    layout->addWidget(m_pArrow);

    // No bevel or frame shading: every shade role is the menu's background.
    QPalette flat = menu->palette();
    const QColor window = menu->palette().color(QPalette::Window);
    for (const QPalette::ColorRole role :
         {QPalette::Window, QPalette::Light, QPalette::Midlight, QPalette::Dark, QPalette::Mid, QPalette::Shadow})
        flat.setColor(role, window);
    for (QWidget *widget : {static_cast<QWidget *>(this), static_cast<QWidget *>(m_pText),
                            static_cast<QWidget *>(m_pShortcut), m_pLead, static_cast<QWidget *>(m_pArrow)})
        widget->setPalette(flat);
}

QTvMenuItem::~QTvMenuItem() { m_pHoverTimer->stop(); }

bool QTvMenuItem::IsHoverTimerActive() const { return m_pHoverTimer->isActive(); }

void QTvMenuItem::ShowArrow(bool white)
{
    if (m_pAction->menu())
        m_pArrow->setPixmap(ArrowPixmap(white ? "#FFFFFF" : "#000000"));
    else
        m_pArrow->clear();
}

void QTvMenuItem::slotActionSetChecked(bool checked)
{
    // Triggering a checkable action flips it: start from the opposite so it ends as the box.
    m_pAction->setChecked(!checked);
    Run();
}

void QTvMenuItem::slotHoverAlert()
{
    if (QMenu *submenu = m_pAction->menu())
        submenu->popup(mapToGlobal(rect().topRight()));
}

void QTvMenuItem::Run()
{
    if (auto *tvAction = qobject_cast<QTvAction *>(m_pAction)) {
        tvAction->trigger();
    } else {
        emit m_pMenu->triggered(m_pAction);
        m_pAction->trigger();
    }
}

void QTvMenuItem::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    Run();
}

void QTvMenuItem::enterEvent(QEnterEvent *event)
{
    QFrame::enterEvent(event);
    if (m_bHovered)
        return;
    m_bHovered = true;
    QPalette lit = DefaultPalette();
    lit.setColor(QPalette::Window, lit.color(QPalette::Highlight));
    lit.setColor(QPalette::WindowText, lit.color(QPalette::HighlightedText));
    lit.setColor(QPalette::Text, lit.color(QPalette::HighlightedText));
    lit.setBrush(QPalette::Window, lit.brush(QPalette::Active, QPalette::Highlight));
    for (QWidget *widget : {static_cast<QWidget *>(this), static_cast<QWidget *>(m_pText),
                            static_cast<QWidget *>(m_pShortcut), static_cast<QWidget *>(m_pArrow)})
        widget->setPalette(lit);
    if (m_pAction->menu()) {
        ShowArrow(true);
        m_pHoverTimer->start(kHoverDelayMs);
    }
    m_pAction->hover();
    m_pAction->showStatusText(this);
}

void QTvMenuItem::leaveEvent(QEvent *event)
{
    QFrame::leaveEvent(event);
    m_pHoverTimer->stop();
    m_bHovered = false;
    const QPalette plain = DefaultPalette();
    for (QWidget *widget :
         {static_cast<QWidget *>(this), static_cast<QWidget *>(m_pText), static_cast<QWidget *>(m_pShortcut)})
        widget->setPalette(plain);
    if (m_pAction->menu())
        ShowArrow(false);
}

void QTvMenuItem::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    const QPalette palette = DefaultPalette();
    QPainter painter(this);
    const QRect band(0, m_pText->y(), width(), height());
    if (m_bHovered) {
        painter.fillRect(band, palette.brush(QPalette::Highlight));
    } else {
        painter.setPen(palette.color(QPalette::Window));
        painter.setBrush(palette.brush(QPalette::Window));
        painter.drawRect(band.adjusted(0, 0, -1, -1));
    }
}
