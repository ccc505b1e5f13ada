// The immediate-mode path of the view: the faces that the octree's frustum test keeps,
// sent corner by corner, with texture switches only where the partition changes.
#include "viewport/view/SceneView.h"

#include "mesh/core/Mesh.h"
#include "mesh/core/Placement.h"
#include "mesh/object/Object.h"
#include "mesh/surface/Material.h"
#include "mesh/surface/Texture.h"
#include "scene/camera/Camera.h"
#include "scene/picking/FrustumSelector.h"
#include "viewport/draw/TriangleCorners.h"
#include "viewport/fill/FillLook.h"

#include <algorithm>

#include <GL/gl.h>

namespace {

// Hands every face the traversal keeps to the view's face drawer of the level's kind.
class ViewFaceDrawer final : public Octree::FaceDrawer {
public:
    explicit ViewFaceDrawer(SceneView &view) : m_cView(view) {}
    void DrawFace(Mesh &mesh, unsigned face) override
    {
        ++m_cView.m_iVisiblePolys;
        if (mesh.m_eType == Mesh::typeQuadric)
            m_cView.DrawQuadsImmediate(mesh, face);
        else
            m_cView.DrawTrianglesImmediate(mesh, face);
    }

private:
    SceneView &m_cView;
};

// A bare level sits at the origin unscaled: the selector's planes stay in world space.
class WorldPlacement final : public Placement {
public:
    General::Vector GetScale() const override { return General::Vector(1.0f, 1.0f, 1.0f); }
    const General::Matrix &GetFullMatrix() override { return m_mIdentity; }
    const General::Matrix &GetInverseLocalMatrix() override { return m_mIdentity; }

private:
    General::Matrix m_mIdentity;
};

float Opacity(Mesh &level)
{
    Object *object = level.GetObject();
    const Surface::Material *material = object ? object->GetMaterial() : nullptr;
    return material ? material->m_aTransparency.GetValue() : 1.0f;
}

General::Color Times(const General::Color &a, const General::Color &b)
{
    return General::Color(a.r * b.r, a.g * b.g, a.b * b.b, a.a * b.a);
}

}  // namespace

bool SceneView::DrawMeshThroughOctree(Mesh &level)
{
    Octree::Octree *octree = level.m_pOctree;
    if (!octree || !octree->GetRoot() || !m_pCamera)
        return false;
    const FillLook look = FillLook::Of(level);
    const FillSettings &fill = m_cSettings.m_cFill;
    General::Color tint(0.8f, 0.8f, 0.8f, 1.0f);
    if (look.m_bLocked)
        tint = fill.m_cLocked;
    else if (fill.m_iInactiveLevels == FillSettings::inactiveShade && !look.m_bActiveLevel)
        tint = fill.m_cInactiveLevel;
    // The layer colour's alpha carries the material's opacity, as the level's own colour does.
    General::Color layered = Times(fill.m_cLayerMask, look.m_cDiffuse);
    layered.a *= Opacity(level);
    General::Color colors[4] = {Times(tint, look.m_cDiffuse), Times(fill.m_cSelection, look.m_cDiffuse),
                                Times(fill.m_cFrozen, look.m_cDiffuse), layered};
    m_pFaceColors = colors;
    m_bMasked = fill.m_bShowLayerMask && look.m_bActiveLayerLevel;
    m_bColouring = level.m_iSelectedFaces || level.m_iFrozenFaces ||
                   (fill.m_bShowFrozenVertices && level.m_iFrozenVertices) || m_bMasked;

    GLenum mode = GL_TRIANGLES;
    if (m_cToggles.m_bPoints)
        mode = GL_POINTS;
    else if (level.m_eType == Mesh::typeQuadric)
        mode = GL_QUADS;
    else if (m_cToggles.m_bWireframe)
        mode = GL_LINES;
    Octree::FrustumSelector selector;
    const General::Rect2D &region = m_pCamera->m_rViewRegion;
    selector.SetRectangle(*m_pCamera, region.x0, region.y0, region.x1, region.y1, 0.0f);
    WorldPlacement world;
    Placement *placement = level.GetPlacement();
    selector.SetObjectSpace(placement ? *placement : world);
    m_iCurrentPartition = -1;
    m_iImmediateMode = mode;
    m_bShowVertexFreeze = fill.m_bShowFrozenVertices && level.m_iFrozenVertices;
    ViewFaceDrawer drawer(*this);
    glBegin(mode);
    octree->Traverse(selector, &drawer, 0);
    glEnd();
    m_pFaceColors = nullptr;
    return true;
}

void SceneView::SetFaceColor(Mesh &level, unsigned face)
{
    if (!m_bColouring || !m_pFaceColors)
        return;
    const Vertex &first = level.m_pVertices[level.FaceVertexIndex(face, 0)];
    General::Color color = m_pFaceColors[1];
    if (!level.IsFaceSelected(face)) {
        // As the fill buffers weigh it: a quad adds its corners' freeze (when shown) to its
        // own, a triangle averages its own with its first corner's.
        auto unit = [](unsigned byte) { return float(byte & 0xFF) / 255.0f; };
        float t = 0.0f;
        if (level.m_eType == Mesh::typeQuadric) {
            t = unit(level.m_pQuads[face].m_iFreeze);
            if (m_bShowVertexFreeze)
                for (unsigned k = 0; k < 4; ++k)
                    t += unit(level.m_pVertices[level.FaceVertexIndex(face, k)].m_cFreeze);
            t = std::min(t, 1.0f);
        } else {
            t = (unit(level.m_pTriangles[face].m_iFreeze) + unit(first.m_cFreeze)) * 0.5f;
        }
        color = t > 0.0f ? m_pFaceColors[2].Lerp(m_pFaceColors[0], t) : m_pFaceColors[0];
    }
    if (m_bMasked)
        color = color.Lerp(m_pFaceColors[3], float(first.m_cMask) / 255.0f);
    glColor4f(color.r, color.g, color.b, color.a);
}

void SceneView::SwitchPartition(Mesh &level, unsigned face)
{
    // A level on several tiles: the texture changes between faces of different tiles, and
    // a texture cannot be bound between glBegin and glEnd.
    if (face >= level.m_aFacePartition.GetItemCount() || int(level.m_aFacePartition[face]) == m_iCurrentPartition)
        return;
    glEnd();
    m_iCurrentPartition = int(level.m_aFacePartition[face]);
    Surface::Texture *texture = unsigned(m_iCurrentPartition) < level.m_aPartitions.GetItemCount()
                                    ? level.m_aPartitions[unsigned(m_iCurrentPartition)].m_pTexture
                                    : nullptr;
    m_bTextureBound = texture && texture->Bind();
    glMatrixMode(GL_MODELVIEW);
    glBegin(GLenum(m_iImmediateMode));
}

void SceneView::DrawTrianglesImmediate(Mesh &level, unsigned face)
{
    SwitchPartition(level, face);
    SetFaceColor(level, face);
    const TriangleCorners corners = CornersToDraw(level, face, m_cToggles.m_bWireframe && !m_cToggles.m_bPoints);
    for (unsigned i = 0; i < corners.m_iCount; ++i)
        EmitCorner(level, face, corners.m_aCorners[i]);
}

void SceneView::DrawQuadsImmediate(Mesh &level, unsigned face)
{
    SwitchPartition(level, face);
    SetFaceColor(level, face);
    for (unsigned corner = 0; corner < 4; ++corner)
        EmitCorner(level, face, corner);
}

void SceneView::EmitCorner(Mesh &level, unsigned face, unsigned corner)
{
    const Vertex &vertex = level.m_pVertices[level.FaceVertexIndex(face, corner)];
    const int16_t *normal = vertex.m_aNormal;
    if (!m_cToggles.m_bSmoothShade)
        normal = level.m_eType == Mesh::typeQuadric ? level.m_pQuads[face].m_aNormal : level.m_pTriangles[face].m_aNormal;
    glNormal3s(normal[0], normal[1], normal[2]);
    if (m_bTextureBound) {
        const TC &tc = level.GetFaceTC(face, corner);
        glTexCoord2f(tc.u, tc.v);
    }
    glVertex3fv(&vertex.m_vPosition.x);
}
