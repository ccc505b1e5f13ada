#pragma once
// Averages a texture coordinate with those of the vertex's star, counting only the
// faces that use the same coordinate, so a coordinate on a UV seam keeps its value.

#include "mesh/core/AdjacentVertexEnumerator.h"

class Mesh;

class TCSmoother : public AdjacentVertexEnumerator {
public:
    explicit TCSmoother(Mesh &mesh) : m_pMesh(&mesh) {}

    void OnAdjacentVertex(Mesh &mesh, unsigned vertex, unsigned face) override { Visit(mesh, vertex, face); }
    // Adds the coordinate that `face` uses at `vertex` when the face uses the target anywhere.
    void Visit(Mesh &mesh, unsigned vertex, unsigned face);
    // Averages coordinate `tc` of `vertex` (a corner of `face`) over the vertex's star.
    // False (sums undivided) when the star is open or some star vertex did not contribute.
    bool Average(unsigned vertex, unsigned tc, unsigned face);

    Mesh *m_pMesh;
    float m_fSumU = 0.0f;
    float m_fSumV = 0.0f;
    int m_iTarget = 0;
    int m_iCount = 0;      // contributions
    int m_iStarCount = 0;  // star vertices seen, the vertex itself included
};
