#pragma once
// Menus of node classes: a ClassMenu lists the named nodes of exactly one class (filled
// each time it opens) and may offer to create a new one; a NodeMenu holds one ClassMenu
// per registered class. The node chosen last is kept for the caller to take, checked
// against the node list so a node that died meanwhile is never handed out.

#include <QMenu>

namespace General {
class Node;
class TypeInfo;
}

namespace GUI {

class ClassMenu : public QMenu {
    Q_OBJECT

public:
    // With an empty `creationText` the menu offers no creation entry; with `openPanel` a
    // chosen node is shown in a floating panel.
    ClassMenu(const General::TypeInfo *record, const QString &title, const QString &creationText, bool openPanel,
              QWidget *parent = nullptr);

    // The node chosen last (once), or null when none is chosen or it is gone.
    static General::Node *TakePicked();

public slots:
    void OnShow();
    void OnAction(QAction *action);

private:
    static void SetPicked(General::Node *node);

    const General::TypeInfo *m_pRecord;
    QString m_sCreationText;
    bool m_bFilled = false;
    bool m_bOpenPanel;
};

class NodeMenu : public QMenu {
    Q_OBJECT

public:
    // One sub-menu per registry record, in registry order.
    NodeMenu(bool creationEntries, bool openPanel, QWidget *parent = nullptr);
};

}  // namespace GUI
