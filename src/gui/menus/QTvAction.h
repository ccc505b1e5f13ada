#pragma once
// A menu command that may carry an option box (the star beside its row that opens the
// command's options). Its shortcut is shown in its row but not bound as a Qt shortcut:
// keys reach the commands through the handler table, where the hotkey editor changes
// them, and a bound shortcut would take the key before the 3D view sees it.

#include <QAction>
#include <QKeySequence>

class QTvAction : public QAction {
    Q_OBJECT

public:
    // `shortcut` as text ("Shift+D", "PgUp"); empty for none.
    QTvAction(const QString &text, const QString &shortcut, bool optionBox, QObject *parent);

    bool HasOptionBox() const { return m_bOptionBox; }
    // The key the row shows; never a Qt shortcut.
    const QKeySequence &ShownShortcut() const { return m_cShortcut; }

signals:
    void optionBoxActivated();
    void submenuCreated();

public slots:
    // Tells the action's own listeners, then the menu that holds it.
    void activateOptionBox();
    // The holding menu reports the action as triggered, then the action runs.
    void trigger();

private:
    const bool m_bOptionBox;
    const QKeySequence m_cShortcut;
};
