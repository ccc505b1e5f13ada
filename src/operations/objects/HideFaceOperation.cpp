#include "operations/objects/HideFaceOperation.h"

#include "mesh/core/MeshRecords.h"
#include "mesh/core/Octree.h"
#include "mesh/levels/SubdivLevel.h"
#include "mesh/object/MeshHost.h"
#include "mesh/object/Object.h"
#include "scene/Scene.h"

namespace Operations {

namespace {

// Swaps the records' visibility with the faces' and takes the newly hidden faces out of
// their octree cubes. The selected bit marks the faces to unlink, as the cubes expect, so
// the selection is kept aside and given back when no face stays hidden. The faces shown
// again go back into the octree: picks and brushes find faces only there.
void ApplyRecords(SubdivLevel &level, std::vector<FaceChangeOperation::FaceChange> &changes)
{
    std::vector<unsigned> shown;
    level.WithFaces([&](auto &records) {
        const unsigned count = std::min(level.m_iFaceCount, records.GetItemCount());
        std::vector<bool> selected(count);
        for (unsigned f = 0; f < count; ++f) {
            selected[f] = records[f].m_iIndices[1] & MeshFlags::kBit31;
            records[f].m_iIndices[1] &= ~MeshFlags::kBit31;
        }
        for (auto &change : changes) {
            if (change.face >= count)
                continue;
            uint32_t &visibleWord = records[change.face].m_iIndices[0];
            const bool visible = visibleWord & MeshFlags::kBit31;
            if (visible && !change.wanted) {
                visibleWord &= ~MeshFlags::kBit31;
                records[change.face].m_iIndices[1] |= MeshFlags::kBit31;
            } else if (!visible && change.wanted) {
                visibleWord |= MeshFlags::kBit31;
                shown.push_back(change.face);
            }
            change.wanted = uint8_t(visible);
        }
        for (const auto &change : changes) {
            if (change.face >= count || !level.m_pOctree ||
                records[change.face].m_iOctree >= OctreeLink::kUnlinked)
                continue;
            if (Octree::OctreeCube *cube = level.m_pOctree->GetCube(level.FaceCube(change.face)))
                cube->UnlinkMarkedFaces(0);
        }
        // Faces whose cube could not be found keep no mark. While faces stay hidden the
        // selection is dropped, so no edit reaches a face the user cannot see.
        bool anyHidden = false;
        for (unsigned f = 0; f < count; ++f)
            anyHidden = anyHidden || !(records[f].m_iIndices[0] & MeshFlags::kBit31);
        uint32_t selectedCount = 0;
        for (unsigned f = 0; f < count; ++f) {
            records[f].m_iIndices[1] &= ~MeshFlags::kBit31;
            if (!anyHidden && selected[f]) {
                records[f].m_iIndices[1] |= MeshFlags::kBit31;
                ++selectedCount;
            }
        }
        level.m_iSelectedFaces = selectedCount;
    });
    // A face taken out of its cube names no cube any more: it goes in again from the root.
    if (level.m_pOctree)
        for (unsigned face : shown)
            level.m_pOctree->UpdateFace(face);
}

}  // namespace

bool HideFaceOperation::Execute()
{
    Scene *scene = Scene::GetCurrent();
    for (MeshChanges &mesh : m_aMeshes) {
        SubdivLevel *level = scene ? scene->GetMeshById(mesh.mesh) : nullptr;
        if (!level)
            continue;
        level->m_bRecreateBuffers = true;
        ApplyRecords(*level, mesh.faces);
        level->RebuildVisibleFaces();
        if (!level->m_iHiddenFaces) {
            level->m_aFaceIndexTable.Clear();
            if (Object *object = level->GetObject())
                object->m_bVisible = true;
        }
    }
    MeshHost::Get().Redraw();
    return true;
}

}  // namespace Operations
