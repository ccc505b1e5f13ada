#pragma once
// The base of the specialised property panels: a frame owned by its Properties window
// that reads the shown node into its widgets on Refresh.

#include <QFrame>

namespace General {
class Node;
}

namespace GUI {

class PropertiesDialog;

class PropertyList : public QFrame {
    Q_OBJECT

public:
    explicit PropertyList(PropertiesDialog *owner);
    // A panel that stands on its own (no Properties window) inside `parent`.
    explicit PropertyList(QWidget *parent);

    // Reads the shown node into the panel's widgets; nothing here.
    virtual void Refresh() {}
    PropertiesDialog *GetOwner() const { return m_pOwner; }
    // The owning window's shown node; null without a window.
    General::Node *GetShownNode() const;

private:
    PropertiesDialog *m_pOwner;
};

}  // namespace GUI
