// Selection and visibility edits become user actions in the undo history.
#include "interaction/Interface.h"
#include "interaction/undo/OperationFactory.h"
#include "operations/selection/SelectionEdits.h"
#include "operations/selection/SelectionHost.h"

namespace {

class HistorySelectionHost final : public Operations::SelectionHost {
public:
    bool RunAction(Operations::Operation &operation) override
    {
        return Interface::ExecuteOperation(&operation, Interface::UndoStack(), true, 0, true);
    }
    bool RecordAction(Operations::Operation &operation) override
    {
        return Interface::ExecuteOperation(&operation, Interface::UndoStack(), true, 0, false);
    }
    bool ClearHistory() override { return Interface::ClearHistory(); }
};

}  // namespace

void InstallUndoableSelection()
{
    static HistorySelectionHost host;
    Operations::SelectionHost::Install(&host);
    Operations::InstallSelectionEdits();
}
