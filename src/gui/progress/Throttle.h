#pragma once
// Paces a costly step that a long operation repeats (a paint of the progress bar, a pass of
// the event loop, which may flush the whole window): at most about 30 runs a second, and
// never more than a third of the time, as the pause after a run is twice what it cost.

#include <QElapsedTimer>

#include <algorithm>

namespace GUI {

class Throttle {
public:
    // Whether a run may start now (always the first one).
    bool Due() const { return !m_cSince.isValid() || m_cSince.elapsed() >= std::max<qint64>(kInterval, 2 * m_iCost); }
    // Runs the step and measures it; the pause starts when it ends.
    template <class Step>
    void Run(Step step)
    {
        QElapsedTimer timer;
        timer.start();
        step();
        m_iCost = timer.elapsed();
        m_cSince.start();
    }
    // The next run is due at once.
    void Reset() { m_cSince.invalidate(); }

private:
    static constexpr qint64 kInterval = 33;  // milliseconds
    QElapsedTimer m_cSince;
    qint64 m_iCost = 0;
};

}  // namespace GUI
