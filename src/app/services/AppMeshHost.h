#pragma once
// The mesh model's view of the program: the controller's side; the layer windows, which
// follow every layer change and let go of an object that leaves the scene; and the
// Properties pages that show objects and materials.

#include "interaction/InteractionMeshHost.h"

class Tevrin;

class AppMeshHost : public InteractionMeshHost {
public:
    explicit AppMeshHost(Tevrin &window) : m_rWindow(window) {}
    void ForgetObject(Object *object) override;
    void RefreshLayerList() override;
    // The "Show Mask" switch of the layer windows.
    bool ShowLayerWeights() const override;
    // Every "Geometry" page shows its object's figures again.
    void RefreshObjectInfo() override;
    // Every "Material" page shows its material again.
    void ShowMaterialProperties() override;

private:
    Tevrin &m_rWindow;
};
