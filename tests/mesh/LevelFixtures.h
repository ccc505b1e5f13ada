#pragma once
// Subdivision levels built by hand for the level tests: a closed quad mesh, and finer
// levels made by splitting every face into its four children in the level numbering
// (children g × 4 + c, the parent's vertices keeping their global index, face points
// B + g, edge points B + T + min(g1 × 4 + e1, g2 × 4 + e2)). Positions of the new
// vertices are plain midpoints; the Catmull-Clark positions equal the positions.

#include "mesh/levels/SubdivLevel.h"

#include <memory>

namespace LevelFixtures {

// The surface of a cube of side n with n × n quads per side: 6n² faces, 6n² + 2 vertices,
// all visible and active, with adjacency; octree built when asked.
std::unique_ptr<SubdivLevel> MakeCube(unsigned n, bool octree = false);
// Appends the split of every face of `parent` as the next level and returns it.
SubdivLevel &AddSplitLevel(SubdivLevel &parent);
// Stamps vertices with their index and gives each a mask, so records can be told apart.
void MarkVertices(SubdivLevel &level);

}  // namespace LevelFixtures
