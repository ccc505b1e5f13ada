// The OpenGL part of the point batch, apart so that the batching runs without a context.
#include "viewport/draw/PointBuffer.h"

#include "mesh/buffers/BufferEntryPoints.h"

#include <GL/gl.h>

void PointBuffer::DrawPoints(const PointBuffer &buffer)
{
    // Client arrays: no vertex buffer may be bound, or the pointers would read as offsets into it.
    const BufferEntryPoints &buffers = BufferEntryPoints::Get();
    if (buffers.IsComplete())
        buffers.m_pBindBuffer(GL_ARRAY_BUFFER, 0);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, buffer.m_aPositions.GetBuffer());
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, 0, buffer.m_aNormals.GetBuffer());
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, buffer.m_aColors.GetBuffer());
    if (buffer.m_bHasTexCoords) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, buffer.m_aTexCoords.GetBuffer());
    }
    glDrawArrays(GL_POINTS, 0, GLsizei(buffer.m_iCount));
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}
