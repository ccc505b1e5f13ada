#pragma once
// One plane of a displacement or mask map for the displacement operation, sampled
// bilinearly at texture coordinates. Maps of a single texel row or column are sampled
// along the other axis only.

#include "foundation/Containers.h"

#include <QString>

#include <cstdint>

namespace Displacement {

// Bits per sample of a TIFF file ("tif" suffix), 0 for any other or unreadable file.
int TiffBitsPerSample(const QString &file);

class FloatMap {
public:
    // Loads the plane that `channel` names (a grey-image mode: 0 blue, 1 green, 2 red,
    // 3 alpha; the sample index in a 16 or 32-bit TIFF); false for an empty name or a file
    // that gives no values.
    bool Load(const QString &fileName, int channel);
    // 0.0 for an empty map.
    float Sample(float u, float v) const;

    bool IsEmpty() const { return !m_iWidth || !m_iHeight; }
    void Set(uint32_t width, uint32_t height, const General::Store<float> &values);

    uint32_t m_iWidth = 0, m_iHeight = 0;
    General::Store<float> m_aData{"floatmap data"};

private:
    float At(uint32_t x, uint32_t y) const { return m_aData[m_iWidth * y + x]; }
};

}  // namespace Displacement
