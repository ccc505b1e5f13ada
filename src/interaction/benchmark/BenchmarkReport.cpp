#include "interaction/benchmark/BenchmarkReport.h"

#include "foundation/Diagnostics.h"

void BenchmarkReport::Start(const QString &name, int64_t nowMs)
{
    m_sSection = name;
    m_iStart = nowMs;
    m_bStarted = true;
}

bool BenchmarkReport::End(int64_t nowMs)
{
    if (!m_bStarted) {
        Log("A benchmark section ended that never started\n");
        return false;
    }
    m_bStarted = false;
    const double seconds = double(nowMs - m_iStart) * 0.001;
    const QByteArray name = m_sSection.toUtf8();
    Log("Section %s took %f secs\n", name.constData(), seconds);
    m_sReport += QString::asprintf("%s: %f secs\n", name.constData(), seconds);
    m_fTotal += seconds;
    ++m_iSections;
    return true;
}

QString BenchmarkReport::Finish() const
{
    if (m_iSections == 0)
        return m_sReport + QStringLiteral("No section ran: no overall score\n");
    // Sections too short for the clock have no meaningful score either.
    if (!(m_fTotal > 0.0))
        return m_sReport + QStringLiteral("Overall score: 0\n");
    return m_sReport + QString::asprintf("Overall score: %d\n", int(5000.0 / m_fTotal));
}
