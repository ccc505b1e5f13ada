#pragma once
// The connection icon at the right end of an attribute row. Dragging it onto another sign
// connects the two attributes (the dragged one becomes the source); its context menu
// removes the source or every target. The drag carries a process-local sign id, looked up
// in a table of live signs: text that names no live sign is ignored.

#include <QLabel>

namespace GUI {

class AttributeWidget;

class AttributeSign : public QLabel {
    Q_OBJECT

public:
    explicit AttributeSign(AttributeWidget *row);
    ~AttributeSign() override;

    // Picture and tooltip after the attribute's connections; throws General::Error when the
    // picture cannot be loaded.
    void Refresh();
    AttributeWidget *GetRow() const { return m_pRow; }
    // The drag text of this sign, and the live sign a drag text names (null for any other text).
    QString DragText() const;
    static AttributeSign *FromDragText(const QString &text);

    // The menu's two commands.
    void RemoveSource();
    void RemoveAllTargets();
    // Connects the attribute of `dragged` to this sign's attribute, as a drop does; false
    // when the drop is not taken (the same attribute).
    bool DropFrom(AttributeSign *dragged);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    AttributeWidget *m_pRow;
    quint64 m_iId;
};

// Fires the connection gate, on which the node graph redraws.
void FireConnectionGate();

}  // namespace GUI
