#pragma once
// The stencil: a grey image laid over the 3D view in screen space. Brush work asks it for
// a value at each vertex by where the vertex falls on the screen. Its matrices are computed
// from the camera's own matrices, so that the maths runs without a drawing context.

#include "foundation/Containers.h"
#include "foundation/images/ImagePlacement.h"
#include "foundation/math/Matrix.h"

#include <QImage>

#include <cstdint>

class Camera;
class Placement;

// The settings of the "Stencil" page that sampling and drawing read.
struct StencilSettings {
    bool invert = false;
    float visibility = 1.0f;
    float multiplier = 1.0f;
    float offset = 1.0f;
    bool flipHorizontal = false;
    bool flipVertical = false;
    bool hideWhenSculpt = true;

    bool operator==(const StencilSettings &) const = default;
};

class StencilImage {
public:
    // The quad's model-view matrix on the screen, from (-1, -1) to (1, 1): aspect, rotation,
    // size against the view, offsets. False (and `out` untouched) for a view without pixels.
    bool BuildPlacementMatrix(General::Matrix &out, int viewWidth, int viewHeight) const;
    // World point to stencil pixel through the camera; nothing when inactive. A view without
    // pixels or a projection that cannot be inverted leaves the stencil unprojected (it
    // samples 0).
    void Update(const Camera &camera, int viewWidth, int viewHeight);
    // The object matrix from the edited object's placement (kept without one).
    void UpdateProjection(Placement *placement);
    // Multiplier × pixel + (offset − 1) under an object-space point; 0 outside (without
    // tiling), when inactive, unprojected or without pixels.
    float Sample(const General::Vector &point) const;

    // Reads the pixels unless name and invert are those held; "" switches the stencil off.
    // False when the stencil ends inactive. The aspect is that of the file's own size.
    bool Load(const QString &fileName, bool invert, float visibility);
    // The texture: power-of-two sides up to 1024, nearest pixel, alpha (1 − v) × visibility.
    QImage TextureImage() const;

    bool m_bState = false;
    General::Matrix m_mScreen;
    General::Matrix m_mSample;
    General::Matrix m_mObject;
    unsigned m_iTexture = 0;
    uint32_t m_iWidth = 0;
    uint32_t m_iHeight = 0;
    float m_fVisibility = 1.0f;
    General::Store<float> m_aPixels{"stencil image"};
    bool m_bInvert = false;
    General::ImagePlacement m_cPlacement;
    bool m_bUseTile = false;
    bool m_bShowTile = true;
    StencilSettings m_cSettings;
    bool m_bProjected = false;  // the screen matrix is usable
    bool m_bTextureStale = false;  // the pixels or the visibility changed since the upload
    bool m_bHiddenForStroke = false;  // not drawn while a stroke runs ("Hide When Sculpt")
};
