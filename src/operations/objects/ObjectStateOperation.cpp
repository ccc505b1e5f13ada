#include "operations/objects/ObjectStateOperation.h"

#include "foundation/Stream.h"
#include "mesh/object/MeshHost.h"
#include "mesh/object/Object.h"
#include "scene/Scene.h"

namespace Operations {

void ObjectStateOperation::Add(Object &object, bool state)
{
    Scene *scene = Scene::GetCurrent();
    m_aStates.push_back({scene ? scene->GetObjectIndex(&object) : -1, uint8_t(state)});
}

void ObjectStateOperation::Serialize(Stream &stream)
{
    unsigned count = unsigned(m_aStates.size());
    if (!SerializeCount(stream, count, 8)) {
        m_aStates.clear();
        return;
    }
    if (!stream.IsStoring())
        m_aStates.assign(count, ObjectState{});
    for (ObjectState &record : m_aStates) {
        int position = record.object;
        uint8_t padding[3] = {0, 0, 0};
        stream.Serialize(position);
        stream.Transfer(&record.state, 1);
        stream.Transfer(padding, 3);
        record.object = position;
    }
}

bool ObjectStateOperation::Execute()
{
    Scene *scene = Scene::GetCurrent();
    for (ObjectState &record : m_aStates) {
        Object *object = scene ? scene->GetObject(record.object) : nullptr;
        if (!object)
            continue;
        bool &flag = Flag(*object);
        const bool previous = flag;
        flag = record.state != 0;
        record.state = uint8_t(previous);
    }
    MeshHost::Get().Redraw();
    return true;
}

bool &HideObjectOperation::Flag(Object &object) const { return object.m_bVisible; }

bool &LockObjectOperation::Flag(Object &object) const { return object.m_bLocked; }

}  // namespace Operations
