#include "operations/selection/FaceBrushOperation.h"

#include "foundation/Diagnostics.h"
#include "foundation/Stream.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/Placement.h"
#include "mesh/levels/SubdivLevel.h"
#include "operations/brushes/StrokeSegment.h"
#include "scene/Brush.h"
#include "scene/Scene.h"

namespace Operations {

namespace {

// Records go out field by field so no padding byte reaches the history.
void TransferRecord(Stream &stream, SelectedFaceInfo &record)
{
    stream.Serialize(record.m_iFaceIndex);
    stream.Serialize(record.m_iValue);
}

void TransferRecord(Stream &stream, MaskedFaceInfo &record)
{
    uint16_t padding = 0;
    stream.Serialize(record.m_iFaceIndex);
    stream.Serialize(record.m_iValue);
    stream.Serialize(padding);
}

}  // namespace

FaceBrushOperation::FaceBrushOperation(Brush *tool, StrokeSegment *segment, int mode)
    : FaceOperation(tool, segment, mode)
{
    m_bFlagA = false;
    m_bFlagB = true;
}

int FaceBrushOperation::FindTarget(const Mesh *mesh) const
{
    for (size_t i = 0; i < m_aTargets.size(); ++i)
        if (m_aTargets[i]->m_pMesh == mesh)
            return int(i);
    return -1;
}

bool FaceBrushOperation::IsMarked(const Mesh &mesh, unsigned face)
{
    return mesh.WithFaces([&](const auto &faces) { return (faces[face].m_iIndices[2] & MeshFlags::kBit30) != 0; });
}

void FaceBrushOperation::SetMark(Mesh &mesh, unsigned face)
{
    mesh.WithFaces([&](auto &faces) { faces[face].m_iIndices[2] |= MeshFlags::kBit30; });
}

void FaceBrushOperation::ClearMarks(Mesh &mesh)
{
    mesh.WithFaces([&](auto &faces) {
        const unsigned count = std::min(mesh.m_iFaceCount, faces.GetItemCount());
        for (unsigned f = 0; f < count; ++f)
            faces[f].m_iIndices[2] &= ~MeshFlags::kBit30;
    });
}

General::Vector FaceBrushOperation::FaceCentre(const Mesh &mesh, unsigned face)
{
    General::Vector sum(0, 0, 0);
    for (unsigned c = 0; c < mesh.Corners(); ++c)
        sum += mesh.CornerPosition(face, c);
    return sum * (1.0f / float(mesh.Corners()));
}

float FaceBrushOperation::FalloffAtFace(const Mesh &mesh, unsigned face)
{
    if (!m_pSegment)
        return 0.0f;
    const General::Vector centre = m_mObject.Transform(FaceCentre(mesh, face), 1.0f);
    return m_pSegment->GetFalloff(centre, m_pTool && m_pTool->m_bWindowSpace);
}

void FaceBrushOperation::DirtyBoxToWorld(Mesh *mesh)
{
    Placement *placement = OwnerOf(mesh) ? mesh->GetPlacement() : nullptr;
    if (!placement || m_cDirty.IsEmpty())
        return;
    const General::Matrix matrix = placement->GetFullMatrix();
    AABB world;
    for (int corner = 0; corner < 8; ++corner)
        world.Extend(matrix.Transform(m_cDirty.GetCorner(corner), 1.0f));
    m_cDirty = world;
}

template <class Record>
void FaceBrushOperation::SerializeTargets(Stream &stream, General::Store<Record> Mesh::*changes)
{
    Scene *scene = Scene::GetCurrent();
    unsigned count = unsigned(m_aTargets.size());
    // Each target takes at least its id, integer and two counts.
    if (!SerializeCount(stream, count, 16))
        return;
    if (stream.IsStoring()) {
        m_aIntegers.resize(m_aTargets.size(), 0);
        for (size_t t = 0; t < m_aTargets.size(); ++t) {
            TargetInfo &target = *m_aTargets[t];
            int id = scene ? scene->GetMeshId(target.m_pMesh) : -1;
            stream.Serialize(id);
            stream.Serialize(m_aIntegers[t]);
            stream.WriteArray(target.m_aSegments);
            General::Store<Record> &records = target.m_pMesh->*changes;
            unsigned n = records.GetItemCount();
            stream.Serialize(n);
            for (Record &record : records)
                TransferRecord(stream, record);
        }
        return;
    }

    struct Read {
        std::unique_ptr<TargetInfo> target;
        int32_t integer = 0;
        General::Store<Record> records{"face brush records"};
    };
    std::vector<Read> read(count);
    for (Read &item : read) {
        int id = -1;
        stream.Serialize(id);
        stream.Serialize(item.integer);
        SubdivLevel *mesh = scene && !stream.HasError() ? scene->GetMeshById(id) : nullptr;
        if (!mesh) {
            Log("Undo record names mesh %d, which the scene does not have.\n", id);
            stream.SetError();
            return;
        }
        item.target = std::make_unique<TargetInfo>(mesh, nullptr);
        unsigned n = 0;
        if (!stream.ReadArray(item.target->m_aSegments) || !SerializeCount(stream, n, 8) ||
            !item.records.SetItemCount(n, false)) {
            stream.SetError();
            return;
        }
        for (Record &record : item.records)
            TransferRecord(stream, record);
        // A mesh named twice would have its changes swapped twice, which undoes nothing.
        bool valid = !stream.HasError();
        for (const Read &other : read)
            valid = valid && (&other == &item || !other.target || other.target->m_pMesh != mesh);
        for (const SegmentInfo &segment : item.target->m_aSegments)
            valid = valid && segment.m_iFaceIndex >= 0 && unsigned(segment.m_iFaceIndex) < mesh->m_iFaceCount;
        for (const Record &record : item.records)
            valid = valid && record.m_iFaceIndex < mesh->m_iFaceCount;
        if (!valid) {
            stream.SetError();
            return;
        }
    }
    m_aTargets.clear();
    m_aIntegers.clear();
    for (Read &item : read) {
        Mesh *mesh = item.target->m_pMesh;
        (mesh->*changes).Clear();
        for (Record &record : item.records)
            (mesh->*changes).Add(std::move(record));
        m_aIntegers.push_back(item.integer);
        m_aTargets.push_back(std::move(item.target));
    }
    m_pTarget = m_aTargets.empty() ? nullptr : m_aTargets.back().get();
}

template void FaceBrushOperation::SerializeTargets(Stream &, General::Store<SelectedFaceInfo> Mesh::*);
template void FaceBrushOperation::SerializeTargets(Stream &, General::Store<MaskedFaceInfo> Mesh::*);

}  // namespace Operations
