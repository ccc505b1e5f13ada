#pragma once
// The "System Info" window: the machine's report for support, preceded by a performance
// report when there is one (benchmark playback opens it with its timing report).

#include "gui/dialogs/Dialog.h"

class QTextEdit;

namespace GUI {

class SysInfoWindow : public Dialog {
    Q_OBJECT

public:
    // `report` is the system report the application shell makes; `performance` may be empty.
    SysInfoWindow(QWidget *parent, const QString &performance, const QString &report);
    ~SysInfoWindow() override;

    // The window's whole text: "PERFORMANCE", the performance text and an empty line
    // before the report when there is a performance text; the report alone otherwise.
    static QString ComposeText(const QString &performance, const QString &report);

    QString GetText() const;

    static DialogChain &Chain();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QTextEdit *m_pText;
};

}  // namespace GUI
