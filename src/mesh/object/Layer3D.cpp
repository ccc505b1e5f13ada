#include "mesh/object/Layer3D.h"

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "foundation/Stream.h"
#include "mesh/object/LayerLevel.h"
#include "mesh/object/MeshHost.h"
#include "mesh/object/Object.h"

#include <QCoreApplication>

#include <algorithm>
#include <new>
#include <vector>

namespace {

QString Tr(const char *text) { return QCoreApplication::translate("Layer3D", text); }

// Deletes a chain of siblings one after the other (not through each other's destructors,
// which would recurse once per sibling).
void DeleteChain(Layer3D *layer)
{
    while (layer) {
        Layer3D *next = layer->m_pNext;
        layer->m_pNext = nullptr;
        if (next)
            next->m_pPrev = nullptr;
        delete layer;
        layer = next;
    }
}

bool CopyRecords(const General::Store<LayerLevel::VertexData> &from, General::Store<LayerLevel::VertexData> &to)
{
    if (!to.SetItemCount(from.GetItemCount(), false))
        return false;
    std::copy(from.begin(), from.end(), to.begin());
    return true;
}

// The smallest stored layer: strength, empty name, visible flag.
constexpr uint64_t kMinimumRecord = 9;

}  // namespace

Layer3D::Layer3D(Object *object, Layer3D *source) : m_pObject(object)
{
    // A duplicate starts hidden so that showing it below adds its offsets exactly once.
    m_bVisible = source == nullptr;
    for (SubdivLevel *level = object->GetLevel(0); level; level = level->m_pNext) {
        if (!CreateLevelData(level)) {
            General::Shell().CriticalMessage(Tr("Cannot create level data for the new layer!"));
            FreeLevelData();
            break;
        }
    }
    if (!source) {
        // The level data keeps the layer's strength, which edits weigh their offsets by.
        m_fStrength = m_fPrevStrength = 1.0f;
        for (LayerLevel *data = m_pLevelData; data; data = data->m_pNext)
            data->m_fStrength = m_fStrength;
        return;
    }
    m_pLockedMesh = source->m_pLockedMesh;
    m_fStrength = m_fPrevStrength = source->m_fStrength;
    for (LayerLevel *to = m_pLevelData, *from = source->m_pLevelData; to && from;
         to = to->m_pNext, from = from->m_pNext) {
        to->m_fStrength = m_fStrength;
        if (!CopyRecords(from->m_aData, to->m_aData) || !CopyRecords(from->m_aNewData, to->m_aNewData)) {
            General::Shell().CriticalMessage(Tr("Cannot create level data for the new layer!"));
            FreeLevelData();
            break;
        }
        to->m_iVertexCount = from->m_iVertexCount;
    }
    SetVisible(true);
}

Layer3D::~Layer3D()
{
    FreeLevelData();
    DeleteChain(m_pFirstChild);
    m_pFirstChild = nullptr;
    DeleteChain(m_pNext);
    m_pNext = nullptr;
}

void Layer3D::FreeLevelData()
{
    while (LayerLevel *data = m_pLevelData) {
        m_pLevelData = data->m_pNext;
        delete data;
    }
}

bool Layer3D::CreateLevelData(SubdivLevel *level)
{
    if (!level)
        return false;
    level->GetSwapFileName();
    auto *data = new (std::nothrow) LayerLevel(level, this, m_fStrength);
    if (!data)
        return false;
    data->m_pNext = m_pLevelData;
    m_pLevelData = data;
    return true;
}

void Layer3D::RemoveLevelData(SubdivLevel *level)
{
    if (m_pLockedMesh == level)
        m_pLockedMesh = nullptr;
    if (m_pLevelData && m_pLevelData->m_pLevel == level) {
        LayerLevel *data = m_pLevelData;
        m_pLevelData = data->m_pNext;
        delete data;
    }
}

LayerLevel *Layer3D::GetLevel(const SubdivLevel *level) const
{
    for (LayerLevel *data = m_pLevelData; data; data = data->m_pNext)
        if (data->m_pLevel == level)
            return data;
    return nullptr;
}

bool Layer3D::LockToLevel(SubdivLevel *level)
{
    if (m_pLockedMesh == level)
        return true;
    if (m_pLockedMesh) {
        General::Shell().SetStatusMessage(Tr("This layer is currently locked to level %1").arg(GetLevelIndex()), 2);
        return false;
    }
    m_pLockedMesh = level;
    MeshHost::Get().RefreshLayerList();
    return true;
}

int Layer3D::GetLevelIndex() const { return m_pLockedMesh ? m_pLockedMesh->GetLevelIndex() : -1; }

float Layer3D::GetEffectiveStrength() const
{
    float strength = m_fStrength;
    for (const Layer3D *parent = m_pParent; parent; parent = parent->m_pParent)
        strength *= parent->m_fStrength;
    return strength;
}

Layer3D *Layer3D::GetNextInTree() const
{
    if (m_pFirstChild)
        return m_pFirstChild;
    for (const Layer3D *layer = this; layer; layer = layer->m_pParent)
        if (layer->m_pNext)
            return layer->m_pNext;
    return nullptr;
}

bool Layer3D::IsInSubtree(const Layer3D *layer, const Layer3D *root)
{
    for (; layer; layer = layer->m_pParent)
        if (layer == root)
            return true;
    return false;
}

bool Layer3D::ApplyData(float factor)
{
    // A layer not locked to a level has no data that matches a level of the mesh.
    if (!m_pLockedMesh)
        return true;
    if (m_pObject->m_pActiveLevel != m_pLockedMesh) {
        General::Shell().SetStatusMessage(Tr("Locked layers can be adjusted on the active level only!"), 2);
        return false;
    }
    if (LayerLevel *data = GetLevel(m_pLockedMesh)) {
        m_pLockedMesh->ApplyLayer(data, factor);
        m_pLockedMesh->BuildOctree();
    }
    return true;
}

void Layer3D::SetTransparency(float value, bool apply, bool force)
{
    if (m_fStrength == value && !force)
        return;
    float newEffective = value;
    float oldEffective = m_fStrength;
    for (const Layer3D *parent = m_pParent; parent; parent = parent->m_pParent) {
        newEffective *= parent->m_fStrength;
        oldEffective *= parent->m_fPrevStrength;
    }
    if (m_bVisible && apply && !ApplyData(newEffective - oldEffective))
        return;
    m_fPrevStrength = m_fStrength;
    m_fStrength = value;
    for (LayerLevel *data = m_pLevelData; data; data = data->m_pNext)
        data->m_fStrength = value;
    for (Layer3D *child = m_pFirstChild; child; child = child->m_pNext)
        child->SetTransparency(child->m_fStrength, apply, true);
    m_fPrevStrength = m_fStrength;
}

void Layer3D::SetVisible(bool visible)
{
    if (m_bVisible == visible)
        return;
    float factor = m_fStrength;
    for (const Layer3D *parent = m_pParent; parent; parent = parent->m_pParent)
        factor *= parent->m_fPrevStrength;
    if (!ApplyData(visible ? factor : -factor))
        return;
    m_bVisible = visible;
    MeshHost::Get().Redraw();
}

void Layer3D::BakeStrength()
{
    for (LayerLevel *data = m_pLevelData; data; data = data->m_pNext) {
        for (LayerLevel::VertexData &record : data->m_aData) {
            record.m_vOffset *= record.m_fWeight * data->m_fStrength;
            record.m_fWeight = 1.0f;
        }
        data->m_fStrength = 1.0f;
    }
    m_fStrength = 1.0f;
}

bool Layer3D::Merge(Layer3D *other, float factor)
{
    // Every level's merged records are made aside first and put in place only when all of
    // them could be: a refused allocation leaves this layer as it was.
    std::vector<General::Store<LayerLevel::VertexData>> merged;
    for (LayerLevel *to = m_pLevelData, *from = other->m_pLevelData; to && from;
         to = to->m_pNext, from = from->m_pNext) {
        if (!to->Extend())
            return false;
        const unsigned mine = std::min(to->m_iVertexCount, to->m_aData.GetItemCount());
        const unsigned theirs = std::min(from->m_iVertexCount, from->m_aData.GetItemCount());
        General::Store<LayerLevel::VertexData> records("layer data");
        if (uint64_t(mine) + theirs > 0xFFFFFFFFu || !records.SetItemCount(mine + theirs, false))
            return false;
        unsigned i = 0, out = 0;
        for (unsigned j = 0; j < theirs; ++j) {
            const LayerLevel::VertexData &record = from->m_aData[j];
            if (record.m_iGlobalVertexIndex < 0)
                continue;
            while (i < mine && to->m_aData[i].m_iGlobalVertexIndex < record.m_iGlobalVertexIndex)
                records[out++] = to->m_aData[i++];
            const General::Vector offset = record.m_vOffset * (record.m_fWeight * factor);
            if (i < mine && to->m_aData[i].m_iGlobalVertexIndex == record.m_iGlobalVertexIndex) {
                records[out] = to->m_aData[i++];
                records[out++].m_vOffset += offset;
            } else {
                records[out++] = LayerLevel::VertexData{offset, 1.0f, record.m_iGlobalVertexIndex};
            }
        }
        while (i < mine)
            records[out++] = to->m_aData[i++];
        records.SetItemCount(out, true);
        merged.push_back(std::move(records));
    }
    size_t index = 0;
    for (LayerLevel *to = m_pLevelData, *from = other->m_pLevelData; to && from && index < merged.size();
         to = to->m_pNext, from = from->m_pNext, ++index) {
        to->m_iVertexCount = merged[index].GetItemCount();
        to->m_aData.Take(merged[index]);
    }
    MeshHost::Get().RefreshObjectInfo();
    return true;
}

bool Layer3D::Serialize(Stream &stream) { return SerializeTree(stream, 0); }

bool Layer3D::SerializeTree(Stream &stream, int depth)
{
    const int v = stream.GetVersion();
    const bool storing = stream.IsStoring();
    stream.Serialize(m_fStrength);
    stream.Serialize(m_sName);
    stream.Serialize(m_bVisible);
    if (stream.HasError())
        return false;
    for (LayerLevel *data = m_pLevelData; data; data = data->m_pNext)
        if (!data->Serialize(stream))
            return false;

    if (v >= 90) {
        int id = -1;
        if (storing && m_pLockedMesh) {
            id = MeshHost::Get().GetMeshId(m_pLockedMesh);
            // Without a scene that knows the level, its index names it within the object.
            if (id < 0)
                id = m_pLockedMesh->GetLevelIndex();
        }
        stream.Serialize(id);
        if (!storing) {
            m_pLockedMesh = nullptr;
            if (id != -1) {
                SubdivLevel *level = MeshHost::Get().GetMeshById(id);
                if (!level || level->GetBaseLevel() != m_pObject)
                    level = m_pObject->GetLevel(id & 0xFFFF);
                m_pLockedMesh = level;
            }
        }
    } else if (!storing) {
        m_pLockedMesh = nullptr;
        for (LayerLevel *data = m_pLevelData; data; data = data->m_pNext)
            if (data->m_iVertexCount != 0)
                m_pLockedMesh = data->m_pLevel;
    }
    if (v >= 110)
        stream.Serialize(m_bLocked);
    if (v >= 113)
        stream.Serialize(m_fPrevStrength);
    if (v < 114)
        return !stream.HasError();

    int count = 0;
    int active = -1;
    int index = 0;
    for (Layer3D *child = m_pFirstChild; child; child = child->m_pNext, ++index) {
        if (child == m_pObject->m_pActiveLayer)
            active = index;
        ++count;
    }
    stream.Serialize(count);
    stream.Serialize(active);
    if (stream.HasError())
        return false;
    if (!storing) {
        if (count < 0 || (count > 0 && depth + 1 >= kMaxDepth) || !stream.Expect(uint64_t(count) * kMinimumRecord)) {
            Log("Layer %s holds %d sub-layers that the file cannot hold or nest\n", m_sName.toLocal8Bit().constData(),
                count);
            stream.SetError();
            return false;
        }
        for (int i = 0; i < count; ++i) {
            auto *child = new Layer3D(m_pObject, nullptr);
            child->m_pParent = this;
            child->m_pNext = m_pFirstChild;
            if (m_pFirstChild)
                m_pFirstChild->m_pPrev = child;
            m_pFirstChild = child;
        }
        if (active >= 0) {
            Layer3D *child = m_pFirstChild;
            for (int i = 0; child && i < active; ++i)
                child = child->m_pNext;
            if (child)
                m_pObject->SetActiveLayer(child);
        }
    }
    for (Layer3D *child = m_pFirstChild; child; child = child->m_pNext)
        if (!child->SerializeTree(stream, depth + 1))
            return false;
    return !stream.HasError();
}
