#pragma once
// The mesh model's view of the scene: its objects and packed level ids, answered from
// the current scene. The application installs one at start-up.

#include "mesh/object/MeshHost.h"

class SceneMeshHost : public MeshHost {
public:
    bool HasScene() const override;
    int GetObjectCount() const override;
    Object *GetObjectAt(int index) const override;
    int GetMeshId(const SubdivLevel *level) const override;
    SubdivLevel *GetMeshById(int id) const override;
};
