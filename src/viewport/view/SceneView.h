#pragma once
// The 3D view: an OpenGL widget (compatibility profile) that draws the scene through
// its camera. A frame is drawn into the off-screen buffer, and only the region the
// camera marks dirty is redrawn there under a scissor test; every paint shows the
// buffer. Levels go to OpenGL through buffer objects, the two fill buffers or as point
// clouds. There is one view in the program; the current view names it.
//
// The view installs what the layers below ask of it: the buffer-object entry points
// and the buffer host of the video buffers, and the camera host.

#include "foundation/math/Matrix.h"
#include "viewport/view/ViewSettings.h"
#include "viewport/view/ViewToggles.h"

#include <QOpenGLWidget>

#include <cstdint>
#include <memory>

class Camera;
class FillCycle;
class Mesh;
class Object;
class PBuffer;
class Picker;
class PointBuffer;
class Scene;
struct FaceTotals;
namespace Octree {
class OctreeCube;
}
namespace General {
class Color;
class Rect2D;
}

class SceneView : public QOpenGLWidget {
    Q_OBJECT
public:
    // The format of the view's context: compatibility profile with a depth buffer.
    static QSurfaceFormat Format();
    // The view in use, null when there is none.
    static SceneView *GetCurrent() { return s_pCurrent; }
    // The most lights OpenGL is asked to light with; further lights are left out.
    static constexpr int kMaxLights = 8;

    SceneView(Camera *camera, QWidget *parent = nullptr);
    ~SceneView() override;

    // Makes it the view's camera and gives it the off-screen buffer's ratios and the viewport.
    // While a scene is current, each paint takes that scene's active camera.
    void SetCamera(Camera *camera);
    Camera *GetCamera() const { return m_pCamera; }

    // --- flags set from outside -----------------------------------------------------
    // Camera navigation starts or ends: with draft rendering on, large levels are drawn as
    // points meanwhile; the end redraws the whole view in full.
    void SetNavigating(bool navigating);
    // Whether the stencil belongs to this view; showing a loaded stencil repaints with it.
    void SetContinuousRedraw(bool continuous);
    // Repaints with the stencil when one is loaded and shown.
    void RedrawIfContinuous();
    // The status text again, for the preferences that change what it counts.
    static void RefreshStatusText();

    // --- drawing services, with the view's context current ---------------------
    // Lights, colour, shading and polygon modes for a draw (with a mesh: its material,
    // its object's placement and glBegin of its faces); the matrices from the camera
    // when setProjection, else the camera's stored ones.
    void BeginDraw(const General::Color &color, Mesh *mesh, bool setProjection, bool setLights);
    static void EndDraw(bool endPrimitive);
    // Lights the scene's lights, at most kMaxLights; returns how many are lit.
    int SetLights(const Scene &scene);
    void DrawMeshBufferObjects(Mesh &mesh);
    void DrawMeshBuffered(Mesh &mesh);
    void DrawMeshPoints(Mesh &mesh);
    // The level's faces in the octree cubes that the camera region's frustum keeps, one by
    // one in immediate mode; false (nothing drawn) when the level has no octree.
    bool DrawMeshThroughOctree(Mesh &level);
    // One face between the caller's glBegin and glEnd, coloured when the level needs it.
    void DrawTrianglesImmediate(Mesh &level, unsigned face);
    void DrawQuadsImmediate(Mesh &level, unsigned face);
    // One corner: the vertex or face normal by "Smooth Shade", the texture coordinate while
    // a partition texture is bound, then the position.
    void EmitCorner(Mesh &level, unsigned face, unsigned corner);

    // --- the frame --------------------------------------------------------------
    // The scene into the current target inside the scissor rectangle (window pixels,
    // y from the bottom).
    void DrawFrame(int x, int y, int width, int height);
    void DrawScene();
    // One level; `color` overrides the tint (the wire overlay), null for the normal colours.
    void DrawMesh(Mesh &level, const General::Color *color);

    // Fills the picker with the hits along the ray through the view pixel (x, y from the
    // top-left corner) under the matrices of the last frame, with the sketch volume's hit
    // and, when the symmetry setting mirrors picks, the mirrored copies. False on no hit.
    bool Pick(Picker &picker, float x, float y);

    // --- over and around the levels ----------------------------------------------
    // The camera's image plane as a textured quad at that depth-buffer value, inside the
    // scissor rectangle; nothing unless the plane is shown and has a picture.
    void DrawImagePlane(int x, int y, int width, int height, float depth);
    // The installed stencil as a screen quad inside the scissor rectangle.
    void DrawStencil(int x, int y, int width, int height);
    void DrawStamp();
    void DrawCursorImage();
    // The scene's curves in view pixels, when curves are shown.
    void DrawCurves();
    // The sketch volume's cells as lit points.
    void DrawSketchVolume();
    // The wire boxes of the cube and of every cube below it.
    void DrawOctreeCubes(const Octree::OctreeCube &cube);
    // Everything drawn over the shown frame on every paint.
    void DrawOverlays();

    // The status-bar text of the current scene's face counts, by the settings.
    static QString UpdateStatusText(const ViewSettings &settings);
    // The scissor rectangle of a view region (0 to 1, top-down) in a picture of that size
    // (pixels, y from the bottom): every pixel the region touches, within the picture.
    static void RegionPixels(const General::Rect2D &region, int width, int height, int pixels[4]);

    // The view's context menu, built without showing it (labels, checks and commands).
    QMenu *BuildContextMenu(QWidget *parent) const;
    // Whether the pointer stands in the view, so that the brush cursor is drawn.
    void SetPointerInView(bool inside);
    bool IsPointerInView() const { return m_bPointerInView; }

    ViewToggles m_cToggles;
    ViewSettings m_cSettings;
    int32_t m_iVisiblePolys = 0;  // faces drawn by the current scene pass
    bool m_bContextMenuBlocked = false;  // the last press is held by a handler: no pop-up
    bool m_bFrameDrawn = false;
    bool m_bDrawingWireOverlay = false;
    bool m_bNavigating = false;
    bool m_bStencil = true;          // the stencil is drawn
    bool m_bStencilInFrame = false;  // ... into the off-screen frame instead of over it
    bool m_bStencilDrawn = false;    // the last frame holds the stencil
    PBuffer *GetPBuffer() const { return m_pPBuffer.get(); }
    // Draw calls of the point clouds, for those who count them.
    unsigned m_iPointDraws = 0;

signals:
    // A context-menu entry was chosen: the command it names is to be run.
    void CommandRequested(const QString &command);
    // The face counts of the status bar changed (sent after the frame that changed them).
    void StatusTextChanged(const QString &text);

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    // The brush cursor stands where the pointer is: it goes when the pointer leaves the view
    // and comes back with the next move inside (an entry alone gives no position yet).
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void DrawGradient(int width, int height);
    void DrawGrid();
    // The window's viewport and the off-screen ratios, which the camera's conversions
    // between view pixels and the world take.
    void RecordViewport(Camera &camera) const;
    // The off-screen buffer's whole viewport (the camera's ratios place the picture in it).
    void UseBufferViewport() const;
    bool ImagePlaneShown() const;
    // The camera's model-view matrix with the level's object placement in front.
    General::Matrix LevelModelView(Mesh &level) const;
    // The depth-buffer value of the image plane, and whether it lies behind the scene
    // (drawn before the levels) rather than in front of it.
    float ImagePlaneDepth(bool &beforeScene) const;

    Camera *m_pCamera;
    std::unique_ptr<PBuffer> m_pPBuffer;
    std::unique_ptr<FillCycle> m_pFillCycle;
    std::unique_ptr<PointBuffer> m_pPointBuffer;
    int m_iWidth = 0, m_iHeight = 0;
    float m_fAspect = 1.0f;
    bool m_bPointerInView = false;
    bool m_bMeshHasPartitions = false;
    // The frame draws the camera's pending region through the octree (a stroke's region).
    bool m_bRegionThroughOctree = false;
    // The immediate path: the primitive begun, the partition whose texture is bound (-1 none)
    // and the face colours.
    unsigned m_iImmediateMode = 0;
    int m_iCurrentPartition = -1;
    void SwitchPartition(Mesh &level, unsigned face);
    bool m_bTextureBound = false;
    bool m_bColouring = false;
    bool m_bMasked = false;  // the active layer's mask is shown on the level being drawn
    bool m_bShowVertexFreeze = false;  // frozen vertices add to their quads' freeze colour
    General::Color *m_pFaceColors = nullptr;  // tint, selected, frozen, layer, for the level being drawn
    void SetFaceColor(Mesh &level, unsigned face);
    bool m_bLightsReported = false;  // the "too many lights" line is logged once
    QString m_sStatusText;
    struct Hosts;
    std::unique_ptr<Hosts> m_pHosts;

    static SceneView *s_pCurrent;
};
