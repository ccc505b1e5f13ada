#pragma once
// Face records as the importers make them: not in the octree yet, no neighbours, every
// face visible and none selected. Polygons of triangle meshes become fans around their
// first corner; the third corner's top bit marks a triangle that continues the fan.

#include "mesh/core/MeshRecords.h"

namespace ImportedFaces {

inline Quad MakeQuad(const uint32_t *vertices, const int32_t *tcs)
{
    Quad q{};
    q.m_iOctree = 0xFFFFFFFFu;
    for (unsigned c = 0; c < 4; ++c) {
        q.m_iIndices[c] = vertices[c] | (c == 1 ? MeshFlags::kBit30 : MeshFlags::kBlankCorner);
        q.m_iAdjacent[c] = -1;
        q.m_iTCI[c] = tcs[c];
    }
    return q;
}

// Triangle j (from 0) of the fan over a polygon's corners a (the first), b and c.
inline Triangle MakeFanTriangle(unsigned j, const uint32_t (&vertices)[3], const int32_t (&tcs)[3])
{
    Triangle t{};
    t.m_iOctree = 0xFFFFFFFFu;
    t.m_iIndices[0] = vertices[0] | MeshFlags::kBlankCorner;
    t.m_iIndices[1] = vertices[1] | MeshFlags::kBit30;
    t.m_iIndices[2] = vertices[2] | (j > 0 ? MeshFlags::kBlankCorner : MeshFlags::kBit30);
    for (unsigned c = 0; c < 3; ++c) {
        t.m_iAdjacent[c] = -1;
        t.m_iTCI[c] = tcs[c];
    }
    return t;
}

}  // namespace ImportedFaces
