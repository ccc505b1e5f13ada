#include "foundation/images/QTvImage.h"

#include "foundation/Diagnostics.h"
#include "foundation/Memory.h"
#include "foundation/images/ImageLimits.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <new>

namespace {

constexpr int kSizeLimit = 1024;
constexpr QRgb kNegativeMark = 0xFF00FF00u;

// The display byte of a colour value: magnitude, exposure scale, then gamma.
// Infinities show as 255 and NaNs as 0.
int ColourByte(float v, float scale, bool applyGamma, float inverseGamma)
{
    const float a = std::fabs(v);
    if (!(a > 1e-8f))
        return 0;
    float t = a * scale;
    if (applyGamma)
        t = std::pow(t, inverseGamma);
    const float n = t * 255.0f + 0.5f;
    return n >= 255.0f ? 255 : n > 0.0f ? int(n) : 0;
}

// Alpha takes neither exposure nor gamma.
int AlphaByte(float v)
{
    return ColourByte(v, 1.0f, false, 1.0f);
}

}  // namespace

QTvImage::QTvImage() = default;

QTvImage::~QTvImage() = default;

void QTvImage::Free()
{
    m_Channels.clear();
    m_ChannelScale.clear();
    m_ChannelOffset.clear();
    m_iChannels = 0;
}

bool QTvImage::Allocate(int width, int height, int channels)
{
    Free();
    if (width < 0 || height < 0 || channels < 0)
        return false;
    const double bytes = double(channels) * height * (double(width) * sizeof(float) + sizeof(QVector<float>));
    if (bytes > double(General::GetAvailableMemory())) {
        Log("Cannot allocate %d channels of %d x %d pixels (%.2f MB)\n", channels, width, height, bytes / 1048576.0);
        return false;
    }
    try {
        m_Channels.resize(channels);
        for (auto &channel : m_Channels) {
            channel.resize(height);
            for (auto &row : channel)
                row.resize(width);
        }
    } catch (const std::bad_alloc &) {
        Log("Cannot allocate %d channels of %d x %d pixels (%.2f MB)\n", channels, width, height, bytes / 1048576.0);
        Free();
        return false;
    }
    m_ChannelScale.fill(1.0f, channels);
    m_ChannelOffset.fill(0.0f, channels);
    m_iChannels = channels;
    return true;
}

bool QTvImage::Load(const QString &fileName, bool limitSize)
{
    m_bFloat = false;
    Free();
    m_pImage.reset();
    m_fGamma = 1.0f;

    // A picture cut to 1024 x 1024 is decoded at that size where the reader can.
    General::BoundedImage read = General::ReadBoundedImage(
        fileName, limitSize ? General::kMaxScaledPixels : General::MaxImagePixels(),
        limitSize ? QSize(kSizeLimit, kSizeLimit) : QSize());
    if (read.tooLarge) {
        Log("%s\n", qPrintable(read.error));
        return false;
    }
    QImage image = std::move(read.image);
    if (!image.isNull()) {
        m_iBitDepth = int16_t(read.depth);
        if (limitSize && (image.width() > kSizeLimit || image.height() > kSizeLimit))
            image = image.scaled(kSizeLimit, kSizeLimit, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        if (!Allocate(image.width(), image.height(), 4))
            return false;
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < argb.height(); ++y) {
            const QRgb *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
            // Row pointers once per row: indexing the nested vectors per pixel is slow.
            float *r = m_Channels[0][y].data(), *g = m_Channels[1][y].data(), *b = m_Channels[2][y].data(),
                  *a = m_Channels[3][y].data();
            for (int x = 0; x < argb.width(); ++x) {
                r[x] = float(qRed(line[x])) / 255.0f;
                g[x] = float(qGreen(line[x])) / 255.0f;
                b[x] = float(qBlue(line[x])) / 255.0f;
                a[x] = float(qAlpha(line[x])) / 255.0f;
            }
        }
        // Shown as loaded until the next conversion.
        m_pImage = std::make_unique<QImage>(std::move(image));
        return true;
    }

    QTvTiff tiff(fileName);
    const TvTiffInfo &info = tiff.GetInfo();
    if (!tiff.IsOpen()) {
        Log("%s\n", qPrintable(read.error));
        return false;
    }
    if (limitSize && uint64_t(info.m_iWidth) * info.m_iLength > uint64_t(General::kMaxScaledPixels)) {
        Log("%s\n", qPrintable(General::ImageTooLarge(fileName, info.m_iWidth, info.m_iLength)));
        return false;
    }
    TvChannels channels;
    if (tiff.readImage(channels)) {
        const uint32_t width = info.m_iWidth, height = info.m_iLength;
        if (double(width) * height * 4.0 > double(General::GetAvailableMemory())) {
            Log("Cannot allocate the %u x %u display image of %s\n", width, height, qPrintable(fileName));
            return false;
        }
        auto display = std::make_unique<QImage>(int(width), int(height), QImage::Format_ARGB32);
        if (display->isNull()) {
            Log("Cannot allocate the %u x %u display image of %s\n", width, height, qPrintable(fileName));
            return false;
        }
        m_Channels = std::move(channels);
        m_iChannels = int(m_Channels.size());
        m_ChannelScale.fill(1.0f, m_iChannels);
        m_ChannelOffset.fill(0.0f, m_iChannels);
        m_iBitDepth = int16_t(info.m_iBitsPerSample);
        m_bFloat = info.m_iSampleFormat == 3;
        m_pImage = std::move(display);
        SetGamma(tiff.GetGamma());
        return true;
    }
    if (info.m_iBitsPerSample != 1 || !tiff.IsOpen())
        return false;
    m_iBitDepth = 1;
    m_pImage.reset(tiff.read1bitTIFFImageToMono());
    return m_pImage != nullptr;
}

void QTvImage::Convert()
{
    if (!m_pImage || m_iChannels == 0)
        return;
    const int width = m_pImage->width(), height = m_pImage->height();
    if (!TV_CHECK(m_Channels.size() == m_iChannels))
        return;
    for (const auto &channel : m_Channels)
        if (!TV_CHECK(channel.size() == height && (height == 0 || channel[0].size() == width)))
            return;
    // An image as the platform loader gave it may be indexed or without alpha.
    if (m_pImage->format() != QImage::Format_ARGB32) {
        QImage argb(width, height, QImage::Format_ARGB32);
        if (argb.isNull())
            return;
        *m_pImage = std::move(argb);
    }
    const float scale = std::fabs(std::exp2(m_fExposure));
    const float inverseGamma = 1.0f / m_fGamma;
    const bool applyGamma = std::fabs(1.0f - m_fGamma) > 0.0001f;
    const int used = std::min(m_iChannels, 4);
    const float *rows[4] = {};
    for (int y = 0; y < height; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(m_pImage->scanLine(y));
        for (int c = 0; c < used; ++c)
            rows[c] = m_Channels[c][y].constData();
        for (int x = 0; x < width; ++x) {
            if (m_iChannels == 1) {
                const float v = rows[0][x];
                const int b = ColourByte(v, scale, applyGamma, inverseGamma);
                line[x] = m_bMarkNegative && v < 0.0f ? kNegativeMark : qRgb(b, b, b);
                continue;
            }
            int bytes[4] = {0, 0, 0, 255};
            bool negative = false;
            for (int c = 0; c < used && !negative; ++c) {
                const float v = rows[c][x];
                if (c < 3 && m_bMarkNegative && v < 0.0f)
                    negative = true;
                else
                    bytes[c] = c == 3 ? AlphaByte(v) : ColourByte(v, scale, applyGamma, inverseGamma);
            }
            line[x] = negative ? kNegativeMark : qRgba(bytes[0], bytes[1], bytes[2], bytes[3]);
        }
    }
}

void QTvImage::SetExposure(float exposure)
{
    m_fExposure = exposure;
    if (m_pImage)
        Convert();
}

void QTvImage::AddExposure(float step)
{
    SetExposure(m_fExposure + step);
}

void QTvImage::SetGamma(float gamma)
{
    m_fGamma = gamma;
    if (m_pImage)
        Convert();
}

void QTvImage::ToggleConversionFlag()
{
    m_bMarkNegative = !m_bMarkNegative;
    if (m_pImage)
        Convert();
}

void QTvImage::GetPixelValue(int x, int y, float &r, float &g, float &b, float &a) const
{
    if (m_iChannels == 0 || !m_pImage || x < 0 || y < 0 || x >= m_pImage->width() || y >= m_pImage->height())
        return;
    auto value = [&](int c) { return m_Channels[c][y][x]; };
    if (m_Channels.size() != m_iChannels || m_Channels[0].size() <= y || m_Channels[0][y].size() <= x)
        return;
    if (m_iChannels == 3 || m_iChannels == 4) {
        r = value(0);
        g = value(1);
        b = value(2);
        if (m_iChannels == 4)
            a = value(3);
    } else {
        r = g = b = value(0);
    }
}
