#pragma once
// A small window of its own around one panel (a node's properties), scrolled vertically.

#include <QDialog>

namespace GUI {

class FloatingPanel : public QDialog {
    Q_OBJECT

public:
    // Takes `panel`; width 300 and the panel's height; shown at once, modal as asked.
    FloatingPanel(QWidget *parent, QWidget *panel, const QString &caption, bool modal);

    QWidget *GetPanel() const { return m_pPanel; }

private:
    QWidget *m_pPanel;
};

}  // namespace GUI
