#include "foundation/Progress.h"

#include "foundation/ShellServices.h"

namespace General {

void ProgressMeter::Start(const QString &text, uint64_t total, uint64_t divisions)
{
    m_iCount = 0;
    m_iStep = divisions ? total / divisions : total;
    m_iNext = m_iStep;
    Shell().ProgressStart(text, total);
}

void ProgressMeter::Pass(uint64_t position)
{
    // A step of 0 (tiny totals) would otherwise stop the threshold from ever moving past the position.
    m_iNext = m_iStep ? m_iNext + m_iStep : position;
    Shell().ProgressSet(position);
    Shell().ProcessEvents();
}

void ProgressMeter::End() { Shell().ProgressEnd(); }

ProgressMeter &Progress()
{
    static ProgressMeter meter;
    return meter;
}

}  // namespace General
