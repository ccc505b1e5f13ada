#pragma once
// A picture shown in a camera's view. Reading the file and preparing its pixels is
// plain code; only the finished pixels go to OpenGL, through the camera host.

#include "foundation/images/ImagePlacement.h"
#include "foundation/math/Matrix.h"

#include <QImage>

#include <cstdint>

class Stream;

class ImagePlane : public General::ImagePlacement {
public:
    static constexpr int kMaxTextureSide = 1024;

    ImagePlane() = default;
    ~ImagePlane();
    ImagePlane(const ImagePlane &) = delete;
    ImagePlane &operator=(const ImagePlane &) = delete;

    // The placement, then depth, opacity and active. Loading reads the image again
    // from the stored name, without activating the plane.
    bool Serialize(Stream &stream);

    bool HasImage() const { return m_iImageWidth != 0 && m_iImageHeight != 0; }

    // The largest power of two not above `side`, at most 1024; 0 for 0.
    static int TextureSide(uint32_t side);
    // The image as texture pixels: ARGB32 at the power-of-two size, the alpha of
    // every pixel scaled by the opacity (truncated).
    static QImage MakeTexturePixels(const QImage &image, float opacity);

    float m_fOpacity = 1.0f;
    float m_fTextureOpacity = -1.0f;  // what the texture was made with; none made yet
    float m_fDepth = 0.0f;
    bool m_bActive = false;
    uint32_t m_iTexture = 0;
    uint32_t m_iImageWidth = 0;
    uint32_t m_iImageHeight = 0;
    General::Matrix m_mImage;  // world point to image pixel
};
