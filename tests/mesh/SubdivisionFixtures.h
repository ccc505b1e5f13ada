#pragma once
// Base levels built from plain face lists, and subdivision the way mapping drives it, for
// the subdivision and position tests.

#include "mesh/levels/SubdivLevel.h"

class Object;

#include <array>
#include <memory>
#include <vector>

namespace SubdivisionFixtures {

using General::Vector;
using Polygon = std::vector<unsigned>;

// A base level of quads, of triangles, or of polygons of any size (kept as triangle fans
// with their generic faces). Every face is visible, active and mapped; adjacency is built.
std::unique_ptr<SubdivLevel> MakeBase(const std::vector<Vector> &positions, const std::vector<Polygon> &faces);
// An object (level 0 of its chain) with the faces and vertices of a base level, its octree built.
std::unique_ptr<Object> MakeObject(const SubdivLevel &shape);

// Shapes: a cube with jittered corners (closed, valence 3); an L-shaped open grid (a border
// vertex of three faces at the inner corner); a 3 × 3 open grid (border vertices of one
// or two faces); a closed octahedron of triangles with an
// open triangle fan attached; a pentagonal prism (two pentagons, five quads); a disc of
// `spokes` quads around one centre vertex.
std::unique_ptr<SubdivLevel> MakeJitteredCube();
std::unique_ptr<SubdivLevel> MakeLGrid();
std::unique_ptr<SubdivLevel> MakeOpenGrid();
std::unique_ptr<SubdivLevel> MakeTriangles();
std::unique_ptr<SubdivLevel> MakePrism();
std::unique_ptr<SubdivLevel> MakeDisc(unsigned spokes);

// Subdivides the listed faces (every face when empty) of `lower` into the level above it,
// made when missing, and gives the new vertices their positions: what mapping does.
bool Subdivide(SubdivLevel &lower, std::vector<unsigned> faces = {});
// Adds one full level above the top of the chain; returns it.
SubdivLevel &AddLevel(SubdivLevel &base);

// The local index of a global vertex, or -1.
int LocalVertex(SubdivLevel &level, unsigned global);
unsigned GlobalVertex(SubdivLevel &level, unsigned local);
// Edge slots whose entry is -1.
unsigned OpenEdges(const SubdivLevel &level);

}  // namespace SubdivisionFixtures
