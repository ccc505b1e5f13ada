#pragma once
// The "Object List" window: the scene as a tree (cameras with their image planes, lights,
// objects with their transformation, levels and layers, materials, the stencil, the
// displacement and texture-baker nodes, selection sets and curves) with per-row figures.
// Selecting rows selects the matching faces and shows the node in the Properties
// windows; a right click opens the scene pop-up of the row's kind; a small menu chooses
// which kinds are listed. The tree is rebuilt by Refresh only; a Refresh that arrives
// while a selection is being applied is carried out once it is done.

#include "foundation/attributes/AttributePointer.h"
#include "gui/dialogs/Dialog.h"
#include "gui/dialogs/DialogFactory.h"

#include <QSet>

class QTimer;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace GUI {

class OutlinerItem;

class SceneInfoDialog : public Dialog {
    Q_OBJECT

public:
    static constexpr const char *kClassName = "SceneInfoDialog";
    using Factory = DialogFactoryOf<SceneInfoDialog>;
    enum Show { kCameras, kLights, kGeometry, kMaterials, kStencils, kShowCount };

    SceneInfoDialog(QWidget *parent, const char *name);
    ~SceneInfoDialog() override;

    static void Register();
    static SceneInfoDialog *First() { return static_cast<SceneInfoDialog *>(s_chain.First()); }
    // Rebuilds every open Object List window.
    static void RefreshAll() { s_chain.Refresh(); }

    // Rebuilds the tree, then the next window's.
    void Refresh() override;
    void MakeFloating() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    // The filter menu's choice: "All", "None", or the kind whose flag it toggles
    // ("Camera", "Geometry", "Light", "Material", "Stencil"); the tree is rebuilt.
    void ApplyFilter(const QString &choice);
    bool IsShown(Show kind) const { return m_bShow[kind]; }
    // Opens the scene pop-up of the first selected row at the global position; false when
    // no row with a live node is selected.
    bool OpenRowMenu(const QPoint &globalPos);

    QTreeWidget *GetTree() const { return m_pTree; }
    QToolButton *GetMenuButton() const { return m_pMenuButton; }
    OutlinerItem *GetHighlighted() const { return m_pHighlighted; }
    // The view is redrawn on the next tick (the timer runs only while one is pending).
    void SetRedrawPending();

public slots:
    void OnSelect();
    void OnTimer();

private:
    void Build();
    // The row that decides what the Properties windows show: the current row when it is
    // selected, else the last selected one.
    OutlinerItem *DecidingRow(const QList<QTreeWidgetItem *> &rows) const;
    void ShowInProperties(OutlinerItem *row);

    static DialogChain s_chain;

    bool m_bRedrawPending = false;
    QTimer *m_pTimer;
    QToolButton *m_pMenuButton;
    QTreeWidget *m_pTree;
    General::AttributePointer<General::Node> m_aNode{QString()};
    bool m_bShow[kShowCount] = {true, true, true, true, true};
    bool m_bSelecting = false;
    bool m_bRebuilding = false;
    bool m_bRefreshDeferred = false;
    OutlinerItem *m_pHighlighted = nullptr;
};

}  // namespace GUI
