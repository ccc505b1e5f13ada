#pragma once
// One run of SubdivLevel::Subdivide: appends the children of faces of the level below
// to a level, with their corners, adjacency, flag bits and index maps. Three ways:
//   Whole   the level is empty and every face of a full level below is split: one pass,
//           no searches (the children of a face and of its neighbours are found by index);
//   Listed  a partial level gains the children of some faces: neighbours that are not on
//           the level get pending entries, vertices are found through the index maps;
//   Polygons the level below holds polygons of any size (a base of n-sided faces): every
//           polygon is split into one quad per corner.
// A run that fails puts the level back as it was (Restore).

#include "foundation/Containers.h"
#include "mesh/subdivision/ChildLayout.h"
#include "mesh/core/MeshRecords.h"

class SubdivLevel;

class LevelSubdivision {
public:
    explicit LevelSubdivision(SubdivLevel &level);

    bool Run(General::Store<unsigned int> &faces);

private:
    template <class Face>
    bool Whole(const General::Store<Face> &parents);
    template <class Face>
    bool Listed(const General::Store<Face> &parents, const General::Store<unsigned int> &faces);
    bool Polygons();

    // Steps shared by the three ways once the faces are made.
    bool Finish(const General::Store<unsigned int> &faces, unsigned created);
    // Grows the quad store by `count` faces, blank unless the caller writes them whole.
    bool GrowFaces(unsigned count, bool blank = true);
    static Quad BlankQuad();
    void Snapshot();
    void Restore();
    bool Fail();

    unsigned ParentGlobal(unsigned face) const;
    unsigned ParentVertexGlobal(unsigned vertex) const;

    SubdivLevel &L;
    SubdivLevel &P;
    ChildLayout::Shape m_shape;
    unsigned m_iNext = 0;  // next free local vertex

    // What Restore puts back.
    struct State {
        unsigned faces, quads, faceMap, vertexMap, cc, tcCount, tcs, created, newVertices;
        unsigned totalFaces, totalVertices, bound, openEdges;
        int faceMapMode, vertexMapMode;
        bool full, facesRemoved, adjacencyValid, partitionsBuilt;
    } m_state{};
    // Adjacency words of existing faces that were resolved: (word index, old value).
    General::Store<General::IntPair> m_aResolved{"subdiv subdivide resolved"};
    General::Store<int32_t> m_aOldTCI{"subdiv subdivide oldtci"};
};
