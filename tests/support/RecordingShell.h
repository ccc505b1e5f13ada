#pragma once
// A shell that records what the lower layers asked of the window system, so tests
// can check the log, the progress display and the messages. Installed for the
// whole test run by the test main; each test starts it cleared.
//
// It also counts failed consistency checks: a test fails on any it did not
// announce with ExpectAssertionFailures().

#include "foundation/ShellServices.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <vector>

class RecordingShell : public General::ShellServices {
public:
    void ProgressStart(const QString &text, uint64_t total) override;
    void ProgressSet(uint64_t value) override { progressValues.push_back(value); }
    void ProgressEnd() override { ++progressEnds; }
    void ProcessEvents() override { ++eventPasses; }
    // Answers a cancel request once the events have run `cancelAfterPasses` times (never when negative).
    bool TakeCancelRequest() override { return cancelAfterPasses >= 0 && eventPasses >= cancelAfterPasses; }
    void SetMemoryLabel(const QString &text) override
    {
        memoryLabel = text;
        ++memoryLabelSets;
    }
    void SetStatusMessage(const QString &text, int state) override;
    void CriticalMessage(const QString &text) override { messages << text; }
    // Recorded as "title: text" in `boxes`.
    void ShowMessage(MessageKind kind, const QString &title, const QString &text) override;
    // Recorded in `boxes` like a message; answered from `answers` in order, then with `escape`.
    int AskQuestion(const QString &title, const QString &text, const QStringList &buttons, int byDefault,
                    int escape) override;
    void AppendLogWindow(const QString &text) override { log += text; }
    void ReleaseNode(General::Node *node) override { releasedNodes.push_back(node); }
    void AssertionFailed() override { ++m_assertionFailures; }
    QString TempFolder() const override;

    // Empties the record; the assertion count and expectation stay for the running test.
    void Clear();
    // A new test: the record, the assertion count and the expectation start over.
    void StartTest();
    bool LogContains(const QString &text) const { return log.contains(text); }

    // The running test provokes failed checks on purpose: it then fails if none was hit.
    void ExpectAssertionFailures() { m_assertionsExpected = true; }
    int AssertionFailures() const { return m_assertionFailures; }
    bool AssertionsExpected() const { return m_assertionsExpected; }

    QString log;
    QStringList progressTexts;
    std::vector<uint64_t> progressTotals;
    std::vector<uint64_t> progressValues;
    int progressEnds = 0;
    int eventPasses = 0;
    int cancelAfterPasses = -1;
    QString memoryLabel;
    int memoryLabelSets = 0;
    // Where TempFolder() points; the system's temporary folder when empty.
    QString tempFolder;
    QStringList messages;
    QStringList boxes;
    std::vector<MessageKind> boxKinds;
    std::vector<int> answers;
    // Per question: its buttons, and the label of the one Escape answers (empty when none).
    std::vector<QStringList> questionButtons;
    QStringList escapeLabels;
    QStringList statusMessages;
    std::vector<int> statusStates;
    std::vector<const General::Node *> releasedNodes;

private:
    // Checks fail on worker threads too.
    std::atomic<int> m_assertionFailures = 0;
    bool m_assertionsExpected = false;
};

// The shell installed for the test run.
RecordingShell &Recorder();
