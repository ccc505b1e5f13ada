#pragma once
// Edits that the mesh model starts but that belong in the undo history, which the
// operations layer keeps. That layer installs its implementation; until then each
// edit is made directly, outside the history.

#include "foundation/Installable.h"
#include "foundation/Containers.h"

class Layer3D;
class Mesh;
class Object;

class MeshEdits : public General::Installable<MeshEdits> {
public:
    virtual ~MeshEdits() = default;

    // Selects (or deselects) the listed faces of the mesh as one face selection edit.
    virtual void SelectFaces(Mesh &mesh, const General::Store<unsigned int> &faces, bool select = true);

    // Adds an empty layer of full strength to the object after `after` (at the head
    // without one), as a layer edit; the new layer, or null when none was made.
    virtual Layer3D *AddLayer(Object &object, Layer3D *after);
};
