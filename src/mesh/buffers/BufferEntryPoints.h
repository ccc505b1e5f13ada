#pragma once
// The four OpenGL buffer-object entry points the video buffers call. They are not
// among the functions the system's OpenGL library exports for every context, so the
// 3D view resolves them from its context at run time and installs them here. Any of
// them may be missing; then no video buffers are made.

#include <GL/gl.h>

struct BufferEntryPoints {
    PFNGLGENBUFFERSPROC m_pGenBuffers = nullptr;
    PFNGLBINDBUFFERPROC m_pBindBuffer = nullptr;
    PFNGLBUFFERDATAPROC m_pBufferData = nullptr;
    PFNGLDELETEBUFFERSPROC m_pDeleteBuffers = nullptr;

    bool IsComplete() const { return m_pGenBuffers && m_pBindBuffer && m_pBufferData && m_pDeleteBuffers; }

    // The installed entry points (all missing until the view installs them).
    static const BufferEntryPoints &Get();
    static void Install(const BufferEntryPoints &entryPoints);
};
