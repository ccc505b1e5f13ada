// Polygons stored as triangle fans: a polygon P0 … Pk-1 is the k - 2 consecutive
// triangles (P0, Pi+1, Pi+2); all but the first carry the continuation bit.
#include "mesh/core/Mesh.h"

#include <QCoreApplication>

#include <algorithm>

using namespace MeshFlags;

namespace {

[[noreturn]] void InvalidCall()
{
    throw General::Error(0, QCoreApplication::translate("Mesh", "Invalid call to Polygon Fill"));
}

bool ContinuesPolygon(const Triangle &t) { return (t.m_iIndices[2] & kBit31) != 0; }

}  // namespace

void Mesh::GetPolygon(Polygon &polygon, unsigned first)
{
    if (m_eType != typeTriangular || first >= m_iFaceCount || ContinuesPolygon(m_pTriangles[first]))
        InvalidCall();
    polygon.m_aCorners.SetItemCount(0, true);
    polygon.m_aAdjacent.SetItemCount(0, true);
    const Triangle &head = m_pTriangles[first];
    bool ok = polygon.m_aCorners.Add(head.m_iIndices[0] & kIndexMask) >= 0 &&
              polygon.m_aCorners.Add(head.m_iIndices[1] & kIndexMask) >= 0 &&
              polygon.m_aAdjacent.Add(uint32_t(head.m_iAdjacent[2])) >= 0;
    unsigned t = first;
    for (;;) {
        const Triangle &triangle = m_pTriangles[t];
        ok = ok && polygon.m_aCorners.Add(triangle.m_iIndices[2] & kIndexMask) >= 0 &&
             polygon.m_aAdjacent.Add(uint32_t(triangle.m_iAdjacent[0])) >= 0;
        if (t + 1 >= m_iFaceCount || !ContinuesPolygon(m_pTriangles[t + 1]))
            break;
        ++t;
    }
    ok = ok && polygon.m_aAdjacent.Add(uint32_t(m_pTriangles[t].m_iAdjacent[1])) >= 0;
    if (!ok)
        throw General::Error(0, QCoreApplication::translate("Mesh", "Not enough memory"));
    polygon.m_iCount = polygon.m_aCorners.GetItemCount();
}

void Mesh::FillPolygon(const Polygon &polygon, unsigned first)
{
    const unsigned k = polygon.m_iCount;
    if (k < 3)
        return;
    if (m_eType != typeTriangular || polygon.m_aCorners.GetItemCount() < k ||
        polygon.m_aAdjacent.GetItemCount() < k || uint64_t(first) + k - 2 > m_iFaceCount)
        InvalidCall();
    const unsigned last = k - 3;
    for (unsigned i = 0; i <= last; ++i) {
        Triangle &t = m_pTriangles[first + i];
        const uint32_t corners[3] = {polygon.m_aCorners[0], polygon.m_aCorners[i + 1], polygon.m_aCorners[i + 2]};
        for (unsigned c = 0; c < 3; ++c)
            t.m_iIndices[c] = (t.m_iIndices[c] & ~kIndexMask) | (corners[c] & kIndexMask);
        t.m_iAdjacent[0] = int32_t(polygon.m_aAdjacent[i + 1]);
        t.m_iAdjacent[1] = i < last ? int32_t((first + i + 1) * 3 + 2) : int32_t(polygon.m_aAdjacent[k - 1]);
        t.m_iAdjacent[2] = i > 0 ? int32_t((first + i - 1) * 3 + 1) : int32_t(polygon.m_aAdjacent[0]);
    }
    // Outer neighbours get the link back.
    auto linkBack = [&](uint32_t entry, unsigned triangle, unsigned slot) {
        if (entry >= 0x80000000 || entry / 3 >= m_iFaceCount)
            return;
        m_pTriangles[entry / 3].m_iAdjacent[entry % 3] = int32_t(triangle * 3 + slot);
    };
    for (unsigned i = 0; i <= last; ++i)
        linkBack(polygon.m_aAdjacent[i + 1], first + i, 0);
    linkBack(polygon.m_aAdjacent[0], first, 2);
    linkBack(polygon.m_aAdjacent[k - 1], first + last, 1);
}

int Mesh::GetPolygonEdge(unsigned triangle, unsigned slot, Polygon &polygon, unsigned &first)
{
    if (m_eType != typeTriangular || triangle >= m_iFaceCount || slot > 2)
        return -1;
    const bool continues = ContinuesPolygon(m_pTriangles[triangle]);
    const bool continued = triangle + 1 < m_iFaceCount && ContinuesPolygon(m_pTriangles[triangle + 1]);
    if (!continues && !continued)
        return -1;
    unsigned start = triangle;
    while (start > 0 && ContinuesPolygon(m_pTriangles[start]))
        --start;
    if (ContinuesPolygon(m_pTriangles[start]))
        return -1;  // a fan with no first triangle
    GetPolygon(polygon, start);
    first = start;
    const unsigned position = triangle - start;
    switch (slot) {
    case 0:
        return int(position + 1);
    case 2:
        return position == 0 ? 0 : -1;
    default:
        return !continued ? int(polygon.m_iCount - 1) : -1;
    }
}

void Mesh::RotatePolygon(Polygon &polygon, unsigned shift)
{
    const unsigned k = polygon.m_iCount;
    if (k == 0 || polygon.m_aCorners.GetItemCount() < k || polygon.m_aAdjacent.GetItemCount() < k)
        return;
    static General::Store<unsigned int> corners("polygon rotate corners");
    static General::Store<unsigned int> adjacent("polygon rotate adjacency");
    if (!corners.SetItemCount(k, false) || !adjacent.SetItemCount(k, false))
        return;
    shift %= k;
    for (unsigned i = 0; i < k; ++i) {
        corners[i] = polygon.m_aCorners[(i + k - shift) % k];
        adjacent[i] = polygon.m_aAdjacent[(i + k - shift) % k];
    }
    for (unsigned i = 0; i < k; ++i) {
        polygon.m_aCorners[i] = corners[i];
        polygon.m_aAdjacent[i] = adjacent[i];
    }
}

void Mesh::SplitLargePolygons()
{
    if (m_eType != typeTriangular)
        return;
    // A fan of k corners has k - 2 triangles; a fan that starts anew at the triangle
    // (P0, Pi+1, Pi+2) is the polygon P0, Pi+1, ..., so clearing the continuation bit
    // there cuts along the diagonal P0 Pi+1 and keeps every triangle and link.
    constexpr unsigned kPiece = kMaxGenericCorners - 2;
    const unsigned faceCount = std::min(m_iFaceCount, m_pTriangles.GetItemCount());
    unsigned t = 0;
    while (t < faceCount) {
        unsigned end = t + 1;
        while (end < faceCount && ContinuesPolygon(m_pTriangles[end]))
            ++end;
        const unsigned triangles = end - t;
        if (triangles > kPiece) {
            const unsigned pieces = (triangles + kPiece - 1) / kPiece;
            for (unsigned cut = t + kPiece; cut < end; cut += kPiece)
                m_pTriangles[cut].m_iIndices[2] &= ~kBit31;
            m_iPolygonCount += pieces - 1;
            Log(" Polygon of %u corners split into %u polygons of at most %u corners\n", triangles + 2, pieces,
                kMaxGenericCorners);
        }
        t = end;
    }
}

bool Mesh::NumberPolygons(General::Store<unsigned int> &polygonOf, unsigned &polygons) const
{
    const unsigned faceCount = std::min(m_iFaceCount, WithFaces([](const auto &faces) { return faces.GetItemCount(); }));
    polygons = 0;
    if (!polygonOf.SetItemCount(faceCount, false))
        return false;
    for (unsigned f = 0; f < faceCount; ++f) {
        polygonOf[f] = polygons;
        if (m_eType != typeTriangular || f + 1 == faceCount || !ContinuesPolygon(m_pTriangles[f + 1]))
            ++polygons;
    }
    return true;
}
