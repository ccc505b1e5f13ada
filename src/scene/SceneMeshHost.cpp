#include "scene/SceneMeshHost.h"

#include "mesh/levels/SubdivLevel.h"
#include "scene/Scene.h"

bool SceneMeshHost::HasScene() const { return Scene::GetCurrent() != nullptr; }

int SceneMeshHost::GetObjectCount() const
{
    const Scene *scene = Scene::GetCurrent();
    return scene ? scene->GetObjectCount() : 0;
}

Object *SceneMeshHost::GetObjectAt(int index) const
{
    const Scene *scene = Scene::GetCurrent();
    return scene ? scene->GetObject(index) : nullptr;
}

int SceneMeshHost::GetMeshId(const SubdivLevel *level) const
{
    const Scene *scene = Scene::GetCurrent();
    return scene ? scene->GetMeshId(level) : -1;
}

SubdivLevel *SceneMeshHost::GetMeshById(int id) const
{
    const Scene *scene = Scene::GetCurrent();
    return scene ? scene->GetMeshById(id) : nullptr;
}
