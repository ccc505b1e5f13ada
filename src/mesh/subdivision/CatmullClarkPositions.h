#pragma once
// The positions that a level's vertices take from the level below (its Catmull-Clark
// store), for every vertex whose faces are present:
//   face point   the centre of the parent face;
//   edge point   (a + b + F1 + F2) / 4 for an edge between two faces (F the face points),
//                the midpoint of a border edge;
//   vertex point (n - 2) / n · P + (Σ edge neighbours + Σ face points) / n² for a vertex of
//                n faces; 3/4 · P + 1/8 · (a + b) on a border, a and b its border neighbours;
//                a corner of one face, a vertex of a non-manifold border and a vertex with no
//                face keep P.
// The rules hold for quads, triangles and polygons alike. Without smoothing the split is
// plain: centres, midpoints, and the parent's vertices where they are.
//
// Each face of the level below is visited once: it writes its face point and adds its
// share to its edge points and to sums per vertex of the level below, which a last pass
// turns into the vertex points. On a partial level the faces are found through the child
// tables; an edge whose other side the level below does not hold counts as a border.

#include "foundation/Containers.h"
#include "foundation/Vector.h"
#include "mesh/levels/FileArray.h"

class SubdivLevel;

class CatmullClarkPositions {
public:
    CatmullClarkPositions(SubdivLevel &level, bool smooth);
    // Fills the level's Catmull-Clark store; false when a work table cannot be had.
    bool Compute();

private:
    struct VertexSums {
        General::Vector border;  // sum of the border neighbours
        uint32_t faces;
        uint32_t borderEdges;
        uint32_t target;  // the same vertex on the level, or none
    };

    template <class Face>
    void Faces(const General::Store<Face> &parents, General::FileArray<unsigned int> *children);
    void Polygons();
    void Vertices();

    SubdivLevel &L;
    SubdivLevel &P;
    bool m_bSmooth;
    General::Vector *m_pCC = nullptr;
    unsigned m_iCC = 0;
    General::FileArray<VertexSums> *m_pSums = nullptr;
};
