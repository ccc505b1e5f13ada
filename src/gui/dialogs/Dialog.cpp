#include "gui/dialogs/Dialog.h"

#include "gui/common/HelpFiles.h"

#include <QFile>
#include <QKeyEvent>
#include <QWhatsThis>

namespace GUI {

Dialog::Dialog(QWidget *parent, const char *name) : QDialog(parent), General::Node(QString())
{
    setObjectName(QString::fromUtf8(name ? name : ""));
}

Dialog::~Dialog() = default;

void Dialog::Refresh()
{
    if (m_pNext)
        m_pNext->Refresh();
}

void Dialog::MakeFloating() {}

QString Dialog::HelpFolder() { return HelpFile(QStringLiteral("whatsthis")); }

QString Dialog::HelpPage(const QString &widgetName) const
{
    return QStringLiteral("%1/%2.%3.html").arg(HelpFolder(), objectName(), widgetName);
}

QString Dialog::GetWhatsThisText(const QString &widgetName) const
{
    static const QString suffix = QStringLiteral("_label");
    QString name = widgetName;
    if (name.endsWith(suffix))
        name.chop(suffix.size());
    QFile page(HelpPage(name));
    if (!page.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(page.readAll());
}

void Dialog::SetWhatsThis(QWidget *root)
{
    for (QObject *child : root->children()) {
        auto *widget = qobject_cast<QWidget *>(child);
        if (!widget)
            continue;
        if (!widget->children().isEmpty())
            SetWhatsThis(widget);
        const QString text = GetWhatsThisText(widget->objectName());
        if (!text.isEmpty())
            widget->setWhatsThis(text);
    }
}

bool Dialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent *>(event));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void Dialog::reject() {}

void Dialog::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
}

void Dialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1 && (event->modifiers() & Qt::AltModifier)) {
        QWhatsThis::enterWhatsThisMode();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void DialogChain::Link(Dialog *dialog)
{
    dialog->m_pNext = m_pFirst;
    m_pFirst = dialog;
}

void DialogChain::Unlink(Dialog *dialog)
{
    for (Dialog **link = &m_pFirst; *link; link = &(*link)->m_pNext)
        if (*link == dialog) {
            *link = dialog->m_pNext;
            dialog->m_pNext = nullptr;
            return;
        }
}

}  // namespace GUI
