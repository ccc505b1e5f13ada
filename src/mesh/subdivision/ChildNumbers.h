#pragma once
// Face numbers between a level and the next finer one, by the children subdivision makes:
// face g of a quad level has the children 4g .. 4g + 3, of a triangle level 3g .. 3g + 2,
// and each polygon of a base (stored as a fan of triangles) one child per corner,
// numbered on from the children of the polygons before it (PolygonNeighbours).

#include "foundation/Containers.h"
#include "mesh/subdivision/PolygonNeighbours.h"

#include <optional>
#include <vector>

class SubdivLevel;

class ChildNumbers {
public:
    explicit ChildNumbers(const SubdivLevel &level);

    // False when the polygons of a base cannot be numbered (memory, or fans that do not
    // match its polygons): then no number maps.
    bool IsUsable() const { return m_bUsable; }
    // The children of the listed faces of the level, ascending, each once.
    std::vector<unsigned> Children(const std::vector<unsigned> &faces) const;
    // The faces of the level that the listed children come from, ascending, each once.
    std::vector<unsigned> Parents(const std::vector<unsigned> &children) const;

private:
    // The polygon whose children hold child g; false when none does.
    bool PolygonOfChild(unsigned g, unsigned &polygon) const;

    const SubdivLevel &m_level;
    unsigned m_iSides = 4;
    std::optional<PolygonNeighbours> m_polygons;
    General::Store<unsigned int> m_aPolygonOf{"child numbers polygons"};
    General::Store<unsigned int> m_aFirstFace{"child numbers fans"};  // per polygon, and one past the last
    bool m_bUsable = true;
};
