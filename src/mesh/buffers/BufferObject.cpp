#include "mesh/buffers/BufferObject.h"

#include "foundation/Diagnostics.h"
#include "mesh/buffers/BufferEntryPoints.h"
#include "mesh/core/Mesh.h"
#include "mesh/object/MeshHost.h"

#include <QOpenGLContext>

#include <cstring>

namespace {

int64_t s_iVideoMemory = 0;

// One staging array for every position upload of the program (GUI thread only).
General::Store<BufferObject::DVertex> &Staging()
{
    static General::Store<BufferObject::DVertex> staging("unknown");
    return staging;
}

bool HaveContext()
{
    return QOpenGLContext::currentContext() ||
           (MeshHost::Get().MakeViewContextCurrent() && QOpenGLContext::currentContext());
}

}  // namespace

int64_t BufferObject::GetVideoMemoryInUse() { return s_iVideoMemory; }

void BufferObject::AddVideoMemory(int64_t bytes) { s_iVideoMemory += bytes; }

uint64_t BufferObject::GetVideoMemory() const
{
    return uint64_t(m_iStride + sizeof(DVertex)) * m_iVertexCount + uint64_t(2) * GetIndexCount();
}

bool BufferObject::Upload()
{
    if (!m_bDirty)
        return true;
    const BufferEntryPoints &gl = BufferEntryPoints::Get();
    if (!gl.IsComplete() || !m_pMesh)
        return false;
    if (!TV_CHECK(!(m_aVertexIndices.GetItemCount() > 0x10000))) {
        m_pMesh->m_bRecreateBuffers = true;
        return false;
    }
    const unsigned count = m_aVertexIndices.GetItemCount();
    General::Store<DVertex> &staging = Staging();
    if (staging.GetItemCount() < kMaxVertices && !staging.SetItemCount(kMaxVertices, false))
        return false;
    DVertex *out = staging.GetBuffer();
    for (unsigned i = 0; i < count; ++i) {
        const unsigned index = m_aVertexIndices[i];
        if (!TV_CHECK(index < m_pMesh->m_iVertexCount)) {
            out[i] = DVertex{};
            continue;
        }
        const Vertex &vertex = m_pMesh->m_pVertices[index];
        out[i].x = vertex.m_vPosition.x;
        out[i].y = vertex.m_vPosition.y;
        out[i].z = vertex.m_vPosition.z;
        // The normal, freeze and mask bytes are the last eight bytes of the vertex record.
        std::memcpy(out[i].m_aNormal, vertex.m_aNormal, 8);
    }
    gl.m_pBindBuffer(GL_ARRAY_BUFFER, m_iPositionBuffer);
    gl.m_pBufferData(GL_ARRAY_BUFFER, GLsizeiptr(count) * GLsizeiptr(sizeof(DVertex)), out, GL_STATIC_DRAW);
    gl.m_pBindBuffer(GL_ARRAY_BUFFER, 0);
    m_bDirty = false;
    return true;
}

void BufferObject::Release()
{
    const BufferEntryPoints &gl = BufferEntryPoints::Get();
    const GLuint names[3] = {m_iPositionBuffer, m_iAttributeBuffer, m_iIndexBuffer};
    if ((names[0] || names[1] || names[2]) && gl.IsComplete() && HaveContext())
        gl.m_pDeleteBuffers(3, names);
    if (names[0] || names[1] || names[2])
        AddVideoMemory(-int64_t(GetVideoMemory()));
    m_iPositionBuffer = m_iAttributeBuffer = m_iIndexBuffer = 0;
    m_iVertexCount = m_iPrimitiveCount = 0;
    m_aVertexIndices.Clear();
    m_bDirty = true;
}
