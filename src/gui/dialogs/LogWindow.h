#pragma once
// The "Log" window: the log file written so far, then every new log line as it is logged.
// Lines reach it on the GUI thread only (the log queues other threads' lines), so the
// window needs no lock. It lives in a dock tab or floats; a window closed and shown again
// receives lines again.

#include "gui/dialogs/Dialog.h"
#include "gui/dialogs/DialogFactory.h"

#include <QList>

class QPlainTextEdit;

namespace GUI {

class LogWindow : public Dialog {
    Q_OBJECT

public:
    static constexpr const char *kClassName = "LogWindow";
    using Factory = DialogFactoryOf<LogWindow>;
    static constexpr qint64 kPieceBytes = 1024;

    LogWindow(QWidget *parent, const char *name);
    ~LogWindow() override;

    static DialogChain &Chain();
    // Appends `text` to every open, enabled log window.
    static void AppendEverywhere(const QString &text);

    // This window and the older ones of the chain append `text`; disabled ones skip it.
    void Append(const QString &text);
    // The whole file read in pieces of kPieceBytes, decoded as one text (a character split
    // between two pieces stays whole); `pieces` gets the size of each piece read. Empty
    // when the file cannot be read.
    static QString LoadLogText(const QString &path, QList<qint64> *pieces = nullptr);
    QString GetText() const;
    bool IsLinked() const;

    void MakeFloating() override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QPlainTextEdit *m_pText;
};

}  // namespace GUI
