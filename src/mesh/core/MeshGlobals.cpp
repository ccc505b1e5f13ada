#include "mesh/core/MeshGlobals.h"

#include "foundation/Globals.h"
#include "mesh/surface/Material.h"
#include "mesh/core/Mesh.h"
#include "mesh/object/Object.h"
#include "mesh/levels/SubdivLevel.h"

void InitializeMeshGlobals()
{
    General::InitializeGlobals();
    General::TypeInfo::Register(Surface::Material::s_typeInfo);
    General::TypeInfo::Register(Mesh::s_typeInfo);
    General::TypeInfo::Register(SubdivLevel::s_typeInfo);
    General::TypeInfo::Register(Object::s_typeInfo);
}
