#include "mapping/displacement/FloatMap.h"

#include "foundation/Diagnostics.h"
#include "foundation/images/GrayImage.h"

#include <QFile>
#include <QFileInfo>

#include <tiffio.h>

#include <algorithm>
#include <cmath>

namespace Displacement {

int TiffBitsPerSample(const QString &file)
{
    const QFileInfo info(file);
    if (info.suffix().compare(QLatin1String("tif"), Qt::CaseInsensitive) != 0 || !info.isFile())
        return 0;
    TIFF *tiff = TIFFOpen(QFile::encodeName(file).constData(), "r");
    if (!tiff)
        return 0;
    uint16_t bits = 0;
    if (!TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits))
        AssertFailed("MeshDisplace", 229, "TIFFGetField( t, 258, &iBitsPerSample )", nullptr);
    TIFFClose(tiff);
    return bits;
}

bool FloatMap::Load(const QString &fileName, int channel)
{
    m_iWidth = m_iHeight = 0;
    m_aData.Clear();
    if (fileName.isEmpty())
        return false;
    uint32_t width = 0, height = 0;
    General::Store<float> values("floatmap data");
    if (!General::LoadGrayImage(values, fileName, width, height, false, channel, General::kGrayNone))
        return false;
    if (!TV_CHECK(uint64_t(values.GetItemCount()) == uint64_t(width) * height) || !width || !height)
        return false;
    m_aData.Take(values);
    m_iWidth = width;
    m_iHeight = height;
    return true;
}

void FloatMap::Set(uint32_t width, uint32_t height, const General::Store<float> &values)
{
    m_aData.Clear();
    m_iWidth = m_iHeight = 0;
    if (uint64_t(width) * height != values.GetItemCount() || !m_aData.SetItemCount(values.GetItemCount(), false))
        return;
    for (unsigned i = 0; i < values.GetItemCount(); ++i)
        m_aData[i] = values[i];
    m_iWidth = width;
    m_iHeight = height;
}

float FloatMap::Sample(float u, float v) const
{
    if (IsEmpty())
        return 0.0f;
    const float fx = float(m_iWidth) * u - 0.5f, fy = float(m_iHeight) * v - 0.5f;
    // The cell's first texel; its second is the next one, or itself on a one-texel axis.
    auto cell = [](float f, uint32_t size) {
        const int last = int(size) - 2;
        return last < 0 ? 0 : std::clamp(std::isfinite(f) ? int(f) : 0, 0, last);
    };
    const uint32_t x0 = uint32_t(cell(fx, m_iWidth)), y0 = uint32_t(cell(fy, m_iHeight));
    const uint32_t x1 = std::min(x0 + 1, m_iWidth - 1), y1 = std::min(y0 + 1, m_iHeight - 1);
    const float tx = m_iWidth > 1 ? fx - float(x0) : 0.0f, ty = m_iHeight > 1 ? fy - float(y0) : 0.0f;
    return ty * ((1 - tx) * At(x0, y1) + tx * At(x1, y1)) + (1 - ty) * (tx * At(x1, y0) + (1 - tx) * At(x0, y0));
}

}  // namespace Displacement
