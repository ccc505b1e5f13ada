#pragma once
// The two fill buffers and the draw cycle that streams a mesh level through them. The
// buffers take turns: each is drawn with what it holds, then refilled with the chunk
// after the other's, until a pass over both finds no chunk left. Everything runs on the
// calling thread (the GUI thread, inside the view's paint): the fills read the mesh
// without locks, which is sound only while nothing edits it, and that holds there.

#include "viewport/fill/FillBuffer.h"

#include <functional>

class Mesh;
struct FillSettings;

class FillCycle {
public:
    // The buffers' arrays are made here, once; throws std::bad_alloc when memory is refused.
    FillCycle() = default;

    // Streams `mesh`: `draw` gets each buffer in turn (with 0 vertices while it holds
    // no chunk). Returns the number of passes over the two buffers.
    unsigned Run(Mesh &mesh, const FillSettings &settings, const std::function<void(const FillBuffer &)> &draw);

    const FillBuffer &GetBuffer(int index) const { return m_aBuffers[index & 1]; }

private:
    FillBuffer m_aBuffers[2];
};
