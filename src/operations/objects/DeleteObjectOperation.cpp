#include "operations/objects/DeleteObjectOperation.h"

#include "foundation/Stream.h"
#include "mesh/core/Octree.h"
#include "mesh/object/MeshHost.h"
#include "mesh/object/Object.h"
#include "scene/Scene.h"
#include "scene/SceneServices.h"

#include <algorithm>

namespace Operations {

namespace {

// Whether a level shows only part of its faces: the history cannot bring such an object
// back whole, so keeping an undo path through its deletion would lie.
bool HasPartialLevel(const Object &object)
{
    for (const SubdivLevel *level = &object; level; level = level->m_pNext)
        if (!level->m_bFull)
            return true;
    return false;
}

}  // namespace

DeleteObjectOperation::DeleteObjectOperation(const std::vector<Object *> &objects)
{
    Scene *scene = Scene::GetCurrent();
    for (Object *object : objects) {
        const int position = scene && object ? scene->GetObjectIndex(object) : -1;
        if (position >= 0)
            m_aPositions.push_back(position);
    }
    std::sort(m_aPositions.begin(), m_aPositions.end());
    m_aPositions.erase(std::unique(m_aPositions.begin(), m_aPositions.end()), m_aPositions.end());
}

DeleteObjectOperation::DeleteObjectOperation() = default;

DeleteObjectOperation::~DeleteObjectOperation() = default;

void DeleteObjectOperation::Serialize(Stream &stream)
{
    unsigned count = unsigned(m_aPositions.size());
    if (!SerializeCount(stream, count, 4)) {
        m_aPositions.clear();
        return;
    }
    if (!stream.IsStoring())
        m_aPositions.assign(count, 0);
    for (int32_t &position : m_aPositions)
        stream.Serialize(position);
    unsigned removed = unsigned(m_aRemoved.size());
    stream.Serialize(removed);
    if (stream.IsStoring()) {
        for (auto &object : m_aRemoved)
            object->Serialize(stream);
        return;
    }
    const bool sorted = std::is_sorted(m_aPositions.begin(), m_aPositions.end()) &&
                        std::adjacent_find(m_aPositions.begin(), m_aPositions.end()) == m_aPositions.end();
    if (stream.HasError() || !sorted || (removed != 0 && removed != count) ||
        (count && m_aPositions.front() < 0)) {
        stream.SetError();
        m_aPositions.clear();
        return;
    }
    m_aRemoved.clear();
    for (unsigned i = 0; i < removed; ++i) {
        auto object = std::make_unique<Object>();
        if (!object->Serialize(stream) || stream.HasError()) {
            stream.SetError();
            m_aRemoved.clear();
            m_aPositions.clear();
            return;
        }
        m_aRemoved.push_back(std::move(object));
    }
}

bool DeleteObjectOperation::Execute()
{
    Scene *scene = Scene::GetCurrent();
    if (!scene)
        return false;
    if (m_aRemoved.empty()) {
        // Every position must name an object before any is taken out.
        if (!m_aPositions.empty() && !scene->GetObject(m_aPositions.back()))
            return false;
        bool partial = false;
        Object **link = &scene->m_pObjects;
        int position = 0;
        for (int32_t wanted : m_aPositions) {
            while (position < wanted) {
                link = &(*link)->m_pNextObject;
                ++position;
            }
            Object *object = *link;
            *link = object->m_pNextObject;  // the next object now holds this link
            object->m_pNextObject = nullptr;
            object->m_iRememberedPosition = wanted;
            MeshHost::Get().ForgetObject(object);
            partial = partial || HasPartialLevel(*object);
            m_aRemoved.emplace_back(object);
            ++position;  // positions count in the list as it was before the removal
        }
        if (partial)
            SceneHost().ClearHistory();
    } else {
        // Ascending positions: each object goes back where it was among those before it.
        const int present = scene->GetObjectCount();
        for (size_t i = 0; i < m_aPositions.size(); ++i)
            if (m_aPositions[i] > present + int(i))
                return false;
        for (size_t i = 0; i < m_aPositions.size(); ++i) {
            Object **link = &scene->m_pObjects;
            for (int p = 0; p < m_aPositions[i]; ++p)
                link = &(*link)->m_pNextObject;
            Object *object = m_aRemoved[i].release();
            // An object read back from the history comes without its octree.
            object->m_pNextObject = nullptr;
            if (!object->m_pOctree || !object->m_pOctree->GetRoot())
                Scene::BuildOctrees(object);
            object->m_pNextObject = *link;
            object->m_iRememberedPosition = -1;
            *link = object;
        }
        m_aRemoved.clear();
    }
    MeshHost::Get().Redraw();
    return true;
}

}  // namespace Operations
