#include "viewport/PBuffer.h"

#include "foundation/Diagnostics.h"

#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>

#include <algorithm>

namespace {

int PowerOfTwoSide(int side, int maximum)
{
    int size = 1;
    while (size < side && size < (1 << 30))
        size <<= 1;
    return std::min(size, std::max(1, maximum));
}

unsigned BoundFramebuffer(QOpenGLFunctions *gl)
{
    GLint bound = 0;
    gl->glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    return unsigned(bound);
}

}  // namespace

QSize PBuffer::BufferSize(int width, int height, int maximumSize)
{
    return QSize(PowerOfTwoSide(width, maximumSize), PowerOfTwoSide(height, maximumSize));
}

std::unique_ptr<PBuffer> PBuffer::Create(int width, int height, int maximumSize)
{
    QOpenGLContext *context = QOpenGLContext::currentContext();
    if (!context) {
        Log("PBuffer creation failed (%d)\n", 2);
        return nullptr;
    }
    QOpenGLFunctions *gl = context->functions();
    // A preference larger than the implementation allows would only make the buffer fail.
    GLint limit = 0;
    gl->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
    if (limit > 0)
        maximumSize = std::min(maximumSize, int(limit));
    const QSize size = BufferSize(width, height, maximumSize);

    std::unique_ptr<PBuffer> buffer(new PBuffer);
    buffer->m_iWindowFramebuffer = BoundFramebuffer(gl);
    QOpenGLFramebufferObjectFormat format;
    format.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
    format.setInternalTextureFormat(GL_RGBA8);
    buffer->m_pFramebuffer = std::make_unique<QOpenGLFramebufferObject>(size, format);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, buffer->m_iWindowFramebuffer);
    if (!buffer->m_pFramebuffer->isValid()) {
        Log("PBuffer creation failed (%d)\n", 1);
        return nullptr;
    }
    buffer->m_iBufferWidth = buffer->m_pFramebuffer->width();
    buffer->m_iBufferHeight = buffer->m_pFramebuffer->height();
    buffer->m_iNeededWidth = std::clamp(width, 0, buffer->m_iBufferWidth);
    buffer->m_iNeededHeight = std::clamp(height, 0, buffer->m_iBufferHeight);
    Log("PBuffer created with size %d:%d (%d:%d needed)\n", buffer->m_iBufferWidth, buffer->m_iBufferHeight, width,
        height);
    return buffer;
}

PBuffer::~PBuffer() = default;

bool PBuffer::SetAsTarget()
{
    QOpenGLContext *context = QOpenGLContext::currentContext();
    if (!context) {
        Log("Unable to change gl context (%d)\n", 2);
        return false;
    }
    QOpenGLFunctions *gl = context->functions();
    const unsigned bound = BoundFramebuffer(gl);
    if (bound != m_pFramebuffer->handle())
        m_iWindowFramebuffer = bound;
    if (!m_pFramebuffer->bind()) {
        Log("Unable to change gl context (%d)\n", 1);
        return false;
    }
    gl->glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl->glEnable(GL_LIGHT0);
    return true;
}

bool PBuffer::RestoreTarget()
{
    QOpenGLContext *context = QOpenGLContext::currentContext();
    if (!context) {
        Log("Unable to reset gl context\n");
        return false;
    }
    context->functions()->glBindFramebuffer(GL_FRAMEBUFFER, m_iWindowFramebuffer);
    return true;
}

bool PBuffer::Display()
{
    QOpenGLContext *context = QOpenGLContext::currentContext();
    if (!context)
        return false;
    auto blit = reinterpret_cast<PFNGLBLITFRAMEBUFFERPROC>(context->getProcAddress("glBlitFramebuffer"));
    if (!blit)
        blit = reinterpret_cast<PFNGLBLITFRAMEBUFFERPROC>(context->getProcAddress("glBlitFramebufferEXT"));
    if (!blit)
        return false;
    QOpenGLFunctions *gl = context->functions();
    gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, m_pFramebuffer->handle());
    gl->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_iWindowFramebuffer);
    blit(0, 0, m_iNeededWidth, m_iNeededHeight, 0, 0, m_iNeededWidth, m_iNeededHeight, GL_COLOR_BUFFER_BIT,
         GL_NEAREST);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, m_iWindowFramebuffer);
    return true;
}
