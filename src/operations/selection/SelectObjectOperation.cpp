#include "operations/selection/SelectObjectOperation.h"

#include "mesh/levels/SubdivLevel.h"
#include "mesh/object/Object.h"
#include "operations/selection/SelectionHost.h"
#include "scene/Scene.h"

namespace Operations {

SelectObjectOperation::SelectObjectOperation(Brush *tool, StrokeSegment *segment, int mode)
    : SelectFaceOperation(tool, segment, mode)
{
}

bool SelectObjectOperation::AddPoint(PickInfo *pick, float size, float strength, const General::Vector &offset)
{
    if (!pick && !m_iTestedCorners) {
        if (Scene *scene = Scene::GetCurrent())
            scene->ClearSelection();
        SelectionHost::Get().AbandonStroke();
        return false;
    }
    const bool accepted = SelectFaceOperation::AddPoint(pick, size, strength, offset);
    // A later miss in the same stroke keeps the selection.
    m_iTestedCorners = 4;
    return accepted;
}

bool SelectObjectOperation::IsFaceAffected(Mesh &mesh, unsigned face)
{
    switch (m_iMode) {
    case 0:
        return !mesh.IsFaceSelected(face);
    case 1:
        return !IsMarked(mesh, face);
    default:
        return mesh.IsFaceSelected(face);
    }
}

void SelectObjectOperation::ProcessFace(Mesh &mesh, unsigned)
{
    Object *object = OwnerOf(&mesh);
    // Once over the object, every face is in its state or marked: a second pass changes nothing.
    if (!object || object == m_pDone)
        return;
    m_pDone = object;
    for (SubdivLevel *level = object->GetBaseLevel(); level; level = level->GetNextLevel(false)) {
        // The marks of a level that is no target yet belong to an earlier stroke.
        bool joined = FindTarget(level) >= 0;
        bool changed = false;
        for (unsigned f = 0; f < level->m_iFaceCount; ++f) {
            if (!level->IsFaceVisible(f))
                continue;
            const bool wanted = WantedState(level->IsFaceSelected(f), joined && IsMarked(*level, f));
            if (wanted == level->IsFaceSelected(f))
                continue;
            // A level joins the targets at its first change, so its records are written and undone.
            if (!joined) {
                GetTargetIndex(level);
                joined = true;
            }
            changed = ChangeFace(*level, f, wanted) || changed;
        }
        if (changed)
            level->m_bRecreateBuffers = true;
        m_cDirty.Extend(level->GetAABB());
    }
}

}  // namespace Operations
