#include "operations/selection/SelectFaceOperation.h"

#include "foundation/Diagnostics.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/PickInfo.h"
#include "mesh/object/MeshHost.h"
#include "operations/selection/SelectionHost.h"
#include "scene/Scene.h"

namespace Operations {

namespace {

// The triangles of the polygon that the triangle belongs to: a run whose first member
// does not continue the one before it.
template <class Fn>
void ForPolygon(const Mesh &mesh, unsigned triangle, Fn &&fn)
{
    const auto continues = [&](unsigned t) { return (mesh.m_pTriangles[t].m_iIndices[2] & MeshFlags::kBit31) != 0; };
    unsigned first = triangle;
    while (first > 0 && continues(first))
        --first;
    fn(first);
    for (unsigned t = first + 1; t < mesh.m_iFaceCount && continues(t); ++t)
        fn(t);
}

}  // namespace

SelectFaceOperation::SelectFaceOperation(Brush *tool, StrokeSegment *segment, int mode)
    : FaceBrushOperation(tool, segment, mode)
{
    m_bObjectLockCheck = false;
}

void SelectFaceOperation::AddTarget(Mesh *mesh)
{
    AppendTarget(mesh, nullptr);
    m_aIntegers.resize(m_aTargets.size() - 1, 0);
    m_aIntegers.push_back(0);
    mesh->m_aSelectedFaces.Clear();
    ClearMarks(*mesh);
}

void SelectFaceOperation::AddFace(unsigned face, bool selected, int target)
{
    if (m_aTargets.empty())
        return;
    if (target < 0 || size_t(target) >= m_aTargets.size())
        target = int(m_aTargets.size()) - 1;
    m_aTargets[size_t(target)]->m_pMesh->m_aSelectedFaces.Add(SelectedFaceInfo{face, uint32_t(selected)});
}

int SelectFaceOperation::GetTargetIndex(Mesh *mesh)
{
    const int index = FindTarget(mesh);
    if (index >= 0)
        return index;
    AddTarget(mesh);
    return int(m_aTargets.size()) - 1;
}

void SelectFaceOperation::GrowSelection(Mesh *mesh)
{
    AddFacesWithEdge(mesh, [mesh](int32_t word) {
        const unsigned neighbour = unsigned(word) / mesh->Corners();
        return word >= 0 && neighbour < mesh->m_iFaceCount && mesh->IsFaceSelected(neighbour);
    });
}

void SelectFaceOperation::SelectBorderEdge(Mesh *mesh)
{
    AddFacesWithEdge(mesh, [](int32_t word) { return word < 0; });
}

void SelectFaceOperation::AddFacesWithEdge(Mesh *mesh, const std::function<bool(int32_t)> &edge)
{
    AddTarget(mesh);
    const unsigned n = mesh->Corners();
    mesh->WithFaces([&](const auto &faces) {
        for (unsigned f = 0; f < mesh->m_iFaceCount; ++f) {
            if (mesh->IsFaceSelected(f) || !mesh->IsFaceVisible(f))
                continue;
            for (unsigned s = 0; s < n; ++s) {
                if (edge(faces[f].m_iAdjacent[s])) {
                    AddFace(f, true);
                    break;
                }
            }
        }
    });
}

void SelectFaceOperation::FollowObject(Mesh *mesh)
{
    if (Object *object = OwnerOf(mesh))
        MeshHost::Get().SelectObject(object, mesh->IsAllSelected());
}

bool SelectFaceOperation::AddPoint(PickInfo *pick, float size, float strength, const General::Vector &offset)
{
    // Face selection ignores the mirrored side of a stroke.
    if (pick && pick->m_iTag == -1)
        return false;
    if (!pick) {
        if (m_iTestedCorners)
            return true;
        // The stroke began off every mesh: the click clears the face selection instead.
        if (Scene *scene = Scene::GetCurrent())
            scene->ClearSelection();
        SelectionHost::Get().AbandonStroke();
        return false;
    }
    if (!TV_CHECK(pick->m_pMesh))
        return false;
    GetTargetIndex(pick->m_pMesh);
    if (!FaceOperation::AddPoint(pick, size, strength, offset))
        return false;
    DirtyBoxToWorld(pick->m_pMesh);
    FollowObject(pick->m_pMesh);
    return true;
}

bool SelectFaceOperation::Flood(Mesh *mesh, bool fromCamera)
{
    if (!BrushOperation::Flood(mesh, fromCamera))
        return false;
    // The base made the mesh the only target; its store and marks are this operation's now.
    m_aIntegers.assign(1, int32_t(mesh->m_iSelectedFaces));
    mesh->m_aSelectedFaces.Clear();
    ClearMarks(*mesh);
    m_cDirty.Reset();
    mesh->CollectFaces(0, *this, false);
    return true;
}

bool SelectFaceOperation::IsFaceAffected(Mesh &mesh, unsigned face)
{
    m_iTestedCorners = mesh.Corners();
    if (m_bFlood)
        return mesh.IsFaceVisible(face);
    return FalloffAtFace(mesh, face) > 0.0f;
}

bool SelectFaceOperation::WantedState(bool old, bool marked) const
{
    switch (m_iMode) {
    case 0:
        return true;
    case 2:
        return false;
    default:
        return marked ? old : !old;  // a toggle stroke flips a face once
    }
}

bool SelectFaceOperation::ChangeFace(Mesh &mesh, unsigned face, bool wanted)
{
    const bool old = mesh.IsFaceSelected(face);
    if (!mesh.IsFaceVisible(face) || old == wanted)
        return false;
    mesh.m_aSelectedFaces.Add(SelectedFaceInfo{face, uint32_t(old)});
    mesh.WithFaces([&](auto &faces) { faces[face].m_iIndices[1] ^= MeshFlags::kBit31; });
    SetMark(mesh, face);
    if (wanted)
        ++mesh.m_iSelectedFaces;
    else if (mesh.m_iSelectedFaces)
        --mesh.m_iSelectedFaces;
    return true;
}

void SelectFaceOperation::ProcessFace(Mesh &mesh, unsigned face)
{
    const bool wanted = WantedState(mesh.IsFaceSelected(face), IsMarked(mesh, face));
    if (!mesh.IsFaceVisible(face) || wanted == mesh.IsFaceSelected(face))
        return;
    if (mesh.m_eType == Mesh::typeQuadric) {
        ChangeFace(mesh, face, wanted);
    } else {
        ForPolygon(mesh, face, [&](unsigned t) { ChangeFace(mesh, t, wanted); });
    }
    mesh.m_bRecreateBuffers = true;
    if (mesh.m_iSelectedFaces == mesh.m_iFaceCount) {
        m_cDirty.Extend(mesh.GetAABB());
    } else if (mesh.m_eType == Mesh::typeQuadric) {
        mesh.AddFaceToAABB(m_cDirty, face, false);
    } else {
        ForPolygon(mesh, face, [&](unsigned t) { mesh.AddFaceToAABB(m_cDirty, t, false); });
    }
}

void SelectFaceOperation::Serialize(Stream &stream) { SerializeTargets(stream, &Mesh::m_aSelectedFaces); }

bool SelectFaceOperation::Execute()
{
    if (Operation::Execute())
        return true;
    for (const auto &target : m_aTargets) {
        Mesh &mesh = *target->m_pMesh;
        General::Store<SelectedFaceInfo> &records = mesh.m_aSelectedFaces;
        for (SelectedFaceInfo &record : records) {
            if (!TV_CHECK(record.m_iFaceIndex < mesh.m_iFaceCount))
                continue;
            const bool old = mesh.IsFaceSelected(record.m_iFaceIndex);
            const bool wanted = record.m_iValue != 0;
            record.m_iValue = uint32_t(old);
            if (old == wanted)
                continue;
            mesh.WithFaces([&](auto &faces) { faces[record.m_iFaceIndex].m_iIndices[1] ^= MeshFlags::kBit31; });
            if (wanted)
                ++mesh.m_iSelectedFaces;
            else if (mesh.m_iSelectedFaces)
                --mesh.m_iSelectedFaces;
        }
        if (records.HasItems())
            mesh.m_bRecreateBuffers = true;
        if (Object *object = OwnerOf(&mesh); object && mesh.m_iSelectedFaces)
            MeshHost::Get().SelectObject(object, true);
        FollowObject(&mesh);
    }
    MeshHost::Get().Redraw();
    return true;
}

}  // namespace Operations
