#pragma once
// The one progress bar of the program: a small frame in the main window's status area
// that shows how far a long operation is, with a status text and the wait cursor. It is
// made on the first run and reused (hidden in between) for every later one.

#include "gui/progress/Throttle.h"

#include <QFrame>
#include <QString>

#include <cstdint>

namespace GUI {

class ProgressBar : public QFrame {
    Q_OBJECT

public:
    // Makes the bar and starts a run at once.
    ProgressBar(QWidget *parent, const QString &text, uint64_t total);
    // Ends an open run, so the wait cursor never outlives the bar.
    ~ProgressBar() override;

    // Moves the bar under `parent` at 100 × 18 pixels, shows `text` in the status line,
    // starts at 0 of `total`, shows the bar and the wait cursor.
    void Start(QWidget *parent, const QString &text, uint64_t total);
    // Stores `value` when a run is open and it lies within 0..total; other values are
    // ignored. Only the bar is painted, paced by a Throttle (and always at the end), so
    // that the steps of a fast operation cost next to nothing.
    void SetProgress(uint64_t value);
    // How many times the bar was painted for SetProgress since the run started.
    int GetPaintCount() const { return m_iPaints; }
    // Restores the cursor, clears the status line and hides the bar. The cursor is taken
    // back once per run however often End is called, and Start during an open run does
    // not push it again, so a run cut short cannot leave the wait cursor behind.
    void End();

    bool IsRunning() const { return m_bRunning; }
    uint64_t GetTotal() const { return m_iTotal; }
    uint64_t GetValue() const { return m_iValue; }
    // Width in pixels of the filled part: (width - 4) × value / total, 0 for total 0.
    int FillWidth() const;
    // "N%" with the percentage truncated; empty while value or total is 0.
    QString PercentText() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    uint64_t m_iTotal = 0;
    uint64_t m_iValue = 0;
    bool m_bRunning = false;
    Throttle m_cPaints;
    int m_iPaints = 0;
};

}  // namespace GUI
