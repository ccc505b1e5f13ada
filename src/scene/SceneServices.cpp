#include "scene/SceneServices.h"

#include "mesh/core/MeshRecords.h"
#include "mesh/levels/SubdivLevel.h"

namespace {

// Sets or clears the flag bit of one corner word of each listed face, keeping the count.
void ApplyFlag(const FaceEdit &edit, unsigned corner, uint32_t SubdivLevel::*count, bool countSet)
{
    for (const FaceEdit::Target &target : edit.targets) {
        SubdivLevel &level = *target.level;
        level.WithFaces([&](auto &records) {
            for (const auto &[face, state] : target.faces) {
                if (face >= level.m_iFaceCount || face >= records.GetItemCount())
                    continue;
                uint32_t &word = records[face].m_iIndices[corner];
                if (bool(word & MeshFlags::kBit31) == state)
                    continue;
                word ^= MeshFlags::kBit31;
                uint32_t &counter = level.*count;
                if (state == countSet)
                    ++counter;
                else if (counter)
                    --counter;
            }
        });
        level.m_bRecreateBuffers = true;
        if (corner == 0)
            level.m_bPartitionsBuilt = false;  // the tile partitions list visible faces
    }
}

}  // namespace

void SceneServices::ExecuteSelection(const FaceEdit &edit) { ApplyFlag(edit, 1, &SubdivLevel::m_iSelectedFaces, true); }

void SceneServices::ExecuteVisibility(const FaceEdit &edit) { ApplyFlag(edit, 0, &SubdivLevel::m_iHiddenFaces, false); }
