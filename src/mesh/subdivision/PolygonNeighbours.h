#pragma once
// The polygons of a base level (its generic faces) as the subdivision sees them: where
// the children of each polygon start (one child per corner, numbered on from the
// polygons before it) and which polygon edge lies across each edge. Neighbour entries
// are polygon × 16 + edge, so only the first 16 edges of a polygon can be named (larger
// polygons are split when the base is made); an entry is trusted only when that edge
// joins the same two vertices and names this edge back, so a stale, one-way or
// ambiguous entry reads as an open edge on both sides.

#include "foundation/Containers.h"

class Mesh;

class PolygonNeighbours {
public:
    explicit PolygonNeighbours(const Mesh &mesh);

    // False when the table could not be made.
    bool IsUsable() const { return m_bUsable; }
    unsigned ChildCount() const { return m_iChildren; }
    unsigned FirstChild(unsigned polygon) const { return m_aFirst[polygon]; }
    // Polygon h and its edge hs across edge c of polygon i; false for an open edge.
    bool Across(unsigned i, unsigned c, unsigned &h, unsigned &hs) const;

private:
    const Mesh &m_mesh;
    General::Store<unsigned int> m_aFirst{"subdiv firstchild"};
    unsigned m_iChildren = 0;
    bool m_bUsable = false;
};
