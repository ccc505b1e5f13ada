#include "operations/objects/FaceChangeOperation.h"

#include "foundation/Stream.h"
#include "mesh/levels/SubdivLevel.h"
#include "scene/Scene.h"

namespace Operations {

void FaceChangeOperation::Add(SubdivLevel &level, unsigned face, bool wanted)
{
    Scene *scene = Scene::GetCurrent();
    const int id = scene ? scene->GetMeshId(&level) : -1;
    if (m_aMeshes.empty() || m_aMeshes.back().mesh != id)
        m_aMeshes.push_back({id, {}});
    m_aMeshes.back().faces.push_back({face, uint8_t(wanted)});
}

void FaceChangeOperation::Serialize(Stream &stream)
{
    unsigned count = unsigned(m_aMeshes.size());
    // Each mesh takes at least its id and its record count.
    if (!SerializeCount(stream, count, 8)) {
        m_aMeshes.clear();
        return;
    }
    if (!stream.IsStoring())
        m_aMeshes.assign(count, MeshChanges{});
    for (MeshChanges &mesh : m_aMeshes)
        stream.Serialize(mesh.mesh);
    for (MeshChanges &mesh : m_aMeshes) {
        unsigned records = unsigned(mesh.faces.size());
        if (!SerializeCount(stream, records, 8)) {
            m_aMeshes.clear();
            return;
        }
        if (!stream.IsStoring())
            mesh.faces.assign(records, FaceChange{});
        for (FaceChange &change : mesh.faces) {
            uint8_t padding[3] = {0, 0, 0};
            stream.Serialize(change.face);
            stream.Transfer(&change.wanted, 1);
            stream.Transfer(padding, 3);
        }
    }
    if (!stream.IsStoring() && stream.HasError())
        m_aMeshes.clear();
}

}  // namespace Operations
