#pragma once
// One row of a QTvMenu: the lead widget (a check box for a checkable action, else its icon),
// the text, the shortcut, the option box (or a gap of its size, so the arrows line up) and
// the sub-menu arrow. Resting on a row with a sub-menu for half a second opens it.

#include <QFrame>

class QAction;
class QCheckBox;
class QLabel;
class QTimer;
class QToolButton;
class QTvMenu;

class QTvMenuItem : public QFrame {
    Q_OBJECT

public:
    static constexpr int kHoverDelayMs = 500;

    QTvMenuItem(QAction *action, QTvMenu *menu);
    ~QTvMenuItem() override;

    QAction *Action() const { return m_pAction; }
    QLabel *TextLabel() const { return m_pText; }
    QLabel *ShortcutLabel() const { return m_pShortcut; }
    QWidget *LeadWidget() const { return m_pLead; }
    QToolButton *OptionBox() const { return m_pOptionBox; }
    bool IsHovered() const { return m_bHovered; }
    bool IsHoverTimerActive() const;

public slots:
    // The box was clicked: the action takes the box's state and its command runs.
    void slotActionSetChecked(bool checked);
    void slotHoverAlert();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // Runs the action as a click on the row does: the menu reports it, then it triggers.
    void Run();
    void ShowArrow(bool white);

    QAction *m_pAction;
    QTvMenu *m_pMenu;
    bool m_bHovered = false;
    QWidget *m_pLead = nullptr;
    QLabel *m_pText = nullptr;
    QLabel *m_pShortcut = nullptr;
    QToolButton *m_pOptionBox = nullptr;
    QLabel *m_pArrow = nullptr;
    QTimer *m_pHoverTimer = nullptr;
};
