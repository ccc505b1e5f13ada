#pragma once
// A menu whose entries are the program's own rows (QTvMenuItem): a check box or icon, the
// text, the shortcut, an option box and a sub-menu arrow. Its rows live in a vertical
// layout; Qt's own menu painting has no actions to draw.

#include <QList>
#include <QMenu>

class QAction;
class QTvAction;
class QTvMenuItem;
class QVBoxLayout;

class QTvMenu : public QMenu {
    Q_OBJECT

public:
    explicit QTvMenu(QWidget *parent = nullptr);

    // Appends a row for the action; the menu closes when the action triggers.
    void AddAction(QTvAction *action);
    void AddSeparator();

    // The actions of the rows, in order.
    const QList<QTvAction *> &Actions() const { return m_lActions; }
    const QList<QTvMenuItem *> &Rows() const { return m_lRows; }
    QAction *HoveredAction() const { return m_pHovered; }

    QSize sizeHint() const override;

    // The width a row's text takes: rich-text tags do not count.
    static int TextWidth(const QString &text, int lineWidth);

signals:
    void optionBoxActivated(QAction *action);

public slots:
    void slotActionHovered();

private:
    void FitRowWidths();

    QVBoxLayout *m_pLayout = nullptr;
    QAction *m_pHovered = nullptr;
    QList<QTvAction *> m_lActions;
    QList<QTvMenuItem *> m_lRows;
};
