#include "support/RecordingShell.h"

#include <QDir>
#include <QTemporaryDir>

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

void RecordingShell::ShowMessage(MessageKind kind, const QString &title, const QString &text)
{
    boxes << title + QStringLiteral(": ") + text;
    boxKinds.push_back(kind);
}

int RecordingShell::AskQuestion(const QString &title, const QString &text, const QStringList &buttons, int,
                                int escape)
{
    boxes << title + QStringLiteral(": ") + text;
    questionButtons.push_back(buttons);
    escapeLabels << buttons.value(escape);
    boxKinds.push_back(kInformation);
    if (answers.empty())
        return escape;
    const int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
}

// Test processes run side by side: each gets a temporary folder of its own, so that swap
// and scratch files of one never meet those of another.
QString RecordingShell::TempFolder() const
{
    static QTemporaryDir s_processFolder(QDir::temp().filePath(QStringLiteral("tevrin-test-XXXXXX")));
    return tempFolder.isEmpty() ? s_processFolder.path() : tempFolder;
}

void RecordingShell::Clear()
{
    log.clear();
    progressTexts.clear();
    progressTotals.clear();
    progressValues.clear();
    progressEnds = 0;
    eventPasses = 0;
    cancelAfterPasses = -1;
    memoryLabel.clear();
    memoryLabelSets = 0;
    tempFolder.clear();
    messages.clear();
    statusMessages.clear();
    statusStates.clear();
    releasedNodes.clear();
    boxes.clear();
    answers.clear();
    questionButtons.clear();
    escapeLabels.clear();
}

void RecordingShell::StartTest()
{
    Clear();
    m_assertionFailures = 0;
    m_assertionsExpected = false;
}

RecordingShell &Recorder()
{
    static RecordingShell shell;
    return shell;
}
