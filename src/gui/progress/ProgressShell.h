#pragma once
// The program's side of the progress calls that the lower layers make through
// General::ShellServices: one ProgressBar, made on the first run under the main window's
// progress holder and reused afterwards. The main window's shell derives from this one.

#include "foundation/ShellServices.h"
#include "gui/progress/ProgressBar.h"

#include <QPointer>

namespace GUI {

class ProgressShell : public General::ShellServices {
public:
    ~ProgressShell() override;

    void ProgressStart(const QString &text, uint64_t total) override;
    void ProgressSet(uint64_t value) override;
    void ProgressEnd() override;
    // Lets the event loop run once, with the busy flag set meanwhile.
    void ProcessEvents() override;

    // The widget that parents the bar (the main window's status area); null for none.
    void SetProgressHolder(QWidget *holder) { m_pHolder = holder; }
    // The bar, null before the first run (or after its holder deleted it).
    ProgressBar *GetBar() const { return m_pBar; }
    // True while ProcessEvents runs the event loop inside a long operation.
    bool IsProcessingEvents() const { return m_bProcessingEvents; }

private:
    QPointer<QWidget> m_pHolder;
    QPointer<ProgressBar> m_pBar;
    bool m_bProcessingEvents = false;
};

}  // namespace GUI
