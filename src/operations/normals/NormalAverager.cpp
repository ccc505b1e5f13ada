#include "operations/normals/NormalAverager.h"

#include "mesh/core/Mesh.h"

namespace Operations {

NormalAverager::NormalAverager(Mesh *mesh, Brush *tool, StrokeSegment *segment, unsigned startFace)
    : VertexOperation(tool, segment, 0)
{
    if (!mesh || startFace >= mesh->m_iFaceCount)
        return;
    CopyObjectMatrix(mesh);
    mesh->CollectVertices(startFace, *this);
}

void NormalAverager::ProcessVertex(Mesh &mesh, unsigned, unsigned vertex, float weight)
{
    m_fWeight += weight;
    m_vNormal += UnpackNormal(mesh.OriginalVertexNormal(vertex)) * weight;
}

}  // namespace Operations
