#include "mesh/core/Mesh.h"

#include "mesh/core/FaceTree.h"
#include "mesh/object/MeshEdits.h"
#include "mesh/object/MeshHost.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/core/MeshWatcher.h"
#include "mesh/core/Octree.h"

#include <QCoreApplication>

#include <new>

constinit General::TypeInfo Mesh::s_typeInfo{&General::Node::s_typeInfo, "Mesh", &Mesh::Create};

Mesh::Mesh() : General::Node(QString()) { m_pOctree = new Octree::Octree(this); }

Mesh::Mesh(unsigned faceCount, unsigned vertexCount, unsigned, unsigned tcCount, bool quads) : Mesh()
{
    m_iFaceCount = faceCount;
    m_eType = quads ? typeQuadric : typeTriangular;
    m_iVertexCount = vertexCount;
    m_iTCCount = tcCount;
    const bool sized = (quads ? m_pQuads.SetItemCount(faceCount, false) : m_pTriangles.SetItemCount(faceCount, false)) &&
                       m_pVertices.SetItemCount(vertexCount, false) &&
                       (tcCount == 0 || m_pTCs.SetItemCount(tcCount, false));
    if (!sized) {
        m_pQuads.Clear();
        m_pTriangles.Clear();
        m_pVertices.Clear();
        m_pTCs.Clear();
        // The delegated constructor has finished, so the destructor runs and frees the rest.
        throw std::bad_alloc();
    }
}

Mesh::~Mesh()
{
    if (MeshSwitches::s_bVerbose)
        Log(" Destructing mesh\n");
    MeshWatcher::NotifyDestroyed(*this);
    FreeMeshData();
    if (MeshSwitches::s_bVerbose)
        Log(" Deleting octree\n");
    delete m_pOctree;
    delete m_pBTree;
}

uint64_t Mesh::GetMemorySize() const
{
    return uint64_t(m_iVertexCount) * sizeof(Vertex) +
           uint64_t(m_iFaceCount) * (m_eType == typeQuadric ? sizeof(Quad) : sizeof(Triangle)) +
           uint64_t(m_iTCCount) * sizeof(TC);
}

Object *Mesh::GetObject()
{
    TV_ASSERT(false);
    return nullptr;
}

bool Mesh::PrepareSymmetry() { return false; }

Placement *Mesh::GetPlacement() { return nullptr; }

void Mesh::FreeMeshData()
{
    m_pVertices.Clear();
    m_pTriangles.Clear();
    m_pQuads.Clear();
    m_aGenericFaces.Clear();
    m_bAdjacencyValid = false;
    m_bNormalsValid = false;
    m_aSymmetry.Clear();
}

Vertex &Mesh::TriangleVertex(unsigned triangle, unsigned corner)
{
    TV_ASSERT(triangle < m_iFaceCount);
    TV_ASSERT(corner < 3);
    const unsigned vertex = m_pTriangles[triangle].m_iIndices[corner % 3] & MeshFlags::kIndexMask;
    TV_ASSERT(vertex < m_iVertexCount);
    return m_pVertices[vertex];
}

Vertex &Mesh::QuadVertex(unsigned quad, unsigned corner)
{
    TV_ASSERT(quad < m_iFaceCount);
    TV_ASSERT(corner < 4);
    const unsigned vertex = m_pQuads[quad].m_iIndices[corner % 4] & MeshFlags::kIndexMask;
    TV_ASSERT(vertex < m_iVertexCount);
    return m_pVertices[vertex];
}

General::Vector Mesh::CornerPosition(unsigned face, unsigned corner) const
{
    return m_pVertices[FaceVertexIndex(face, corner)].m_vPosition;
}

unsigned Mesh::GetCornerIndex(unsigned face, unsigned corner) const
{
    const unsigned n = Corners();
    switch (m_iIndexMode) {
    case 0:
        return FaceVertexIndex(face, corner);
    case 1:
        return WithFaces([&](const auto &faces) { return unsigned(faces[face].m_iTCI[corner % n]); });
    case 2:
        return face * n + corner;
    case 3:
        return m_aCornerIndexTable[face * n + corner];
    default:
        throw General::Error(0, QCoreApplication::translate("Mesh", "Invalid mesh data"));
    }
}

const TC &Mesh::GetFaceTC(unsigned face, unsigned corner) const
{
    const unsigned index = WithFaces([&](const auto &faces) { return unsigned(faces[face].m_iTCI[corner % Corners()]); });
    if (index >= m_pTCs.GetItemCount())
        throw General::Error(0, QCoreApplication::translate("Mesh", "Invalid texture coordinate index"));
    return m_pTCs[index];
}

bool Mesh::IsFaceSelected(unsigned face) const
{
    return WithFaces([&](const auto &faces) { return (faces[face].m_iIndices[1] & MeshFlags::kBit31) != 0; });
}

void Mesh::SetVertexPosition(unsigned vertex, const General::Vector &position)
{
    if (!TV_CHECK(vertex < m_iVertexCount))
        return;
    // Picks test a vertex's pre-stroke position; it moves only for a vertex the stroke has not recorded.
    if (m_pOctree && !HasRestoreEntry(vertex))
        m_pOctree->InvalidateFaceCopies();
    m_pVertices[vertex].m_vPosition = position;
    MarkVertexBuffer(vertex);
}

void Mesh::ScaleNormals(const General::Vector &scale)
{
    for (unsigned v = 0; v < m_iVertexCount; ++v) {
        Vertex &vertex = m_pVertices[v];
        General::Vector n = UnpackNormal(vertex.m_aNormal);
        n = General::Vector(n.x * scale.x, n.y * scale.y, n.z * scale.z);
        n.Normalize();
        PackNormal(n, vertex.m_aNormal);
    }
}

// --- stroke restore buffer ----------------------------------------------------

const int16_t *Mesh::OriginalVertexNormal(unsigned vertex) { return OriginalVertex(vertex).m_aNormal; }

const Vertex &Mesh::OriginalFaceVertex(unsigned face, unsigned corner)
{
    return OriginalVertex(FaceVertexIndex(face, corner));
}

StoredVertexInfo *Mesh::AddToRestoreBuffer(unsigned vertex, bool &created)
{
    created = false;
    if (!TV_CHECK(vertex < m_iVertexCount))
        return nullptr;
    Vertex &live = m_pVertices[vertex];
    if (HasRestoreEntry(vertex))
        return &m_aRestoreBuffer[uint32_t(live.m_iStrokeID)];
    if (!m_aRestoreBuffer.EnsureIndex(m_iRestoreCount)) {
        TV_ASSERT(false);
        MeshSwitches::s_bOutOfMemory = true;
        return nullptr;
    }
    StoredVertexInfo &entry = m_aRestoreBuffer[m_iRestoreCount];
    entry = StoredVertexInfo{};
    entry.m_cVertex = live;
    entry.m_fAmount = 0.0f;
    entry.m_iVertexIndex = vertex;
    live.m_iStrokeID = int32_t(m_iRestoreCount);
    created = true;
    ++m_iRestoreCount;
    return &entry;
}

void Mesh::ClearRestoreBuffer()
{
    for (unsigned i = 0; i < m_iRestoreCount && i < m_aRestoreBuffer.GetItemCount(); ++i) {
        const StoredVertexInfo &entry = m_aRestoreBuffer[i];
        if (!TV_CHECK(entry.m_iVertexIndex < m_iVertexCount))
            continue;
        Vertex &vertex = m_pVertices[entry.m_iVertexIndex];
        if (TV_CHECK(uint32_t(vertex.m_iStrokeID) == i))
            vertex.m_iStrokeID = entry.m_cVertex.m_iStrokeID;
    }
    // The stroke's positions become the ones picks test.
    if (m_iRestoreCount && m_pOctree)
        m_pOctree->InvalidateFaceCopies();
    m_iRestoreCount = 0;
    m_iRestoreLayerCount = 0;
}

void Mesh::SelectAllFaces(bool select)
{
    General::Store<unsigned int> visible("select all faces");
    visible.Reserve(m_iFaceCount - std::min(m_iHiddenFaces, m_iFaceCount), false);
    WithFaces([&](auto &records) {
        for (unsigned face = 0; face < m_iFaceCount; ++face)
            if (records[face].m_iIndices[0] & MeshFlags::kBit31)
                visible.Add(face);
    });
    MeshEdits::Get().SelectFaces(*this, visible, select);
    if (GetTypeInfo() != &Mesh::s_typeInfo)  // a bare mesh belongs to no object
        MeshHost::Get().SelectObject(GetObject(), true);
}
