#pragma once
// The "Node View" window: a tool bar with "Add Node To Table" (a menu of node classes
// and their named nodes) above the scrolled node graph canvas.

#include "gui/dialogs/Dialog.h"
#include "gui/dialogs/DialogFactory.h"

class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;

namespace GUI {

class NodeTable;

class NodeTableDialog : public Dialog {
    Q_OBJECT

public:
    static constexpr const char *kClassName = "NodeTableDialog";
    using Factory = DialogFactoryOf<NodeTableDialog>;

    NodeTableDialog(QWidget *parent, const char *name);
    ~NodeTableDialog() override;

    static void Register();
    static NodeTableDialog *First() { return static_cast<NodeTableDialog *>(s_chain.First()); }

    // Repaints the canvas, then the next window's.
    void Refresh() override;
    NodeTable *GetTable() const { return m_pTable; }
    QComboBox *GetCreatorCombo() const { return m_pCreatorCombo; }
    QPushButton *GetAddButton() const { return m_pViewNode; }

public slots:
    void OnAddNodeButton();
    void OnClassSelected(int index);

private:
    static DialogChain s_chain;

    QScrollArea *m_pScroll;
    NodeTable *m_pTable;
    QPushButton *m_pViewNode;
    QLabel *m_pCreatorLabel;
    QComboBox *m_pCreatorCombo;
};

}  // namespace GUI
