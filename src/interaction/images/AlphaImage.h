#pragma once
// The stamp: a grey image a stroke presses into the surface at each sample. Only what the
// stroke and the tool choice use lives here: loading and releasing the image, and the
// frame each sample places it in.

#include "foundation/Containers.h"
#include "foundation/math/Matrix.h"
#include "foundation/math/Vector.h"

#include <QString>

#include <cstdint>

class AlphaImage {
public:
    // Reads a grey image; false (the stamp then absent) when the file gives none.
    bool Load(const QString &file);
    // Frees the pixels (their bytes go back to the memory count); the stamp is absent.
    void Release();
    bool IsPresent() const { return m_bPresent; }

    // Places the stamp for one sample: origin P, axes U and V across the normal N, a side
    // of 2 × size, mirrored in U and V by the flips. The result is the current matrix.
    void SetProjection(const General::Vector &p, General::Vector u, General::Vector v, const General::Vector &n,
                       float size, bool flipX, bool flipY);

    bool m_bEnabled = false;   // the stamp is switched on
    QString m_sName;
    float m_fRotation = 0.0f;  // a fixed rotation (radians); 0 lets the jitter decide
    float m_fStrength = 1.0f;  // the sample's strength factor
    General::Matrix m_mStamp;       // world to the stamp's plane, for the current sample
    General::Matrix m_mFirstStamp;  // the same for the first pick of the sample
    int m_iWidth = 0;
    int m_iHeight = 0;
    General::Store<uint16_t> m_aPixels{"alpha image"};

private:
    bool m_bPresent = false;
};
