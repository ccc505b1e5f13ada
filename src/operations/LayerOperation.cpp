#include "operations/LayerOperation.h"

#include "foundation/Diagnostics.h"
#include "foundation/Stream.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/MeshHost.h"
#include "mesh/object/Object.h"
#include "scene/Scene.h"

#include <cstring>

namespace Operations {

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
        m_pObject = scene ? scene->GetObject(object) : nullptr;
        m_pLayer = m_pObject ? m_pObject->GetLayerByIndex(layer) : nullptr;
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

bool LayerOperation::Execute()
{
    bool result = true;
    MeshHost &host = MeshHost::Get();
    switch (m_iAction) {
    case kDelete:
    case kFlatten:
    case kMerge:
        Log(m_iAction == kDelete ? "Delete layer\n" : m_iAction == kFlatten ? "Flatten layer\n" : "Merge layer\n");
        if (!m_pObject || !m_pLayer)
            break;
        if (m_iAction == kMerge) {
            Layer3D *target = m_pObject->GetActiveLayer();
            if (!target || target == m_pLayer) {
                result = false;
                break;
            }
        }
        KeepLayer();
        if (!StoreData()) {
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
