// What the view draws besides the levels: the camera's image plane, the stencil, the
// stamp and the picture next to the cursor, the scene's curves, the sketch volume, the
// octree cubes, and the overlays the interaction layer draws itself (manipulator, brush
// cursor, rubber band).
#include "viewport/view/SceneView.h"

#include "foundation/math/AABB.h"
#include "foundation/Diagnostics.h"
#include "foundation/curves/NURBSCurve.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/Octree.h"
#include "mesh/object/Object.h"
#include "operations/brushes/BrushServices.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"
#include "scene/volume/Volume.h"
#include "viewport/PBuffer.h"
#include "viewport/overlay/ViewOverlay.h"
#include "viewport/overlay/ViewOverlayHost.h"

#include <GL/gl.h>

#include <vector>

namespace {

// A unit quad (-1, -1)-(1, 1) with the picture upright: texture row 0 at the top.
void UnitQuad(bool tiled)
{
    const float corners[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};
    const float texture[4][2] = {{0, 1}, {0, 0}, {1, 0}, {1, 1}};
    glBegin(GL_QUADS);
    for (int i = 0; i < 4; ++i) {
        if (tiled)
            glTexCoord2f(corners[i][0], corners[i][1]);
        else
            glTexCoord2f(texture[i][0], texture[i][1]);
        glVertex2f(corners[i][0], corners[i][1]);
    }
    glEnd();
}

// Texturing and blending on with the texture bound, nearest minification, white.
void BeginTexture(uint32_t texture)
{
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glColor3f(1.0f, 1.0f, 1.0f);
}

void EndTexture()
{
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}

void LoadMatrix(GLenum mode, const General::Matrix &matrix)
{
    glMatrixMode(mode);
    glLoadMatrixf(matrix.m);
}

}  // namespace

void SceneView::UseBufferViewport() const
{
    if (m_pPBuffer)
        glViewport(0, 0, m_pPBuffer->GetBufferWidth(), m_pPBuffer->GetBufferHeight());
    else
        glViewport(0, 0, m_iWidth, m_iHeight);
}

bool SceneView::ImagePlaneShown() const
{
    return m_cToggles.m_bImagePlane && m_pCamera && m_pCamera->m_cImagePlane.m_bActive &&
           m_pCamera->m_cImagePlane.HasImage() && m_pCamera->m_cImagePlane.m_iTexture;
}

float SceneView::ImagePlaneDepth(bool &beforeScene) const
{
    const float n = m_pCamera->m_aNearPlane.GetValue();
    const float f = m_pCamera->m_aFarPlane.GetValue();
    const float d = n + m_pCamera->m_cImagePlane.m_fDepth;
    beforeScene = false;
    if (Scene *scene = Scene::GetCurrent(); scene && scene->m_pObjects) {
        const General::Vector c = scene->m_pObjects->GetAABB(true).GetCenter();
        beforeScene = 2.0f * d > (c - m_pCamera->GetPosition()).Length();
    }
    // The depth-buffer value at distance d; a plane at the near plane or a degenerate
    // frustum gives the nearest depth rather than a division by zero.
    if (f == n || d == 0.0f)
        return 0.0f;
    return f / (f - n) * (d - n) / d;
}

void SceneView::DrawImagePlane(int x, int y, int width, int height, float depth)
{
    if (!ImagePlaneShown())
        return;
    UseBufferViewport();
    LoadMatrix(GL_PROJECTION, m_pCamera->GetViewportMatrix());
    LoadMatrix(GL_MODELVIEW,
               m_pCamera->Get2DTransformMatrix().Multiply(m_pCamera->GetImagePlaneMatrix(m_pCamera->m_cImagePlane)));
    glDisable(GL_LIGHTING);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_CULL_FACE);
    BeginTexture(m_pCamera->m_cImagePlane.m_iTexture);
    glEnable(GL_SCISSOR_TEST);
    glScissor(x, y, width, height);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    const float corners[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};
    const float texture[4][2] = {{0, 1}, {0, 0}, {1, 0}, {1, 1}};
    glBegin(GL_QUADS);
    for (int i = 0; i < 4; ++i) {
        glTexCoord2f(texture[i][0], texture[i][1]);
        glVertex3f(corners[i][0], corners[i][1], depth);
    }
    glEnd();
    glDisable(GL_DEPTH_TEST);
    EndTexture();
}

void SceneView::DrawStencil(int x, int y, int width, int height)
{
    OverlayTexture stencil;
    if (!m_bStencil || !ViewOverlayHost::Get().GetStencil(stencil) || !stencil.m_iTexture)
        return;
    glViewport(0, 0, m_iWidth, m_iHeight);
    LoadMatrix(GL_PROJECTION, General::Matrix());
    General::Matrix texture;
    if (stencil.m_bTiled) {
        // The whole view is covered; the picture repeats through the inverse placement.
        General::Matrix inverse = stencil.m_mPlacement;
        if (!inverse.Invert())
            return;
        General::Matrix half;
        half.m[0] = 0.5f, half.m[5] = -0.5f, half.m[12] = 0.5f, half.m[13] = 0.5f;
        texture = inverse.Multiply(half);
        LoadMatrix(GL_MODELVIEW, General::Matrix());
    } else {
        LoadMatrix(GL_MODELVIEW, stencil.m_mPlacement);
    }
    LoadMatrix(GL_TEXTURE, texture);
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    BeginTexture(stencil.m_iTexture);
    if (stencil.m_bTiled) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    }
    glEnable(GL_SCISSOR_TEST);
    glScissor(x, y, width, height);
    UnitQuad(stencil.m_bTiled);
    glDisable(GL_SCISSOR_TEST);
    EndTexture();
    LoadMatrix(GL_TEXTURE, General::Matrix());
    glMatrixMode(GL_MODELVIEW);
}

void SceneView::DrawStamp()
{
    OverlayTexture stamp;
    if (!m_pCamera || !ViewOverlayHost::Get().GetStamp(stamp) || !stamp.m_iTexture)
        return;
    glViewport(0, 0, m_iWidth, m_iHeight);
    LoadMatrix(GL_PROJECTION, m_pCamera->GetProjectionMatrix(false));
    LoadMatrix(GL_MODELVIEW, stamp.m_mPlacement.Multiply(m_pCamera->m_mModelView));
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    BeginTexture(stamp.m_iTexture);
    const float w = stamp.m_fWidth, h = stamp.m_fHeight;
    glBegin(GL_QUADS);
    glTexCoord2f(0, 1), glVertex3f(0, h, 0);
    glTexCoord2f(0, 0), glVertex3f(0, 0, 0);
    glTexCoord2f(1, 0), glVertex3f(w, 0, 0);
    glTexCoord2f(1, 1), glVertex3f(w, h, 0);
    glEnd();
    EndTexture();
}

void SceneView::DrawCursorImage()
{
    OverlayTexture image;
    if (!ViewOverlayHost::Get().GetCursorImage(image) || !image.m_iTexture)
        return;
    glViewport(0, 0, m_iWidth, m_iHeight);
    LoadMatrix(GL_PROJECTION, General::Matrix());
    LoadMatrix(GL_TEXTURE, General::Matrix());
    LoadMatrix(GL_MODELVIEW, image.m_mPlacement);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    BeginTexture(image.m_iTexture);
    UnitQuad(false);
    EndTexture();
}

void SceneView::DrawCurves()
{
    Scene *scene = Scene::GetCurrent();
    if (!m_cToggles.m_bShowCurves || !scene)
        return;
    glViewport(0, 0, m_iWidth, m_iHeight);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    for (const General::NURBSCurve *curve = scene->m_pCurves; curve; curve = curve->GetNext())
        curve->Draw(true);
    glDisable(GL_LINE_SMOOTH);
}

void SceneView::DrawSketchVolume()
{
    const General::Volume *volume = Operations::BrushServices::Get().GetSketchVolume();
    if (!volume)
        return;
    // One lit point per occupied cell, in the material-less white of the frame's set-up.
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(m_pCamera->m_mModelView.m);
    glEnable(GL_LIGHTING);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_NORMALIZE);  // a corner cell's normal sums three open sides
    glBegin(GL_POINTS);
    for (const General::Volume::Point &point : volume->BuildPoints()) {
        glNormal3f(point.normal.x, point.normal.y, point.normal.z);
        glVertex3f(point.position.x, point.position.y, point.position.z);
    }
    glEnd();
    glDisable(GL_NORMALIZE);
}

void SceneView::DrawOctreeCubes(const Octree::OctreeCube &root)
{
    const Octree::Octree *octree = root.m_pOctree;
    if (!TV_CHECK(octree))
        return;
    // Every cube at most once, so that no linking of children can make the walk endless.
    std::vector<const Octree::OctreeCube *> pending{&root};
    for (int drawn = 0; !pending.empty() && drawn < octree->GetCubeCount(); ++drawn) {
        const Octree::OctreeCube *cube = pending.back();
        pending.pop_back();
        DrawWireBox(cube->m_cBox.m_vMin, cube->m_cBox.m_vMax);
        for (int child : cube->m_aChild)
            if (const Octree::OctreeCube *next = child >= 0 ? octree->GetCube(child) : nullptr)
                pending.push_back(next);
    }
}

void SceneView::DrawOverlays()
{
    // After the frame is shown, into the window's picture only, matrices of their own.
    if (!(m_bStencilDrawn && m_bStencilInFrame))
        DrawStencil(0, 0, m_iWidth, m_iHeight);
    DrawCursorImage();
    DrawCurves();
    DrawStamp();
    if (!m_pCamera)
        return;
    ViewOverlayHost &host = ViewOverlayHost::Get();
    ViewOverlay overlay(m_pCamera);
    // The window's picture has no off-screen margin: while the overlays draw, the camera's
    // projection is the one without the buffer's ratios, like the view's viewport.
    glViewport(0, 0, m_iWidth, m_iHeight);
    const General::Matrix frameProjection = m_pCamera->m_mProjection;
    m_pCamera->m_mProjection = m_pCamera->GetProjectionMatrix(false);
    host.DrawManipulator(overlay);
    General::Rect2D box;
    if (!host.GetSelectionBox(box)) {
        if (m_bPointerInView) {
            host.DrawBrushCursor(overlay, 1, 0);
            host.DrawBrushCursor(overlay, 0, 1);
            host.DrawBrushCursor(overlay, 0, -1);
        }
    } else {
        glDisable(GL_LIGHTING);
        glColor3f(0.0f, 0.0f, 0.0f);
        const float w = float(width()), h = float(height());
        overlay.DrawRectangle(General::Rect2D(box.x0 * w, box.y0 * h, box.x1 * w, box.y1 * h), true);
    }
    m_pCamera->m_mProjection = frameProjection;
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
}
