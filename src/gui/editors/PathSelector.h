#pragma once
// A folder path field with a "..." button at its right end. FileSelector browses for a
// folder itself; MapSelector leaves the button to its owner.

#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

namespace GUI {

class PathSelector : public QWidget {
    Q_OBJECT

public:
    explicit PathSelector(QWidget *parent = nullptr);

    QLineEdit *GetEdit() { return &m_cEdit; }
    QPushButton *GetButton() { return &m_cBrowse; }

protected:
    // The field takes the width less 35 pixels; the 30-pixel button stands at the right.
    void resizeEvent(QResizeEvent *event) override;

    QLineEdit m_cEdit;
    QPushButton m_cBrowse;
};

class FileSelector : public PathSelector {
    Q_OBJECT

public:
    // Mode 0: the button opens the folder chooser; any other mode: the owner handles it.
    explicit FileSelector(int mode, QWidget *parent = nullptr);

    // The field's path with a '/' appended unless it ends in one of '/' or '\'; empty
    // when the field is.
    QString GetDirectory() const;

public slots:
    // Asks for a folder; a cancelled chooser leaves the field as it was.
    void OnBrowse();

private:
    int m_iMode;
};

class MapSelector : public PathSelector {
    Q_OBJECT

public:
    explicit MapSelector(QWidget *parent = nullptr);
};

}  // namespace GUI
