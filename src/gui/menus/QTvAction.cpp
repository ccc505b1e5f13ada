#include "gui/menus/QTvAction.h"

#include "gui/menus/QTvMenu.h"

QTvAction::QTvAction(const QString &text, const QString &shortcut, bool optionBox, QObject *parent)
    : QAction(text, parent), m_bOptionBox(optionBox), m_cShortcut(QKeySequence::fromString(shortcut))
{
}

void QTvAction::activateOptionBox()
{
    emit optionBoxActivated();
    if (auto *menu = qobject_cast<QTvMenu *>(parent()))
        emit menu->optionBoxActivated(this);
}

void QTvAction::trigger()
{
    if (auto *menu = qobject_cast<QTvMenu *>(parent()))
        emit menu->triggered(this);
    QAction::trigger();
}
