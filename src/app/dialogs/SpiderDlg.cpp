#include "app/dialogs/SpiderDlg.h"

#include "gui/common/ModalDialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace GUI {

SpiderDlg::SpiderDlg(const QString &highMeshPath, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SpiderDlg"));
    setWindowTitle(tr("Creating spider project file"));
    auto *grid = new QGridLayout(this);
    auto row = [&](int r, const char *name, const QString &text, QLineEdit *&edit, QPushButton **button,
                   const char *editName, const char *buttonName) {
        auto *label = new QLabel(text, this);
        label->setObjectName(QLatin1String(name));
        edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(editName));
        grid->addWidget(label, r, 0);
        grid->addWidget(edit, r, 1);
        if (button) {
            *button = new QPushButton(QStringLiteral("..."), this);
            (*button)->setObjectName(QLatin1String(buttonName));
            (*button)->setFixedWidth(30);
            grid->addWidget(*button, r, 2);
        }
    };
    row(0, "label", tr("Job title:"), m_cTitle, nullptr, "m_cTitle", nullptr);
    row(1, "label_2", tr("Low resolution mesh:"), m_cLowResPath, &m_cLowResButton, "m_cLowResPath", "m_cLowResButton");
    row(2, "label_3", tr("High resolution mesh:"), m_cHighResPath, &m_cHighResButton, "m_cHighResPath",
        "m_cHighResButton");
    auto *layoutWidget = new QWidget(this);
    layoutWidget->setObjectName(QStringLiteral("layoutWidget"));
    auto *hboxLayout = new QHBoxLayout(layoutWidget);
    hboxLayout->setObjectName(QStringLiteral("hboxLayout"));
    okButton = new QPushButton(tr("OK"), layoutWidget);
    okButton->setObjectName(QStringLiteral("okButton"));
    cancelButton = new QPushButton(tr("Cancel"), layoutWidget);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    hboxLayout->addStretch();
    hboxLayout->addWidget(okButton);
    hboxLayout->addWidget(cancelButton);
    grid->addWidget(layoutWidget, 3, 0, 1, 3);
    m_cHighResPath->setText(highMeshPath);
    m_cTitle->setText(QStringLiteral("tevrin map extraction"));
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_cLowResButton, &QPushButton::clicked, this, &SpiderDlg::BrowseForLowMesh);
    connect(m_cHighResButton, &QPushButton::clicked, this, &SpiderDlg::BrowseForHighMesh);
}

QString SpiderDlg::AskMeshFile()
{
    QString chosenFilter;
    return Modals().GetSaveFileName(parentWidget(),
                                    tr("File to hold the lowres mesh (must be accessible for all computers)"),
                                    QString(), QStringLiteral("Obj files (*.obj)"), chosenFilter);
}

void SpiderDlg::BrowseForLowMesh() { m_cLowResPath->setText(AskMeshFile()); }

void SpiderDlg::BrowseForHighMesh() { m_cHighResPath->setText(AskMeshFile()); }

}  // namespace GUI
