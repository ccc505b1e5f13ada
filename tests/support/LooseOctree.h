#pragma once
// Builds a mesh's octree with loose children, as the scene builds an object's octree
// (offset 1.0); offset 0 leaves the mesh's own tight build.
#include "mesh/core/Mesh.h"
#include "mesh/core/Octree.h"

inline void BuildLooseOctree(Mesh &mesh, float offset)
{
    mesh.BuildOctree();
    if (offset == 0.0f)
        return;
    mesh.m_pOctree->m_fLooseOffset = offset;
    mesh.m_pOctree->Reset();
    for (unsigned f = 0; f < mesh.m_iFaceCount; ++f) {
        mesh.NextInCube(f, 0) = OctreeLink::kNone;
        mesh.m_pOctree->UpdateFace(f);
    }
}
