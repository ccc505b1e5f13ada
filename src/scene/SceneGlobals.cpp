#include "scene/SceneGlobals.h"

#include "mesh/core/MeshGlobals.h"
#include "scene/Transformation.h"

void InitializeSceneGlobals()
{
    InitializeMeshGlobals();
    General::TypeInfo::Register(Transformation::s_typeInfo);
}
