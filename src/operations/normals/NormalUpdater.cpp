#include "operations/normals/NormalUpdater.h"

#include "foundation/Diagnostics.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/Octree.h"
#include "mesh/core/Placement.h"
#include "operations/normals/NormalHistory.h"

#include <cstring>
#include <new>

namespace Operations {

namespace {

int32_t ReadSlot(const Vertex &vertex)
{
    int32_t slot;
    std::memcpy(&slot, vertex.m_aNormal, sizeof slot);
    return slot;
}

void WriteSlot(Vertex &vertex, int32_t slot) { std::memcpy(vertex.m_aNormal, &slot, sizeof slot); }

// The slot a vertex's normal bytes name when that slot holds the vertex, else -1.
inline int HeldSlot(const Vertex *vertices, unsigned vertex, const NormalUpdater::TempVertexNormal *held,
                    unsigned count)
{
    const int32_t slot = ReadSlot(vertices[vertex]);
    if (slot < 0 || unsigned(slot) >= count || held[slot].m_iVertexIndex != int32_t(vertex))
        return -1;
    return slot;
}

}  // namespace

NormalUpdater::NormalUpdater() : FaceOperation(nullptr, nullptr, 0) {}

NormalUpdater &NormalUpdater::Global()
{
    static NormalUpdater updater;
    return updater;
}

void NormalUpdater::UpdateNormals(Mesh &mesh, unsigned start, AABB &dirty, bool updateOctree,
                                  NormalHistory *history)
{
    Global().Update(mesh, start, dirty, updateOctree, history);
}

void NormalUpdater::Abandon(Mesh &mesh)
{
    for (unsigned i = 0; i < m_iVNCount; ++i) {
        const TempVertexNormal &slot = m_aVNBuffer[i];
        if (unsigned(slot.m_iVertexIndex) < mesh.m_iVertexCount)
            std::memcpy(mesh.m_pVertices[unsigned(slot.m_iVertexIndex)].m_aNormal, slot.m_aSaved,
                        sizeof slot.m_aSaved);
    }
    m_iVNCount = 0;
    m_iTestedFace = ~0u;
}

void NormalUpdater::Update(Mesh &mesh, unsigned start, AABB &dirty, bool updateOctree, NormalHistory *history)
{
    AABB box;
    General::Vector q(1, 1, 1);
    Placement *placement = OwnerOf(&mesh) ? mesh.GetPlacement() : nullptr;
    if (placement) {
        const General::Vector s = placement->GetScale();
        q = General::Vector(1.0f / (s.x * s.x), 1.0f / (s.y * s.y), 1.0f / (s.z * s.z));
    }
    if (start >= mesh.m_iFaceCount) {
        AssertFailed(__FILE__, __LINE__, "iFaceIndex < m_iFaceCount", nullptr);
        return;
    }
    // The updater is not re-entrant: a second update inside the first would mix slots.
    if (m_iVNCount != 0) {
        AssertFailed(__FILE__, __LINE__, "g_cNormalUpdater.m_iVNCount == 0", nullptr);
        return;
    }
    m_bUpdateOctree = updateOctree && mesh.m_pOctree;
    m_pHistory = history;
    m_iTestedFace = ~0u;
    try {
        m_bFirstPass = true;
        mesh.CollectFaces(start, *this, false);
        const int32_t walked = int32_t(mesh.m_iStamp - 1);
        for (unsigned i = 0; i < m_iVNCount; ++i)
            mesh.VertexStrokeID(unsigned(m_aVNBuffer[i].m_iVertexIndex)) = walked;
        m_bFirstPass = false;
        m_iTestedFace = ~0u;
        mesh.CollectFaces(start, *this, false);
    } catch (...) {
        // Slot indices left in the normal bytes would read as normals: give the old ones back.
        Abandon(mesh);
        throw;
    }
    Vertex *vertices = mesh.m_pVertices.GetBuffer();
    for (unsigned i = 0; i < m_iVNCount; ++i) {
        const TempVertexNormal &slot = m_aVNBuffer.GetBuffer()[i];
        Vertex &vertex = vertices[slot.m_iVertexIndex];
        TV_ASSERT(ReadSlot(vertex) == int32_t(i));
        if (history)
            history->NoteVertex(unsigned(slot.m_iVertexIndex), slot.m_aSaved);
        const General::Vector n(slot.m_vNormal.x * q.x, slot.m_vNormal.y * q.y, slot.m_vNormal.z * q.z);
        PackNormal(n.Normalized(), vertex.m_aNormal);
        // Every slot's vertex is a corner of a face the second walk reached.
        box.Extend(vertex.m_vPosition);
    }
    m_iVNCount = 0;
    m_iTestedFace = ~0u;
    if (box.IsEmpty())
        return;
    const General::Matrix world = placement ? placement->GetFullMatrix() : General::Matrix();
    for (int corner = 0; corner < 8; ++corner) {
        const General::Vector p(corner & 1 ? box.m_vMax.x : box.m_vMin.x, corner & 2 ? box.m_vMax.y : box.m_vMin.y,
                                corner & 4 ? box.m_vMax.z : box.m_vMin.z);
        dirty.Extend(world.Transform(p));
    }
}

bool NormalUpdater::IsFaceAffected(Mesh &mesh, unsigned face)
{
    // The walk hands an accepted face straight to ProcessFace: what is read here is kept for it.
    m_iTestedFace = face;
    m_iTestedCount = mesh.FaceCorners(face, m_aTestedCorners);
    bool affected = false;
    if (!m_bFirstPass) {
        // The vertices stamped for the second walk are exactly those holding a slot, and the
        // slot is found from the vertex record alone.
        const Vertex *vertices = mesh.m_pVertices.GetBuffer();
        for (unsigned c = 0; c < m_iTestedCount; ++c) {
            m_aTestedSlots[c] = HeldSlot(vertices, m_aTestedCorners[c], m_aVNBuffer.GetBuffer(), m_iVNCount);
            affected = affected || m_aTestedSlots[c] >= 0;
        }
        return affected;
    }
    const int32_t walked = int32_t(mesh.m_iStamp - 1);
    for (unsigned c = 0; c < m_iTestedCount && !affected; ++c)
        affected = mesh.VertexStrokeID(m_aTestedCorners[c]) == walked;
    return affected;
}

void NormalUpdater::ProcessFace(Mesh &mesh, unsigned face)
{
    if (m_bFirstPass)
        FirstPass(mesh, face);
    else
        SecondPass(mesh, face);
}

void NormalUpdater::FirstPass(Mesh &mesh, unsigned face)
{
    Vertex *vertices = mesh.m_pVertices.GetBuffer();
    General::Vector p[4];
    unsigned index[4];
    const unsigned n = face == m_iTestedFace ? m_iTestedCount : mesh.FaceCorners(face, index);
    if (face == m_iTestedFace)
        std::memcpy(index, m_aTestedCorners, sizeof index);
    for (unsigned c = 0; c < n; ++c)
        p[c] = vertices[index[c]].m_vPosition;
    const General::Vector normal =
        (n == 4 ? (p[0] - p[2]).Cross(p[1] - p[3]) : (p[0] - p[1]).Cross(p[0] - p[2])).Normalized();
    mesh.WithFaces([&](auto &faces) {
        if (m_pHistory)
            m_pHistory->NoteFace(face, faces[face].m_aNormal);
        PackNormal(normal, faces[face].m_aNormal);
    });
    if (m_bUpdateOctree && mesh.IsFaceVisible(face)) {
        // The face's box from the corners just read, in corner order as the mesh makes it.
        AABB box;
        for (unsigned c = 0; c < n; ++c)
            box.Extend(p[c]);
        mesh.m_pOctree->UpdateFace(face, &box);
    }
    for (unsigned c = 0; c < n; ++c) {
        if (HeldSlot(vertices, index[c], m_aVNBuffer.GetBuffer(), m_iVNCount) >= 0)
            continue;
        TempVertexNormal slot{int32_t(index[c]), General::Vector(0, 0, 0), {}};
        std::memcpy(slot.m_aSaved, vertices[index[c]].m_aNormal, sizeof slot.m_aSaved);
        if (!m_aVNBuffer.EnsureIndex(m_iVNCount))
            throw std::bad_alloc();
        m_aVNBuffer.GetBuffer()[m_iVNCount] = slot;
        WriteSlot(vertices[index[c]], int32_t(m_iVNCount));
        ++m_iVNCount;
    }
}

void NormalUpdater::SecondPass(Mesh &mesh, unsigned face)
{
    const General::Vector normal =
        mesh.WithFaces([&](const auto &faces) { return UnpackNormal(faces[face].m_aNormal); });
    if (face != m_iTestedFace)
        IsFaceAffected(mesh, face);
    for (unsigned c = 0; c < m_iTestedCount; ++c)
        if (const int slot = m_aTestedSlots[c]; slot >= 0)
            m_aVNBuffer.GetBuffer()[slot].m_vNormal += normal;
}

}  // namespace Operations
