#pragma once
// Small meshes for the fill tests: every face has vertices of its own, with positions,
// vertex normals, face normals and texture coordinates that differ from face to face,
// so that a face written in the wrong slot, with the wrong normal or from the wrong
// texture record shows.
#include "mesh/core/Mesh.h"
#include "viewport/fill/FillBuffer.h"
#include "viewport/fill/FillSettings.h"

#include <memory>
#include <ostream>
#include <vector>

namespace fillfixtures {

using General::Vector;

inline FillBuffer::Normal Normal(int x, int y, int z) { return FillBuffer::Normal{int16_t(x), int16_t(y), int16_t(z)}; }

// Corner k of face f uses vertex N·f + k and texture record (N·faces − 1) − (N·f + k).
template <class Face>
std::unique_ptr<Mesh> MakeSeparateFaces(unsigned faces)
{
    constexpr unsigned N = Face::kCorners;
    auto mesh = std::make_unique<Mesh>();
    mesh->m_eType = N == 4 ? Mesh::typeQuadric : Mesh::typeTriangular;
    mesh->m_iFaceCount = mesh->m_iPolygonCount = faces;
    mesh->m_iVertexCount = mesh->m_iTCCount = N * faces;
    mesh->m_pVertices.SetItemCount(N * faces, false);
    mesh->m_pTCs.SetItemCount(N * faces, false);
    for (unsigned f = 0; f < faces; ++f) {
        Face face{};
        face.m_aNormal[0] = int16_t(f);
        face.m_aNormal[1] = int16_t(1000 + f);
        face.m_aNormal[2] = 0;
        for (unsigned k = 0; k < N; ++k) {
            const unsigned v = N * f + k;
            Vertex vertex{};
            vertex.m_vPosition = Vector(float(10 * f + k), float(f), float(k));
            vertex.m_aNormal[0] = int16_t(100 * k + f);
            vertex.m_aNormal[1] = int16_t(-int(f));
            vertex.m_aNormal[2] = int16_t(32767 - int(v));
            mesh->m_pVertices[v] = vertex;
            mesh->m_pTCs[N * faces - 1 - v] = TC{0.25f * float(f), 0.5f * float(k)};
            face.m_iIndices[k] = v;
            face.m_iTCI[k] = int32_t(N * faces - 1 - v);
            face.m_iAdjacent[k] = -1;
        }
        face.m_iIndices[0] |= MeshFlags::kBit31;
        if constexpr (N == 4)
            mesh->m_pQuads.Add(face);
        else
            mesh->m_pTriangles.Add(face);
    }
    return mesh;
}

template <class Face>
Face &FaceOf(Mesh &mesh, unsigned f)
{
    if constexpr (Face::kCorners == 4)
        return mesh.m_pQuads[f];
    else
        return mesh.m_pTriangles[f];
}

inline void Hide(Mesh &mesh, unsigned f)
{
    mesh.WithFaces([&](auto &faces) { faces[f].m_iIndices[0] &= ~MeshFlags::kBit31; });
    ++mesh.m_iHiddenFaces;
}

inline void Select(Mesh &mesh, unsigned f)
{
    mesh.WithFaces([&](auto &faces) { faces[f].m_iIndices[1] |= MeshFlags::kBit31; });
    ++mesh.m_iSelectedFaces;
}

inline void Freeze(Mesh &mesh, unsigned f, unsigned byte)
{
    mesh.WithFaces([&](auto &faces) { faces[f].m_iFreeze = uint16_t(byte); });
    ++mesh.m_iFrozenFaces;
}

// Sets the buffer to the chunk [first, end) of `mesh` as the draw cycle would.
inline void SetChunk(FillBuffer &buffer, Mesh &mesh, int first, int end, unsigned index)
{
    buffer.Prime(&mesh, (index & 1) != 0);
    buffer.m_iFirstFace = first;
    buffer.m_iEndFace = end;
    buffer.m_bColorsUsed = (index & 2) != 0;
}

// The packed colour a · t + b · (1 − t), channel by channel.
inline uint32_t Blend(const General::Color &a, const General::Color &b, float t) { return a.Lerp(b, t).Pack(); }

inline General::Color Times(const General::Color &a, const General::Color &b)
{
    return General::Color(a.r * b.r, a.g * b.g, a.b * b.b, a.a * b.a);
}

}  // namespace fillfixtures

// Shown by the test messages. Lives beside FillBuffer (global namespace) for lookup.
inline std::ostream &operator<<(std::ostream &os, const FillBuffer::Normal &n)
{
    return os << '(' << n.x << ", " << n.y << ", " << n.z << ')';
}
