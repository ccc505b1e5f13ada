#include "viewport/fill/FillBuffer.h"

#include "mesh/core/Mesh.h"
#include "viewport/fill/FillLook.h"
#include "viewport/fill/FillSettings.h"
#include "viewport/fill/FillVariants.h"

#include <algorithm>

FillBuffer::FillBuffer()
    : m_aPositions("fill positions", kMaxVertices),
      m_aNormals("fill normals", kMaxVertices),
      m_aColors("fill colors", kMaxVertices),
      m_aTexCoords("fill texture coordinates", kMaxVertices)
{
    std::fill_n(m_aPositions.GetBuffer(), kMaxVertices, General::Vector(0.0f, 0.0f, 0.0f));
    std::fill_n(m_aNormals.GetBuffer(), kMaxVertices, Normal{0, 0, 0});
    std::fill_n(m_aColors.GetBuffer(), kMaxVertices, 0u);
    std::fill_n(m_aTexCoords.GetBuffer(), kMaxVertices, TC{0.0f, 0.0f});
}

void FillBuffer::Prime(Mesh *mesh, bool smooth)
{
    m_pMesh = mesh;
    m_iFirstFace = m_iEndFace = m_iPartition = m_iEdgeCount = 0;
    m_iVertexCount = 0;
    m_bHasTexCoords = false;
    m_bSmooth = smooth;
}

unsigned FillBuffer::PartitionFaceCount(const Mesh &mesh, int partition)
{
    const unsigned partitions = mesh.m_aPartitions.GetItemCount();
    const unsigned table = mesh.m_aFaceIndexTable.GetItemCount();
    if (partition < 0)
        return 0;
    if (unsigned(partition) < partitions) {
        if (partitions > 1)
            return mesh.m_aPartitions[unsigned(partition)].m_aFaces.GetItemCount();
        return table ? table : mesh.m_iFaceCount;
    }
    if (partitions == 0 && partition == 0)
        return table ? table : mesh.m_iFaceCount;
    return 0;
}

bool FillBuffer::WritesLines(const Mesh &mesh, const FillSettings &settings)
{
    return settings.m_bWireframe && mesh.m_eType == Mesh::typeTriangular && mesh.m_iFaceCount != mesh.m_iPolygonCount;
}

unsigned FillBuffer::NextChunk(const FillBuffer &other, const FillSettings &settings)
{
    m_pMesh = other.m_pMesh;
    m_iPartition = other.m_iPartition;
    m_iFirstFace = m_iEndFace = other.m_iEndFace;
    m_iEdgeCount = 0;
    if (!m_pMesh)
        return 0;
    const Mesh &mesh = *m_pMesh;
    // A mesh without partitions is one partition of all its faces.
    const int partitions = int(std::max(1u, mesh.m_aPartitions.GetItemCount()));
    unsigned n = PartitionFaceCount(mesh, m_iPartition);
    while (m_iFirstFace < 0 || unsigned(m_iFirstFace) >= n) {
        ++m_iPartition;
        m_iFirstFace = m_iEndFace = 0;
        if (m_iPartition >= partitions)
            return 0;
        n = PartitionFaceCount(mesh, m_iPartition);
    }
    m_iEndFace = int32_t(std::min<unsigned>(n, unsigned(m_iFirstFace) + kMaxFaces));

    m_bColorsUsed = mesh.m_iFrozenFaces > 0 || (mesh.m_iFrozenVertices != 0 && settings.m_bShowFrozenVertices) ||
                    mesh.m_iSelectedFaces > 0 ||
                    (settings.m_bShowLayerMask && FillLook::Of(*m_pMesh).m_bActiveLayerLevel);
    return unsigned(m_iEndFace - m_iFirstFace);
}

unsigned FillBuffer::FillIndex(const FillSettings &settings) const
{
    if (!m_pMesh)
        return 0;
    const Mesh &mesh = *m_pMesh;
    // Culling applies where each triangle is a polygon of its own.
    const bool cull = settings.m_bCulling && mesh.m_iPolygonCount == mesh.m_iFaceCount;
    return (m_bSmooth ? 1u : 0u) | (m_bColorsUsed ? 2u : 0u) | (mesh.m_iHiddenFaces > 0 ? 4u : 0u) |
           (mesh.m_aFaceIndexTable.HasItems() ? 8u : 0u) | (cull ? 16u : 0u) |
           (mesh.m_aPartitions.HasItems() ? 32u : 0u);
}

void FillBuffer::Fill(const FillSettings &settings)
{
    FillVariants::Table()[FillIndex(settings)](*this, settings);
}
