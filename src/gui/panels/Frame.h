#pragma once
// A dock frame of the main window: a dock widget holding one tab panel named "tab". It
// moves only while it floats; its object name is fixed (untranslated), so the saved
// window layout finds it again, while its title is the translated caption.

#include <QDockWidget>

namespace GUI {

class TabPanel;

class Frame : public QDockWidget {
    Q_OBJECT

public:
    Frame(QWidget *parent, const QString &name, const QString &caption);

    TabPanel *GetPanel() const { return m_pPanel; }
    // Appends `widget` as a page of the frame's panel; the page.
    QWidget *AddTab(QWidget *widget, const QString &title);

public slots:
    // Moving is allowed exactly while the frame floats.
    void PlaceChanged(bool floating);

private:
    TabPanel *m_pPanel;
};

}  // namespace GUI
