#pragma once
// The row that edits one attribute: a name label, an editor and the connection sign at the
// right end. The row follows its attribute through a watch; every slot first checks that
// the attribute's node is still alive (same pointer and serial in the node list), so a row
// that outlives its node stays inert.

#include "foundation/Node.h"
#include "foundation/attributes/AttributeWatch.h"

#include <QWidget>

class QLabel;

namespace General {
class Error;
}

namespace GUI {

class AttributeSign;

class AttributeWidget : public QWidget, public General::Node {
    Q_OBJECT

public:
    static constexpr int kRowHeight = 20;

    // `width` is the editor width, used by the concrete kinds.
    AttributeWidget(QWidget *parent, int width, General::Attribute *attribute);
    ~AttributeWidget() override;

    QSize sizeHint() const override;
    void AttributeChanged(General::Attribute *attribute, int event) override;

    // Shows the attribute's current value.
    virtual void Refresh() {}
    // Places the editor between two x positions.
    virtual void SetEditorGeometry(int left, int right) {}
    virtual void LayoutRow(int left, int right, bool labelled);
    // Sizes the row to `width`: sign at the right end, label and editor before it.
    virtual void Place(int width, bool labelled);

    // Whether the attribute's node is still the one the row was built for.
    bool IsNodeAlive() const;
    General::Attribute *GetAttribute() const { return m_pAttribute; }
    AttributeSign *GetSign() const { return m_pSign; }
    QLabel *GetLabel() const { return m_pLabel; }
    // The least width of the label column (its label and the gap before the editor); the
    // page gives every row the width its longest label needs.
    void SetLabelColumn(int width) { m_iLabelColumn = width; }

protected:
    General::Attribute *m_pAttribute;

private:
    General::Node *m_pOwner;
    int m_iOwnerSerial;
    General::AttributeWatch m_aWatch;
    bool m_bDestroying = false;
    QLabel *m_pLabel;
    AttributeSign *m_pSign;
    float m_fLabelFraction;
    int m_iLabelColumn = 0;
    int m_iRowHeight = kRowHeight;
    bool m_bLeftAligned = false;
};

}  // namespace GUI
