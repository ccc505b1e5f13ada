#include "support/RecordingShell.h"

#include <QDir>

void RecordingShell::ProgressStart(const QString &text, uint64_t total)
{
    progressTexts << text;
    progressTotals.push_back(total);
}

void RecordingShell::SetStatusMessage(const QString &text, int state)
{
    statusMessages << text;
    statusStates.push_back(state);
}

QString RecordingShell::TempFolder() const { return tempFolder.isEmpty() ? QDir::tempPath() : tempFolder; }

void RecordingShell::Clear() { *this = RecordingShell(); }

RecordingShell &Recorder()
{
    static RecordingShell shell;
    return shell;
}
