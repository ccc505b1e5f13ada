#include "viewport/draw/PointBuffer.h"

#include <algorithm>

namespace {

uint32_t Channel(float value) { return uint32_t(std::clamp(value, 0.0f, 1.0f) * 255.0f); }

}  // namespace

PointBuffer::PointBuffer(unsigned capacity)
    : m_iCapacity(std::max(capacity, 1u)),
      m_aPositions("pointbuffer positions", m_iCapacity),
      m_aNormals("pointbuffer normals", m_iCapacity),
      m_aColors("pointbuffer colors", m_iCapacity),
      m_aTexCoords("unknown", m_iCapacity)
{
}

void PointBuffer::Flush()
{
    if (m_iCount) {
        if (m_fDrawer)
            m_fDrawer(*this);
        else
            DrawPoints(*this);
    }
    m_iCount = 0;
}

uint32_t PackColor(float r, float g, float b, float a)
{
    return Channel(r) | Channel(g) << 8 | Channel(b) << 16 | Channel(a) << 24;
}
