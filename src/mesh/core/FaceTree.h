#pragma once
// The ray-casting face tree that a mesh builds on demand. The map extraction owns
// the tree and installs its factory; the mesh only creates, builds and deletes it.

#include "foundation/Containers.h"

class Mesh;

class FaceTree {
public:
    virtual ~FaceTree() = default;
    // Builds over the listed faces, or over all faces when the list is empty; false on failure.
    virtual bool Build(Mesh &mesh, General::Store<unsigned int> &faces, float, float) = 0;
};

using FaceTreeFactory = FaceTree *(*)();
// Null (the default) means no face tree can be made.
void InstallFaceTreeFactory(FaceTreeFactory factory);
FaceTreeFactory GetFaceTreeFactory();
