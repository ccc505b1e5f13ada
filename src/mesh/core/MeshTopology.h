#pragma once
// The edge links of a mesh's faces, built one of two ways with the same result.

class Mesh;

namespace MeshTopology {

enum class AdjacencyBuild {
    // Half-edges sorted into buckets by their lower vertex on several threads; an edge with
    // exactly one face on each side is linked there, and the faces of any other shared edge
    // go through FaceByFace, so that the links equal its links.
    Buckets,
    // Faces in file order, each linked to the earlier faces that share a vertex; where
    // three or more faces meet at one edge, the first pair found keeps it.
    FaceByFace,
};

// Sets the mesh's links, open edge count and valid flag (see Mesh::CalculateAdjacency);
// threads 0 is one per processor the process may use.
bool CalculateAdjacency(Mesh &mesh, unsigned threads, AdjacencyBuild how);

}  // namespace MeshTopology
