#include "app/welcome/WelcomeDlg.h"

#include "app/startup/CommandSwitches.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QUrl>

namespace {

QSettings UserSettings() { return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvexa"), QStringLiteral("Tevrin")); }

QLabel *AddLabel(QWidget *parent, const char *name, const QRect &geometry, const QString &text, bool openLinks = true)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setOpenExternalLinks(openLinks);
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

void ShowWelcomeIfWanted(QWidget *window)
{
    if (CommandSwitches::s_bBenchmark || !ShouldShowWelcome())
        return;
    WelcomeDlg dialog(window);
    dialog.exec();
}

WelcomeDlg::WelcomeDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("WelcomeClass"));
    setWindowTitle(tr("Welcome"));
    resize(421, 232);

    auto *layoutWidget = new QWidget(this);
    layoutWidget->setObjectName(QStringLiteral("layoutWidget"));
    layoutWidget->setGeometry(150, 180, 111, 31);
    auto *box = new QHBoxLayout(layoutWidget);
    box->setObjectName(QStringLiteral("hboxLayout"));
    box->setContentsMargins(0, 0, 0, 0);
    auto *ok = new QPushButton(tr("OK"), layoutWidget);
    ok->setObjectName(QStringLiteral("okButton"));
    box->addWidget(ok);

    QLabel *title = AddLabel(this, "label", QRect(130, 20, 141, 20), tr("Welcome to Orvexa Tevrin 1.0!"));
    QFont font(QStringLiteral("MS Shell Dlg 2"), 8);
    font.setBold(true);
    title->setFont(font);
    title->setAlignment(Qt::AlignCenter);
    AddLabel(this, "label_4", QRect(30, 100, 731, 16),
             tr("If you experience any display problems, please make sure your graphics"));
    AddLabel(this, "label_5", QRect(20, 120, 711, 20),
             tr("drivers are up-to-date and your machine meets Tevrin's "
                "<a href=\"https://www.orvexa.example/tevrin/requirements\">system requirements</a>."));
    QLabel *local = AddLabel(this, "label_3", QRect(30, 80, 351, 16),
                             tr("For a short \"Getting Started\" tutorial and other help docs please go "
                                "<a href=\"file://help/documentation/index.html\">here</a>."),
                             false);
    AddLabel(this, "label_2", QRect(30, 60, 281, 16),
             tr("For free instructional videos please go "
                "<a href=\"https://www.orvexa.example/tevrin/videos\">here</a>."));
    m_pCheckBox = new QCheckBox(tr("Do not display this window again"), this);
    m_pCheckBox->setObjectName(QStringLiteral("checkBox"));
    m_pCheckBox->setGeometry(30, 150, 251, 19);

    connect(local, &QLabel::linkActivated, this, &WelcomeDlg::on_anchor_clicked);
    connect(ok, &QPushButton::clicked, this, &WelcomeDlg::accept);
}

void WelcomeDlg::on_anchor_clicked(const QString &)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(DocumentationIndex()).absoluteFilePath()));
}

void WelcomeDlg::accept()
{
    WriteWelcomeFlag(m_pCheckBox->isChecked() ? 1u : 0u);
    QDialog::accept();
}
