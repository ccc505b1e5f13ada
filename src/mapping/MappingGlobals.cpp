#include "mapping/MappingGlobals.h"

#include "mapping/BTree.h"
#include "mapping/Info.h"
#include "mapping/Mapper.h"
#include "mapping/displacement/DisplaceOperation.h"
#include "mesh/core/FaceTree.h"
#include "scene/SceneGlobals.h"

namespace {

FaceTree *CreateFaceTree() { return new (std::nothrow) BTree::Tree; }

}  // namespace

void InitializeMappingGlobals()
{
    InitializeSceneGlobals();
    General::TypeInfo::Register(MapExtraction::Info::s_typeInfo);
    General::TypeInfo::Register(MapExtraction::Mapper::s_typeInfo);
    General::TypeInfo::Register(Displacement::DisplaceOperation::s_typeInfo);
    InstallFaceTreeFactory(&CreateFaceTree);
}
