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

    // The four looked up by name in a context (`lookup(name)` gives a function pointer or
    // null); those the context lacks stay null.
    template <class Lookup>
    static BufferEntryPoints Resolve(Lookup lookup)
    {
        BufferEntryPoints entryPoints;
        entryPoints.m_pGenBuffers = reinterpret_cast<PFNGLGENBUFFERSPROC>(lookup("glGenBuffers"));
        entryPoints.m_pBindBuffer = reinterpret_cast<PFNGLBINDBUFFERPROC>(lookup("glBindBuffer"));
        entryPoints.m_pBufferData = reinterpret_cast<PFNGLBUFFERDATAPROC>(lookup("glBufferData"));
        entryPoints.m_pDeleteBuffers = reinterpret_cast<PFNGLDELETEBUFFERSPROC>(lookup("glDeleteBuffers"));
        return entryPoints;
    }

    // The installed entry points (all missing until the view installs them).
    static const BufferEntryPoints &Get();
    static void Install(const BufferEntryPoints &entryPoints);
};
