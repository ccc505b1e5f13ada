#pragma once
// Receives the neighbours of a vertex, in the order of the faces around it.

class Mesh;

class AdjacentVertexEnumerator {
public:
    virtual ~AdjacentVertexEnumerator() = default;
    virtual void OnAdjacentVertex(Mesh &mesh, unsigned vertex, unsigned face) = 0;

    bool m_bOpen = false;  // set by the walk when it met an open edge
};
