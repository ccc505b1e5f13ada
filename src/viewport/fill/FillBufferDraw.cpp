// The one OpenGL part of the fill buffers, apart from the fills so that those run and are
// tested without a context.
#include "viewport/fill/FillBuffer.h"

#include "mesh/buffers/BufferEntryPoints.h"
#include "mesh/core/Mesh.h"
#include "mesh/surface/Texture.h"

#include <GL/gl.h>

unsigned FillBuffer::Draw() const
{
    if (!m_iVertexCount)
        return 0;
    // Client arrays: no vertex buffer may be bound, or the pointers would read as offsets into it.
    const BufferEntryPoints &buffers = BufferEntryPoints::Get();
    if (buffers.IsComplete())
        buffers.m_pBindBuffer(GL_ARRAY_BUFFER, 0);

    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, m_aPositions.GetBuffer());
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_SHORT, 0, m_aNormals.GetBuffer());
    if (m_bColorsUsed) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, m_aColors.GetBuffer());
    }
    if (m_bHasTexCoords) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, m_aTexCoords.GetBuffer());
        Surface::Texture *texture = nullptr;
        if (m_pMesh && m_iPartition >= 0 && unsigned(m_iPartition) < m_pMesh->m_aPartitions.GetItemCount())
            texture = m_pMesh->m_aPartitions[unsigned(m_iPartition)].m_pTexture;
        if (!texture || !texture->Bind())
            glDisable(GL_TEXTURE_2D);
    }

    static constexpr GLenum kModes[] = {GL_QUADS, GL_TRIANGLES, GL_LINES};
    static constexpr unsigned kVertices[] = {4, 3, 2};
    glDrawArrays(kModes[m_ePrimitive], 0, GLsizei(m_iVertexCount));

    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    return m_iVertexCount / kVertices[m_ePrimitive];
}
