#include "mesh/subdivision/PolygonNeighbours.h"

#include "mesh/core/Mesh.h"

PolygonNeighbours::PolygonNeighbours(const Mesh &mesh) : m_mesh(mesh)
{
    const unsigned count = mesh.m_aGenericFaces.GetItemCount();
    if (!m_aFirst.SetItemCount(count, false))
        return;
    uint64_t total = 0;
    for (unsigned i = 0; i < count; ++i) {
        m_aFirst[i] = unsigned(total);
        total += mesh.m_aGenericFaces[i].m_aVertices.GetItemCount();
    }
    m_iChildren = unsigned(std::min<uint64_t>(total, 0xFFFFFFFFu));
    m_bUsable = total < 0xFFFFFFFFu;
}

bool PolygonNeighbours::Across(unsigned i, unsigned c, unsigned &h, unsigned &hs) const
{
    const General::Store<GenericFace> &polygons = m_mesh.m_aGenericFaces;
    const GenericFace &polygon = polygons[i];
    const unsigned n = polygon.m_aVertices.GetItemCount();
    if (c >= polygon.m_aNeighbours.GetItemCount())
        return false;
    const unsigned entry = polygon.m_aNeighbours[c];
    if (c >= 16 || entry == 0xFFFFFFFFu || entry / 16 >= polygons.GetItemCount())
        return false;
    h = entry / 16;
    hs = entry % 16;
    const GenericFace &other = polygons[h];
    const unsigned m = other.m_aVertices.GetItemCount();
    if (hs >= m || (h == i && hs == c))
        return false;
    // Only a link that the other side returns is a shared edge: a one-way entry (more than
    // two polygons on the edge, or a stale record) is open on both sides.
    if (hs >= other.m_aNeighbours.GetItemCount() || other.m_aNeighbours[hs] != i * 16 + c)
        return false;
    const unsigned a = polygon.m_aVertices[c], b = polygon.m_aVertices[(c + 1) % n];
    const unsigned p = other.m_aVertices[hs], q = other.m_aVertices[(hs + 1) % m];
    return (p == b && q == a) || (p == a && q == b);
}
