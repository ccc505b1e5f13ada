#pragma once
// The off-screen render target of the 3D view. A frame is drawn into it and then shown
// in the window, so that later frames can redraw only a region over an unchanged
// picture. Its sides are powers of two (at most the largest texture size); the picture
// takes the lower-left needed width × needed height of it, and the camera's width and
// height ratios are needed size / buffer size. The view makes a new one on each resize.

#include <QSize>

#include <memory>

class QOpenGLFramebufferObject;

class PBuffer {
public:
    // A buffer for a view of width × height in the current OpenGL context; null when
    // none can be made (logged: "PBuffer creation failed (%d)\n", 1 for a refused
    // framebuffer, 2 without a current context), and the view then draws without one.
    static std::unique_ptr<PBuffer> Create(int width, int height, int maximumSize);
    // The buffer size for a view: each side the smallest power of two not below it,
    // capped at maximumSize.
    static QSize BufferSize(int width, int height, int maximumSize);

    ~PBuffer();
    PBuffer(const PBuffer &) = delete;
    PBuffer &operator=(const PBuffer &) = delete;

    // Drawing goes to the buffer until RestoreTarget; false when it cannot be bound. The
    // framebuffer bound before (the window's) is remembered.
    bool SetAsTarget();
    // Drawing goes to the window's framebuffer again.
    bool RestoreTarget();
    // Copies the picture (needed size, lower left) into the window's framebuffer at the
    // same place and leaves that bound; false when the copy is not possible.
    bool Display();

    int GetNeededWidth() const { return m_iNeededWidth; }
    int GetNeededHeight() const { return m_iNeededHeight; }
    int GetBufferWidth() const { return m_iBufferWidth; }
    int GetBufferHeight() const { return m_iBufferHeight; }
    float GetWidthRatio() const { return float(m_iNeededWidth) / float(m_iBufferWidth); }
    float GetHeightRatio() const { return float(m_iNeededHeight) / float(m_iBufferHeight); }
    QOpenGLFramebufferObject *GetFramebuffer() const { return m_pFramebuffer.get(); }

private:
    PBuffer() = default;

    std::unique_ptr<QOpenGLFramebufferObject> m_pFramebuffer;
    int m_iNeededWidth = 0, m_iNeededHeight = 0;
    int m_iBufferWidth = 0, m_iBufferHeight = 0;
    // The window's framebuffer: the one bound when the buffer was made or last became the target.
    unsigned m_iWindowFramebuffer = 0;
};
