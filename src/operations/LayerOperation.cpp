#include "operations/LayerOperation.h"

#include "foundation/Diagnostics.h"
#include "foundation/Stream.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/MeshHost.h"
#include "mesh/object/Object.h"
#include "scene/Scene.h"

#include <QCoreApplication>

#include <cstring>
#include <vector>

namespace {

QString Tr(const char *text) { return QCoreApplication::translate("LayerOperation", text); }

// The layer after the whole subtree of `layer` in depth-first order.
const Layer3D *AfterSubtree(const Layer3D *layer)
{
    for (; layer; layer = layer->m_pParent)
        if (layer->m_pNext)
            return layer->m_pNext;
    return nullptr;
}

// Depth-first numbering of the object's layers with the subtree of `skip` left out: a move
// names the new parent this way, so the number does not depend on where the moved layers are.
int IndexWithout(const Object &object, const Layer3D *layer, const Layer3D *skip)
{
    int index = 0;
    for (const Layer3D *l = object.GetFirstLayer(); l;) {
        if (l == skip) {
            l = AfterSubtree(l);
            continue;
        }
        if (l == layer)
            return index;
        ++index;
        l = l->GetNextInTree();
    }
    return -1;
}

Layer3D *LayerWithout(const Object &object, int index, const Layer3D *skip)
{
    for (const Layer3D *l = object.GetFirstLayer(); l;) {
        if (l == skip) {
            l = AfterSubtree(l);
            continue;
        }
        if (index-- == 0)
            return const_cast<Layer3D *>(l);
        l = l->GetNextInTree();
    }
    return nullptr;
}

// Links an unlinked layer into the sub-layers of `parent` (the top-level list when null) at
// list position `position` from the head (the bottom-most), clamped to the list.
void LinkLayer(Object &object, Layer3D *layer, Layer3D *parent, int position)
{
    Layer3D *&head = parent ? parent->m_pFirstChild : object.m_pLayers;
    Layer3D *prev = nullptr;
    Layer3D *next = head;
    for (int i = 0; i < position && next; ++i) {
        prev = next;
        next = next->m_pNext;
    }
    layer->m_pParent = parent;
    layer->m_pPrev = prev;
    layer->m_pNext = next;
    if (prev)
        prev->m_pNext = layer;
    else
        head = layer;
    if (next)
        next->m_pPrev = layer;
}

int ListPosition(const Layer3D *layer)
{
    int position = 0;
    for (const Layer3D *l = layer->m_pPrev; l; l = l->m_pPrev)
        ++position;
    return position;
}

}  // namespace

namespace Operations {

LayerOperation::LayerOperation(Object *object, Layer3D *layer, Layer3D *parent, int position)
    : m_pLayer(layer), m_pObject(object), m_iAction(kMoveLayer), m_pMoveParent(parent), m_iMovePosition(position)
{
}

LayerOperation::LayerOperation(Object *object, int action, Layer3D *layer, float transparency)
    : m_pLayer(layer), m_pObject(object), m_fTransparency(transparency), m_iAction(action)
{
}

LayerOperation::LayerOperation(Object *object, int action, Layer3D *layer, bool visible)
    : m_pLayer(layer), m_pObject(object), m_bVisible(visible), m_iAction(action)
{
}

LayerOperation::LayerOperation(Object *object, int action, Layer3D *layer, const QString &name)
    : m_pLayer(layer), m_pObject(object), m_iAction(action), m_sName(name)
{
}

bool LayerOperation::HasData() const
{
    return m_iAction == kInsert || m_iAction == kUnflatten || m_iAction == kUnmerge || m_iAction == kRestoreTransparency;
}

void LayerOperation::Serialize(Stream &stream)
{
    const bool storing = stream.IsStoring();
    Scene *scene = Scene::GetCurrent();
    stream.Serialize(m_iAction).Serialize(m_fTransparency).Serialize(m_bVisible).Serialize(m_sName);
    int object = storing && scene && m_pObject ? scene->GetObjectIndex(m_pObject) : -1;
    int layer = storing && m_pObject ? m_pObject->GetLayerIndex(m_pLayer) : 0;
    stream.Serialize(object).Serialize(layer);
    if (!storing) {
        // Layers are found when the record runs: the records of one action are read before
        // any of them runs, and the layers they name may come back only through the later ones.
        m_pObject = scene ? scene->GetObject(object) : nullptr;
        m_pLayer = nullptr;
        m_iLayerIndex = layer;
        m_bResolveLayers = true;
    }
    if (m_iAction == kMoveLayer) {
        int parent = storing && m_pObject && m_pMoveParent ? IndexWithout(*m_pObject, m_pMoveParent, m_pLayer) : -1;
        stream.Serialize(parent).Serialize(m_iMovePosition);
        if (!storing)
            m_iParentIndex = parent;
        return;
    }
    if (!HasData())
        return;
    // The level the layer was locked to: without it a re-created layer could not show its offsets.
    int bound = storing ? (m_pBoundLevel ? m_pBoundLevel->GetLevelIndex() : -1) : -1;
    stream.Serialize(bound);
    if (!storing)
        m_pBoundLevel = m_pObject && bound >= 0 ? m_pObject->GetLevel(bound) : nullptr;
    int levels = int(m_aData.size());
    stream.Serialize(levels);
    if (!storing) {
        m_aData.clear();
        if (stream.HasError() || levels < 0 || !stream.Expect(uint64_t(levels) * 4)) {
            stream.SetError();
            return;
        }
        m_aData.resize(size_t(levels));
    }
    for (Records &records : m_aData) {
        int count = int(records.size());
        stream.Serialize(count);
        if (!storing) {
            if (stream.HasError() || count < 0 || !stream.Expect(uint64_t(count) * sizeof(LayerLevel::VertexData))) {
                stream.SetError();
                m_aData.clear();
                return;
            }
            records.resize(size_t(count));
        }
        if (count)
            stream.Transfer(records.data(), uint64_t(count) * sizeof(LayerLevel::VertexData));
    }
}

void LayerOperation::KeepLayer()
{
    m_sName = m_pLayer->GetName();
    m_fTransparency = m_pLayer->GetStrength();
    m_bVisible = m_pLayer->IsVisible();
    m_pBoundLevel = m_pLayer->m_pLockedMesh;
}

bool LayerOperation::StoreData()
{
    std::vector<Records> data;
    for (SubdivLevel *level = m_pObject->GetLevel(0); level; level = level->m_pNext) {
        const LayerLevel *records = m_pLayer->GetLevel(level);
        if (!TV_CHECK(records))
            return false;
        const unsigned count = records->m_aData.GetItemCount();
        data.emplace_back(count ? records->m_aData.begin() : nullptr, count ? records->m_aData.begin() + count : nullptr);
    }
    m_aData = std::move(data);
    return true;
}

bool LayerOperation::LoadData(Layer3D *layer)
{
    size_t index = 0;
    for (SubdivLevel *level = m_pObject->GetLevel(0); level && index < m_aData.size(); level = level->m_pNext, ++index) {
        LayerLevel *records = layer->GetLevel(level);
        const Records &stored = m_aData[index];
        if (!TV_CHECK(records) || !records->SetVertexCount(unsigned(stored.size())))
            return false;
        if (!stored.empty())
            std::memcpy(records->m_aData.begin(), stored.data(), stored.size() * sizeof(LayerLevel::VertexData));
    }
    return true;
}

Layer3D *LayerOperation::Recreate(bool hidden)
{
    Layer3D *layer = m_pObject->CreateLayer(m_pLayer, nullptr);
    if (!layer)
        return nullptr;
    if (hidden)
        layer->SetVisible(false);
    if (m_pBoundLevel)
        layer->LockToLevel(m_pBoundLevel);
    if (!LoadData(layer)) {
        m_pObject->DestroyLayer(layer);
        return nullptr;
    }
    // The strength alone: offsets reach the mesh only when the layer is shown.
    layer->SetTransparency(m_fTransparency, false, false);
    if (!m_sName.isEmpty())
        layer->SetName(m_sName);
    return layer;
}

bool LayerOperation::Move()
{
    if (!m_pObject || !m_pLayer)
        return false;
    Layer3D *layer = m_pLayer;
    Layer3D *oldParent = layer->m_pParent;
    if (m_pMoveParent && (Layer3D::IsInSubtree(m_pMoveParent, layer) || m_pObject->GetLayerIndex(m_pMoveParent) < 0)) {
        m_sFailure = Tr("a layer cannot become a sub-layer of itself");
        return false;
    }
    // Under another parent the layers of the subtree weigh their offsets by other strengths:
    // they leave the mesh before the move and come back at the new strengths.
    std::vector<Layer3D *> hidden;
    const bool reparent = m_pMoveParent != oldParent;
    if (reparent) {
        for (Layer3D *l = layer; l && Layer3D::IsInSubtree(l, layer); l = l->GetNextInTree()) {
            if (!l->IsVisible())
                continue;
            l->SetVisible(false);
            if (l->IsVisible()) {
                for (Layer3D *back : hidden)
                    back->SetVisible(true);
                m_sFailure = Tr("layers locked to a level can be moved on the active level only");
                return false;
            }
            hidden.push_back(l);
        }
    }
    const int oldPosition = ListPosition(layer);
    m_pObject->UnlinkLayer(layer);
    LinkLayer(*m_pObject, layer, m_pMoveParent, m_iMovePosition);
    for (Layer3D *l : hidden)
        l->SetVisible(true);
    m_pMoveParent = oldParent;
    m_iMovePosition = oldPosition;
    return true;
}

void LayerOperation::ResolveLayers()
{
    m_bResolveLayers = false;
    m_pLayer = m_pObject ? m_pObject->GetLayerByIndex(m_iLayerIndex) : nullptr;
    if (m_iAction == kMoveLayer)
        m_pMoveParent = m_pObject && m_iParentIndex >= 0 ? LayerWithout(*m_pObject, m_iParentIndex, m_pLayer) : nullptr;
}

bool LayerOperation::Execute()
{
    bool result = true;
    m_sFailure.clear();
    MeshHost &host = MeshHost::Get();
    if (m_bResolveLayers) {
        ResolveLayers();
        if (m_iAction == kMoveLayer && m_iParentIndex >= 0 && !m_pMoveParent) {
            m_sFailure = Tr("the new parent layer is missing");
            return false;
        }
    }
    switch (m_iAction) {
    case kDelete:
    case kFlatten:
    case kMerge:
        Log(m_iAction == kDelete ? "Delete layer\n" : m_iAction == kFlatten ? "Flatten layer\n" : "Merge layer\n");
        if (!m_pObject || !m_pLayer)
            break;
        if (m_iAction == kMerge) {
            Layer3D *target = m_pObject->GetActiveLayer();
            if (!target || target == m_pLayer || Layer3D::IsInSubtree(target, m_pLayer)) {
                m_sFailure = !target ? Tr("there is no active layer to merge into")
                                     : Tr("a layer cannot be merged into itself or its sub-layers");
                result = false;
                break;
            }
        }
        KeepLayer();
        if (!StoreData()) {
            m_sFailure = Tr("the layer has no records for every level");
            result = false;
            break;
        }
        {
            Layer3D *removed = m_pLayer;
            Layer3D *neighbour = removed->m_pPrev;
            const int layersBefore = m_pObject->LayerCount();
            if (m_iAction == kDelete)
                m_pObject->DeleteLayer(removed);
            else if (m_iAction == kFlatten)
                m_pObject->DestroyLayer(removed);
            else
                m_pObject->MergeLayer(removed, m_pObject->GetActiveLayer());
            // A layer that refused to go (locked elsewhere, no memory to merge) stays as it was.
            if (m_pObject->LayerCount() == layersBefore) {
                m_sFailure = m_iAction == kMerge ? Tr("not enough memory")
                                                 : Tr("layers locked to a level can be changed on that level only");
                result = false;
                break;
            }
            m_pLayer = neighbour;
        }
        m_iAction = m_iAction == kDelete ? kInsert : m_iAction == kFlatten ? kUnflatten : kUnmerge;
        host.Redraw();
        break;
    case kInsert:
    case kUnflatten: {
        Log(m_iAction == kInsert ? "Insert new layer\n" : "Unflatten layer\n");
        if (!m_pObject)
            break;
        // An unflattened layer's offsets are in the mesh already: it comes back visible without moving it.
        Layer3D *layer = Recreate(m_iAction == kInsert);
        if (!layer) {
            result = false;
            break;
        }
        if (m_iAction == kInsert && m_bVisible)
            layer->SetVisible(true);
        m_pLayer = layer;
        m_iAction = m_iAction == kInsert ? kDelete : kFlatten;
        host.Redraw();
        break;
    }
    case kUnmerge: {
        Log("Unmerge layer\n");
        if (!m_pObject)
            break;
        Layer3D *layer = Recreate(true);
        if (!layer) {
            result = false;
            break;
        }
        layer->SetVisible(true);
        if (Layer3D *active = m_pObject->GetActiveLayer()) {
            // The merged offsets leave the active layer again while it is hidden, so the mesh keeps its shape.
            active->SetVisible(false);
            active->Merge(layer, -layer->GetStrength());
            active->SetVisible(true);
            m_pObject->SetActiveLayer(active);
        }
        m_pLayer = layer;
        m_iAction = kMerge;
        host.Redraw();
        break;
    }
    case kDuplicate:
        Log("Duplicate layer\n");
        if (!m_pObject || !m_pLayer)
            break;
        if (Layer3D *copy = m_pObject->CreateLayer(m_pLayer, m_pLayer)) {
            m_pLayer = copy;
            m_iAction = kDelete;
        } else {
            result = false;
        }
        host.Redraw();
        break;
    case kSelect: {
        Log("Select layer\n");
        if (!m_pObject)
            break;
        Layer3D *previous = m_pObject->GetActiveLayer();
        m_pObject->SetActiveLayer(m_pLayer);
        m_pLayer = previous;
        host.Redraw();
        break;
    }
    case kTransparency: {
        Log("Set layer transparency\n");
        if (!m_pLayer)
            break;
        const float previous = m_pLayer->GetStrength();
        m_pLayer->SetTransparency(m_fTransparency, true, false);
        m_fTransparency = previous;
        host.Redraw();
        break;
    }
    case kVisibility: {
        Log("Set layer visibility\n");
        if (!m_pLayer)
            break;
        const bool previous = m_pLayer->IsVisible();
        m_pLayer->SetVisible(m_bVisible);
        m_bVisible = previous;
        host.Redraw();
        break;
    }
    case kRename: {
        Log("Rename layer\n");
        if (!m_pLayer)
            break;
        const QString previous = m_pLayer->GetName();
        m_pLayer->SetName(m_sName);
        m_sName = previous;
        break;
    }
    case kMoveLayer:
        Log("Move layer\n");
        result = Move();
        if (result)
            host.Redraw();
        break;
    case kBakeTransparency:
        Log("Reset layer transparency\n");
        if (!m_pObject || !m_pLayer)
            break;
        if (!StoreData()) {
            result = false;
            break;
        }
        m_fTransparency = m_pLayer->GetStrength();
        m_pLayer->BakeStrength();
        m_iAction = kRestoreTransparency;
        host.Redraw();
        break;
    case kRestoreTransparency:
        Log("Restore layer transparency\n");
        if (!m_pObject || !m_pLayer)
            break;
        // The baked offsets and the kept records with the kept strength give the same shape.
        if (!LoadData(m_pLayer)) {
            result = false;
            break;
        }
        m_pLayer->SetTransparency(m_fTransparency, false, false);
        m_iAction = kBakeTransparency;
        host.Redraw();
        break;
    default:
        TV_CHECK(false);
        result = false;
        break;
    }
    if (m_bRefresh && m_iAction != kTransparency) {
        host.RefreshLayerList();
        host.RefreshObjectInfo();
    }
    return result;
}

}  // namespace Operations
