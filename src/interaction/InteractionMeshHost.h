#pragma once
// The mesh model's view of the scene and of the controller: the scene's objects come from
// the scene layer, the active object, the object selection and the redraw from the
// Interface. The application installs one at start-up.

#include "scene/SceneMeshHost.h"

class InteractionMeshHost : public SceneMeshHost {
public:
    Object *GetActiveObject() const override;
    void SetActiveObject(Object *object) override;
    void SelectObject(Object *object, bool select) override;
    void ForgetObject(Object *object) override;
    void Redraw() override;
};
