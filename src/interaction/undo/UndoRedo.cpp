// Running operations and keeping the undo and redo histories. One user action is a
// kind-0 record followed by kind-1 records; undo and redo move whole actions between
// the two files, newest record first.

#include "foundation/Diagnostics.h"
#include "foundation/OperationBuffer.h"
#include "foundation/ShellServices.h"
#include "foundation/Timer.h"
#include "interaction/Interface.h"
#include "operations/Operation.h"
#include "scene/Scene.h"

#include <vector>

namespace {
constexpr uint64_t kEmptyPosition = 4;  // just past the stream version

void MarkModified(bool modified)
{
    if (Scene *scene = Scene::GetCurrent())
        scene->m_bModified = modified;
}

bool IsEmpty(OperationBuffer &stack) { return stack.Tell() <= kEmptyPosition; }

OperationBuffer *OtherStack(OperationBuffer *stack)
{
    return stack == Interface::UndoStack() ? Interface::RedoStack() : Interface::UndoStack();
}

// Appends and reports whether the history still holds the change; a record that did not
// go out whole leaves a change that cannot be undone.
void Record(OperationBuffer *stack, Operations::Operation &operation, char kind)
{
    if (stack && !stack->Append(operation, kind)) {
        Log("The change of type %d could not be written to the undo history\n", operation.GetType());
        Interface::s_bUnrecordedChange = true;
    }
}
}  // namespace

bool Interface::ExecuteOperation(Operations::Operation *operation, OperationBuffer *stack, bool clearOther, char kind,
                                 bool execute)
{
    if (clearOther)
        if (OperationBuffer *other = OtherStack(stack))
            other->Rewind();
    MarkModified(true);
    if (!operation || (execute && !operation->Execute()))
        return false;
    Record(stack, *operation, kind);
    return true;
}

void Interface::FinishOperation()
{
    if (InteractionHost().TestSwitch())
        PerformanceReport(-1, 0);
    if (!m_pCurrentOperation)
        return;
    if (s_pRedo)
        s_pRedo->Rewind();
    if (m_pCurrentOperation->Execute())
        Record(s_pUndo, *m_pCurrentOperation, 0);
    MarkModified(true);
    m_pCurrentOperation.reset();
}

bool Interface::ClearHistory()
{
    if (!s_pUndo || !s_pRedo)
        return false;
    s_pUndo->Rewind();
    s_pRedo->Rewind();
    return true;
}

void Interface::UndoRedo(OperationBuffer *stack)
{
    if (!stack)
        return;
    const bool undo = stack == s_pUndo;
    OperationBuffer *other = OtherStack(stack);
    if (!undo && !IsEmpty(*stack))
        MarkModified(true);

    // Every record of the action is rebuilt before any of it runs: a record that cannot be
    // rebuilt (an unknown type, damaged data) refuses the whole action. The older records
    // go with it: they name objects and faces by position as the refused action left them,
    // and a history that kept the damaged record would refuse every later undo.
    std::vector<std::unique_ptr<Operations::Operation>> action;
    bool refused = false;
    while (!IsEmpty(*stack)) {
        char kind = 0;
        std::unique_ptr<General::Recordable> record = stack->ReadPrevious(kind);
        auto *operation = dynamic_cast<Operations::Operation *>(record.get());
        if (!operation) {
            refused = true;
            break;
        }
        record.release();
        action.emplace_back(operation);
        if (kind != 1)
            break;
    }
    if (refused) {
        stack->Rewind();
        const QString message =
            undo ? QStringLiteral("ERROR: The last change cannot be undone: its undo record is damaged. "
                                  "The undo history has been emptied.")
                 : QStringLiteral("ERROR: The change cannot be redone: its redo record is damaged. "
                                  "The redo history has been emptied.");
        Log("%s\n", qPrintable(message));
        General::Shell().SetStatusMessage(message, 2);
        return;
    }

    // The action's newest record is the first written to the other stack, so the other
    // stack again holds one kind-0 record followed by kind-1 records. A record whose
    // Execute fails drops out of the history and does not take the action's start with it.
    bool first = true;
    for (std::unique_ptr<Operations::Operation> &operation : action) {
        if (operation->Execute()) {
            Record(other, *operation, first ? 0 : 1);
            first = false;
        }
        MarkModified(true);
    }
    if (undo && IsEmpty(*stack) && !s_bUnrecordedChange)
        MarkModified(false);
    // A transparency step refreshes no panel while a slider drags: the layer windows catch up here.
    InteractionHost().RefreshLayers();
}

void Interface::PerformanceReport(int parent, int depth)
{
    const uint64_t elapsed = General::Timer::Now() - General::Timer::RunStart();
    QByteArray indent;
    for (int i = 0; i < depth; ++i)
        indent += i % 4 == 0 ? "| " : "  ";
    if (parent == -1) {
        Log("===========================\n");
        Log("Performance\n");
    }
    General::Store<General::Timer::Stat> &statistics = General::Timer::Statistics();
    for (unsigned i = 0; i < statistics.GetItemCount(); ++i) {
        const General::Timer::Stat &stat = statistics[i];
        if (stat.parent != parent)
            continue;
        const double share = elapsed ? double(stat.ticks) / double(elapsed) * 100.0 : 0.0;
        Log("%s%s: %d%% - %f mhz (%d)\n", indent.constData(), stat.name ? stat.name : "", int(share),
            double(stat.ticks) * 0.0009765625 * 0.0009765625, int(stat.calls));
        PerformanceReport(int(i), depth + 1);
    }
    if (parent == -1)
        Log("===========================\n");
}
