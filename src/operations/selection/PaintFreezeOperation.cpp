#include "operations/selection/PaintFreezeOperation.h"

#include "foundation/Diagnostics.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/PickInfo.h"
#include "mesh/object/MeshHost.h"
#include "operations/brushes/BrushServices.h"
#include "scene/Brush.h"

#include <algorithm>

namespace Operations {

namespace {

unsigned FreezeLevel(const Mesh &mesh, unsigned face)
{
    return mesh.WithFaces([&](const auto &faces) { return unsigned(faces[face].m_iFreeze & 0xFF); });
}

}  // namespace

PaintFreezeOperation::PaintFreezeOperation(Brush *tool, StrokeSegment *segment, int mode)
    : FaceBrushOperation(tool, segment, mode)
{
}

void PaintFreezeOperation::TakeMesh(Mesh &mesh)
{
    mesh.m_aMaskedFaces.Clear();
    ClearMarks(mesh);
    m_aIntegers.resize(m_aTargets.size() - 1, 0);
    m_aIntegers.push_back(int32_t(mesh.m_iFrozenFaces));
}

void PaintFreezeOperation::AddTarget(Mesh *mesh, uint32_t frozen)
{
    AppendTarget(mesh, nullptr);
    mesh->m_aMaskedFaces.Clear();
    m_aIntegers.resize(m_aTargets.size() - 1, 0);
    m_aIntegers.push_back(int32_t(frozen));
}

bool PaintFreezeOperation::AddPoint(PickInfo *pick, float size, float strength, const General::Vector &offset)
{
    if (!pick)
        return true;
    const bool fresh = pick->m_pMesh && FindTarget(pick->m_pMesh) < 0;
    if (!BrushOperation::AddPoint(pick, size, strength, offset))
        return false;
    Mesh &mesh = *pick->m_pMesh;
    if (fresh)
        TakeMesh(mesh);
    m_cDirty.Reset();
    mesh.CollectFaces(unsigned(pick->m_iFace), *this, BrushServices::Get().GetFaceWalkSetting() == -1);
    DirtyBoxToWorld(&mesh);
    return true;
}

bool PaintFreezeOperation::Flood(Mesh *mesh, bool fromCamera)
{
    if (!BrushOperation::Flood(mesh, fromCamera))
        return false;
    // A flood is recorded face by face as a stroke is, so undo gives every face back.
    m_aIntegers.clear();
    TakeMesh(*mesh);
    m_cDirty.Reset();
    mesh->CollectFaces(0, *this, false);
    return true;
}

bool PaintFreezeOperation::IsFaceAffected(Mesh &mesh, unsigned face)
{
    m_iTestedCorners = mesh.Corners();
    if (m_bFlood)
        m_fFalloff = mesh.IsFaceVisible(face) ? 1.0f : 0.0f;
    else
        m_fFalloff = FalloffAtFace(mesh, face);
    return m_fFalloff > 0.0f;
}

void PaintFreezeOperation::ProcessFace(Mesh &mesh, unsigned face)
{
    const unsigned old = FreezeLevel(mesh, face);
    const float maximum = m_pTool && m_pTool->m_fStrengthMaximum > 0.0f ? m_pTool->m_fStrengthMaximum : 1.0f;
    const float strength = m_pTool ? m_pTool->GetStrength() : 0.0f;
    float raw = FalloffSample(m_fFalloff) * 255.0f * strength / maximum;
    if (!(raw > -1e9f && raw < 1e9f))
        raw = 0.0f;  // a damaged tool value must not reach the conversion
    int amount = int(int64_t(raw) & 0xFF);
    const bool smooth = m_pTool && m_pTool->m_bSmoothValues1, smoothAndPaint = m_pTool && m_pTool->m_bSmoothValues2;
    if (smooth && !smoothAndPaint)
        amount = 0;
    int base = int(old);
    if (smooth || smoothAndPaint) {
        const unsigned n = mesh.Corners();
        unsigned sum = old, count = 1;
        mesh.WithFaces([&](const auto &faces) {
            for (unsigned s = 0; s < n; ++s) {
                const int32_t word = faces[face].m_iAdjacent[s];
                if (word >= 0 && unsigned(word) / n < mesh.m_iFaceCount) {
                    sum += FreezeLevel(mesh, unsigned(word) / n);
                    ++count;
                }
            }
        });
        base = int(sum / count);
    }
    const int wanted = m_iMode == 2 ? base - amount : base + amount;
    const unsigned level = wanted >= 255 ? 255u : wanted < 1 ? 0u : unsigned(wanted);

    if (mesh.IsFaceVisible(face)) {
        mesh.WithFaces([&](auto &faces) {
            uint16_t &field = faces[face].m_iFreeze;
            if (!IsMarked(mesh, face)) {
                mesh.m_aMaskedFaces.Add(MaskedFaceInfo{face, field});
                SetMark(mesh, face);
            }
            // The level is kept sign-extended: 255 is stored as 0xFFFF.
            field = uint16_t(int16_t(int8_t(uint8_t(level))));
        });
        if (old == 0 && level != 0)
            ++mesh.m_iFrozenFaces;
        else if (old != 0 && level == 0 && mesh.m_iFrozenFaces)
            --mesh.m_iFrozenFaces;
        mesh.m_bRecreateBuffers = true;
    }
    mesh.AddFaceToAABB(m_cDirty, face, false);
}

void PaintFreezeOperation::Serialize(Stream &stream) { SerializeTargets(stream, &Mesh::m_aMaskedFaces); }

bool PaintFreezeOperation::Execute()
{
    if (Operation::Execute())
        return true;
    m_aIntegers.resize(m_aTargets.size(), 0);
    bool records = false;
    for (size_t t = 0; t < m_aTargets.size(); ++t) {
        Mesh &mesh = *m_aTargets[t]->m_pMesh;
        mesh.m_bRecreateBuffers = true;
        const uint32_t count = mesh.m_iFrozenFaces;
        mesh.m_iFrozenFaces = uint32_t(m_aIntegers[t]);
        m_aIntegers[t] = int32_t(count);
        mesh.WithFaces([&](auto &faces) {
            for (MaskedFaceInfo &record : mesh.m_aMaskedFaces) {
                if (!TV_CHECK(record.m_iFaceIndex < mesh.m_iFaceCount))
                    continue;
                std::swap(record.m_iValue, faces[record.m_iFaceIndex].m_iFreeze);
                records = true;
            }
        });
    }
    if (records)
        MeshHost::Get().Redraw();
    return true;
}

}  // namespace Operations
