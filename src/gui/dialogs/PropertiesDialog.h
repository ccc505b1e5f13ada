#pragma once
// The Properties window: shows one node, either in the panel of its page type or as a page
// of attribute rows. All windows form one chain (newest first); ShowNode passes a node
// along it, and every window follows the node the user picked last. A window locked to
// "Type" takes only nodes of its page type, one locked to "Object" keeps its node.
// A node that dies is let go by every window before its memory goes (ReleaseNodeEverywhere,
// reached from every node's destructor through the shell).

#include "foundation/attributes/AttributePointer.h"
#include "gui/dialogs/Dialog.h"
#include "gui/dialogs/DialogFactory.h"

class QComboBox;
class QLabel;
class QPushButton;
class QLineEdit;
class QScrollArea;
class QToolButton;
class QVBoxLayout;

namespace GUI {

class CollapsableContainer;
class PropertyList;

// The node the user picked last (in the object list or the node view).
General::AttributePointer<General::Node> &CurrentNode();

class PropertiesDialog : public Dialog {
    Q_OBJECT

public:
    static constexpr const char *kClassName = "PropertiesDialog";
    using Factory = DialogFactoryOf<PropertiesDialog>;
    enum LockMode { kLockNone = 0, kLockType = 1, kLockObject = 2 };

    // With `header` the window has the menu button and the lock combo.
    PropertiesDialog(QWidget *parent, const char *name, bool header = true);
    ~PropertiesDialog() override;

    static void Register();
    static PropertiesDialog *First() { return static_cast<PropertiesDialog *>(s_chain.First()); }
    // The node a page type shows when opened from a menu: the scene's active camera, its
    // light, the first selected object or its material, the stencil; none for the brush
    // page (it follows the current tool) or an unknown type.
    static General::Node *PageNode(const QString &page);
    // Every window showing `node` lets go of it; the picked node forgets it too.
    static void ReleaseNodeEverywhere(General::Node *node);

    // Shows the page in this window and then in every later window of the chain.
    void ShowNode(const QString &typeName, General::Node *node);
    void BuildPanel(const QString &typeName, General::Node *node);
    // Shows `node` as attribute rows here and along the chain, up to a window that refuses.
    void ShowAttributes(General::Node *node);
    void ReleaseNode();
    void SetTitle(const QString &name);
    int GetLockMode() const;
    // The window's popup: "Store To" the trays, "Duplicate Window".
    void ShowMenu(const QPoint &globalPos, const QString &typeName, General::Node *node, bool traysOnly);
    // What ShowMenu does with a chosen entry (its What's-This text).
    void RunMenuChoice(const QString &choice, const QString &typeName, General::Node *node);
    // The top-level copy of this window, locked to its node.
    PropertiesDialog *Duplicate();

    General::Node *GetNode() const { return m_pNode; }
    const QString &GetTypeName() const { return m_sTypeName; }
    const QString &GetShownName() const { return m_sName; }
    PropertyList *GetPanel() const { return m_pPanel; }
    CollapsableContainer *GetAttributePage() const { return m_pAttributePage; }
    QComboBox *GetLockCombo() const { return m_pLockCombo; }
    QToolButton *GetMenuButton() const { return m_pMenuButton; }

    void AttributeChanged(General::Attribute *attribute, int event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    // A window of its own scrolls its page and fits its height to it; a docked one lies in
    // its tab's scroll area.
    void MakeFloating() override;
    QString HelpPage(const QString &widgetName) const override;

public slots:
    void OnSetLock(int mode);

protected:
    bool event(QEvent *event) override;

private:
    // The panel of a page type; null for a type that has none.
    PropertyList *MakePanel(const QString &typeName);
    void DeletePage();
    // A window asked for a page without its node says what to select instead of standing empty.
    void ShowHint(const QString &typeName);
    // The tab's picture: the lock, the current tool's for the brush page, else the page kind's.
    QString TabIconPath() const;
    // Shows `node` as attribute rows in this window only; false when the lock refuses it.
    bool ShowOwnAttributes(General::Node *node);
    void AddPage(QWidget *page);
    // The page area goes into a scroll area of its own while the window is a window.
    void PlacePages();
    // The height that shows the whole page, as far as the screen allows.
    void FitToPages();

    static DialogChain s_chain;

    General::AttributePointer<General::Node> m_aNode{QString()};
    General::Node *m_pNode = nullptr;
    QString m_sTypeName;
    QString m_sName;
    QVBoxLayout *m_pLayout;
    QWidget *m_pPages;
    QVBoxLayout *m_pPageLayout;
    QScrollArea *m_pScroll = nullptr;
    bool m_bFitPending = false;
    QToolButton *m_pMenuButton = nullptr;
    PropertyList *m_pPanel = nullptr;
    CollapsableContainer *m_pAttributePage = nullptr;
    QComboBox *m_pLockCombo = nullptr;
    QLabel *m_pHint = nullptr;
};

}  // namespace GUI
