#include "mesh/object/MeshEdits.h"

#include "mesh/core/Mesh.h"
#include "mesh/object/Object.h"

void MeshEdits::SelectFaces(Mesh &mesh, const General::Store<unsigned int> &faces, bool select)
{
    mesh.WithFaces([&](auto &records) {
        for (unsigned face : faces) {
            if (face >= mesh.m_iFaceCount)
                continue;
            unsigned &word = records[face].m_iIndices[1];
            if (bool(word & MeshFlags::kBit31) == select)
                continue;
            word ^= MeshFlags::kBit31;
            if (select)
                ++mesh.m_iSelectedFaces;
            else if (mesh.m_iSelectedFaces)
                --mesh.m_iSelectedFaces;
        }
    });
    mesh.m_bRecreateBuffers = true;
}

Layer3D *MeshEdits::AddLayer(Object &object, Layer3D *after) { return object.CreateLayer(after, nullptr); }
