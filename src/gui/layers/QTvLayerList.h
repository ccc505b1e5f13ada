#pragma once
// The sculpt-layer tree of the "Layers" window: one row per layer (sub-layers as child
// rows) and a last row for the object's base geometry. Rows read every value from the
// layer or the object when asked and turn each edit into an undoable layer operation
// (the base row changes the object directly); locking a layer records nothing.

#include "gui/layers/QTvTreeWidget.h"

class Layer3D;
class Object;

namespace GUI {

class LayerList;
class QLayerListDelegate;

class QTvLayerList : public QTvTreeWidget {
    Q_OBJECT

public:
    enum Column { kName = 0, kTransparency = 1, kVisible = 2, kLocked = 3, kLevel = 4 };
    // First column widths: the name leaves room for the transparency slider, which needs
    // its value field (up to "100.0") and a slider a hand can drag.
    static constexpr int kNameWidth = 90;
    static constexpr int kTransparencyWidth = 150;

    explicit QTvLayerList(QWidget *parent);

    // Wide enough for every column at its first width.
    QSize sizeHint() const override;

    QLayerListDelegate *GetDelegate() const { return m_pDelegate; }
    // Whether a transparency step starts a new user action: true unless an earlier step of
    // the same slider drag started one already.
    bool TakeTransparencyActionStart();
    // Opens the editors of columns 1 to 4 on the row and all rows under it.
    void OpenEditors(QTreeWidgetItem *item);

public slots:
    void slotEditingFinished(QWidget *editor);

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void drawRow(QPainter *painter, const QStyleOptionViewItem &options, const QModelIndex &index) const override;

private:
    QLayerListDelegate *m_pDelegate;
    bool m_bSliderDrag = false;
    bool m_bDragActionStarted = false;
};

class QTvLayerListItem : public QTreeWidgetItem {
public:
    // A row of `list` for `layer` (null: the base row), under `parent` or at the top level.
    static QTvLayerListItem *Create(QTvLayerList *list, LayerList *owner, QTreeWidgetItem *parent, Layer3D *layer);
    ~QTvLayerListItem() override;

    QVariant data(int column, int role) const override;
    void setData(int column, int role, const QVariant &value) override;

    Layer3D *GetLayer() const { return m_pLayer; }
    float GetPendingTransparency() const { return m_fPendingTransparency; }
    // A transparency that waited while the window was shut is applied now.
    void ApplyPending();
    // The row's editors show the model's values again.
    void ShowValues() { emitDataChanged(); }

    static constexpr float kNonePending = -99999.0f;

private:
    QTvLayerListItem(LayerList *owner, Layer3D *layer);
    Object *GetObject() const;
    void SetTransparency(float value);
    bool ApplyTransparency(float value);

    Layer3D *m_pLayer;
    LayerList *m_pOwner;
    bool m_bBusy = false;
    float m_fPendingTransparency = kNonePending;
};

}  // namespace GUI
