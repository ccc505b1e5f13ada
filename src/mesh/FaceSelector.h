#pragma once
// Selecting faces as an undoable edit belongs to the operations layer. It installs a
// selector here so that the mesh model can point the user at faces (such as the two
// halves of a symmetry mismatch); without one nothing is selected.

#include "foundation/Containers.h"

class Mesh;

class FaceSelector {
public:
    virtual ~FaceSelector() = default;
    // Selects the listed faces of the mesh as one edit of the undo history.
    virtual void SelectFaces(Mesh &mesh, const General::Store<unsigned int> &faces) = 0;

    // The installed selector, or null.
    static FaceSelector *Get();
    // Installs `selector` (not owned); null removes it.
    static void Install(FaceSelector *selector);
};
