#include "mesh/MeshGlobals.h"

#include "foundation/Globals.h"
#include "mesh/Material.h"
#include "mesh/Mesh.h"
#include "mesh/Object.h"
#include "mesh/SubdivLevel.h"

void InitializeMeshGlobals()
{
    General::InitializeGlobals();
    General::TypeInfo::Register(Surface::Material::s_typeInfo);
    General::TypeInfo::Register(Mesh::s_typeInfo);
    General::TypeInfo::Register(SubdivLevel::s_typeInfo);
    General::TypeInfo::Register(Object::s_typeInfo);
}
