#include "interaction/images/StencilImage.h"

#include "foundation/Diagnostics.h"
#include "foundation/images/GrayImage.h"
#include "foundation/images/ImageLimits.h"
#include "interaction/images/AlphaByte.h"
#include "mesh/core/Placement.h"
#include "scene/camera/Camera.h"


#include <algorithm>
#include <cmath>

namespace {

uint32_t PowerOfTwoBelow(uint32_t n)
{
    uint32_t p = 1;
    while (p * 2 <= n && p < 1024)
        p *= 2;
    return p;
}

}  // namespace

bool StencilImage::BuildPlacementMatrix(General::Matrix &out, int viewWidth, int viewHeight) const
{
    if (viewWidth <= 0 || viewHeight <= 0)
        return false;
    General::Matrix a;
    a.m[5] = m_cPlacement.m_fAspect != 0.0f ? 1.0f / m_cPlacement.m_fAspect : 1.0f;
    General::Matrix r;
    const float c = std::cos(m_cPlacement.m_fRotation), s = std::sin(m_cPlacement.m_fRotation);
    r.m[0] = c, r.m[1] = -s, r.m[4] = s, r.m[5] = c;
    General::Matrix scale;
    const float t = float(m_iWidth) / float(viewWidth), viewAspect = float(viewWidth) / float(viewHeight);
    scale.m[0] = m_cPlacement.m_fScale * t * (m_cSettings.flipHorizontal ? -1.0f : 1.0f);
    scale.m[5] = t * viewAspect * m_cPlacement.m_fScale * (m_cSettings.flipVertical ? -1.0f : 1.0f);
    General::Matrix translation;
    translation.m[12] = m_cPlacement.m_fOffsetX;
    translation.m[13] = m_cPlacement.m_fOffsetY;
    out = a.Multiply(r).Multiply(scale).Multiply(translation);
    return true;
}

void StencilImage::Update(const Camera &camera, int viewWidth, int viewHeight)
{
    if (!m_bState)
        return;
    m_bProjected = false;
    General::Matrix placement;
    if (!BuildPlacementMatrix(placement, viewWidth, viewHeight) || !placement.Invert())
        return;
    General::Matrix pixel;
    pixel.m[0] = float(m_iWidth / 2);
    pixel.m[12] = float(m_iWidth / 2);
    pixel.m[5] = -float(m_iHeight / 2);
    pixel.m[13] = float(m_iHeight / 2);
    m_mScreen = camera.m_mModelView.Multiply(camera.GetProjectionMatrix(false)).Multiply(placement).Multiply(pixel);
    m_mSample = m_mObject.Multiply(m_mScreen);
    m_bProjected = true;
}

void StencilImage::UpdateProjection(Placement *placement)
{
    if (placement)
        m_mObject = placement->GetFullMatrix();
    m_mSample = m_mObject.Multiply(m_mScreen);
}

float StencilImage::Sample(const General::Vector &point) const
{
    // An empty image would make tiling loop for ever and has nothing to read anyway.
    if (!TV_CHECK(m_bState) || !m_bProjected || m_iWidth == 0 || m_iHeight == 0
        || m_aPixels.GetItemCount() != m_iWidth * m_iHeight)
        return 0.0f;
    const General::Vector q = m_mSample.TransformHomogeneous(point, 1.0f);
    if (!std::isfinite(q.x) || !std::isfinite(q.y))
        return 0.0f;
    // Truncation toward zero, as the integer conversion does: (-1, 0) is column 0.
    const double x = std::trunc(double(q.x)), y = std::trunc(double(q.y));
    const double w = m_iWidth, h = m_iHeight;
    double ix = x, iy = y;
    if (m_bUseTile) {
        ix = x - std::floor(x / w) * w;
        iy = y - std::floor(y / h) * h;
    } else if (x < 0.0 || x >= w || y < 0.0 || y >= h) {
        return 0.0f;
    }
    const uint32_t column = uint32_t(std::clamp(ix, 0.0, w - 1.0)), row = uint32_t(std::clamp(iy, 0.0, h - 1.0));
    return m_cSettings.multiplier * m_aPixels[row * m_iWidth + column] + (m_cSettings.offset - 1.0f);
}

bool StencilImage::Load(const QString &fileName, bool invert, float visibility)
{
    if (fileName.isEmpty()) {
        m_bState = false;
        return false;
    }
    if (fileName == m_cPlacement.m_sFileName && visibility == m_fVisibility && invert == m_bInvert
        && m_aPixels.GetItemCount() > 0) {
        m_bState = true;
        return true;
    }
    if (fileName != m_cPlacement.m_sFileName || invert != m_bInvert || m_aPixels.GetItemCount() == 0) {
        m_aPixels.Clear();
        m_iWidth = m_iHeight = 0;
        m_cPlacement.SetFileName(fileName);
        if (!General::LoadGrayImage(m_aPixels, fileName, m_iWidth, m_iHeight, invert, General::kGrayAlphaGreen,
                                    General::kGrayNone)) {
            Log("Stencil %s gives no pixels: the stencil is off\n", qPrintable(fileName));
            m_aPixels.Clear();
            m_iWidth = m_iHeight = 0;
            m_bState = false;
            return false;
        }
        // Large images are scaled to a square: the file's own size keeps the shape.
        const QSize size = General::DeclaredImageSize(fileName);
        m_cPlacement.m_fAspect = size.isValid() && size.height() > 0 ? float(size.width()) / float(size.height())
                                                                       : float(m_iWidth) / float(m_iHeight);
    }
    m_fVisibility = visibility;
    m_bInvert = invert;
    m_bState = true;
    m_bTextureStale = true;
    return true;
}

QImage StencilImage::TextureImage() const
{
    if (m_iWidth == 0 || m_iHeight == 0 || m_aPixels.GetItemCount() != m_iWidth * m_iHeight)
        return QImage();
    const uint32_t tw = PowerOfTwoBelow(m_iWidth), th = PowerOfTwoBelow(m_iHeight);
    QImage image(int(tw), int(th), QImage::Format_ARGB32);
    if (image.isNull())
        return image;
    const float sx = float(m_iWidth) / float(tw), sy = float(m_iHeight) / float(th);
    for (uint32_t y = 0; y < th; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(int(y)));
        const uint32_t row = std::min(uint32_t(float(y) * sy), m_iHeight - 1);
        for (uint32_t x = 0; x < tw; ++x) {
            const uint32_t column = std::min(uint32_t(float(x) * sx), m_iWidth - 1);
            const float v = m_aPixels[row * m_iWidth + column];
            line[x] = AlphaByte((1.0f - v) * m_fVisibility * 255.0f) << 24;
        }
    }
    return image;
}
