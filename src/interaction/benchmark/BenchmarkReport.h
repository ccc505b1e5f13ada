#pragma once
// The timing report of a benchmark playback: one line per timed section, then the overall
// score, 5000 divided by the seconds all sections took.

#include <QString>

#include <cstdint>

class BenchmarkReport {
public:
    // A section starts at `nowMs` (milliseconds of any steady clock).
    void Start(const QString &name, int64_t nowMs);
    // Ends the section begun last; false (nothing measured) when none was begun.
    bool End(int64_t nowMs);
    // The section lines and the score; a run in which no section took time says so
    // instead of dividing by nothing.
    QString Finish() const;
    double TotalSeconds() const { return m_fTotal; }
    const QString &SectionName() const { return m_sSection; }

private:
    QString m_sReport;
    QString m_sSection;
    int64_t m_iStart = 0;
    bool m_bStarted = false;
    double m_fTotal = 0.0;
    int m_iSections = 0;
};
