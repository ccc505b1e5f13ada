#include "interaction/images/AlphaImage.h"

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "foundation/images/GrayImage.h"
#include "foundation/images/ImageLimits.h"
#include "interaction/images/AlphaByte.h"


#include <algorithm>
#include <cmath>

bool AlphaImage::Load(const QString &file)
{
    m_cName.m_sName = file;
    Release();
    if (!General::LoadGrayImage(m_aPixels, file, m_iWidth, m_iHeight, false, General::kGrayAlphaGreen,
                                General::kGrayNone)) {
        Release();
        m_bEnabled = false;
        // A stamp without pixels would make every stroke do nothing without a word.
        const QString message = QStringLiteral("The stamp %1 cannot be read: the stamp is off").arg(file);
        Log("%s\n", qPrintable(message));
        General::Shell().SetStatusMessage(message, 0);
        return false;
    }
    const QSize size = General::DeclaredImageSize(file);
    m_fAspect = size.isValid() && size.height() > 0 ? float(size.width()) / float(size.height())
                                                      : float(m_iWidth) / float(m_iHeight);
    m_bTextureStale = true;
    return true;
}

void AlphaImage::Release()
{
    ++m_iPixelSerial;
    m_aPixels.Clear();
    m_iWidth = m_iHeight = 0;
}

void AlphaImage::SetProjection(const General::Vector &centre, const General::Vector &normal,
                               const General::Vector &direction, float extentX, float extentY, bool flipX, bool flipY,
                               const General::Matrix &world)
{
    m_bPlaced = false;
    m_mWorld = world;
    if (!(extentX > 0.0f) || !(extentY > 0.0f) || !std::isfinite(extentX) || !std::isfinite(extentY))
        return;
    General::Matrix inverse = world;
    if (!inverse.Invert())
        return;
    const General::Vector n = world.Transform(normal, 0.0f).Normalized();
    const General::Vector d = world.Transform(direction, 0.0f);
    General::Vector u = d.Cross(n).Normalized();
    General::Vector v = n.Cross(u);
    if (flipX)
        u = u * -1.0f;
    if (flipY)
        v = v * -1.0f;
    General::Vector U = inverse.Transform(u * extentX, 0.0f), V = inverse.Transform(v * extentY, 0.0f);
    const float lu = U.Length(), lv = V.Length();
    if (!(lu > 0.0f) || !(lv > 0.0f))
        return;
    U = U.Normalized();
    V = V.Normalized();
    const General::Vector W = inverse.Transform(n, 0.0f).Normalized();
    General::Matrix frame;
    float *f = frame.m;
    f[0] = U.x, f[1] = U.y, f[2] = U.z;
    f[4] = V.x, f[5] = V.y, f[6] = V.z;
    f[8] = W.x, f[9] = W.y, f[10] = W.z;
    f[12] = centre.x, f[13] = centre.y, f[14] = centre.z;
    if (!frame.Invert())
        return;
    General::Matrix pixel;
    const float halfWidth = float(m_iWidth) * 0.5f, halfHeight = float(m_iHeight) * 0.5f;
    pixel.m[0] = halfWidth / ((lu / lv) * extentX);
    pixel.m[5] = halfHeight / -extentY;
    pixel.m[12] = halfWidth;
    pixel.m[13] = halfHeight;
    m_mStamp = frame.Multiply(pixel);
    m_bPlaced = true;
}

void AlphaImage::SetProjection(const General::Vector &p, const General::Vector &u, const General::Vector &v,
                               const General::Vector &n, float size, bool flipX, bool flipY)
{
    // v × n is u for the stroke's right-handed frame.
    (void)u;
    SetProjection(p, n, v, size, size, flipX, flipY, General::Matrix());
}

float AlphaImage::Sample(const General::Vector &point) const
{
    if (!IsPresent() || !m_bPlaced)
        return 0.0f;
    const General::Vector q = m_mStamp.Transform(point, 1.0f);
    // Truncation toward zero keeps (-1, 0) in column 0; the range test also refuses NaN.
    if (!(q.x > -1.0f && q.x < float(m_iWidth) && q.y > -1.0f && q.y < float(m_iHeight)))
        return 0.0f;
    const uint32_t ix = std::min(uint32_t(int(q.x)), m_iWidth - 1), iy = std::min(uint32_t(int(q.y)), m_iHeight - 1);
    return m_fFactor * m_aPixels[iy * m_iWidth + ix];
}

QImage AlphaImage::TextureImage() const
{
    QImage image = General::ReadBoundedImage(m_cName.m_sName, General::MaxImagePixels()).image;
    image = image.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull())
        return image;
    for (int y = 0; y < image.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            line[x] = (line[x] & 0x00FFFFFFu) | AlphaByte(float(qAlpha(line[x])) * m_fFactor) << 24;
        }
    }
    return image;
}

bool AlphaImage::SetFactor(float factor)
{
    if (factor == m_fFactor)
        return false;
    m_fFactor = factor;
    m_bTextureStale = true;
    return true;
}
