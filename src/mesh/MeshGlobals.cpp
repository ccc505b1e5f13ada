#include "mesh/MeshGlobals.h"

#include "foundation/Globals.h"
#include "mesh/Mesh.h"

void InitializeMeshGlobals()
{
    General::InitializeGlobals();
    General::TypeInfo::Register(Mesh::s_typeInfo);
}
