// Binding a tile texture with its texture matrix: fixed-function state, so it links OpenGL
// and lives apart from the rest of the mesh model, which needs none.
#include "mesh/object/MeshHost.h"
#include "mesh/surface/Material.h"
#include "mesh/surface/Texture.h"

#include <QOpenGLContext>

#include <GL/gl.h>

namespace Surface {

bool Texture::Bind()
{
    if (!QOpenGLContext::currentContext())
        return false;
    if (!HasImage() || !m_pMaterial->m_aShowTextures.GetValue() || !MeshHost::Get().TextureDisplay()) {
        glDisable(GL_TEXTURE_2D);
        return false;
    }
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, m_iName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);

    // u -> (u - umin) / du and v -> 1 - (v - vmin) / dv: image rows run top-down.
    const float du = m_cRect.m_vMax.x - m_cRect.m_vMin.x;
    const float dv = m_cRect.m_vMax.y - m_cRect.m_vMin.y;
    GLfloat m[16] = {};
    m[0] = 1.0f / du;
    m[12] = -m_cRect.m_vMin.x / du;
    m[5] = -1.0f / dv;
    m[13] = 1.0f + m_cRect.m_vMin.y / dv;
    m[10] = 1.0f;
    m[15] = 1.0f;
    glMatrixMode(GL_TEXTURE);
    glLoadMatrixf(m);
    return true;
}

}  // namespace Surface
