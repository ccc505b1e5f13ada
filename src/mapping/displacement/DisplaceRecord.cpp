#include "mapping/displacement/DisplaceRecord.h"

#include "foundation/Diagnostics.h"
#include "foundation/Stream.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/MeshHost.h"
#include "mesh/object/Object.h"
#include "scene/Scene.h"

#include <cstring>
#include <type_traits>

namespace Displacement {

static_assert(std::is_trivially_copyable_v<Vertex>, "vertex records are held as memory images");

DisplaceRecord::DisplaceRecord(Object *object, SubdivLevel *level, std::vector<Vertex> before)
    : m_pObject(object), m_iLevel(level ? level->GetLevelIndex() : -1), m_aVertices(std::move(before))
{
}

void DisplaceRecord::TakeLayer(Layer3D *layer)
{
    m_iLayer = m_pObject->GetLayerIndex(layer);
    m_sName = layer->GetName();
    m_aRecords.clear();
    if (const LayerLevel *records = layer->GetLevel(m_pObject->GetLevel(m_iLevel))) {
        const unsigned count = records->m_aData.GetItemCount();
        m_aRecords.assign(count ? records->m_aData.begin() : nullptr, count ? records->m_aData.begin() + count : nullptr);
    }
    m_bApplied = true;
    SetChanged();
}

void DisplaceRecord::Serialize(Stream &stream)
{
    const bool storing = stream.IsStoring();
    Scene *scene = Scene::GetCurrent();
    int object = storing && scene && m_pObject ? scene->GetObjectIndex(m_pObject) : -1;
    stream.Serialize(object).Serialize(m_iLevel).Serialize(m_iLayer).Serialize(m_bApplied).Serialize(m_sName);
    if (!storing)
        m_pObject = scene ? scene->GetObject(object) : nullptr;
    auto transfer = [&](auto &items) {
        using Item = typename std::decay_t<decltype(items)>::value_type;
        unsigned count = unsigned(items.size());
        if (!Operations::SerializeCount(stream, count, sizeof(Item))) {
            items.clear();
            return false;
        }
        if (!storing)
            items.resize(count);
        return !count || stream.Transfer(items.data(), uint64_t(count) * sizeof(Item));
    };
    if (!transfer(m_aRecords) || !transfer(m_aVertices)) {
        stream.SetError();
        m_aRecords.clear();
        m_aVertices.clear();
    }
}

bool DisplaceRecord::Execute()
{
    Operation::Execute();
    SubdivLevel *level = m_pObject ? m_pObject->GetLevel(m_iLevel) : nullptr;
    if (!level || m_aVertices.size() != level->m_iVertexCount || level->m_pVertices.GetItemCount() < m_aVertices.size())
        return false;
    if (m_bApplied) {
        Layer3D *layer = m_pObject->GetLayerByIndex(m_iLayer);
        if (!layer)
            return false;
        // The offsets are in the held records; the vertex records below carry the shape.
        m_pObject->DestroyLayer(layer);
    } else {
        Layer3D *after = m_iLayer > 0 ? m_pObject->GetLayerByIndex(m_iLayer - 1) : nullptr;
        Layer3D *layer = m_pObject->CreateLayer(after, nullptr);
        if (!layer)
            return false;
        layer->SetName(m_sName);
        LayerLevel *records = layer->LockToLevel(level) ? layer->GetLevel(level) : nullptr;
        if (!records || !records->SetVertexCount(unsigned(m_aRecords.size()))) {
            m_pObject->DestroyLayer(layer);
            return false;
        }
        if (!m_aRecords.empty())
            std::memcpy(records->m_aData.begin(), m_aRecords.data(), m_aRecords.size() * sizeof(m_aRecords[0]));
    }
    Vertex *vertices = level->m_pVertices.begin();
    for (size_t i = 0; i < m_aVertices.size(); ++i)
        std::swap(vertices[i], m_aVertices[i]);
    level->m_bRecreateBuffers = true;
    m_bApplied = !m_bApplied;
    MeshHost::Get().RefreshLayerList();
    MeshHost::Get().Redraw();
    SetChanged();
    return true;
}

}  // namespace Displacement
