#pragma once
// Where the children of a subdivided face sit. A parent with k corners (k = 3 or 4, or n
// for a polygon of the base) is split into k quads, one at each parent corner c:
//
//   child at corner c = quad (.., V_c, E_c, FP, E_c-1, ..) starting at the corner Pos(c),
//
// that is the parent corner V_c at corner Pos(c) of that child, the point on the parent
// edge E_c (from corner c to c + 1) at Pos(c) + 1, the face point at Pos(c) + 2 and the
// point on E_c-1 at Pos(c) + 3 (all mod 4). Every child keeps the winding of its parent.
//
//   quads:     child at corner c is child number {0, 1, 3, 2}[c], Pos(c) = c
//   triangles: child at corner c is child number c,               Pos(c) = {0, 1, 3}[c]
//   polygons:  child at corner c is child number c,               Pos(c) = 0
//
// Child slot j runs from its corner j to j + 1, so the first half of parent edge E_c is
// slot Pos(c) of the child at corner c, the second half slot Pos(c+1) + 3 of the child at
// corner c + 1, and the child at corner c meets the child at corner c + 1 across its slot
// Pos(c) + 1 / their slot Pos(c+1) + 2.
//
// A triangle's adjacency slot s is the edge opposite corner s, i.e. edge E_(s+1); quads and
// polygons number their adjacency by the edge's first corner.

namespace ChildLayout {

constexpr unsigned kNone = 0xFFFFFFFFu;

struct Shape {
    unsigned k;  // corners of the parent

    constexpr unsigned ChildAt(unsigned c) const
    {
        constexpr unsigned quad[4] = {0, 1, 3, 2};
        return k == 4 ? quad[c] : c;
    }
    constexpr unsigned Pos(unsigned c) const
    {
        constexpr unsigned triangle[3] = {0, 1, 3};
        return k == 4 ? c : k == 3 ? triangle[c] : 0;
    }
    constexpr unsigned Next(unsigned c) const { return c + 1 == k ? 0 : c + 1; }
    constexpr unsigned Prev(unsigned c) const { return c == 0 ? k - 1 : c - 1; }

    // Corners of the child at parent corner c.
    constexpr unsigned EdgeCorner(unsigned c) const { return (Pos(c) + 1) & 3; }      // E_c
    constexpr unsigned CentreCorner(unsigned c) const { return (Pos(c) + 2) & 3; }    // FP
    constexpr unsigned PrevEdgeCorner(unsigned c) const { return (Pos(c) + 3) & 3; }  // E_c-1

    // Slots of the two halves of parent edge E_c, in the children at corners c and c + 1.
    constexpr unsigned FirstHalfSlot(unsigned c) const { return Pos(c); }
    constexpr unsigned SecondHalfSlot(unsigned c) const { return (Pos(Next(c)) + 3) & 3; }
    // Inner edge between the children at corners c and c + 1.
    constexpr unsigned InnerSlot(unsigned c) const { return (Pos(c) + 1) & 3; }
    constexpr unsigned InnerSlotOfNext(unsigned c) const { return (Pos(Next(c)) + 2) & 3; }

    // The parent's adjacency slot of edge E_c, and the edge of an adjacency slot.
    constexpr unsigned SlotOfEdge(unsigned c) const { return k == 3 ? (c + 2) % 3 : c; }
    constexpr unsigned EdgeOfSlot(unsigned s) const { return k == 3 ? (s + 1) % 3 : s; }
};

}  // namespace ChildLayout
