#include "operations/selection/SelectionEdits.h"

#include "mesh/levels/SubdivLevel.h"
#include "mesh/object/Object.h"
#include "operations/LayerOperation.h"
#include "operations/objects/HideFaceOperation.h"
#include "operations/selection/SelectFaceOperation.h"
#include "operations/selection/SelectionHost.h"

#include <vector>

namespace Operations {

namespace {

// The edit as one list per level, each face once with the last state asked for it, and
// only the faces that the edit changes. The operations record a face's former state as
// they apply it, so a face listed twice would come back in the wrong state on undo.
struct LevelChanges {
    SubdivLevel *level;
    std::vector<int8_t> wanted;  // per face: -1 not listed, else the state
    std::vector<unsigned> order;
};

template <class Current>
std::vector<LevelChanges> Collapse(const FaceEdit &edit, Current current)
{
    std::vector<LevelChanges> levels;
    for (const FaceEdit::Target &target : edit.targets) {
        if (!target.level)
            continue;
        LevelChanges *changes = nullptr;
        for (LevelChanges &c : levels)
            if (c.level == target.level)
                changes = &c;
        if (!changes)
            changes = &levels.emplace_back(LevelChanges{target.level, std::vector<int8_t>(target.level->m_iFaceCount, -1), {}});
        for (const auto &[face, state] : target.faces) {
            if (face >= changes->wanted.size())
                continue;
            if (changes->wanted[face] < 0)
                changes->order.push_back(face);
            changes->wanted[face] = int8_t(state);
        }
    }
    for (LevelChanges &c : levels)
        std::erase_if(c.order, [&](unsigned face) { return current(*c.level, face) == bool(c.wanted[face]); });
    return levels;
}

}  // namespace

void SelectionEdits::SelectFaces(Mesh &mesh, const General::Store<unsigned int> &faces, bool select)
{
    SelectFaceOperation operation;
    operation.AddTarget(&mesh);
    std::vector<bool> listed(mesh.m_iFaceCount);
    for (unsigned face : faces) {
        if (face >= mesh.m_iFaceCount || listed[face] || mesh.IsFaceSelected(face) == select)
            continue;
        listed[face] = true;
        operation.AddFace(face, select);
    }
    // An edit that changes nothing leaves no empty step in the history.
    if (mesh.m_aSelectedFaces.HasItems())
        SelectionHost::Get().RunAction(operation);
}

Layer3D *SelectionEdits::AddLayer(Object &object, Layer3D *after)
{
    Layer3D *layer = object.CreateLayer(after, nullptr);
    if (layer) {
        LayerOperation operation(&object, LayerOperation::kDelete, layer, 1.0f);
        SelectionHost::Get().RecordAction(operation);
    }
    return layer;
}

void SelectionSceneServices::ExecuteSelection(const FaceEdit &edit)
{
    SelectFaceOperation operation;
    const auto selected = [](const SubdivLevel &level, unsigned face) { return level.IsFaceSelected(face); };
    for (const LevelChanges &changes : Collapse(edit, selected)) {
        if (changes.order.empty())
            continue;
        const int index = operation.GetTargetIndex(changes.level);
        for (unsigned face : changes.order)
            operation.AddFace(face, changes.wanted[face] != 0, index);
    }
    if (!operation.GetTargets().empty())
        SelectionHost::Get().RunAction(operation);
}

void SelectionSceneServices::ExecuteVisibility(const FaceEdit &edit)
{
    HideFaceOperation operation;
    const auto visible = [](const SubdivLevel &level, unsigned face) { return level.IsFaceVisible(face); };
    for (const LevelChanges &changes : Collapse(edit, visible))
        for (unsigned face : changes.order)
            operation.Add(*changes.level, face, changes.wanted[face] != 0);
    if (!operation.m_aMeshes.empty())
        SelectionHost::Get().RunAction(operation);
}

bool SelectionSceneServices::ClearHistory() { return SelectionHost::Get().ClearHistory(); }

void InstallSelectionEdits()
{
    static SelectionEdits edits;
    static SelectionSceneServices services;
    MeshEdits::Install(&edits);
    SceneServices::Install(&services);
}

}  // namespace Operations
