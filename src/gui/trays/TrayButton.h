#pragma once
// The button of one tray item: a checkable tool button that owns its item, so an item
// moved to another tray or place travels with its button and keeps its state. A middle
// press drags it.

#include <QToolButton>

#include <memory>

namespace GUI {

class TrayItem;

// The MIME type of a dragged tray item: name, label, type, icon (QString) and the
// checked flag (bool), written with QDataStream.
inline QString TrayItemMimeType() { return QStringLiteral("application/x-trayitem"); }

class QTrayItem : public QToolButton {
    Q_OBJECT

public:
    QTrayItem(std::unique_ptr<TrayItem> item, QWidget *parent);
    ~QTrayItem() override;

    TrayItem *GetItem() const { return m_pItem.get(); }
    // Text, object name and tool tip from the item (after a rename).
    void ShowItem();
    // The drag payload of this button.
    QByteArray Payload() const;

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    std::unique_ptr<TrayItem> m_pItem;
};

}  // namespace GUI
