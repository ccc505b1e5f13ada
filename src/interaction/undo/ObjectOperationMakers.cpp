#include "interaction/undo/OperationFactory.h"
#include "operations/brushes/MoveOperation.h"
#include "operations/objects/DeleteFaceOperation.h"
#include "operations/objects/DeleteObjectOperation.h"
#include "operations/objects/HideFaceOperation.h"
#include "operations/objects/ObjectStateOperation.h"

namespace {
template <class Op>
void Register()
{
    SetOperationMaker(Op().GetType(), [] { return std::make_unique<Op>(); });
}
}  // namespace

void RegisterObjectOperations()
{
    Register<Operations::HideObjectOperation>();
    Register<Operations::LockObjectOperation>();
    Register<Operations::DeleteObjectOperation>();
    Register<Operations::HideFaceOperation>();
    Register<Operations::DeleteFaceOperation>();
    Register<Operations::MoveOperation>();
}
