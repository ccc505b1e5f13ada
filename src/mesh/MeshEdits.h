#pragma once
// Edits that the mesh model starts but that belong in the undo history, which the
// operations layer keeps. That layer installs its implementation; until then each
// edit is made directly, outside the history.

#include "foundation/Containers.h"

class Mesh;

class MeshEdits {
public:
    virtual ~MeshEdits() = default;

    // Selects the listed faces of the mesh (a face selection edit), so that the user sees them.
    virtual void SelectFaces(Mesh &mesh, const General::Store<unsigned int> &faces);

    // The installed edits (direct ones until an implementation is installed).
    static MeshEdits &Get();
    // Installs `edits` (not owned); null restores the direct ones.
    static void Install(MeshEdits *edits);
};
