#pragma once
// The normals a stroke replaced, each as it was before the stroke's first change to it:
// recomputing normals after an undo sums face normals in another order than the stroke
// did (and than the mesh's own computation), so the undo record keeps the bits instead.

#include "foundation/Containers.h"

#include <cstdint>
#include <type_traits>
#include <vector>

class Mesh;
class Stream;

namespace Operations {

// A vertex's or a face's packed normal.
struct NormalRecord {
    int32_t m_iIndex;
    int16_t m_aNormal[3];
    int16_t m_iUnused;
};
static_assert(sizeof(NormalRecord) == 12 && std::is_trivially_copyable_v<NormalRecord>,
              "normals are 12-byte records in the undo history");

class NormalHistory {
public:
    // The first note of an index wins; later ones are ignored.
    void NoteVertex(unsigned vertex, const int16_t *normal);
    void NoteFace(unsigned face, const int16_t *normal);

    // Reads the mesh's normals at the held indices, runs `update` (which may write other
    // normals over them), then writes the held ones and keeps those read: each call
    // swaps the held normals with the mesh's.
    template <class Fn> void SwapAround(Mesh &mesh, Fn &&update)
    {
        Exchange(mesh, true);
        update();
        Exchange(mesh, false);
    }

    // Counts, then the records; reading refuses indices past the mesh.
    bool Write(Stream &stream) const;
    bool Read(Stream &stream, const Mesh &mesh);

    bool IsEmpty() const { return !m_aVertices.HasItems() && !m_aFaces.HasItems(); }

private:
    General::Store<NormalRecord> m_aVertices{"stroke vertex normals"};
    General::Store<NormalRecord> m_aFaces{"stroke face normals"};
    std::vector<bool> m_aVertexNoted, m_aFaceNoted;
    // Held while an update runs: the mesh's normals read before it.
    General::Store<NormalRecord> m_aReadVertices{"stroke vertex normals"};
    General::Store<NormalRecord> m_aReadFaces{"stroke face normals"};

    void Exchange(Mesh &mesh, bool read);
};

}  // namespace Operations
