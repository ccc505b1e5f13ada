// The brushes that change the active layer's weights: erase and paint layer mask.
#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "foundation/Stream.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/PickInfo.h"
#include "mesh/levels/SubdivLevel.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/LayerLevel.h"
#include "mesh/object/Object.h"
#include "operations/brushes/BrushServices.h"
#include "operations/brushes/StrokeSegment.h"
#include "operations/brushes/VertexBrushes.h"
#include "scene/Brush.h"
#include "scene/Scene.h"

#include <algorithm>
#include <cmath>

namespace Operations {

namespace {

uint8_t WeightByte(float weight) { return uint8_t(255.0f * std::clamp(weight, 0.0f, 1.0f)); }

// The sorted record of a global vertex; -1 when the layer has none.
int FindByGlobal(LayerLevel &layer, int global)
{
    const unsigned count = std::min(layer.m_iVertexCount, layer.m_aData.GetItemCount());
    const LayerLevel::VertexData *first = layer.m_aData.GetBuffer();
    const LayerLevel::VertexData *found =
        std::lower_bound(first, first + count, global, [](const LayerLevel::VertexData &d, int g) {
            return d.m_iGlobalVertexIndex < g;
        });
    return found != first + count && found->m_iGlobalVertexIndex == global ? int(found - first) : -1;
}

}  // namespace

void SwapLayerWeights(Mesh &mesh, LayerLevel &layer, General::Store<MaskRestoreInfo> &weights, bool move)
{
    auto *level = dynamic_cast<SubdivLevel *>(&mesh);
    std::sort(weights.begin(), weights.end(), [](const MaskRestoreInfo &a, const MaskRestoreInfo &b) {
        return a.m_iGlobalVertexIndex < b.m_iGlobalVertexIndex;
    });
    const bool mapped = level && level->m_aVertexMap.HasItems();
    if (mapped)
        level->ResetVertexMapCursor();
    for (MaskRestoreInfo &stored : weights) {
        const int record = FindByGlobal(layer, stored.m_iGlobalVertexIndex);
        const int local = mapped ? level->FindInVertexMap(unsigned(stored.m_iGlobalVertexIndex))
                                 : stored.m_iGlobalVertexIndex;
        if (record < 0 || local < 0 || unsigned(local) >= mesh.m_iVertexCount)
            continue;
        LayerLevel::VertexData &data = layer.m_aData[unsigned(record)];
        const float old = data.m_fWeight;
        data.m_fWeight = stored.m_fWeight;
        stored.m_fWeight = old;
        Vertex &vertex = mesh.m_pVertices[unsigned(local)];
        if (move)
            mesh.SetVertexPosition(unsigned(local),
                                   vertex.m_vPosition + data.m_vOffset * ((data.m_fWeight - old) * layer.m_fStrength));
        vertex.m_cMask = WeightByte(data.m_fWeight);
    }
}

// --- erase ---------------------------------------------------------------------------

void EraseBrushOperation::ProcessVertex(Mesh &mesh, unsigned face, unsigned vertex, float weight)
{
    VertexOperation::ProcessVertex(mesh, face, vertex, weight);
    if (!m_pLayerLevel)
        return;
    const int record = m_pLayerLevel->FindVertex(vertex, false);
    LayerLevel::VertexData *data = record < 0 ? nullptr : m_pLayerLevel->GetVertexData(record);
    if (!data)
        return;
    bool created = false;
    m_pSVI = mesh.AddToRestoreBuffer(vertex, created);
    if (!m_pSVI)
        return;
    if (created) {
        m_pSVI->m_aLayerData[0] = record;
        TV_ASSERT(m_aData.GetItemCount() + 1 == mesh.m_iRestoreCount);
        m_aData.Add(MaskRestoreInfo{data->m_iGlobalVertexIndex, data->m_fWeight});
        if (mesh.m_aRestoreLayerBuffer.EnsureIndex(mesh.m_iRestoreLayerCount)) {
            mesh.m_aRestoreLayerBuffer[mesh.m_iRestoreLayerCount] = data->m_vOffset;
            ++mesh.m_iRestoreLayerCount;
        }
    }
    const float a =
        FalloffSample(weight) * StrokeStrength() * FreezeAndMask(mesh, face, vertex) * ImageFactor(mesh, vertex, true);
    const float w = data->m_fWeight;
    if (!MoveVertex(mesh, vertex, face, data->m_vOffset * -a))
        return;
    const General::Vector &position = mesh.m_pVertices[vertex].m_vPosition;
    mesh.SetVertexPosition(vertex, position + data->m_vOffset * ((1.0f - w) * a * m_pLayerLevel->m_fStrength));
    data->m_fWeight = w + (1.0f - w) * a;
    mesh.m_pVertices[vertex].m_cMask = WeightByte(data->m_fWeight);
}

void EraseBrushOperation::Serialize(Stream &stream)
{
    VertexOperation::Serialize(stream);
    if (!stream.HasError())
        stream.SerializeArray(m_aData);
}

bool EraseBrushOperation::Execute()
{
    if (!IsChanged() && !GetTargets().empty() && GetTargets().front()->m_pLayerLevel) {
        // A record with the positions gives them back exactly after the weights: moving the
        // vertices here too would move them twice.
        const TargetInfo &target = *GetTargets().front();
        const bool exact =
            target.m_aPositions.HasItems() && target.m_aPositions.GetItemCount() == target.m_aChanges.GetItemCount();
        SwapLayerWeights(*target.m_pMesh, *target.m_pLayerLevel, m_aData, !exact);
    }
    return VertexOperation::Execute();
}

// --- paint layer mask ------------------------------------------------------------------

PaintLayerMaskOperation::PaintLayerMaskOperation(Brush *tool, StrokeSegment *segment, int mode)
    : VertexOperation(tool, segment, mode)
{
    m_bLayerLockCheck = false;
}

bool PaintLayerMaskOperation::AddPoint(PickInfo *pick, float size, float strength, const General::Vector &offset)
{
    Object *object = pick && pick->m_pMesh ? OwnerOf(pick->m_pMesh) : nullptr;
    if (object && !object->GetActiveLayer()) {
        General::Shell().SetStatusMessage(QStringLiteral("A mask needs a layer: make one in the Layers tab."), 2);
        return false;
    }
    return VertexOperation::AddPoint(pick, size, strength, offset);
}

void PaintLayerMaskOperation::OnAdjacentVertex(Mesh &mesh, unsigned vertex, unsigned)
{
    m_fNeighbourSum += float(mesh.m_pVertices[vertex].m_cMask) / 255.0f;
}

void PaintLayerMaskOperation::ProcessVertex(Mesh &mesh, unsigned face, unsigned vertex, float weight)
{
    VertexOperation::ProcessVertex(mesh, face, vertex, weight);
    if (!m_pLayerLevel || !m_pTool)
        return;
    if (!m_pMesh)
        m_pMesh = &mesh;
    if (m_pMesh != &mesh) {
        AssertFailed(__FILE__, __LINE__, "m_pMesh == pMesh", nullptr);
        return;
    }
    const unsigned before = mesh.m_iRestoreCount;
    StoredVertexInfo *restore = BeginVertexEdit(mesh, vertex);
    m_pSVI = nullptr;  // the weight is written here, not through a vertex move
    if (!restore)
        return;
    LayerLevel::VertexData *data = m_pLayerLevel->GetVertexData(restore->m_aLayerData[0]);
    if (!data)
        return;
    if (mesh.m_iRestoreCount != before) {
        TV_ASSERT(m_aData.GetItemCount() + 1 == mesh.m_iRestoreCount);
        m_aData.Add(MaskRestoreInfo{data->m_iGlobalVertexIndex, data->m_fWeight});
    }
    const bool smooth = m_pTool->m_bSmoothValues1, smoothAndPaint = m_pTool->m_bSmoothValues2;
    float mean = 0.0f;
    if (smooth || smoothAndPaint) {
        m_fNeighbourSum = 0.0f;
        const unsigned n = mesh.EnumerateAdjacentVertices(*this, vertex, face);
        mean = (float(mesh.m_pVertices[vertex].m_cMask) / 255.0f + m_fNeighbourSum) / float(n + 1);
    }
    float a = FalloffSample(weight) * m_pTool->GetStrength() / m_pTool->m_fStrengthMaximum * StrokeStrength() *
              ImageFactor(mesh, vertex, true);
    float w = data->m_fWeight;
    float d = w - mean;
    if (m_iMode != 0)
        d = -d;
    if (smoothAndPaint)
        a *= d + 1.0f;
    else if (smooth)
        a *= d;
    const float strength = m_pLayerLevel->m_fStrength;
    const General::Vector &position = mesh.m_pVertices[vertex].m_vPosition;
    if (m_iMode != 0) {
        a = std::min(a, 1.0f - w);
        mesh.SetVertexPosition(vertex, position + data->m_vOffset * (strength * a));
        w += a;
    } else {
        a = std::min(a, w);
        mesh.SetVertexPosition(vertex, position - data->m_vOffset * (strength * a));
        w -= a;
    }
    data->m_fWeight = w;
    mesh.m_pVertices[vertex].m_cMask = WeightByte(w);
}

void PaintLayerMaskOperation::Serialize(Stream &stream)
{
    Scene *scene = Scene::GetCurrent();
    if (stream.IsStoring()) {
        int id = scene ? scene->GetMeshId(m_pMesh) : -1;
        Object *object = OwnerOf(m_pMesh);
        m_iLayerIndex = m_pLayerLevel && object ? object->GetLayerIndex(m_pLayerLevel->m_pLayer) : -1;
        stream.Serialize(id);
        stream.SerializeArray(m_aData);
        stream.Serialize(m_iLayerIndex);
        return;
    }
    int id = -1;
    stream.Serialize(id);
    stream.SerializeArray(m_aData);
    stream.Serialize(m_iLayerIndex);
    SubdivLevel *mesh = scene && !stream.HasError() ? scene->GetMeshById(id) : nullptr;
    Layer3D *layer = mesh && mesh->m_pObject ? mesh->m_pObject->GetLayerByIndex(m_iLayerIndex) : nullptr;
    m_pLayerLevel = layer ? layer->GetLevel(mesh) : nullptr;
    if (!m_pLayerLevel) {
        Log("Undo record names a mesh or layer the scene does not have (%d, %d).\n", id, m_iLayerIndex);
        stream.SetError();
        return;
    }
    m_pMesh = mesh;
}

bool PaintLayerMaskOperation::Execute()
{
    if (Operation::Execute()) {
        if (m_pLayerLevel)
            m_pLayerLevel->Extend();
        return true;
    }
    if (!m_pMesh || !m_pLayerLevel)
        return false;
    SwapLayerWeights(*m_pMesh, *m_pLayerLevel, m_aData);
    BrushServices::Get().Redraw();
    return true;
}

}  // namespace Operations
