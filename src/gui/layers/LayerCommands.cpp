#include "gui/layers/LayerCommands.h"

#include "foundation/Diagnostics.h"
#include "foundation/OperationBuffer.h"
#include "foundation/ShellServices.h"
#include "gui/common/Commands.h"
#include "interaction/Interface.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/LayerLevel.h"
#include "mesh/object/Object.h"
#include "operations/LayerOperation.h"
#include "operations/brushes/VertexOperation.h"
#include "scene/Scene.h"

#include <QCoreApplication>

#include <algorithm>
#include <memory>
#include <vector>

using Operations::LayerOperation;

namespace GUI::LayerCommands {

namespace {

QString Tr(const char *text) { return QCoreApplication::translate("GUI::LayerList", text); }

// The layers of one list (the object's top level, or a layer's sub-layers), head first.
Layer3D *ListHead(const Object &object, const Layer3D *parent)
{
    return parent ? parent->m_pFirstChild : object.GetFirstLayer();
}

// The next layer "Merge Visible" folds into the active one: visible, bound to the same
// level, neither the active layer nor one of its ancestors, and without sub-layers (those
// go first), walking from the bottom-most layer upward.
Layer3D *NextToMerge(const Object &object, const Layer3D *active)
{
    for (Layer3D *layer = object.GetFirstLayer(); layer; layer = layer->GetNextInTree()) {
        if (layer == active || !layer->IsVisible() || layer->m_pLockedMesh != active->m_pLockedMesh ||
            layer->m_pFirstChild || Layer3D::IsInSubtree(active, layer))
            continue;
        return layer;
    }
    return nullptr;
}

}  // namespace

bool Run(LayerOperation &operation, bool first)
{
    return Interface::ExecuteOperation(&operation, Interface::UndoStack(), first, first ? 0 : 1, true);
}

Layer3D *AddLayer(Object &object, Layer3D *selected)
{
    LayerOperation insert(&object, LayerOperation::kInsert, selected, true);
    if (!Run(insert, true))
        return nullptr;
    Layer3D *made = selected ? selected->m_pNext : object.GetFirstLayer();
    if (made) {
        LayerOperation select(&object, LayerOperation::kSelect, made, true);
        Run(select, false);
    }
    return made;
}

void DeleteLayer(Object &object, Layer3D *layer)
{
    if (!layer)
        return;
    LayerOperation none(&object, LayerOperation::kSelect, nullptr, true);
    Run(none, true);
    LayerOperation remove(&object, LayerOperation::kDelete, layer, true);
    Run(remove, false);
}

Layer3D *DuplicateLayer(Object &object, Layer3D *layer)
{
    if (!layer)
        return nullptr;
    LayerOperation duplicate(&object, LayerOperation::kDuplicate, layer, true);
    if (!Run(duplicate, true))
        return nullptr;
    Layer3D *copy = layer->m_pNext;
    if (!TV_CHECK(copy))
        return nullptr;
    LayerOperation select(&object, LayerOperation::kSelect, copy, true);
    Run(select, false);
    return copy;
}

void Flatten(Object &object)
{
    LayerOperation none(&object, LayerOperation::kSelect, nullptr, true);
    Run(none, true);
    while (Layer3D *bottom = object.GetFirstLayer()) {
        LayerOperation flatten(&object, LayerOperation::kFlatten, bottom, true);
        if (!Run(flatten, false))
            break;
    }
}

bool MergeVisible(Object &object)
{
    Layer3D *active = object.GetActiveLayer();
    if (!active)
        return false;
    if (active->m_pLockedMesh && active->m_pLockedMesh != object.m_pActiveLevel) {
        General::Shell().SetStatusMessage(Tr("Locked layers can be adjusted on the active level only!"), 2);
        return false;
    }
    OperationBuffer *undo = Interface::UndoStack();
    const uint64_t start = undo ? undo->Tell() : 0;
    // Every step stays at hand: a failure runs them again, newest first, which takes them back.
    std::vector<std::unique_ptr<LayerOperation>> done;
    std::unique_ptr<LayerOperation> failed;
    const auto step = [&](std::unique_ptr<LayerOperation> operation) {
        const bool ok = Run(*operation, done.empty());
        if (ok)
            done.push_back(std::move(operation));
        else
            failed = std::move(operation);
        return ok;
    };
    // A hidden active layer is shown while the others fold into it, and hidden again after;
    // both are steps of the action, so undo puts the mesh back as it was.
    const bool hidden = !active->IsVisible();
    QString failure;
    if (hidden && !step(std::make_unique<LayerOperation>(&object, LayerOperation::kVisibility, active, true)))
        failure = Tr("the active layer cannot be shown");
    if (failure.isEmpty() &&
        !step(std::make_unique<LayerOperation>(&object, LayerOperation::kBakeTransparency, active, 1.0f)))
        failure = Tr("the active layer's transparency cannot be reset");
    while (failure.isEmpty()) {
        Layer3D *layer = NextToMerge(object, active);
        if (!layer)
            break;
        if (!step(std::make_unique<LayerOperation>(&object, LayerOperation::kMerge, layer, 1.0f)))
            failure = failed->GetFailure().isEmpty() ? Tr("the layer could not be merged") : failed->GetFailure();
    }
    if (failure.isEmpty() && hidden &&
        !step(std::make_unique<LayerOperation>(&object, LayerOperation::kVisibility, active, false)))
        failure = Tr("the active layer cannot be hidden again");
    if (failure.isEmpty())
        return true;

    Log("Merge visible failed: %s\n", failure.toLocal8Bit().constData());
    for (auto it = done.rbegin(); it != done.rend(); ++it)
        (*it)->Execute();
    if (undo)
        undo->Seek(start);
    const QString text = failure == Tr("not enough memory")
                             ? Tr("ERROR: Unable to complete operation due to memory shortage")
                             : Tr("ERROR: Unable to complete operation: %1").arg(failure);
    General::Shell().ShowMessage(General::ShellServices::kCritical, QString::fromLatin1(General::ProgramTitle()),
                                 text);
    return false;
}

void SetSymmetryTarget(Object &object) { object.m_pSecondLayer = object.GetActiveLayer(); }

int ListPositionOfRow(const Object &object, const Layer3D *layer, const Layer3D *parent, int row)
{
    int others = 0;
    for (const Layer3D *l = ListHead(object, parent); l; l = l->m_pNext)
        if (l != layer)
            ++others;
    // Rows count from the top, the list from the bottom: row r stands directly above the
    // layer that has r others above it.
    return row < 0 ? others : std::max(0, others - row);
}

bool MoveLayer(Object &object, Layer3D *layer, Layer3D *parent, int row)
{
    if (!layer || layer == parent || Layer3D::IsInSubtree(parent, layer))
        return false;
    const int position = ListPositionOfRow(object, layer, parent, row);
    int current = 0;
    for (const Layer3D *l = layer->m_pPrev; l; l = l->m_pPrev)
        ++current;
    // A row dropped back at its own place changes nothing and records nothing.
    if (layer->m_pParent == parent && current == position)
        return true;
    LayerOperation move(&object, layer, parent, position);
    if (!Run(move, true)) {
        if (!move.GetFailure().isEmpty())
            General::Shell().SetStatusMessage(Tr("The layer cannot be moved: %1").arg(move.GetFailure()), 2);
        return false;
    }
    return true;
}

void ShowLayerWeights()
{
    Scene *scene = Scene::GetCurrent();
    if (!scene)
        return;
    for (int i = 0; i < scene->GetObjectCount(); ++i) {
        for (SubdivLevel *level = scene->GetObject(i); level; level = level->m_pNext) {
            if (level->m_pActiveLayerData)
                level->m_pActiveLayerData->ApplyWeightsToMask();
            level->m_bRecreateBuffers = true;
        }
    }
    Interface::Redraw();
}

// --- symmetry --------------------------------------------------------------------------

SubdivLevel *SymmetryLevel(Object &object)
{
    SubdivLevel *found = nullptr;
    for (SubdivLevel *level = &object; level; level = level->m_pNext)
        if (level->m_iFaceCount != level->m_iHiddenFaces)
            found = level;
    return found;
}

int SelectedSide(const SubdivLevel &level)
{
    if (level.m_iSelectedFaces == 0)
        return -1;
    int side = -1;
    const unsigned mapped = level.m_aSymmetry.GetItemCount();
    for (unsigned face = 0; face < level.m_iFaceCount; ++face) {
        if (!level.IsFaceSelected(face))
            continue;
        const unsigned entry = face < mapped ? level.m_aSymmetry[face] : 0;
        const int faceSide = (entry & 0x80000000u) ? 0 : 1;
        if (side < 0)
            side = faceSide;
        else if (side != faceSide)
            return -2;
    }
    return side;
}

namespace {

void RunSymmetry(Object *object, int axis, bool flip)
{
    if (!object)
        return;
    SubdivLevel *level = SymmetryLevel(*object);
    if (!level)
        return;
    if (!level->PrepareSymmetry()) {
        General::Shell().SetStatusMessage(
            Tr("Symmetry not yet initialized. Select two adjacent faces which are on opposite sides of the mesh's "
               "topological axis and use Mesh|Set Topological Axis"),
            1);
        return;
    }
    int mode = 2;
    if (!flip) {
        mode = SelectedSide(*level);
        if (mode == -1) {
            General::Shell().SetStatusMessage(Tr("Please select faces on the source side first."), 2);
            return;
        }
        if (mode == -2) {
            General::Shell().SetStatusMessage(Tr("Faces are selected on both sides, please refine selection."), 2);
            return;
        }
    }
    LayerLevel *target = nullptr;
    if (object->m_pSecondLayer)
        target = object->m_pSecondLayer->GetLevel(level);
    if (!target)
        target = level->m_pActiveLayerData;
    Operations::VertexOperation operation(level, target);
    try {
        if (!level->Mirror(operation, level->m_pActiveLayerData, target, mode, axis))
            return;
    } catch (const General::Error &error) {
        ShowError(error);
        return;
    }
    Interface::ExecuteOperation(&operation, Interface::UndoStack(), true, 0, true);
    Interface::Redraw();
}

}  // namespace

void Mirror(Object *object, int axis) { RunSymmetry(object, axis, false); }
void Flip(Object *object, int axis) { RunSymmetry(object, axis, true); }

}  // namespace GUI::LayerCommands
