#pragma once
// Hiding and showing faces, undoable. Each record holds a face and the visibility it is
// to take; Execute swaps that with the face's, so the same call undoes and redoes. A
// hidden face leaves the octree, so picks pass through it; it goes back in when the
// octree is next updated.

#include "operations/objects/FaceChangeOperation.h"

namespace Operations {

class HideFaceOperation final : public FaceChangeOperation {
public:
    // Swaps every record's visibility with its face's and brings the level's counts, its
    // face index table, its selection and its object's shown flag in step. Always true.
    bool Execute() override;
    int GetType() const override { return kHideFace; }
};

}  // namespace Operations
