#pragma once
// What cameras and lights need of the layers above: the 3D view's size and OpenGL
// state, the redraw request, the properties windows, two preferences and the active
// camera. The application installs its implementation; until then (and in tests that
// install none) every call answers as a program without a view would.

#include "foundation/Installable.h"
#include "foundation/math/Matrix.h"

#include <QString>

#include <cstdint>

class Camera;
class QImage;

class CameraHost : public General::Installable<CameraHost> {
public:
    virtual ~CameraHost() = default;

    // --- 3D view -------------------------------------------------------------
    // The view's size in pixels.
    virtual int ViewWidth() const { return 0; }
    virtual int ViewHeight() const { return 0; }
    // The aspect the view keeps for the image plane.
    virtual float ViewAspect() const { return 1.0f; }
    // The current GL_VIEWPORT; false without a context.
    virtual bool CurrentViewport(int32_t viewport[4]) const { return false; }
    // needed size / buffer size of the off-screen buffer; false when the view draws
    // straight to its window.
    virtual bool OffscreenRatios(float &width, float &height) const { return false; }
    // Loads the matrix as the OpenGL projection.
    virtual void LoadProjection(const General::Matrix &projection) {}
    // Uploads 32-bit BGRA pixels into the texture; a texture name of 0 asks for a new
    // one. The texture name used, 0 when there is no context.
    virtual uint32_t UploadTexture(uint32_t texture, const QImage &pixels) { return 0; }
    virtual void DeleteTexture(uint32_t texture) {}
    // The scene's active camera; null when there is no scene.
    virtual Camera *ActiveCamera() const { return nullptr; }

    // --- interface and panels ------------------------------------------------
    // Repaints the 3D view.
    virtual void Redraw() {}
    // Every properties window showing a page of this type refreshes it.
    virtual void RefreshProperties(const QString &page) {}

    // --- preferences ---------------------------------------------------------
    // "DollyWithFocus": focusing also frames the focused sphere.
    virtual bool DollyWithFocus() const { return true; }
    // The test-log switch of the command line.
    virtual bool TestLog() const { return false; }
};
