#include "gui/menus/QTvMenu.h"

#include "gui/menus/QTvAction.h"
#include "gui/menus/QTvMenuItem.h"

#include <QFontMetrics>
#include <QLabel>
#include <QRegularExpression>
#include <QStyleOptionMenuItem>
#include <QVBoxLayout>

QTvMenu::QTvMenu(QWidget *parent) : QMenu(parent)
{
    setAutoFillBackground(true);
    m_pLayout = new QVBoxLayout(this);
    m_pLayout->setSpacing(0);
    m_pLayout->setContentsMargins(3, 3, 3, 3);
    QPalette own = palette();
    own.setColor(QPalette::Window, own.color(QPalette::Window));
    setPalette(own);
}

void QTvMenu::AddAction(QTvAction *action)
{
    auto *row = new QTvMenuItem(action, this);
    connect(action, &QAction::triggered, this, &QMenu::hide);
    connect(action, &QAction::hovered, this, &QTvMenu::slotActionHovered);
    m_pLayout->addWidget(row);
    m_lActions.append(action);
    m_lRows.append(row);
    FitRowWidths();
}

void QTvMenu::AddSeparator()
{
    auto *line = new QFrame(this);
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    line->setLineWidth(1);
    m_pLayout->addWidget(line);
}

QSize QTvMenu::sizeHint() const
{
    // Qt's menu sizes itself from its actions, which it does not have: the rows decide.
    return m_lRows.isEmpty() ? QMenu::sizeHint() : m_pLayout->sizeHint();
}

void QTvMenu::slotActionHovered()
{
    if (auto *action = qobject_cast<QTvAction *>(sender()))
        m_pHovered = action;
}

int QTvMenu::TextWidth(const QString &text, int lineWidth)
{
    static const QRegularExpression tags(QStringLiteral("<(.)[^>]*>"));
    QString plain = text;
    plain.remove(tags);
    const QStyleOptionMenuItem option;
    return option.fontMetrics.horizontalAdvance(plain) + 2 * lineWidth + 10;
}

void QTvMenu::FitRowWidths()
{
    int widest = 0;
    for (const QTvMenuItem *row : m_lRows)
        widest = std::max(widest, TextWidth(row->TextLabel()->text(), row->TextLabel()->lineWidth()));
    for (QTvMenuItem *row : m_lRows)
        row->TextLabel()->setFixedWidth(widest);
    adjustSize();
}
