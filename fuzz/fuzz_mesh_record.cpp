// Loads arbitrary bytes as a mesh record, then uses what was accepted: a record
// that the reader takes must be safe to walk, search and write back.
#include "FuzzFile.h"
#include "foundation/Stream.h"
#include "mesh/core/AdjacentVertexEnumerator.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/Octree.h"

namespace {

struct Count : AdjacentVertexEnumerator {
    void OnAdjacentVertex(Mesh &, unsigned, unsigned) override { ++seen; }
    unsigned seen = 0;
};

struct Everything : Octree::Selector {
    int TestBox(const AABB &) override { return 2; }
    void VisitFace(Mesh &, unsigned) override { ++m_iVisited; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzFile file(data, size);
    return WithLoadingStream(file, [&](Stream &stream) {
        Mesh mesh;
        if (!mesh.Serialize(stream))
            return;
        // Bounded work on what was accepted.
        const unsigned faces = mesh.m_iFaceCount < 64 ? mesh.m_iFaceCount : 64;
        for (unsigned f = 0; f < faces; ++f) {
            mesh.FaceCube(f);
            Count star;
            mesh.EnumerateAdjacentVertices(star, mesh.FaceVertexIndex(f, 0), f);
        }
        Everything everything;
        mesh.m_pOctree->Traverse(everything, nullptr, 1);
        if (mesh.m_iFaceCount < 4096) {
            mesh.ConvertToGenericMesh();
            mesh.CalculateNormals(false);
        }
        Stream out(file.Sibling("out"), true);
        mesh.Serialize(out);
    });
}
