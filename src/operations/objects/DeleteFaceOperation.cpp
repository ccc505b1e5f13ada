#include "operations/objects/DeleteFaceOperation.h"

#include "foundation/Diagnostics.h"
#include "mesh/core/MeshRecords.h"
#include "mesh/core/Octree.h"
#include "mesh/levels/SubdivLevel.h"
#include "mesh/object/MeshHost.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "scene/Scene.h"

#include <algorithm>
#include <type_traits>
#include <utility>
#include <vector>

namespace Operations {

namespace {

// A deleted face remembers a neighbour the way a partial level names a neighbour it does
// not hold: this value + neighbour × sides + the neighbour's edge.
constexpr uint32_t kKept = LevelBits::kAbsentNeighbour;

// A partial level's face map as the records use it: sorted by level index with exactly one
// pair per face held, so pair i belongs to face i. An empty map stands for the identity and
// is filled with it; false when that is refused.
bool FillFaceMap(SubdivLevel &level)
{
    return level.m_aFaceMap.HasItems() || !level.m_iFaceCount || level.SetIdentityFaceMap();
}

bool FaceMapMatches(SubdivLevel &level)
{
    General::Map &map = level.m_aFaceMap;
    map.Sort(General::Map::kByFirst);
    if (map.GetItemCount() != level.m_iFaceCount)
        return false;
    for (unsigned i = 0; i < map.GetItemCount(); ++i)
        if (map[i].first != int(i))
            return false;
    return true;
}

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

// With a face map (`map` not null) a deleted face names its neighbours and itself by global
// index: the map loses the face's pair, and its level index changes as later deletions and
// restores move faces, while the global index stays. The global index waits in the face's
// stamp word, which no walk reads past the end of the faces.
template <class Records>
void Delete(SubdivLevel &level, Records &records, General::Map *map, FaceChangeOperation::FaceChange &change)
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
    auto global = [&](unsigned n) { return map ? uint32_t((*map)[n].second) : uint32_t(n); };
    auto &face = records[f];
    for (int s = 0; s < K; ++s) {
        const int32_t w = face.m_iAdjacent[s];
        if (w < 0 || unsigned(w / K) >= count)
            continue;  // open edges and neighbours the level does not hold stay as they are
        const unsigned n = unsigned(w / K);
        if (n != f)
            records[n].m_iAdjacent[w % K] = -1;  // the neighbour's edge is open now
        face.m_iAdjacent[s] = int32_t(kKept + global(n) * K + uint32_t(w % K));
    }
    if (!(face.m_iIndices[0] & MeshFlags::kBit31) && level.m_iHiddenFaces)
        --level.m_iHiddenFaces;
    const uint32_t deleted = global(f);
    if (f != last) {
        std::swap(records[f], records[last]);
        RelinkNeighbours(records, last, f);
        if (map)
            std::swap((*map)[f].second, (*map)[last].second);
    }
    if (map) {
        map->SetItemCount(last, true);
        records[last].m_iStamp = deleted;
    }
    // The parked face keeps its selection mark, so that a restore gives it back as it was.
    records[last].m_iOctree = f;
    level.m_iFaceCount = last;
    change.face = last;
    change.wanted = 1;
}

// Brings back the face just past the end. Without a face map its neighbours are joined at
// once: restores undo the deletions last first, so every face is where it was when this
// one was deleted. With a face map the face's global index goes to `restored`, and
// RelinkRestored joins its neighbours once every record is back.
template <class Records>
void Restore(SubdivLevel &level, Records &records, General::Map *map, FaceChangeOperation::FaceChange &change,
             std::vector<uint32_t> &restored)
{
    using Face = std::remove_reference_t<decltype(records[0])>;
    constexpr int K = int(Face::kCorners);
    const unsigned last = level.m_iFaceCount;
    // Only the face just past the end can come back: restores undo deletions last first.
    if (change.face != last || last >= records.GetItemCount() || records[last].m_iOctree > last)
        return;
    const uint32_t global = records[last].m_iStamp;
    if (map && (map->GetItemCount() != last || (level.m_iTotalFaceCount && global >= level.m_iTotalFaceCount) ||
                map->Add({int(last), int(global)}) < 0))
        return;
    const unsigned f = records[last].m_iOctree;
    level.m_iFaceCount = last + 1;
    if (f != last) {
        std::swap(records[f], records[last]);
        RelinkNeighbours(records, f, last);
        if (map)
            std::swap((*map)[f].second, (*map)[last].second);
    }
    auto &face = records[f];
    face.m_iOctree = OctreeLink::kUnlinked;
    if (map) {
        face.m_iStamp = 0;
        restored.push_back(global);
    } else {
        for (int s = 0; s < K; ++s) {
            const int32_t w = face.m_iAdjacent[s];
            if (w >= 0 || w == -1)
                continue;
            const int32_t kept = int32_t(uint32_t(w) - kKept);
            face.m_iAdjacent[s] = kept;
            const unsigned n = unsigned(kept / K);
            if (n != f && n < level.m_iFaceCount)
                records[n].m_iAdjacent[kept % K] = int32_t(f) * K + s;
        }
    }
    if (!(face.m_iIndices[0] & MeshFlags::kBit31))
        ++level.m_iHiddenFaces;
    change.face = f;
    change.wanted = 0;
}

// Joins the restored faces of a level with a face map to their neighbours, found by global
// index. Every face is back where it was before the deletions, so a neighbour the map does
// not name was not held then either and keeps its word.
template <class Records>
void RelinkRestored(SubdivLevel &level, Records &records, General::Map &map, const std::vector<uint32_t> &restored)
{
    using Face = std::remove_reference_t<decltype(records[0])>;
    constexpr uint32_t K = Face::kCorners;
    map.Sort(General::Map::kBySecond);
    auto levelIndex = [&](uint32_t global) -> unsigned {
        const General::IntPair key{0, int(global)};
        const General::IntPair *found = map.Find(&key);
        return found && unsigned(found->first) < level.m_iFaceCount ? unsigned(found->first) : 0xFFFFFFFFu;
    };
    for (uint32_t global : restored) {
        const unsigned f = levelIndex(global);
        if (f == 0xFFFFFFFFu)
            continue;
        for (uint32_t s = 0; s < K; ++s) {
            const int32_t w = records[f].m_iAdjacent[s];
            if (w >= 0 || w == -1)
                continue;
            const uint32_t kept = uint32_t(w) - kKept;
            const unsigned n = levelIndex(kept / K);
            if (n == 0xFFFFFFFFu)
                continue;
            records[f].m_iAdjacent[s] = int32_t(n * K + kept % K);
            records[n].m_iAdjacent[kept % K] = int32_t(f * K + s);
        }
    }
}

// A rebuilt octree holds every face; hidden faces leave it again, so picks pass through
// them. The cubes unlink the faces marked by the selected bit, so the selection is kept
// aside meanwhile.
void UnlinkHiddenFaces(SubdivLevel &level)
{
    if (!level.m_iHiddenFaces || !level.m_pOctree)
        return;
    level.WithFaces([&](auto &records) {
        const unsigned count = std::min(level.m_iFaceCount, records.GetItemCount());
        std::vector<bool> selected(count);
        for (unsigned f = 0; f < count; ++f) {
            selected[f] = records[f].m_iIndices[1] & MeshFlags::kBit31;
            const bool hidden = !(records[f].m_iIndices[0] & MeshFlags::kBit31);
            records[f].m_iIndices[1] = hidden ? records[f].m_iIndices[1] | MeshFlags::kBit31
                                              : records[f].m_iIndices[1] & ~MeshFlags::kBit31;
        }
        for (unsigned f = 0; f < count; ++f) {
            if (!(records[f].m_iIndices[1] & MeshFlags::kBit31) || records[f].m_iOctree >= OctreeLink::kUnlinked)
                continue;
            if (Octree::OctreeCube *cube = level.m_pOctree->GetCube(level.FaceCube(f)))
                cube->UnlinkMarkedFaces(0);
        }
        for (unsigned f = 0; f < count; ++f)
            records[f].m_iIndices[1] = selected[f] ? records[f].m_iIndices[1] | MeshFlags::kBit31
                                                   : records[f].m_iIndices[1] & ~MeshFlags::kBit31;
    });
}

}  // namespace

bool DeleteFaceOperation::Execute()
{
    Scene *scene = Scene::GetCurrent();
    for (MeshChanges &mesh : m_aMeshes) {
        SubdivLevel *level = scene ? scene->GetMeshById(mesh.mesh) : nullptr;
        if (!level || mesh.faces.empty())
            continue;
        // The faces must be in memory; a level that cannot take them back ends the operation.
        if (!level->ReloadFaces() || !level->ReloadVertices())
            return false;
        General::Map *map = level->m_bFull ? nullptr : &level->m_aFaceMap;
        const bool restoring = mesh.faces.front().wanted != 0;
        if (map) {
            if (!FillFaceMap(*level))
                return false;
            if (!FaceMapMatches(*level)) {
                Log(" The face map of level %d does not match its faces\n", level->GetLevelIndex());
                continue;
            }
            // Room for every pair a restore adds, so that no restore can fail half way.
            const unsigned count = map->GetItemCount();
            if (restoring && (!map->EnsureIndex(count + unsigned(mesh.faces.size()) - 1) ||
                              !map->SetItemCount(count, true)))
                return false;
        }
        Log(" deleting %d faces from level %d\n", int(mesh.faces.size()), level->GetLevelIndex());
        level->m_bRecreateBuffers = true;
        const unsigned before = level->m_iFaceCount;
        level->WithFaces([&](auto &records) {
            if (level->m_iFaceCount > records.GetItemCount())
                return;
            if (restoring) {
                std::vector<uint32_t> restored;
                for (auto it = mesh.faces.rbegin(); it != mesh.faces.rend(); ++it)
                    if (it->wanted)
                        Restore(*level, records, map, *it, restored);
                if (map)
                    RelinkRestored(*level, records, *map, restored);
            } else {
                for (FaceChange &change : mesh.faces)
                    if (!change.wanted)
                        Delete(*level, records, map, change);
            }
        });
        // A base level is the whole of itself: its total follows its faces (0 stands for
        // the face count, as after deleting them all).
        if (!level->m_pPrev && !map && level->m_iTotalFaceCount != 0 && level->m_iTotalFaceCount == before)
            level->m_iTotalFaceCount = level->m_iFaceCount;
        if (level->m_iFaceCount != before) {
            level->BuildOctree();
            UnlinkHiddenFaces(*level);
        }
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
