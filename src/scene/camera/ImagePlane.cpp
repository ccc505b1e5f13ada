#include "scene/camera/ImagePlane.h"

#include "foundation/Stream.h"
#include "scene/camera/CameraHost.h"

ImagePlane::~ImagePlane()
{
    if (m_iTexture)
        CameraHost::Get().DeleteTexture(m_iTexture);
}

bool ImagePlane::Serialize(Stream &stream)
{
    ImagePlacement::Serialize(stream);
    stream.Serialize(m_fDepth);
    stream.Serialize(m_fOpacity);
    stream.Serialize(m_bActive);
    return !stream.HasError();
}

int ImagePlane::TextureSide(uint32_t side)
{
    int result = 0;
    for (int power = 1; power <= kMaxTextureSide && uint32_t(power) <= side; power *= 2)
        result = power;
    return result;
}

QImage ImagePlane::MakeTexturePixels(const QImage &image, float opacity)
{
    const int width = TextureSide(uint32_t(std::max(image.width(), 0)));
    const int height = TextureSide(uint32_t(std::max(image.height(), 0)));
    if (width == 0 || height == 0)
        return QImage();
    QImage pixels = image.convertToFormat(QImage::Format_ARGB32)
                        .scaled(width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    // An opacity read from a file may be anything: the alpha stays a byte.
    const float factor = opacity >= 0.0f ? std::min(opacity, 1.0f) : 0.0f;
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(pixels.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = (row[x] & 0x00FFFFFFu) | (uint32_t(float(qAlpha(row[x])) * factor) << 24);
    }
    return pixels;
}
