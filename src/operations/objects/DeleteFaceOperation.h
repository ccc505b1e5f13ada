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
//
// A level that holds part of its faces pairs them with global indices in its face map.
// There the two faces' pairs are exchanged with the records, the map loses the deleted
// face's pair and the deleted face remembers its neighbours and itself by global index; a
// restore puts the pair back and joins the neighbours the map names once every face is
// back.

#include "operations/objects/FaceChangeOperation.h"

namespace Operations {

class DeleteFaceOperation final : public FaceChangeOperation {
public:
    // Deletes (or restores) every record's face, then rebuilds the level's octree and its
    // visible-face table. A level whose face map does not pair each of its faces is passed
    // over. False, with the levels of later ids untouched, when a level's faces cannot be
    // brought back into memory or its face map cannot be made.
    bool Execute() override;
    int GetType() const override { return kDeleteFace; }
};

}  // namespace Operations
