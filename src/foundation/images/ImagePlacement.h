#pragma once
// Where a picture sits on the screen: the stencil and a camera's image plane share it.

#include <QString>

class Stream;

namespace General {

class ImagePlacement {
public:
    float m_fRotation = 0.0f;  // radians
    float m_fOffsetX = 0.0f;
    float m_fOffsetY = 0.0f;
    float m_fScale = 1.0f;
    QString m_sFileName;
    float m_fAspect = 1.0f;  // image width / height

    // An empty name keeps the current one.
    void SetFileName(const QString &name);
    // Rotation, offsets, scale and aspect (4 bytes each), then the file name as a
    // stream string. A failed load leaves the placement as it was.
    bool Serialize(Stream &stream);
};

}  // namespace General
