#include "foundation/images/GrayImage.h"

#include "foundation/Diagnostics.h"
#include "foundation/images/QTvImage.h"
#include "foundation/images/QTvTiff.h"

#include <QImage>

#include <limits>

namespace General {

namespace {

// width × height items, refused when the count does not fit the store's index.
bool Size(Store<float> &pixels, uint32_t width, uint32_t height, const QString &fileName)
{
    const uint64_t count = uint64_t(width) * height;
    if (count == 0 || count > std::numeric_limits<unsigned>::max()) {
        Log("Grey image %s: %u x %u pixels cannot be held\n", qPrintable(fileName), width, height);
        return false;
    }
    if (pixels.SetItemCount(unsigned(count), false))
        return true;
    pixels.Clear();
    Log("Grey image %s: no memory for %u x %u pixels\n", qPrintable(fileName), width, height);
    return false;
}

// 16 and 32-bit samples, integers scaled to [0, 1] and floats as stored. False when the
// file is not such a TIFF (`handled` false: the 8-bit path reads it) or could not be read.
bool LoadDeepTiff(Store<float> &pixels, const QString &fileName, uint32_t &width, uint32_t &height, bool invert,
                  int modeA, bool *isFloat, bool &handled)
{
    QTvTiff tiff(fileName);
    handled = false;
    if (!tiff.IsOpen())
        return false;
    const TvTiffInfo &info = tiff.GetInfo();
    const unsigned bits = info.m_iBitsPerSample;
    if (bits != 16 && bits != 32)
        return false;
    handled = true;
    TvChannels channels;
    if (!tiff.readImage(channels) || channels.isEmpty()) {
        Log("Grey image %s: the TIFF file could not be read\n", qPrintable(fileName));
        return false;
    }
    const uint32_t w = info.m_iWidth, h = info.m_iLength;
    if (!Size(pixels, w, h, fileName))
        return false;
    const auto &channel = channels[modeA >= 0 && modeA < channels.size() ? modeA : 0];
    for (uint32_t y = 0; y < h; ++y) {
        const float *row = channel[int(y)].constData();
        float *out = &pixels[y * w];
        for (uint32_t x = 0; x < w; ++x)
            out[x] = invert ? -row[x] : row[x];
    }
    width = w;
    height = h;
    if (bits == 32 && isFloat)
        *isFloat = true;
    return true;
}

float Channel(QRgb pixel, int mode)
{
    const float blue = float(qBlue(pixel)) / 255.0f, green = float(qGreen(pixel)) / 255.0f;
    const float red = float(qRed(pixel)) / 255.0f, alpha = float(qAlpha(pixel)) / 255.0f;
    switch (mode) {
    case kGrayBlue: return blue;
    case kGrayGreen: return green;
    case kGrayRed: return red;
    case kGrayAlpha: return alpha;
    case kGrayAlphaBlue: return alpha * blue;
    case kGrayAlphaGreen: return alpha * green;
    case kGrayAlphaRed: return alpha * red;
    default: return 0.0f;
    }
}

}  // namespace

bool LoadGrayImage(Store<float> &pixels, const QString &fileName, uint32_t &width, uint32_t &height, bool invert,
                   int modeA, int modeB, bool *isFloat)
{
    // Only the last four characters choose: ".tiff" is read as an 8-bit image.
    if (fileName.right(4).toLower() == QLatin1String(".tif")) {
        bool handled = false;
        const bool loaded = LoadDeepTiff(pixels, fileName, width, height, invert, modeA, isFloat, handled);
        if (handled)
            return loaded;
    }
    QTvImage image;
    if (!image.Load(fileName, true) || !image.GetImage() || image.GetImage()->isNull()) {
        Log("Grey image %s: the file could not be read\n", qPrintable(fileName));
        return false;
    }
    // RGB32 has an alpha of 255 everywhere, so the alpha modes see 1.
    const QImage rgb = image.GetImage()->convertToFormat(QImage::Format_RGB32);
    const uint32_t w = uint32_t(rgb.width()), h = uint32_t(rgb.height());
    if (!Size(pixels, w, h, fileName))
        return false;
    const bool second = modeB >= 0 && modeB < kGrayNone;
    for (uint32_t y = 0; y < h; ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(int(y)));
        float *out = &pixels[y * w];
        for (uint32_t x = 0; x < w; ++x) {
            float value = Channel(line[x], modeA);
            if (second)
                value -= Channel(line[x], modeB);
            out[x] = invert ? 1.0f - value : value;
        }
    }
    width = w;
    height = h;
    if (isFloat)
        *isFloat = false;
    return true;
}

}  // namespace General
