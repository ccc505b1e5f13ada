#pragma once
// The program-wide progress meter that long operations feed. The step is a
// fraction of the total, so the bar moves (and the event loop runs) a bounded
// number of times however large the job is.

#include <QString>

#include <cstdint>

namespace General {

class ProgressMeter {
public:
    // Count 0, step = next threshold = total / divisions; shows the display.
    void Start(const QString &text, uint64_t total, uint64_t divisions);
    // Count += n; when the count passes the threshold, moves the bar and lets events run.
    void Advance(uint64_t n = 1)
    {
        m_iCount += n;
        if (m_iCount > m_iNext)
            Pass(m_iCount);
    }
    // Moves the bar to `position` when it passed the threshold (for byte-driven transfers).
    void AdvanceTo(uint64_t position)
    {
        if (position > m_iNext)
            Pass(position);
    }
    void End();

    uint64_t GetCount() const { return m_iCount; }
    uint64_t GetStep() const { return m_iStep; }

private:
    void Pass(uint64_t position);

    uint64_t m_iCount = 0;
    uint64_t m_iStep = 0;
    uint64_t m_iNext = 0;
};

// The one meter of the program.
ProgressMeter &Progress();

// A run of the program's meter that ends however its scope is left, so an error thrown
// mid-run cannot leave the wait cursor and the bar of the display behind.
class ProgressRun {
public:
    ProgressRun(const QString &text, uint64_t total, uint64_t divisions) { Progress().Start(text, total, divisions); }
    ~ProgressRun() { End(); }
    ProgressRun(const ProgressRun &) = delete;
    ProgressRun &operator=(const ProgressRun &) = delete;

    // Ends the run now; the destructor then does nothing more.
    void End()
    {
        if (!m_bEnded)
            Progress().End();
        m_bEnded = true;
    }

private:
    bool m_bEnded = false;
};

}  // namespace General
