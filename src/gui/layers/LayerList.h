#pragma once
// The "Layers" tool window: the sculpt layers of one object (the active object, or the
// one it is locked to) in a layer tree, the layer commands in a menu behind the triangle
// button, the "Show Mask" switch and the lock button. Selecting a row makes its layer the
// active one; dragging rows with the middle button reorders and regroups the layers. Every
// layer change is an undoable layer operation.

#include "gui/dialogs/Dialog.h"
#include "gui/dialogs/DialogFactory.h"

#include <vector>

class Layer3D;
class Object;
class QCheckBox;
class QMenu;
class QPushButton;
class QToolButton;
class QTreeWidgetItem;

namespace GUI {

class ObjectInfo;
class QTvLayerList;
class QTvLayerListItem;

class LayerList : public Dialog {
    Q_OBJECT

public:
    static constexpr const char *kClassName = "LayerList";
    using Factory = DialogFactoryOf<LayerList>;
    // Menu ids: command = id % 256, axis = id / 256.
    // The symmetry target (the layer mirror and flip write into) is chosen with command 5.
    enum MenuCommand {
        kNewLayer = 0, kDeleteLayer, kDuplicateLayer, kMergeVisible, kFlatten, kSetSymmetryTarget, kMirror, kFlip
    };

    LayerList(QWidget *parent, const char *name);
    ~LayerList() override;

    static DialogChain &Chain();
    static LayerList *First() { return static_cast<LayerList *>(Chain().First()); }
    // Every open window brings itself up to date.
    static void UpdateEverywhere(bool force);
    // The object is leaving the scene: no window may keep it.
    static void ForgetObjectEverywhere(Object *object);

    // Re-reads the object and its layers; the tree is rebuilt when forced or when the
    // object or the layers' arrangement changed, else the rows show their values again.
    void UpdateLayers(bool force);
    void Refresh() override;
    // A forced update once the edit running now has returned.
    void RequestRebuild();
    void ForgetObject(Object *object);

    Object *GetObject() const { return m_pObject; }
    bool IsLocked() const { return m_bLocked; }
    QTvLayerList *GetTree() const { return m_pTree; }
    QCheckBox *GetShowMask() const { return m_pShow; }
    QToolButton *GetMenuButton() const { return m_pMenuButton; }
    // The row of a layer (null: the base row); null when there is none.
    QTvLayerListItem *FindRow(const Layer3D *layer) const;

    // The context menu: entries carry their ids as data; ids 0 to 7 only with an object.
    QMenu *BuildMenu(QWidget *parent);
    // Runs the entry with that id.
    void RunMenuCommand(int id);

    bool eventFilter(QObject *watched, QEvent *event) override;

public slots:
    void aboutToQuit();
    void OnSetLock(bool on);
    void OnSelect();
    void OnAdd();
    void OnDelete();
    void OnDuplicate();
    void OnMerge();
    void OnFlatten();
    void OnSetSymTarget();
    void OnShowToggled();
    void OnMirror(int axis);
    void OnFlip(int axis);
    void OnReparent(QTreeWidgetItem *item, QTreeWidgetItem *newParent, int index);
    void OnMove(QTreeWidgetItem *item, int index);

protected:
    void changeEvent(QEvent *event) override;

private:
    struct Shown {
        const Layer3D *layer;
        const Layer3D *parent;
        bool operator==(const Shown &) const = default;
    };
    std::vector<Shown> Arrangement() const;
    void Rebuild();
    void ApplyPalette();
    void AddRows(QTreeWidgetItem *parent, Layer3D *first);
    // The layer of the first selected row; `any` false when no row is selected.
    Layer3D *SelectedLayer(bool &any) const;
    void ShowActiveLayer();

    Object *m_pObject = nullptr;
    bool m_bLocked = false;
    QCheckBox *m_pShow;
    QToolButton *m_pMenuButton;
    QPushButton *m_pLockButton;
    QTvLayerList *m_pTree;
    ObjectInfo *m_pInfo;  // the shown object's figures, hidden without one
    std::vector<Shown> m_aShown;
    bool m_bRebuilding = false;
    bool m_bRebuildPosted = false;
};

}  // namespace GUI
