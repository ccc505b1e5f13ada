#pragma once
// The face selection, visibility and new-layer edits that the mesh model and the scene
// start, made undoable: each becomes one operation run as a user action through SelectionHost.
// InstallSelectionEdits puts both in place of the direct fallbacks.

#include "mesh/object/MeshEdits.h"
#include "scene/SceneServices.h"

namespace Operations {

class SelectionEdits : public MeshEdits {
public:
    void SelectFaces(Mesh &mesh, const General::Store<unsigned int> &faces, bool select = true) override;
    // The new layer is recorded as a layer edit whose undo deletes it with whatever it
    // holds by then, so a caller may fill it after this returns.
    Layer3D *AddLayer(Object &object, Layer3D *after) override;
};

class SelectionSceneServices : public SceneServices {
public:
    void ExecuteSelection(const FaceEdit &edit) override;
    void ExecuteVisibility(const FaceEdit &edit) override;
    // The history that runs the edits is the one a new scene empties.
    bool ClearHistory() override;
};

// Installs the two above (they live as long as the program).
void InstallSelectionEdits();

}  // namespace Operations
