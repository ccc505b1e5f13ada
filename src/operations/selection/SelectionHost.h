#pragma once
// What the selection operations (and the other edits that the mesh model starts) need of
// the interaction layer: running or recording an edit as one user action in the undo history, and ending a stroke whose first sample missed every
// mesh. The interaction layer installs its implementation; until then an action is
// executed outside the history and a missed stroke just ends. Tests install recording ones.

#include "foundation/Installable.h"

namespace Operations {

class Operation;

class SelectionHost : public General::Installable<SelectionHost> {
public:
    virtual ~SelectionHost() = default;

    // Executes the operation and records it as a new user action (the caller keeps it).
    virtual bool RunAction(Operation &operation);
    // Records an edit that is already made as a new user action.
    virtual bool RecordAction(Operation &operation) { return true; }
    // The current stroke ends without a record: the draw button counts as released and the
    // stroke's operation is dropped once the sample that asked for it has returned.
    virtual void AbandonStroke() {}
    // Empties the undo and redo histories; false when none was emptied (the default has none).
    virtual bool ClearHistory() { return false; }
};

}  // namespace Operations
