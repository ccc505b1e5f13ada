#include "gui/dialogs/SysInfoWindow.h"

#include <QTextEdit>

namespace GUI {

SysInfoWindow::SysInfoWindow(QWidget *parent, const QString &performance, const QString &report)
    : Dialog(parent, "log"), m_pText(new QTextEdit(this))
{
    Chain().Link(this);
    setWindowTitle(tr("System Info"));
    resize(400, 500);
    m_pText->setReadOnly(true);
    m_pText->setPlainText(ComposeText(performance, report));
    m_pText->setGeometry(2, 2, width() - 4, height() - 4);
}

SysInfoWindow::~SysInfoWindow() { Chain().Unlink(this); }

QString SysInfoWindow::ComposeText(const QString &performance, const QString &report)
{
    if (performance.isEmpty())
        return report;
    return QStringLiteral("PERFORMANCE\n") + performance + QStringLiteral("\n") + report;
}

QString SysInfoWindow::GetText() const { return m_pText->toPlainText(); }

DialogChain &SysInfoWindow::Chain()
{
    static DialogChain chain;
    return chain;
}

void SysInfoWindow::resizeEvent(QResizeEvent *event)
{
    Dialog::resizeEvent(event);
    m_pText->setGeometry(2, 2, width() - 4, height() - 4);
}

}  // namespace GUI
