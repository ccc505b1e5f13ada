#pragma once
// One batch of points sent to OpenGL in a single draw call: at most 4,096 points, each
// with a position, a normal and a packed colour (red in the lowest byte). Adding the
// 4,096th point draws the batch; Flush draws what is left. One batch serves all point
// drawing; the draw itself is replaceable so that the batching is tested without a context.

#include "foundation/Containers.h"
#include "foundation/math/Vector.h"
#include "mesh/core/MeshRecords.h"

#include <cstdint>
#include <functional>

class PointBuffer {
public:
    static constexpr unsigned kCapacity = 4096;
    using Drawer = std::function<void(const PointBuffer &)>;

    // The arrays are made here; throws std::bad_alloc when memory is refused.
    explicit PointBuffer(unsigned capacity = kCapacity);
    PointBuffer(const PointBuffer &) = delete;
    PointBuffer &operator=(const PointBuffer &) = delete;

    void Add(const General::Vector &position, const General::Vector &normal, uint32_t color)
    {
        m_aPositions.GetBuffer()[m_iCount] = position;
        m_aNormals.GetBuffer()[m_iCount] = normal;
        m_aColors.GetBuffer()[m_iCount] = color;
        if (++m_iCount >= m_iCapacity)
            Flush();
    }
    // Draws the points held (none: no draw call) and empties the batch.
    void Flush();

    // Replaces the OpenGL draw (null restores it).
    void SetDrawer(Drawer drawer) { m_fDrawer = std::move(drawer); }
    // glDrawArrays(GL_POINTS) over the client arrays.
    static void DrawPoints(const PointBuffer &buffer);

    unsigned m_iCapacity;
    unsigned m_iCount = 0;
    bool m_bHasTexCoords = false;
    General::Array<General::Vector> m_aPositions;
    General::Array<General::Vector> m_aNormals;
    General::Array<uint32_t> m_aColors;
    General::Array<TC> m_aTexCoords;

private:
    Drawer m_fDrawer;
};

// A colour packed for the colour array: each channel × 255, red in the lowest byte.
uint32_t PackColor(float r, float g, float b, float a);
