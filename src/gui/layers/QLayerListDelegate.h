#pragma once
// The editors inside the layer rows: a name field (on a double click), a transparency
// slider, a visibility button, a lock button and a level label. Each editor writes its
// value back as soon as it changes; filling an editor from the row never writes back.

#include <QItemDelegate>

namespace GUI {

class QLayerListDelegate : public QItemDelegate {
    Q_OBJECT

public:
    static constexpr int kRowHeight = 20;

    explicit QLayerListDelegate(QObject *parent);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

signals:
    // A transparency slider of the tree was pressed or released: the steps between are one drag.
    void sliderDragged(bool pressed);

public slots:
    void emitCommitData();
    void slotVisibleButtonToggled(bool checked);
    void slotLockedButtonToggled(bool checked);

private:
    QWidget *MakeEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const;
};

}  // namespace GUI
