#pragma once
// Removing faces from a level and restoring them, undoable. A record's byte is 0 to
// delete its face and non-zero to restore it; Execute flips it, so the same call undoes
// and redoes.
//
// A deleted face swaps places with the last face and the face count drops, so each
// deletion costs only the work on the two faces and their neighbours. The deleted face
// keeps in its first word the slot it left, which is where the face that took the slot
// now lives: a later record naming a moved face follows these words. Its neighbour words
// keep its neighbours (with the top bit set) so that a restore can join them again.
// Restores run in the reverse order and undo each swap exactly, so every face is back at
// the index it had.

#include "operations/objects/FaceChangeOperation.h"

namespace Operations {

class DeleteFaceOperation final : public FaceChangeOperation {
public:
    // Deletes (or restores) every record's face, then rebuilds the level's octree and its
    // visible-face table. Levels that show only part of their faces are passed over: their
    // face maps tie them to finer levels. Always true.
    bool Execute() override;
    int GetType() const override { return kDeleteFace; }
};

}  // namespace Operations
