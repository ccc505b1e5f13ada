#pragma once
// One image as float channels with an 8-bit display copy made with an exposure
// (in stops) and a gamma. Files the platform image loader reads come in as
// value / 255; TIFF files go through QTvTiff and keep their float values.

#include "foundation/images/QTvTiff.h"

#include <QString>
#include <QVector>

#include <cstdint>
#include <memory>

class QImage;

class QTvImage {
public:
    QTvImage();
    virtual ~QTvImage();
    QTvImage(const QTvImage &) = delete;
    QTvImage &operator=(const QTvImage &) = delete;

    // Replaces everything; `limitSize` scales platform-loaded images larger than
    // 1024 in either direction to exactly 1024 x 1024. False when nothing could read the file.
    bool Load(const QString &fileName, bool limitSize);
    // Channel count, scale (1.0) and offset (0.0) per channel, and zeroed channel data.
    // False (and no channels) when the memory is not there.
    bool Allocate(int width, int height, int channels);
    // Rebuilds the display image from the channels; nothing without both.
    void Convert();

    // Each of these converts again when a display image exists.
    void SetExposure(float exposure);
    void AddExposure(float step);
    void SetGamma(float gamma);
    // Negative marking: pixels with a negative colour channel are shown in green.
    void ToggleConversionFlag();

    // The channel values under (x, y) of the display image; a is written only with 4 channels,
    // nothing at all outside the image or without channels.
    void GetPixelValue(int x, int y, float &r, float &g, float &b, float &a) const;

    const QImage *GetImage() const { return m_pImage.get(); }
    float GetExposure() const { return m_fExposure; }
    float GetGamma() const { return m_fGamma; }
    bool IsMarkingNegative() const { return m_bMarkNegative; }
    int GetBitDepth() const { return m_iBitDepth; }
    bool IsFloat() const { return m_bFloat; }
    int GetChannelCount() const { return m_iChannels; }
    const TvChannels &GetChannels() const { return m_Channels; }

private:
    void Free();

    std::unique_ptr<QImage> m_pImage;
    float m_fExposure = 0.0f;
    float m_fGamma = 2.2f;
    bool m_bMarkNegative = false;
    int16_t m_iBitDepth = 32;
    bool m_bFloat = false;
    QVector<float> m_ChannelScale;
    QVector<float> m_ChannelOffset;
    int m_iChannels = 0;
    TvChannels m_Channels;
};
