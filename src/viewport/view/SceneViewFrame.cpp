// The paint of the 3D view: a frame into the off-screen buffer (only the dirty region,
// under a scissor test), the scene with its grid and the two opacity passes, and the
// choice of path for each level.
#include "viewport/view/SceneView.h"

#include "foundation/math/AABB.h"
#include "foundation/Diagnostics.h"
#include "mesh/buffers/BufferEntryPoints.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/Octree.h"
#include "mesh/levels/SubdivLevel.h"
#include "mesh/object/Object.h"
#include "mesh/surface/Material.h"
#include "mesh/surface/Texture.h"
#include "scene/Brush.h"
#include "scene/Scene.h"
#include "scene/SceneServices.h"
#include "scene/camera/Camera.h"
#include "viewport/PBuffer.h"
#include "viewport/draw/DrawOrder.h"
#include "viewport/draw/GridLines.h"
#include "viewport/fill/FillLook.h"
#include "viewport/overlay/ViewOverlay.h"

#include <algorithm>
#include <cmath>

#include <GL/gl.h>

namespace {

void Color4(const General::Color &c) { glColor4f(c.r, c.g, c.b, c.a); }

}  // namespace

void SceneView::paintGL()
{
    // The view draws through the scene's active camera, which a new or replaced scene changes.
    if (Scene *scene = Scene::GetCurrent(); scene && scene->m_pActiveCamera != m_pCamera)
        SetCamera(scene->m_pActiveCamera);
    if (!m_pCamera) {
        glClearColor(m_cSettings.m_cBackground.r, m_cSettings.m_cBackground.g, m_cSettings.m_cBackground.b, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        return;
    }
    int width = m_iWidth, height = m_iHeight;
    if (m_pPBuffer) {
        width = std::min(width, m_pPBuffer->GetBufferWidth());
        height = std::min(height, m_pPBuffer->GetBufferHeight());
    }
    if (m_pCamera->m_bRegionSet) {
        int pixels[4];
        RegionPixels(m_pCamera->m_rViewRegion, width, height, pixels);
        DrawFrame(pixels[0], pixels[1], pixels[2], pixels[3]);
    } else if (!m_pPBuffer)
        DrawFrame(0, 0, m_iWidth, m_iHeight);
    // Without a pending region the buffer still holds the last frame: it is only shown again.
    if (m_pPBuffer)
        TV_CHECK(m_pPBuffer->Display());
    DrawOverlays();

    const QString text = UpdateStatusText(m_cSettings);
    if (text != m_sStatusText) {
        m_sStatusText = text;
        emit StatusTextChanged(text);
    }
}

void SceneView::RegionPixels(const General::Rect2D &region, int width, int height, int pixels[4])
{
    // Outward to whole pixels: a pixel the region covers in part is redrawn, not left stale.
    auto clamp = [](float v, int limit) { return std::clamp(int(v), 0, limit); };
    const int left = clamp(std::floor(float(width) * region.x0), width);
    const int right = clamp(std::ceil(float(width) * region.x1), width);
    const int bottom = clamp(std::floor((1.0f - region.y1) * float(height)), height);
    const int top = clamp(std::ceil((1.0f - region.y0) * float(height)), height);
    pixels[0] = left;
    pixels[1] = bottom;
    pixels[2] = std::max(right - left, 0);
    pixels[3] = std::max(top - bottom, 0);
}

void SceneView::DrawFrame(int x, int y, int width, int height)
{
    if (m_pPBuffer)
        TV_CHECK(m_pPBuffer->SetAsTarget());
    s_pCurrent = this;
    if (m_iHeight > 0)
        m_pCamera->m_fAspect = float(m_iWidth) / float(m_iHeight);
    // Every frame: a camera made since the last resize (a replaced scene's) has no ratios yet.
    RecordViewport(*m_pCamera);

    // The camera's ratios place the picture in the lower left of the whole buffer.
    if (m_pPBuffer)
        glViewport(0, 0, m_pPBuffer->GetBufferWidth(), m_pPBuffer->GetBufferHeight());
    else
        glViewport(0, 0, m_iWidth, m_iHeight);
    glEnable(GL_SCISSOR_TEST);
    glScissor(x, y, width, height);
    const General::Color &background = m_cSettings.m_cBackground;
    glClearColor(background.r, background.g, background.b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (m_cToggles.m_bGradientBackground)
        DrawGradient(m_iWidth, m_iHeight);

    bool planeFirst = false;
    const bool plane = ImagePlaneShown();
    const float planeDepth = plane ? ImagePlaneDepth(planeFirst) : 0.0f;
    if (plane && planeFirst)
        DrawImagePlane(x, y, width, height, planeDepth);

    UseBufferViewport();
    BeginDraw(General::Color(1.0f, 1.0f, 1.0f, 1.0f), nullptr, true, true);
    // A stroke marks its region for the octree: only the faces of the cubes inside it are
    // sent again, unless the tool rebuilds whole buffers anyway.
    const Brush *tool = SceneHost().GetCurrentTool();
    m_bRegionThroughOctree = m_pCamera->m_bRegionSet && m_pCamera->m_bRegionFlag && tool && !tool->m_bIncremental;
    DrawScene();
    m_bRegionThroughOctree = false;
    DrawSketchVolume();
    EndDraw(false);
    if (plane && !planeFirst)
        DrawImagePlane(x, y, width, height, planeDepth);
    if (m_bStencilInFrame) {
        DrawStencil(x, y, width, height);
        m_bStencilDrawn = true;
    }

    m_pCamera->m_rViewRegion = General::Rect2D(0, 0, 1, 1);
    m_pCamera->m_bRegionSet = false;
    m_bFrameDrawn = true;
    if (m_pPBuffer)
        TV_CHECK(m_pPBuffer->RestoreTarget());
}

void SceneView::DrawGradient(int width, int height)
{
    // Over the picture's pixels only, top-left origin, pixel centres on whole coordinates.
    glViewport(0, 0, width, height);
    glShadeModel(GL_SMOOTH);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.375, width - 0.375, height - 0.375, -0.375, -100.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const General::Color &top = m_cSettings.m_cGradient1;
    const General::Color &bottom = m_cSettings.m_cGradient2;
    glBegin(GL_POLYGON);
    glColor3f(top.r, top.g, top.b);
    glVertex2f(0.0f, 0.0f);
    glVertex2f(float(width), 0.0f);
    glColor3f(bottom.r, bottom.g, bottom.b);
    glVertex2f(float(width), float(height));
    glVertex2f(0.0f, float(height));
    glEnd();
    if (m_pPBuffer)
        glViewport(0, 0, m_pPBuffer->GetBufferWidth(), m_pPBuffer->GetBufferHeight());
}

void SceneView::DrawGrid()
{
    const float unit = m_cSettings.m_fUnitScale > 0.0f ? m_cSettings.m_fUnitScale : 1.0f;
    const GridLines grid = MakeGrid(m_cSettings.m_iGridLines, m_cSettings.m_fGridSize / unit);
    if (grid.m_aAxes.empty())
        return;
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(m_pCamera->m_mModelView.m);
    glBegin(GL_LINES);
    Color4(m_cSettings.m_cGrid);
    for (const General::Vector &p : grid.m_aLines)
        glVertex3f(p.x, p.y, p.z);
    Color4(m_cSettings.m_cGridAxis);
    for (const General::Vector &p : grid.m_aAxes)
        glVertex3f(p.x, p.y, p.z);
    glEnd();
}

void SceneView::DrawScene()
{
    m_iVisiblePolys = 0;
    glDisable(GL_LIGHTING);
    if (m_cToggles.m_bGrid)
        DrawGrid();
    glEnable(GL_DEPTH_TEST);
    Scene *scene = Scene::GetCurrent();
    if (!scene)
        return;
    const int displayMode = m_cSettings.m_cFill.m_iInactiveLevels;
    for (Object *object : ObjectsInDrawOrder(*scene)) {
        SubdivLevel *active = object->m_pActiveLevel ? object->m_pActiveLevel : object;
        for (SubdivLevel *level = object; level; level = level->GetNextLevel(false)) {
            if (level->m_iFaceCount == level->m_iHiddenFaces)
                continue;
            if (displayMode == FillSettings::inactiveHide && level != active)
                continue;
            if (m_cToggles.m_bShowOctree && level->m_pOctree && level->m_pOctree->GetRoot()) {
                glDisable(GL_LIGHTING);
                glMatrixMode(GL_MODELVIEW);
                glLoadMatrixf(LevelModelView(*level).m);
                glColor4f(0.0f, 0.0f, 0.9f, 0.8f);
                DrawOctreeCubes(*level->m_pOctree->GetRoot());
                glColor4f(0.5f, 0.5f, 1.0f, 0.9f);
                const AABB &box = level->GetAABB(false);
                DrawWireBox(box.m_vMin, box.m_vMax);
                glEnable(GL_DEPTH_TEST);
            }
            if (m_cToggles.m_bShowMeshes && object->m_bVisible)
                DrawMesh(*level, nullptr);
        }
        if (m_cToggles.m_bWireOverlay) {
            glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
            m_bDrawingWireOverlay = true;
            SubdivLevel *level =
                m_cToggles.m_iWireOverlayLevel >= 0 ? object->GetLevel(m_cToggles.m_iWireOverlayLevel) : nullptr;
            DrawMesh(level ? *level : *active, &m_cSettings.m_cGradient2);
            m_bDrawingWireOverlay = false;
            glPolygonMode(GL_FRONT_AND_BACK, m_cToggles.m_bWireframe ? GL_LINE : GL_FILL);
        }
    }
}

General::Matrix SceneView::LevelModelView(Mesh &level) const
{
    if (Placement *placement = level.GetPlacement())
        return placement->GetFullMatrix().Multiply(m_pCamera->m_mModelView);
    return m_pCamera->m_mModelView;
}

void SceneView::DrawMesh(Mesh &level, const General::Color *color)
{
    level.BuildPartitions(false);
    const FillLook look = FillLook::Of(level);
    Object *object = level.GetObject();
    Surface::Material *material = object ? object->GetMaterial() : nullptr;
    const float opacity = material ? material->m_aTransparency.GetValue() : 1.0f;
    const General::Color &diffuse = look.m_cDiffuse;
    glEnable(GL_LIGHTING);

    General::Color c;
    if (color) {
        c = General::Color(color->r * diffuse.r, color->g * diffuse.g, color->b * diffuse.b, opacity);
    } else {
        const FillSettings &fill = m_cSettings.m_cFill;
        General::Color tint(0.8f, 0.8f, 0.8f, 1.0f);
        if (level.IsAllSelected())
            tint = fill.m_cSelection;
        else if (look.m_bLocked)
            tint = fill.m_cLocked;
        else if (fill.m_iInactiveLevels == FillSettings::inactiveShade && !look.m_bActiveLevel)
            tint = fill.m_cInactiveLevel;
        c = General::Color(tint.r * diffuse.r, tint.g * diffuse.g, tint.b * diffuse.b, tint.a * diffuse.a * opacity);
    }
    Color4(c);
    if (material) {
        auto set = [](GLenum what, const General::Color &v) {
            const GLfloat values[] = {v.r, v.g, v.b, v.a};
            glMaterialfv(GL_FRONT_AND_BACK, what, values);
        };
        set(GL_AMBIENT, material->m_aAmbient.GetValue());
        set(GL_DIFFUSE, material->m_aDiffuse.GetValue());
        set(GL_SPECULAR, material->m_aSpecular.GetValue());
        set(GL_EMISSION, material->m_aEmissive.GetValue());
        glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, material->m_aGlossiness.GetValue());
    }
    if (DrawPass(opacity))
        glEnable(GL_BLEND);
    else
        glDisable(GL_BLEND);

    bool scaled = false;
    if (Placement *placement = level.GetPlacement()) {
        const General::Vector scale = placement->GetScale();
        scaled = scale.x != 1.0f || scale.y != 1.0f || scale.z != 1.0f;
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(LevelModelView(level).m);
    if (scaled)
        glEnable(GL_NORMALIZE);
    else
        glDisable(GL_NORMALIZE);

    const bool points = m_cToggles.m_bPoints;
    m_bTextureBound = false;
    if (level.m_aPartitions.GetItemCount() == 1 && level.m_aPartitions[0].m_pTexture)
        m_bTextureBound = level.m_aPartitions[0].m_pTexture->Bind();
    const uint32_t visible = level.m_iFaceCount > level.m_iHiddenFaces ? level.m_iFaceCount - level.m_iHiddenFaces : 0;
    if (m_bNavigating && visible >= m_cSettings.m_iDraftFaceLimit) {
        // The draft while the camera moves: a thinned point cloud.
        const int step = m_cSettings.m_iPointStep;
        m_cSettings.m_iPointStep = std::max(m_cSettings.m_iDraftPoints, 1);
        DrawMeshPoints(level);
        m_cSettings.m_iPointStep = step;
    } else if (!points && !m_bRegionThroughOctree && m_cSettings.m_bVideoBuffers &&
               BufferEntryPoints::Get().IsComplete() && level.RecreateBuffers(m_cSettings.m_bBufferRebuild)) {
        DrawMeshBufferObjects(level);
    } else if (!(m_cSettings.m_bOctreeDrawing || m_bRegionThroughOctree) || !DrawMeshThroughOctree(level)) {
        const bool textured = m_cToggles.m_bTextures && material && !material->m_aDiffuseTexture.GetValue().isEmpty() &&
                              material->m_aShowTextures.GetValue();
        if (textured)
            DrawMeshBuffered(level);
        else if (points)
            DrawMeshPoints(level);
        else if (!m_cToggles.m_bPointsAboveLimit || visible < m_cSettings.m_iPointFaceLimit)
            DrawMeshBuffered(level);
        else
            DrawMeshPoints(level);
    }
    glDisable(GL_TEXTURE_2D);
}
