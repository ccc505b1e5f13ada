#include "interaction/images/AlphaImage.h"

#include <QFileInfo>
#include <QImage>

bool AlphaImage::Load(const QString &file)
{
    const QImage image = QImage(file).convertToFormat(QImage::Format_Grayscale16);
    if (image.isNull()) {
        Release();
        return false;
    }
    General::Store<uint16_t> pixels{"alpha image"};
    const unsigned count = unsigned(image.width()) * unsigned(image.height());
    if (!pixels.SetItemCount(count, false)) {
        Release();
        return false;
    }
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const uint16_t *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            pixels[unsigned(y * image.width() + x)] = row[x];
    }
    m_aPixels = std::move(pixels);
    m_iWidth = image.width();
    m_iHeight = image.height();
    m_sName = QFileInfo(file).fileName();
    m_bPresent = true;
    return true;
}

void AlphaImage::Release()
{
    m_aPixels.Clear();
    m_iWidth = m_iHeight = 0;
    m_bPresent = false;
}

void AlphaImage::SetProjection(const General::Vector &p, General::Vector u, General::Vector v,
                               const General::Vector &n, float size, bool flipX, bool flipY)
{
    if (flipX)
        u = u * -1.0f;
    if (flipY)
        v = v * -1.0f;
    // Rows are the axes scaled to the stamp's half side; the inverse maps world to (-1..1).
    const float s = size > 0.0f ? size : 1.0f;
    General::Matrix frame;
    float *m = frame.m;
    m[0] = u.x * s, m[1] = u.y * s, m[2] = u.z * s, m[3] = 0.0f;
    m[4] = v.x * s, m[5] = v.y * s, m[6] = v.z * s, m[7] = 0.0f;
    m[8] = n.x * s, m[9] = n.y * s, m[10] = n.z * s, m[11] = 0.0f;
    m[12] = p.x, m[13] = p.y, m[14] = p.z, m[15] = 1.0f;
    if (frame.Invert())
        m_mStamp = frame;
}
