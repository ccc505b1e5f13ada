#include "operations/objects/DeleteFaceOperation.h"

#include "foundation/Diagnostics.h"
#include "mesh/core/MeshRecords.h"
#include "mesh/levels/SubdivLevel.h"
#include "mesh/object/MeshHost.h"
#include "scene/Scene.h"

#include <type_traits>
#include <utility>

namespace Operations {

namespace {

constexpr uint32_t kKept = MeshFlags::kBit31;  // marks a deleted face's remembered neighbour

// Points every neighbour of the face at `to` back at it (a face that is its own
// neighbour names itself).
template <class Records>
void RelinkNeighbours(Records &records, unsigned from, unsigned to)
{
    using Face = std::remove_reference_t<decltype(records[0])>;
    constexpr int K = int(Face::kCorners);
    auto &face = records[to];
    for (int s = 0; s < K; ++s) {
        const int32_t w = face.m_iAdjacent[s];
        if (w < 0)
            continue;
        const unsigned n = unsigned(w / K);
        const int t = w % K;
        if (n == from)
            face.m_iAdjacent[s] = int32_t(to) * K + t;
        else
            records[n].m_iAdjacent[t] = int32_t(to) * K + s;
    }
}

template <class Records>
void Delete(SubdivLevel &level, Records &records, FaceChangeOperation::FaceChange &change)
{
    using Face = std::remove_reference_t<decltype(records[0])>;
    constexpr int K = int(Face::kCorners);
    const unsigned count = level.m_iFaceCount;
    unsigned f = change.face;
    // A face moved by an earlier deletion is found through the words of the faces deleted
    // from the slots it left; each step goes to a lower index.
    while (f >= count && f < records.GetItemCount() && records[f].m_iOctree < f)
        f = records[f].m_iOctree;
    if (f >= count)
        return;  // not a face of the level: the record stays as it is
    const unsigned last = count - 1;
    auto &face = records[f];
    for (int s = 0; s < K; ++s) {
        const int32_t w = face.m_iAdjacent[s];
        if (w < 0)
            continue;
        const unsigned n = unsigned(w / K);
        if (n != f)
            records[n].m_iAdjacent[w % K] = -1;  // the neighbour's edge is open now
        face.m_iAdjacent[s] = int32_t(uint32_t(w) | kKept);
    }
    if (!(face.m_iIndices[0] & MeshFlags::kBit31) && level.m_iHiddenFaces)
        --level.m_iHiddenFaces;
    if (f != last) {
        std::swap(records[f], records[last]);
        RelinkNeighbours(records, last, f);
    }
    records[last].m_iOctree = f;
    records[last].m_iIndices[1] &= ~MeshFlags::kBit31;
    level.m_iFaceCount = last;
    change.face = last;
    change.wanted = 1;
}

template <class Records>
void Restore(SubdivLevel &level, Records &records, FaceChangeOperation::FaceChange &change)
{
    using Face = std::remove_reference_t<decltype(records[0])>;
    constexpr int K = int(Face::kCorners);
    const unsigned last = level.m_iFaceCount;
    // Only the face just past the end can come back: restores undo deletions last first.
    if (change.face != last || last >= records.GetItemCount() || records[last].m_iOctree > last)
        return;
    const unsigned f = records[last].m_iOctree;
    level.m_iFaceCount = last + 1;
    if (f != last) {
        std::swap(records[f], records[last]);
        RelinkNeighbours(records, f, last);
    }
    auto &face = records[f];
    face.m_iOctree = OctreeLink::kUnlinked;
    for (int s = 0; s < K; ++s) {
        const int32_t w = face.m_iAdjacent[s];
        if (w >= 0 || w == -1)
            continue;
        const int32_t kept = int32_t(uint32_t(w) & ~kKept);
        face.m_iAdjacent[s] = kept;
        const unsigned n = unsigned(kept / K);
        if (n != f && n < level.m_iFaceCount)
            records[n].m_iAdjacent[kept % K] = int32_t(f) * K + s;
    }
    if (!(face.m_iIndices[0] & MeshFlags::kBit31))
        ++level.m_iHiddenFaces;
    change.face = f;
    change.wanted = 0;
}

}  // namespace

bool DeleteFaceOperation::Execute()
{
    Scene *scene = Scene::GetCurrent();
    for (MeshChanges &mesh : m_aMeshes) {
        SubdivLevel *level = scene ? scene->GetMeshById(mesh.mesh) : nullptr;
        if (!level || !level->m_bFull || mesh.faces.empty())
            continue;
        Log(" deleting %d faces from level %d\n", int(mesh.faces.size()), level->GetLevelIndex());
        level->m_bRecreateBuffers = true;
        const unsigned before = level->m_iFaceCount;
        const bool restoring = mesh.faces.front().wanted != 0;
        level->WithFaces([&](auto &records) {
            if (level->m_iFaceCount > records.GetItemCount())
                return;
            if (restoring) {
                for (auto it = mesh.faces.rbegin(); it != mesh.faces.rend(); ++it)
                    if (it->wanted)
                        Restore(*level, records, *it);
            } else {
                for (FaceChange &change : mesh.faces)
                    if (!change.wanted)
                        Delete(*level, records, change);
            }
        });
        if (level->m_iFaceCount != before)
            level->BuildOctree();
        level->RebuildVisibleFaces();
        if (!level->m_iHiddenFaces)
            level->m_aFaceIndexTable.Clear();
        uint32_t selected = 0;
        for (unsigned f = 0; f < level->m_iFaceCount; ++f)
            selected += level->IsFaceSelected(f);
        level->m_iSelectedFaces = selected;
    }
    MeshHost::Get().Redraw();
    return true;
}

}  // namespace Operations
