#include "viewport/draw/PointCloud.h"

#include "mesh/core/Mesh.h"
#include "viewport/draw/PointBuffer.h"
#include "viewport/fill/FillLook.h"
#include "viewport/fill/FillSettings.h"

#include <algorithm>
#include <vector>

namespace {

using General::Color;

Color Times(const Color &a, const Color &b) { return Color(a.r * b.r, a.g * b.g, a.b * b.b, a.a * b.a); }
Color Mix(const Color &a, const Color &b, float t)
{
    return Color(a.r * t + b.r * (1 - t), a.g * t + b.g * (1 - t), a.b * t + b.b * (1 - t), a.a * t + b.a * (1 - t));
}
uint32_t Pack(const Color &c) { return PackColor(c.r, c.g, c.b, c.a); }

General::Vector VertexNormal(const Vertex &v) { return UnpackNormal(v.m_aNormal); }

}  // namespace

void DrawMeshPoints(Mesh &level, const FillLook &look, const FillSettings &settings, int pointStep, PointBuffer &buffer)
{
    const unsigned step = unsigned(std::max(pointStep, 1));
    const Color &diffuse = look.m_cDiffuse;
    const Color grey(0.8f * diffuse.r, 0.8f * diffuse.g, 0.8f * diffuse.b, diffuse.a);
    const bool masked = settings.m_bShowLayerMask && look.m_bActiveLayerLevel;
    const bool colouring = level.m_iSelectedFaces || level.m_iFrozenFaces ||
                           (settings.m_bShowFrozenVertices && level.m_iFrozenVertices) || masked;
    const unsigned vertexCount = std::min<unsigned>(level.m_iVertexCount, level.m_pVertices.GetItemCount());

    if (!level.m_iHiddenFaces && !colouring) {
        const uint32_t color = Pack(grey);
        for (unsigned i = 0; i < vertexCount; i += step) {
            const Vertex &v = level.m_pVertices[i];
            buffer.Add(v.m_vPosition, VertexNormal(v), color);
        }
        buffer.Flush();
        return;
    }

    const Color selected = Times(diffuse, settings.m_cSelection);
    const Color frozen = Times(diffuse, settings.m_cFrozen);
    const Color layered = Times(diffuse, settings.m_cLayerMask);
    // Shared corners are sent once: the first visible face that reaches a vertex colours it.
    std::vector<bool> sent(vertexCount, false);
    const unsigned corners = level.Corners();
    const unsigned listed = level.m_aFaceIndexTable.GetItemCount();
    const unsigned faces = listed ? listed : level.m_iFaceCount;
    for (unsigned n = 0; n < faces; ++n) {
        const int face = listed ? level.m_aFaceIndexTable[n] : int(n);
        if (face < 0 || unsigned(face) >= level.m_iFaceCount || !level.IsFaceVisible(unsigned(face)))
            continue;
        Color color = grey;
        if (colouring) {
            const Color base = level.IsFaceSelected(unsigned(face)) ? selected : grey;
            const unsigned freeze = level.m_eType == Mesh::typeQuadric ? level.m_pQuads[unsigned(face)].m_iFreeze
                                                                       : level.m_pTriangles[unsigned(face)].m_iFreeze;
            color = Mix(frozen, base, std::min(float(freeze) / 255.0f, 1.0f));
        }
        const uint32_t packed = Pack(color);
        for (unsigned k = 0; k < corners; ++k) {
            const unsigned vertex = level.FaceVertexIndex(unsigned(face), k);
            if (vertex >= vertexCount || sent[vertex])
                continue;
            sent[vertex] = true;
            if (vertex % step)
                continue;
            const Vertex &v = level.m_pVertices[vertex];
            // The mask is the vertex's own: a weight of 0 shows the full layer colour.
            buffer.Add(v.m_vPosition, VertexNormal(v),
                       masked ? Pack(color.Lerp(layered, float(v.m_cMask) / 255.0f)) : packed);
        }
    }
    buffer.Flush();
}
