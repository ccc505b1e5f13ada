#pragma once
// The positions that a level's vertices take from the level below (its Catmull-Clark
// store), for every vertex whose faces are present.
//
// Above quads and triangles (s corners per face):
//   face point   the centre of the parent face;
//   edge point   3/8 of each end and 1/16 of the other corners of the two faces (quads),
//                5/12 of each end and 1/12 of the two opposite corners (triangles);
//                the midpoint of a border edge;
//   vertex point quads: (1 - 1.75/n) · P + 1.5/n² · Σ edge neighbours + 0.25/n² · Σ diagonals;
//                triangles: V = (S + 16 P) / 18 with S = 2/n · Σ edge neighbours, taken as
//                is at valence 6 and as P + 4/n · (V - P) otherwise;
//                on a border of exactly two faces (2 P + c · Σ (P + b)) / s over its border
//                edges (P, b), c = 1/2 for quads and 1/4 for triangles: 3/4 P + 1/8 (a + b)
//                and 5/6 P + 1/12 (a + b); any other border vertex keeps P.
// Above polygons (a base with n-sided faces) the split is linear (centres, midpoints, the
// base's vertices where they are) and one smoothing pass follows: a vertex of more than
// two faces of the new level moves to the mean, over its faces, of the midpoint of its two
// neighbours in that face; the others keep their linear place.
// Without smoothing every split is the linear one.
//
// Each face of the level below is visited once: it writes its face point and adds its
// share to its edge points and to sums per vertex of the level below, which a last pass
// turns into the vertex points. On a partial level the faces are found through the child
// tables; an edge whose other side the level below does not hold counts as a border.
// Border vertices are known by counted border edges, never by a sum being non-zero, so a
// vertex at the origin follows the same rule as any other.

#include "foundation/Containers.h"
#include "foundation/math/Vector.h"
#include "mesh/levels/FileArray.h"

#include <vector>

class SubdivLevel;

class CatmullClarkPositions {
public:
    CatmullClarkPositions(SubdivLevel &level, bool smooth);
    // Fills the level's Catmull-Clark store; false when a work table cannot be had or its
    // file failed, and then the store holds no usable positions.
    bool Compute();

private:
    struct VertexSums {
        General::Vector border;  // sum of the far ends of the border edges counted
        uint32_t faces;
        uint32_t borderEdges;
        uint32_t target;  // the same vertex on the level, or none
    };

    // Visits faces from..to of the level below; `mine(item)` says whether this visit writes an
    // item of the store (and the vertex sums of the same index). A face that leaves an item
    // unwritten, or whose corners cannot be used, is listed in `others` when given; faces
    // whose corners cannot be used are reported with `report`.
    template <class Face, class Mine>
    void Faces(const General::Store<Face> &parents, General::FileArray<unsigned int> *children, unsigned from,
               unsigned to, Mine mine, std::vector<unsigned> *others, bool report);
    // Faces of a whole level above a whole level, in parallel ranges of faces when large.
    template <class Face>
    void FullFaces(const General::Store<Face> &parents);
    void Polygons();
    bool SmoothPolygonSplit();
    void Vertices(unsigned sides);

    SubdivLevel &L;
    SubdivLevel &P;
    bool m_bSmooth;
    General::Vector *m_pCC = nullptr;
    unsigned m_iCC = 0;
    General::FileArray<VertexSums> *m_pSums = nullptr;
};
