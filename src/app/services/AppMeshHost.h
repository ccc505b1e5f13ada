#pragma once
// The mesh model's view of the program: the scene and controller through the interaction
// layer, and the Properties pages that show objects and materials.

#include "interaction/InteractionMeshHost.h"

class AppMeshHost : public InteractionMeshHost {
public:
    // Every "Geometry" page shows its object's figures again.
    void RefreshObjectInfo() override;
    // Every "Material" page shows its material again.
    void ShowMaterialProperties() override;
};
