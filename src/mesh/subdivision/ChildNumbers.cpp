#include "mesh/subdivision/ChildNumbers.h"

#include "foundation/Diagnostics.h"
#include "mesh/levels/SubdivLevel.h"

#include <algorithm>

namespace {

constexpr uint64_t kNoFace = 0xFFFFFFFFu;

void SortUnique(std::vector<unsigned> &list)
{
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
}

}  // namespace

ChildNumbers::ChildNumbers(const SubdivLevel &level) : m_level(level), m_iSides(level.Corners())
{
    if (!level.m_aGenericFaces.HasItems())
        return;
    m_polygons.emplace(level);
    unsigned polygons = 0;
    m_bUsable = m_polygons->IsUsable() && level.NumberPolygons(m_aPolygonOf, polygons) &&
                polygons == level.m_aGenericFaces.GetItemCount() && m_aFirstFace.SetItemCount(polygons + 1, false);
    if (!m_bUsable) {
        Log(" The polygons of %s do not match its faces: no face numbers map to the next level\n",
            level.GetName().toLocal8Bit().constData());
        return;
    }
    for (unsigned f = m_aPolygonOf.GetItemCount(); f-- > 0;)
        m_aFirstFace[m_aPolygonOf[f]] = f;
    m_aFirstFace[polygons] = m_aPolygonOf.GetItemCount();
}

std::vector<unsigned> ChildNumbers::Children(const std::vector<unsigned> &faces) const
{
    std::vector<unsigned> children;
    if (!m_bUsable)
        return children;
    if (!m_polygons) {
        for (unsigned f : faces)
            for (uint64_t c = 0; c < m_iSides; ++c)
                if (const uint64_t child = uint64_t(f) * m_iSides + c; child < kNoFace)
                    children.push_back(unsigned(child));
        SortUnique(children);
        return children;
    }
    std::vector<unsigned> polygons;
    for (unsigned f : faces)
        if (f < m_aPolygonOf.GetItemCount())
            polygons.push_back(m_aPolygonOf[f]);
    SortUnique(polygons);
    for (unsigned p : polygons) {
        const unsigned n = m_level.m_aGenericFaces[p].m_aVertices.GetItemCount();
        for (unsigned c = 0; c < n; ++c)
            children.push_back(m_polygons->FirstChild(p) + c);
    }
    return children;
}

bool ChildNumbers::PolygonOfChild(unsigned g, unsigned &polygon) const
{
    const unsigned count = m_level.m_aGenericFaces.GetItemCount();
    unsigned low = 0, high = count;  // the last polygon whose first child is at most g
    while (high - low > 1) {
        const unsigned middle = low + (high - low) / 2;
        (m_polygons->FirstChild(middle) <= g ? low : high) = middle;
    }
    if (count == 0 || g < m_polygons->FirstChild(low) ||
        g - m_polygons->FirstChild(low) >= m_level.m_aGenericFaces[low].m_aVertices.GetItemCount())
        return false;
    polygon = low;
    return true;
}

std::vector<unsigned> ChildNumbers::Parents(const std::vector<unsigned> &children) const
{
    std::vector<unsigned> parents;
    if (!m_bUsable)
        return parents;
    if (!m_polygons) {
        for (unsigned g : children)
            parents.push_back(g / m_iSides);
        SortUnique(parents);
        return parents;
    }
    std::vector<unsigned> polygons;
    for (unsigned g : children)
        if (unsigned p = 0; PolygonOfChild(g, p))
            polygons.push_back(p);
    SortUnique(polygons);
    for (unsigned p : polygons)
        for (unsigned f = m_aFirstFace[p]; f < m_aFirstFace[p + 1]; ++f)
            parents.push_back(f);
    return parents;
}
