// The undo data of a vertex brush: per target mesh the values its vertices had before
// the stroke, exchanged with the mesh's on every replay.
#include "foundation/Diagnostics.h"
#include "foundation/Stream.h"
#include "mesh/core/Mesh.h"
#include "mesh/levels/SubdivLevel.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/LayerLevel.h"
#include "mesh/object/Object.h"
#include "operations/brushes/BrushServices.h"
#include "operations/brushes/VertexOperation.h"
#include "operations/normals/NormalUpdater.h"
#include "scene/Scene.h"

#include <algorithm>
#include <utility>

namespace Operations {

namespace {

// A layer stroke keeps one saved offset per restore entry; a plain stroke keeps positions.
void ChangesFromRestoreBuffer(TargetInfo &target)
{
    Mesh &mesh = *target.m_pMesh;
    const unsigned count = std::min(mesh.m_iRestoreCount, mesh.m_aRestoreBuffer.GetItemCount());
    if (count == 0)
        return;
    const bool layerStroke =
        mesh.m_iRestoreCount == mesh.m_iRestoreLayerCount && mesh.m_aRestoreLayerBuffer.GetItemCount() >= count;
    target.m_aChanges.SetItemCount(0, true);
    target.m_aPositions.SetItemCount(0, true);
    for (unsigned i = 0; i < count; ++i) {
        const StoredVertexInfo &entry = mesh.m_aRestoreBuffer[i];
        target.m_aChanges.Add(VertexChangeRecord{
            int32_t(entry.m_iVertexIndex), layerStroke ? mesh.m_aRestoreLayerBuffer[i] : entry.m_cVertex.m_vPosition});
        if (layerStroke)
            target.m_aPositions.Add(entry.m_cVertex.m_vPosition);
    }
}

// Exchanges a layer vertex's offset and, when the record has it, its position; without
// the position the vertex moves by the offset's change (which rounds).
void SwapLayerVertex(TargetInfo &target, unsigned index, int record)
{
    VertexChangeRecord &change = target.m_aChanges[index];
    const unsigned vertex = unsigned(change.m_iVertexIndex);
    if (target.m_aPositions.GetItemCount() != target.m_aChanges.GetItemCount()) {
        change.m_vValue = target.m_pLayerLevel->SetOffset(vertex, record, change.m_vValue);
        return;
    }
    LayerLevel::VertexData *data = target.m_pLayerLevel->GetVertexData(record);
    if (!data)
        return;
    std::swap(data->m_vOffset, change.m_vValue);
    Mesh &mesh = *target.m_pMesh;
    const General::Vector old = mesh.m_pVertices[vertex].m_vPosition;
    mesh.SetVertexPosition(vertex, target.m_aPositions[index]);
    target.m_aPositions[index] = old;
}

}  // namespace

void VertexOperation::Serialize(Stream &stream)
{
    if (!stream.IsStoring()) {
        if (!ReadTargets(stream))
            stream.SetError();
        return;
    }
    Scene *scene = Scene::GetCurrent();
    int count = int(m_aTargets.size());
    stream.Serialize(count);
    for (const auto &target : m_aTargets) {
        int id = scene ? scene->GetMeshId(target->m_pMesh) : -1;
        Object *object = OwnerOf(target->m_pMesh);
        int layer = target->m_pLayerLevel && object ? object->GetLayerIndex(target->m_pLayerLevel->m_pLayer) : -1;
        stream.Serialize(id);
        stream.Serialize(layer);
        stream.WriteArray(target->m_aSegments);
        ChangesFromRestoreBuffer(*target);
        stream.WriteArray(target->m_aChanges);
        stream.WriteArray(target->m_aPositions);
        target->m_cNormals.Write(stream);
    }
}

// Reads every target before taking any: a record naming a mesh or layer this scene does
// not have, or vertices and faces the mesh does not have, is refused whole.
bool VertexOperation::ReadTargets(Stream &stream)
{
    Scene *scene = Scene::GetCurrent();
    int count = -1;
    stream.Serialize(count);
    if (count < 0 || !scene || !stream.Expect(uint64_t(count) * 16))
        return false;
    std::vector<std::unique_ptr<TargetInfo>> targets;
    for (int t = 0; t < count; ++t) {
        int id = -1, layer = -1;
        stream.Serialize(id);
        stream.Serialize(layer);
        if (stream.HasError())
            return false;
        SubdivLevel *mesh = scene->GetMeshById(id);
        if (!mesh) {
            Log("Undo record names mesh %d, which the scene does not have.\n", id);
            return false;
        }
        LayerLevel *layerLevel = nullptr;
        if (layer != -1) {
            Layer3D *owner = mesh->m_pObject ? mesh->m_pObject->GetLayerByIndex(layer) : nullptr;
            layerLevel = owner ? owner->GetLevel(mesh) : nullptr;
            if (!layerLevel) {
                Log("Undo record names layer %d, which the object does not have.\n", layer);
                return false;
            }
        }
        auto target = std::make_unique<TargetInfo>(mesh, layerLevel);
        if (!stream.ReadArray(target->m_aSegments) || !stream.ReadArray(target->m_aChanges) ||
            !stream.ReadArray(target->m_aPositions) || !target->m_cNormals.Read(stream, *mesh))
            return false;
        if (target->m_aPositions.HasItems() &&
            (!layerLevel || target->m_aPositions.GetItemCount() != target->m_aChanges.GetItemCount()))
            return false;
        for (const SegmentInfo &segment : target->m_aSegments)
            if (segment.m_iFaceIndex < 0 || unsigned(segment.m_iFaceIndex) >= mesh->m_iFaceCount)
                return false;
        for (const VertexChangeRecord &change : target->m_aChanges)
            if (change.m_iVertexIndex < 0 || unsigned(change.m_iVertexIndex) >= mesh->m_iVertexCount)
                return false;
        targets.push_back(std::move(target));
    }
    m_aTargets = std::move(targets);
    m_pTarget = m_aTargets.empty() ? nullptr : m_aTargets.back().get();
    return true;
}

bool VertexOperation::Execute()
{
    if (Operation::Execute()) {
        // The stroke is in the mesh already; its new layer records join the sorted ones.
        for (const auto &target : m_aTargets)
            if (target->m_pLayerLevel)
                target->m_pLayerLevel->Extend();
        return true;
    }
    if (m_aTargets.empty())
        return false;
    for (const auto &target : m_aTargets) {
        Mesh &mesh = *target->m_pMesh;
        AABB box;
        for (unsigned i = 0; i < target->m_aChanges.GetItemCount(); ++i) {
            VertexChangeRecord &change = target->m_aChanges[i];
            const unsigned vertex = unsigned(change.m_iVertexIndex);
            if (!TV_CHECK(vertex < mesh.m_iVertexCount))
                continue;
            box.Extend(mesh.m_pVertices[vertex].m_vPosition);
            if (!target->m_pLayerLevel) {
                const General::Vector old = mesh.m_pVertices[vertex].m_vPosition;
                mesh.SetVertexPosition(vertex, change.m_vValue);
                change.m_vValue = old;
            } else {
                const int record = target->m_pLayerLevel->FindVertex(vertex, false);
                if (record < 0)
                    continue;
                SwapLayerVertex(*target, i, record);
            }
            box.Extend(mesh.m_pVertices[vertex].m_vPosition);
        }
        // The updates keep the octree and the dirty region; the normals the stroke
        // replaced come back from the record, bit for bit.
        target->m_cNormals.SwapAround(mesh, [&] {
            if (target->m_aSegments.HasItems()) {
                for (const SegmentInfo &segment : target->m_aSegments) {
                    for (const VertexChangeRecord &change : target->m_aChanges)
                        mesh.VertexStrokeID(unsigned(change.m_iVertexIndex)) = int32_t(mesh.m_iStamp);
                    ++mesh.m_iStamp;
                    NormalUpdater::UpdateNormals(mesh, unsigned(segment.m_iFaceIndex), box, true);
                }
            } else if (mesh.m_iFaceCount) {
                for (unsigned v = 0; v < mesh.m_iVertexCount; ++v)
                    mesh.VertexStrokeID(v) = int32_t(mesh.m_iStamp - 1);
                AABB whole = mesh.GetAABB(true);
                NormalUpdater::UpdateNormals(mesh, 0, whole, false);
                mesh.BuildOctree();
            }
        });
    }
    BrushServices::Get().Redraw();
    for (const auto &target : m_aTargets)
        if (target->m_pLayerLevel)
            target->m_pLayerLevel->Extend();
    return true;
}

}  // namespace Operations
