// Octree links, bounds, the face tree and the release of a stroke's modified-face records.
#include "mesh/core/FaceTree.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/core/Octree.h"

#include "foundation/Progress.h"

using namespace OctreeLink;

namespace {

// Box sides must be finite, non-negative and below 100000000.
void CheckBox(const AABB &box)
{
    if (box.IsEmpty())
        return;
    const General::Vector side = box.m_vMax - box.m_vMin;
    if (!(side.x >= 0 && side.x < 100000000))
        AssertFailed(__FILE__, __LINE__, "cAABB.GetXSize() >= 0 && cAABB.GetXSize() < 100000000", nullptr);
    if (!(side.y >= 0 && side.y < 100000000))
        AssertFailed(__FILE__, __LINE__, "cAABB.GetYSize() >= 0 && cAABB.GetYSize() < 100000000", nullptr);
    if (!(side.z >= 0 && side.z < 100000000))
        AssertFailed(__FILE__, __LINE__, "cAABB.GetZSize() >= 0 && cAABB.GetZSize() < 100000000", nullptr);
}

// The cube by the walk to the chain's end, which names it.
int FaceCubeByChain(Mesh &mesh, unsigned face)
{
    uint32_t link = mesh.NextInCube(face, 0);
    if (link == kNone)
        return -1;
    // A chain never holds more faces than the mesh; the bound only stops a damaged one.
    for (unsigned steps = 0; link < kChainEnd; ++steps) {
        if (!TV_CHECK(steps <= mesh.m_iFaceCount && link < mesh.m_iFaceCount))
            return -1;
        link = mesh.NextInCube(link, 0);
    }
    return link == kNone ? -1 : int(link - kChainEnd);
}

}  // namespace

int Mesh::FaceCube(unsigned face)
{
    uint32_t link = NextInCube(face, 0);
    if (link == kNone)
        return -1;
    // A face inside a chain: its octree's table answers without the walk to the chain's end.
    int cube = -1;
    if (link < kChainEnd && m_pOctree && m_pOctree->FindCubeOf(face, cube)) {
#ifndef NDEBUG
        // Checked builds prove the table against the chain on every look-up, and trust the chain.
        if (const int byChain = FaceCubeByChain(*this, face); !TV_CHECK(cube == byChain))
            return byChain;
#endif
        return cube;
    }
    return FaceCubeByChain(*this, face);
}

void Mesh::ReplaceOctree()
{
    delete m_pOctree;
    m_pOctree = new Octree::Octree(this);
}

void Mesh::BuildOctree()
{
    ReplaceOctree();
    General::ProgressMeter &meter = General::Progress();
    meter.Start(QStringLiteral("building octree..."), m_iFaceCount, 50);
    // No face's placement reads another face's link, so all are cleared first.
    WithFaces([&](auto &faces) {
        for (unsigned f = 0; f < m_iFaceCount; ++f)
            faces[f].m_iOctree = kNone;
    });
    m_pOctree->UpdateAllFaces(meter);
    meter.End();
}

void Mesh::AddFaceToAABB(AABB &box, unsigned face, bool original)
{
    if (face < m_iFaceCount && (!original || m_pVertices.HasItems())) {
        const unsigned n = Corners();
        for (unsigned c = 0; c < n; ++c) {
            const unsigned v = FaceVertexIndex(face, c);
            if (!TV_CHECK(v < m_iVertexCount))
                continue;
            box.Extend(original ? OriginalVertex(v).m_vPosition : m_pVertices[v].m_vPosition);
        }
    }
    CheckBox(box);
}

const AABB &Mesh::GetAABB(bool recalculate)
{
    if (!recalculate && !m_cAABB.IsEmpty())
        return m_cAABB;
    m_cAABB.Reset();
    const unsigned vertexCount = std::min(m_iVertexCount, m_pVertices.GetItemCount());
    const Vertex *vertices = m_pVertices.GetBuffer();
    WithFaces([&](const auto &faces) {
        const unsigned faceCount = std::min(m_iFaceCount, faces.GetItemCount());
        for (unsigned f = 0; f < faceCount; ++f)
            for (uint32_t index : faces[f].m_iIndices)
                if ((index & MeshFlags::kIndexMask) < vertexCount)
                    m_cAABB.Extend(vertices[index & MeshFlags::kIndexMask].m_vPosition);
    });
    CheckBox(m_cAABB);
    return m_cAABB;
}

void Mesh::Scale(float factor)
{
    for (unsigned v = 0; v < m_iVertexCount; ++v)
        m_pVertices[v].m_vPosition *= factor;
    DeleteBTree();
    // The box first: the octree's root is made from it.
    GetAABB(true);
    BuildOctree();
}

FaceTree *Mesh::GetBTree()
{
    if (m_pBTree)
        return m_pBTree;
    FaceTreeFactory factory = GetFaceTreeFactory();
    if (!factory)
        return nullptr;
    m_pBTree = factory();
    if (!m_pBTree)
        return nullptr;
    General::Store<unsigned int> faces("getbtree tmp");
    if (!m_pBTree->Build(*this, faces, 0.0f, 0.0f)) {
        DeleteBTree();
        return nullptr;
    }
    if (MeshSwitches::s_bVerbose)
        Log("\tInit done\n");
    return m_pBTree;
}

void Mesh::DeleteBTree()
{
    delete m_pBTree;
    m_pBTree = nullptr;
}

void Mesh::ClearModifiedFaces()
{
    for (unsigned i = 0; i < m_aModifiedFaces.GetItemCount(); ++i) {
        const ModifiedFaceInfo record = m_aModifiedFaces[i];
        const unsigned face = record.m_iFaceIndex;
        if (!TV_CHECK(face < m_iFaceCount))
            continue;
        // The end of the face's layer-1 chain names the cube that holds it on layer 1.
        uint32_t link = record.m_aLink[1];
        for (unsigned steps = 0; link < kChainEnd && steps <= m_iFaceCount; ++steps)
            link = link < m_iFaceCount ? NextInCube(link, 1) : kNone;
        if (link >= kChainEnd && m_pOctree) {
            if (Octree::OctreeCube *cube = m_pOctree->GetCube(int(link - kChainEnd)))
                cube->RemoveFace(face, 1);
        }
        uint32_t &own = WithFaces([&](auto &faces) -> uint32_t & { return faces[face].m_iOctree; });
        if (own != i)
            AssertFailed(__FILE__, __LINE__, "j == i", nullptr);
        own = record.m_aLink[0];
    }
    m_aModifiedFaces.Clear();
}
