#pragma once
// Recomputes face and vertex normals region by region after a brush moved vertices: the
// faces around the vertices the last walk touched, and every vertex of those faces from
// all of its faces. One global updater serves the program; its slot buffer is kept
// between updates.

#include "foundation/math/AABB.h"
#include "foundation/Containers.h"
#include "foundation/math/Vector.h"
#include "operations/brushes/BrushOperation.h"

namespace Operations {

class NormalHistory;

class NormalUpdater : public FaceOperation {
public:
    // A vertex's slot: the accumulated normal, and the normal its record held before the
    // slot index was written over it (given back if the update is cut short).
    struct TempVertexNormal {
        int32_t m_iVertexIndex;
        General::Vector m_vNormal;
        int16_t m_aSaved[3];
    };

    NormalUpdater();

    static NormalUpdater &Global();
    // The faces reached from `start` through vertices stamped by the last walk get new
    // normals, and so do their vertices; `dirty` grows by the world box of the region.
    // With `updateOctree` the faces are re-inserted into the mesh's octree. A `history`
    // notes each normal before it is first written over.
    static void UpdateNormals(Mesh &mesh, unsigned start, AABB &dirty, bool updateOctree,
                              NormalHistory *history = nullptr);
    // The same with this updater. Not re-entrant. When a step throws (memory refused), the
    // vertices get their normals back and the slots are emptied before the exception goes on.
    void Update(Mesh &mesh, unsigned start, AABB &dirty, bool updateOctree, NormalHistory *history = nullptr);

    bool IsFaceAffected(Mesh &mesh, unsigned face) override;
    void ProcessFace(Mesh &mesh, unsigned face) override;

    unsigned GetSlotCount() const { return m_iVNCount; }

private:
    void FirstPass(Mesh &mesh, unsigned face);
    void SecondPass(Mesh &mesh, unsigned face);
    // Gives every held vertex its saved normal back and empties the slots.
    void Abandon(Mesh &mesh);

    General::Store<TempVertexNormal> m_aVNBuffer{"normal updater"};
    unsigned m_iVNCount = 0;
    bool m_bFirstPass = true;
    bool m_bUpdateOctree = false;
    NormalHistory *m_pHistory = nullptr;
    // The face IsFaceAffected read last: its corners and (second walk) their slots.
    unsigned m_iTestedFace = ~0u;
    unsigned m_iTestedCount = 0;
    unsigned m_aTestedCorners[4] = {};
    int m_aTestedSlots[4] = {};
};

}  // namespace Operations
