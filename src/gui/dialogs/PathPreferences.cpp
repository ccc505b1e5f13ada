#include "gui/dialogs/PathPreferences.h"

#include "foundation/ShellServices.h"
#include "gui/common/ModalDialogs.h"

#include <QDir>
#include <QTemporaryFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace GUI {

namespace {

QLineEdit *FolderRow(QDialog *dialog, QVBoxLayout *layout, const QString &caption, const char *name,
                     const QString &folder, void (PathPreferences::*browse)())
{
    layout->addSpacing(8);
    layout->addWidget(new QLabel(caption, dialog));
    auto *row = new QHBoxLayout;
    auto *edit = new QLineEdit(folder, dialog);
    edit->setObjectName(QString::fromLatin1(name));
    auto *button = new QPushButton(QStringLiteral("..."), dialog);
    button->setFixedWidth(20);
    button->setAutoDefault(false);
    row->addWidget(edit);
    row->addWidget(button);
    layout->addLayout(row);
    QObject::connect(button, &QPushButton::clicked, static_cast<PathPreferences *>(dialog), browse);
    return edit;
}

// Empty when the folder exists and takes a new file; otherwise the message to show.
QString CheckFolder(const QString &folder, const QString &missing, const QString &readOnly)
{
    if (folder.isEmpty() || !QDir(folder).exists())
        return missing;
    // A unique name: a file left behind by an earlier test must not make the folder look read-only.
    QTemporaryFile probe(folder + QStringLiteral("/test.XXXXXX.tmp"));
    return probe.open() ? QString() : readOnly;
}

}  // namespace

PathPreferences::PathPreferences(QWidget *parent, const QString &settingsFolder, const QString &dataFolder)
    : QDialog(parent)
{
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(new QLabel(tr("Configuration has been changed, please adjust application paths"), this));
    m_pSettings = FolderRow(this, layout, tr("Settings directory"), "settings", settingsFolder,
                            &PathPreferences::OnSetSettingsPath);
    m_pData = FolderRow(this, layout, tr("Application data directories"), "data", dataFolder,
                        &PathPreferences::OnSetDataPath);
    layout->addSpacing(8);
    auto *buttons = new QHBoxLayout;
    auto *ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("OK"));
    ok->setFixedWidth(60);
    ok->setDefault(true);
    ok->setAutoDefault(true);
    buttons->addWidget(ok);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &PathPreferences::OnOK);
}

QString PathPreferences::GetSettingsFolder() const { return m_pSettings->text(); }

QString PathPreferences::GetDataFolder() const { return m_pData->text(); }

void PathPreferences::OnSetSettingsPath()
{
    const QString folder = Modals().GetExistingDirectory(this, tr("Choose a directory"), m_pSettings->text());
    if (!folder.isEmpty())
        m_pSettings->setText(folder);
}

void PathPreferences::OnSetDataPath()
{
    const QString folder = Modals().GetExistingDirectory(this, tr("Choose a directory"), m_pData->text());
    if (!folder.isEmpty())
        m_pData->setText(folder);
}

void PathPreferences::OnOK()
{
    QString refusal = CheckFolder(GetSettingsFolder(), tr("Settings directory does not exist!"),
                                  tr("Settings directory cannot be written!"));
    if (refusal.isEmpty())
        refusal = CheckFolder(GetDataFolder(), tr("Data directory does not exist!"), tr("Data directory cannot be written!"));
    if (!refusal.isEmpty()) {
        General::Shell().CriticalMessage(refusal);
        return;
    }
    accept();
}

}  // namespace GUI
