#include "app/welcome/WelcomeDlg.h"

#include "app/startup/CommandSwitches.h"
#include "foundation/ShellServices.h"
#include "gui/common/HelpFiles.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QSettings UserSettings() { return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvexa"), QStringLiteral("Tevrin")); }

QLabel *AddLabel(QBoxLayout *layout, const char *name, const QString &text, bool openLinks = true)
{
    auto *label = new QLabel(text);
    label->setObjectName(QString::fromLatin1(name));
    label->setOpenExternalLinks(openLinks);
    layout->addWidget(label);
    return label;
}

}  // namespace

uint32_t ReadWelcomeFlag() { return UserSettings().value(QStringLiteral("Welcome"), 0u).toUInt(); }

void WriteWelcomeFlag(uint32_t value)
{
    QSettings settings = UserSettings();
    settings.setValue(QStringLiteral("Welcome"), value);
}

bool ShouldShowWelcome() { return (ReadWelcomeFlag() & 0x0FFFFFFFu) == 0; }

QString WelcomeDlg::DocumentationIndex() { return GUI::HelpFile(QStringLiteral("documentation/index.html")); }

void WelcomeDlg::OpenDocumentation()
{
    const QString page = QFileInfo(DocumentationIndex()).absoluteFilePath();
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(page)))
        General::Shell().SetStatusMessage(tr("No program opens the documentation: open %1").arg(page), 0);
}

void ShowWelcomeIfWanted(QWidget *window)
{
    // Nobody is there to close it in an unattended run.
    if (CommandSwitches::s_bBenchmark || CommandSwitches::s_bUnattended || !ShouldShowWelcome())
        return;
    WelcomeDlg dialog(window);
    dialog.exec();
}

WelcomeDlg::WelcomeDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("WelcomeClass"));
    setWindowTitle(tr("Welcome"));
    // Laid out rather than placed: the texts keep their room in whatever font the system gives.
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 12);
    QLabel *title = AddLabel(layout, "label", tr("Welcome to Orvexa Tevrin 1.0!"));
    QFont font = title->font();
    font.setBold(true);
    title->setFont(font);
    title->setAlignment(Qt::AlignCenter);
    layout->addSpacing(8);
    AddLabel(layout, "label_2",
             tr("For free instructional videos please go "
                "<a href=\"https://www.orvexa.example/tevrin/videos\">here</a>."));
    QLabel *local = AddLabel(layout, "label_3",
                             tr("For a short \"Getting Started\" tutorial and other help docs please go "
                                "<a href=\"file://help/documentation/index.html\">here</a>."),
                             false);
    AddLabel(layout, "label_4", tr("If you experience any display problems, please make sure your graphics"));
    AddLabel(layout, "label_5",
             tr("drivers are up-to-date and your machine meets Tevrin's "
                "<a href=\"https://www.orvexa.example/tevrin/requirements\">system requirements</a>."));
    layout->addSpacing(8);
    m_pCheckBox = new QCheckBox(tr("Do not display this window again"), this);
    m_pCheckBox->setObjectName(QStringLiteral("checkBox"));
    layout->addWidget(m_pCheckBox);
    auto *box = new QHBoxLayout;
    box->setObjectName(QStringLiteral("hboxLayout"));
    auto *ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    box->addStretch();
    box->addWidget(ok);
    box->addStretch();
    layout->addLayout(box);

    connect(local, &QLabel::linkActivated, this, &WelcomeDlg::on_anchor_clicked);
    connect(ok, &QPushButton::clicked, this, &WelcomeDlg::accept);
}

void WelcomeDlg::on_anchor_clicked(const QString &) { OpenDocumentation(); }

void WelcomeDlg::accept()
{
    WriteWelcomeFlag(m_pCheckBox->isChecked() ? 1u : 0u);
    QDialog::accept();
}
