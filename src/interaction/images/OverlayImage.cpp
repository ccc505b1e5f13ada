#include "interaction/images/OverlayImage.h"

#include "foundation/images/Pictures.h"
#include "interaction/images/AlphaByte.h"

bool OverlayImage::Load(const QString &fileName, float opacity)
{
    if (fileName != m_sFileName || m_cSource.isNull())
        m_cSource = General::Pictures::Image(fileName).convertToFormat(QImage::Format_ARGB32);
    if (fileName != m_sFileName || opacity != m_fOpacity || m_cImage.isNull()) {
        m_cImage = m_cSource;
        m_iWidth = uint32_t(m_cImage.width());
        m_iHeight = uint32_t(m_cImage.height());
        for (int y = 0; y < m_cImage.height(); ++y) {
            QRgb *line = reinterpret_cast<QRgb *>(m_cImage.scanLine(y));
            for (int x = 0; x < m_cImage.width(); ++x)
                line[x] = (line[x] & 0x00FFFFFFu) | AlphaByte(float(qAlpha(line[x])) * opacity) << 24;
        }
        m_fOpacity = opacity;
        m_sFileName = fileName;
        m_bTextureStale = true;
    }
    m_bActive = true;
    return !m_cImage.isNull();
}

bool OverlayImage::GetCursorMatrix(General::Matrix &out, float mouseX, float mouseY, int viewWidth,
                                   int viewHeight) const
{
    if (viewWidth <= 0 || viewHeight <= 0)
        return false;
    const float t = float(m_iWidth) / float(viewWidth);
    General::Matrix scale;
    scale.m[0] = t;
    scale.m[5] = t * float(viewWidth) / float(viewHeight);
    General::Matrix translation;
    translation.m[12] = 2.0f * mouseX - 1.0f + m_fOffsetX;
    translation.m[13] = 1.0f - 2.0f * mouseY + m_fOffsetY;
    out = scale.Multiply(translation);
    return true;
}
