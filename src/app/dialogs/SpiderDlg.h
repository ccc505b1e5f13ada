#pragma once
// "Creating spider project file": the job title and the two mesh files that every computer
// of the render queue must reach.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace GUI {

class SpiderDlg : public QDialog {
    Q_OBJECT

public:
    SpiderDlg(const QString &highMeshPath, QWidget *parent);

    QLineEdit *m_cTitle;
    QLineEdit *m_cLowResPath;
    QPushButton *m_cLowResButton;
    QLineEdit *m_cHighResPath;
    QPushButton *m_cHighResButton;
    QPushButton *okButton;
    QPushButton *cancelButton;

public slots:
    void BrowseForLowMesh();
    void BrowseForHighMesh();

private:
    QString AskMeshFile();
};

}  // namespace GUI
