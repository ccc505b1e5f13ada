#pragma once
// A small picture drawn next to the mouse cursor, such as the roll sign of the camera
// rotation command.

#include "foundation/math/Matrix.h"

#include <QImage>
#include <QString>

#include <cstdint>

class OverlayImage {
public:
    // Reads the picture (once per file) and multiplies its alpha by the opacity (clamped to a
    // byte); the same file and opacity again only switch it on. False when the file cannot be read: the
    // texture image is then empty, and the overlay is on all the same.
    bool Load(const QString &fileName, float opacity);
    // The quad at the mouse (0 to 1 across the view, y down): a square of the picture's width
    // in pixels. False (and `out` untouched) for a view without pixels.
    bool GetCursorMatrix(General::Matrix &out, float mouseX, float mouseY, int viewWidth, int viewHeight) const;
    // The picture to upload; null before a load or after a failed one.
    const QImage &TextureImage() const { return m_cImage; }

    bool m_bActive = false;
    unsigned m_iTexture = 0;
    uint32_t m_iWidth = 0;
    uint32_t m_iHeight = 0;
    float m_fOffsetX = 0.04f;  // normalised device units
    float m_fOffsetY = 0.04f;
    float m_fOpacity = 1.0f;
    QString m_sFileName;
    bool m_bTextureStale = false;  // the picture changed since the upload

private:
    QImage m_cSource;  // the file's picture as read
    QImage m_cImage;   // with the opacity applied
};
