#pragma once
// A polygon of any number of corners: the form that displacement, map extraction
// and level changes work on, built from a mesh's quads and triangle fans.

#include "foundation/Containers.h"

struct GenericFace {
    General::Store<unsigned int> m_aVertices{"unknown"};
    // Per edge j (corner j to j + 1): neighbour polygon × 16 + its edge, the bare
    // neighbour when the matching edge was not found, 0xFFFFFFFF for an open edge.
    General::Store<unsigned int> m_aNeighbours{"unknown"};
    General::Store<unsigned int> m_aTCIndices{"unknown"};
};
