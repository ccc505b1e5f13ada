#include "gui/dialogs/LogWindow.h"

#include "foundation/LogFile.h"
#include "gui/panels/PanelWindow.h"

#include <QCloseEvent>
#include <QFile>
#include <QPlainTextEdit>
#include <QStringDecoder>
#include <QTextCursor>

namespace GUI {

LogWindow::LogWindow(QWidget *parent, const char *) : Dialog(parent, "log"), m_pText(new QPlainTextEdit(this))
{
    Chain().Link(this);
    setWindowTitle(tr("Log"));
    resize(400, 120);
    m_pText->setGeometry(2, 2, width() - 4, height() - 4);
    m_pText->setReadOnly(true);
    // The file actually being written (its name carries the copy's suffix).
    m_pText->setPlainText(LoadLogText(General::GetLogFilePath()));
    m_pText->moveCursor(QTextCursor::End);
}

LogWindow::~LogWindow() { Chain().Unlink(this); }

DialogChain &LogWindow::Chain()
{
    static DialogChain chain;
    return chain;
}

void LogWindow::AppendEverywhere(const QString &text)
{
    if (auto *first = static_cast<LogWindow *>(Chain().First()))
        first->Append(text);
}

void LogWindow::Append(const QString &text)
{
    for (Dialog *window = this; window; window = window->GetNext()) {
        auto *log = static_cast<LogWindow *>(window);
        if (!log->isEnabled())
            continue;
        // Lines carry their own line ends: the text goes on where the last one stopped.
        QTextCursor end(log->m_pText->document());
        end.movePosition(QTextCursor::End);
        end.insertText(text);
    }
}

QString LogWindow::LoadLogText(const QString &path, QList<qint64> *pieces)
{
    if (path.isEmpty())
        return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QStringDecoder decode(QStringDecoder::System);
    QString text;
    for (;;) {
        const QByteArray piece = file.read(kPieceBytes);
        if (piece.isEmpty())
            break;
        if (pieces)
            pieces->append(piece.size());
        text += decode(piece);
    }
    return text;
}

QString LogWindow::GetText() const { return m_pText->toPlainText(); }

bool LogWindow::IsLinked() const
{
    for (const Dialog *window = Chain().First(); window; window = window->GetNext())
        if (window == this)
            return true;
    return false;
}

void LogWindow::MakeFloating()
{
    QWidget *main = parentWidget() ? parentWidget()->window() : nullptr;
    setParent(main, kFloatingPanelFlags);
    move(600, 600);
    show();
    resize(400, 140);
}

void LogWindow::showEvent(QShowEvent *event)
{
    // A window closed and shown again (a dock tab brought back) hears the log again.
    if (!IsLinked())
        Chain().Link(this);
    Dialog::showEvent(event);
}

void LogWindow::closeEvent(QCloseEvent *event)
{
    Chain().Unlink(this);
    // A tool window ignores rejection (Escape), which the dialog's own close would ask for.
    QWidget::closeEvent(event);
}

void LogWindow::resizeEvent(QResizeEvent *event)
{
    Dialog::resizeEvent(event);
    m_pText->setGeometry(2, 2, width() - 4, height() - 4);
}

}  // namespace GUI
