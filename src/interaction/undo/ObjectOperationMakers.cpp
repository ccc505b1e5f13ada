#include "interaction/undo/OperationFactory.h"
#include "operations/CurveOperation.h"
#include "operations/LayerOperation.h"
#include "operations/TransformationOperation.h"
#include "operations/brushes/MoveOperation.h"
#include "operations/objects/DeleteFaceOperation.h"
#include "operations/objects/DeleteObjectOperation.h"
#include "operations/objects/HideFaceOperation.h"
#include "operations/objects/ObjectStateOperation.h"
#include "operations/selection/PaintFreezeOperation.h"
#include "operations/selection/SelectObjectOperation.h"

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
    Register<Operations::SelectObjectOperation>();
    Register<Operations::SelectFaceOperation>();
    Register<Operations::PaintFreezeOperation>();
    Register<Operations::LayerOperation>();  // a new layer that the mesh model adds is one
    Register<Operations::CurveOperation>();
    Register<TransformationOperation>();
}
