// Drawing a video buffer: fixed-function vertex arrays, so it links OpenGL and lives apart
// from the rest of the mesh model, which needs none.
#include "mesh/buffers/BufferEntryPoints.h"
#include "mesh/buffers/BufferObject.h"
#include "mesh/surface/Texture.h"

#include <cstddef>

namespace {
const void *Offset(uintptr_t bytes) { return reinterpret_cast<const void *>(bytes); }
}  // namespace

void BufferObject::Draw() const
{
    const BufferEntryPoints &gl = BufferEntryPoints::Get();
    if (!gl.IsComplete())
        return;
    if (!m_pTexture || !m_pTexture->Bind())
        glDisable(GL_TEXTURE_2D);

    gl.m_pBindBuffer(GL_ARRAY_BUFFER, m_iAttributeBuffer);
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_UNSIGNED_BYTE, GLsizei(m_iStride), Offset(0));
    if (m_bTexCoords) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, GLsizei(m_iStride), Offset(offsetof(TCVertex, u)));
    }

    gl.m_pBindBuffer(GL_ARRAY_BUFFER, m_iPositionBuffer);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(DVertex), Offset(0));
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_SHORT, sizeof(DVertex), Offset(offsetof(DVertex, m_aNormal)));

    gl.m_pBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_iIndexBuffer);
    glDrawElements(m_bLines ? GL_LINES : GL_TRIANGLES, GLsizei(GetIndexCount()), GL_UNSIGNED_SHORT, Offset(0));

    gl.m_pBindBuffer(GL_ARRAY_BUFFER, 0);
    gl.m_pBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
}
