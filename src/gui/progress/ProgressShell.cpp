#include "gui/progress/ProgressShell.h"

#include <QCoreApplication>

namespace GUI {

ProgressShell::~ProgressShell()
{
    // A bar in a holder dies with the holder; a free-standing one is ours.
    if (m_pBar && !m_pBar->parentWidget())
        delete m_pBar;
}

void ProgressShell::ProgressStart(const QString &text, uint64_t total)
{
    if (m_pBar)
        m_pBar->Start(m_pHolder, text, total);
    else
        m_pBar = new ProgressBar(m_pHolder, text, total);
}

void ProgressShell::ProgressSet(uint64_t value)
{
    if (m_pBar)
        m_pBar->SetProgress(value);
}

void ProgressShell::ProgressEnd()
{
    if (m_pBar)
        m_pBar->End();
}

void ProgressShell::ProcessEvents()
{
    // Nested runs keep the flag until the outermost one returns.
    const bool was = m_bProcessingEvents;
    m_bProcessingEvents = true;
    QCoreApplication::processEvents();
    m_bProcessingEvents = was;
}

}  // namespace GUI
