#include "mesh/buffers/BufferCreator.h"

#include "mesh/core/Mesh.h"

#include <cstring>

BufferCreator::BufferCreator(bool wireframe, bool texCoords) : m_bWireframe(wireframe), m_bTexCoords(texCoords)
{
    Reset();
}

void BufferCreator::Reset()
{
    m_iVertexCount = 0;
    m_iPrimitiveCount = 0;
    m_aVertexIndices.Clear();
    m_aAttributes.SetItemCount(0, true);
    m_aTCVertices.SetItemCount(0, true);
    m_aIndices.SetItemCount(0, true);
}

void BufferCreator::SetColors(const General::Color &unselected, const General::Color &selected,
                              const General::Color &highlight, bool applyMask)
{
    m_cUnselected = unselected;
    m_cSelected = selected;
    m_cHighlight = highlight;
    m_bApplyMask = applyMask;
}

bool BufferCreator::IsFaceAffected(Mesh &mesh, unsigned face)
{
    if (face >= mesh.m_iFaceCount)
        return false;
    if (m_aNewVertices.GetItemCount() == 0) {
        if (!m_aNewVertices.SetItemCount(mesh.m_iVertexCount, false))
            return false;
        m_aNewVertices.Fill(0);
    }
    if (m_iPartition >= 0 && mesh.m_aFacePartition.GetItemCount() > face &&
        mesh.m_aFacePartition[face] != unsigned(m_iPartition))
        return false;
    return mesh.WithFaces([&](auto &faces) { return AddFace(mesh, face, faces[face]); });
}

bool BufferCreator::MakeRoom(unsigned vertices, unsigned indices)
{
    auto grow = [](auto &store, unsigned more) {
        const unsigned count = store.GetItemCount();
        if (!more || store.GetCapacity() >= count + more)
            return true;
        if (!store.EnsureIndex(count + more - 1))
            return false;
        store.SetItemCount(count, true);
        return true;
    };
    return grow(m_aVertexIndices, vertices) && (m_bTexCoords ? grow(m_aTCVertices, vertices) : grow(m_aAttributes, vertices)) &&
           grow(m_aIndices, indices);
}

uint32_t BufferCreator::CornerColor(const Mesh &mesh, unsigned vertex, const General::Color &faceColor) const
{
    General::Color color = faceColor;
    if (m_bApplyMask) {
        const float keep = 1.0f - float(mesh.m_pVertices[vertex].m_cMask) / 255.0f;
        color = General::Color(color.r * keep, color.g * keep, color.b * keep, color.a * keep);
    }
    return color.Pack();
}

void BufferCreator::AddLine(unsigned a, unsigned b)
{
    m_aIndices.Add((unsigned short)a);
    m_aIndices.Add((unsigned short)b);
    ++m_iPrimitiveCount;
}

template <class Face>
bool BufferCreator::AddFace(Mesh &mesh, unsigned face, const Face &record)
{
    constexpr unsigned n = Face::kCorners;
    if (!(record.m_iIndices[0] & MeshFlags::kBit31) || record.m_iStamp >= m_iThreshold)
        return false;

    unsigned vertex[n];
    unsigned fresh = 0;
    for (unsigned k = 0; k < n; ++k) {
        vertex[k] = record.m_iIndices[k] & MeshFlags::kIndexMask;
        if (vertex[k] >= mesh.m_iVertexCount)
            return false;
        if (m_aNewVertices[vertex[k]] < m_iBase)
            ++fresh;
    }
    if (m_iVertexCount + fresh > BufferObject::kMaxVertices)
        return false;
    if (!MakeRoom(fresh, m_bWireframe ? 2 * n : 3 * (n - 2)))
        return false;

    const bool selected = (record.m_iIndices[1] & MeshFlags::kBit31) != 0;
    const float h = float(record.m_iFreeze & 0xFF) / 255.0f;
    const General::Color faceColor = (selected ? m_cSelected : m_cUnselected).Lerp(m_cHighlight, 1.0f - h);

    unsigned corner[n];
    for (unsigned k = 0; k < n; ++k) {
        const unsigned v = vertex[k];
        if (m_aNewVertices[v] >= m_iBase) {
            corner[k] = m_aNewVertices[v] - m_iBase;
            if (selected) {
                const uint32_t packed = CornerColor(mesh, v, faceColor);
                void *color = m_bTexCoords ? static_cast<void *>(&m_aTCVertices[corner[k]].m_cColor)
                                           : static_cast<void *>(&m_aAttributes[corner[k]]);
                std::memcpy(color, &packed, 4);
            }
            continue;
        }
        const uint32_t packed = CornerColor(mesh, v, faceColor);
        if (m_bTexCoords) {
            BufferObject::TCVertex attribute{};
            std::memcpy(&attribute.m_cColor, &packed, 4);
            const unsigned tc = unsigned(record.m_iTCI[k]);
            if (tc < mesh.m_pTCs.GetItemCount()) {
                attribute.u = mesh.m_pTCs[tc].u;
                attribute.v = mesh.m_pTCs[tc].v;
            }
            m_aTCVertices.Add(attribute);
        } else {
            BufferObject::AVertex attribute;
            std::memcpy(&attribute, &packed, 4);
            m_aAttributes.Add(attribute);
        }
        m_aVertexIndices.Add(v);
        corner[k] = m_iVertexCount;
        m_aNewVertices[v] = m_iBase + m_iVertexCount;
        ++m_iVertexCount;
    }

    if (!m_bWireframe) {
        for (unsigned k = 1; k + 1 < n; ++k) {
            m_aIndices.Add((unsigned short)corner[0]);
            m_aIndices.Add((unsigned short)corner[k]);
            m_aIndices.Add((unsigned short)corner[k + 1]);
            ++m_iPrimitiveCount;
        }
        return true;
    }

    if constexpr (n == 4) {
        // Each shared edge is drawn by the higher-numbered of its two faces.
        for (unsigned e = 0; e < 4; ++e)
            if (record.m_iAdjacent[e] < int64_t(face) * 4)
                AddLine(corner[e], corner[(e + 1) % 4]);
    } else {
        // Triangles that form one polygon as a fan leave its diagonals undrawn.
        const bool nextContinues = face + 1 < mesh.m_iFaceCount &&
                                   (mesh.m_pTriangles[face + 1].m_iIndices[2] & MeshFlags::kBit31) != 0;
        const bool continues = (record.m_iIndices[2] & MeshFlags::kBit31) != 0;
        const bool drawn[3] = {true, !nextContinues, !continues};
        for (unsigned k = 0; k < 3; ++k) {
            // A missing neighbour (negative entry) counts as face 0.
            if (drawn[k] && record.m_iAdjacent[k] / 3 <= int64_t(face))
                AddLine(corner[(k + 1) % 3], corner[(k + 2) % 3]);
        }
    }
    return true;
}
