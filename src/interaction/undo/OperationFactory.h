#pragma once
// The classes that undo records name by type id. Each operation library registers the
// classes it builds at start-up; an id without a registered class builds nothing.

#include <functional>
#include <memory>

namespace Operations {
class Operation;
}

using OperationMaker = std::function<std::unique_ptr<Operations::Operation>()>;

// Registers (or with an empty maker removes) the class of a type id; ids outside 1 to 26
// and the transform tools' ids 22 to 24 are refused.
bool SetOperationMaker(int type, OperationMaker maker);

// Registers the classes of the object and face operations: hide, lock and delete objects,
// hide and delete faces, select objects and faces, paint freeze, the layer edits, the curve
// edits, object transformations, and the move brush, whose replay needs no tool.
void RegisterObjectOperations();
// Face selection, visibility and new-layer edits of the mesh model and the scene go through
// the undo history from now on, each as one user action.
void InstallUndoableSelection();
// Registers the classes of the vertex brushes (soft, pinch, smooth, hard, layer weights,
// plain vertex changes, flatten, erase, sketch).
void RegisterBrushOperations();
