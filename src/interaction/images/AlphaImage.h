#pragma once
// The stamp: a grey image a stroke presses into the surface. At each stroke point it is
// placed in a frame around the point; brush work then asks it for a value at each vertex.

#include "foundation/Containers.h"
#include "foundation/NamedValue.h"
#include "foundation/math/Matrix.h"
#include "foundation/math/Vector.h"

#include <QImage>
#include <QString>

#include <cstdint>

class AlphaImage {
public:
    // Reads the grey pixels of `file` (kept as the stamp's name); false, with no pixels and
    // the stamp off, when the file gives none.
    bool Load(const QString &file);
    // Frees the pixels (their bytes go back to the memory count).
    void Release();
    // Pixels are held: a stamp without them is never switched on.
    bool IsPresent() const { return m_aPixels.GetItemCount() > 0; }

    // Places the stamp at centre P with normal N and direction D (object space), extents ex
    // and ey along its axes, M the object's world matrix. An extent of 0 (or a frame that
    // cannot be inverted) leaves the stamp unplaced: it samples 0 until the next placement.
    void SetProjection(const General::Vector &centre, const General::Vector &normal, const General::Vector &direction,
                       float extentX, float extentY, bool flipX, bool flipY, const General::Matrix &world);
    // The stroke's frame: axes u and v across n and a half side of `size`, no object matrix.
    void SetProjection(const General::Vector &p, const General::Vector &u, const General::Vector &v,
                       const General::Vector &n, float size, bool flipX, bool flipY);
    bool IsPlaced() const { return m_bPlaced; }

    // factor × pixel under an object-space point; 0 outside, unplaced or without pixels.
    float Sample(const General::Vector &point) const;

    // The displayed picture: the file at its own size, its alpha multiplied by the factor
    // (clamped to a byte). Null when the file cannot be read.
    QImage TextureImage() const;
    // True when the factor changed (the texture is then to be rebuilt).
    bool SetFactor(float factor);
    float GetFactor() const { return m_fFactor; }
    const QString &GetFileName() const { return m_cName.m_sName; }
    // Changes whenever the pixels are loaded or let go, so a picture made from them can
    // tell that it is stale without reading the file again.
    unsigned GetPixelSerial() const { return m_iPixelSerial; }

    bool m_bEnabled = false;   // the stamp is switched on
    float m_fRotation = 0.0f;  // a fixed rotation (radians); 0 lets the jitter decide
    float m_fStrength = 1.0f;  // the sample's strength factor
    General::Matrix m_mStamp;       // object point to stamp pixel, for the current sample
    General::Matrix m_mFirstStamp;  // the same for the first point of the stroke
    General::Matrix m_mWorld;       // the world matrix of the last placement
    unsigned m_iTexture = 0;
    uint32_t m_iWidth = 0;
    uint32_t m_iHeight = 0;
    float m_fAspect = 1.0f;
    General::Store<float> m_aPixels{"alpha image"};
    bool m_bTextureStale = false;  // the picture or the factor changed since the upload

private:
    General::NamedValue m_cName;
    float m_fFactor = 1.0f;
    bool m_bPlaced = false;
    unsigned m_iPixelSerial = 0;
};
