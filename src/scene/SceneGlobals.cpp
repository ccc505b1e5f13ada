#include "scene/SceneGlobals.h"

#include "mesh/core/MeshGlobals.h"
#include "scene/SelectionSet.h"
#include "scene/Transformation.h"
#include "scene/camera/Camera.h"

void InitializeSceneGlobals()
{
    InitializeMeshGlobals();
    General::TypeInfo::Register(Transformation::s_typeInfo);
    General::TypeInfo::Register(Camera::s_typeInfo);
    General::TypeInfo::Register(SelectionSet::s_typeInfo);
}
