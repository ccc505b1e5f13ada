#include "interaction/undo/OperationFactory.h"
#include "operations/brushes/VertexBrushes.h"

namespace {
// A brush operation read back from the history has no tool and no stroke segment: it only
// swaps the values it holds with the scene's.
template <class Op>
void Register()
{
    SetOperationMaker(Op(nullptr, nullptr, 0).GetType(), [] { return std::make_unique<Op>(nullptr, nullptr, 0); });
}
}  // namespace

void RegisterBrushOperations()
{
    Register<Operations::SoftBrushOperation>();
    Register<Operations::PinchOperation>();
    Register<Operations::SmoothOperation>();
    Register<Operations::HardBrushOperation>();
    Register<Operations::PaintLayerMaskOperation>();
    Register<Operations::VertexOperation>();
    Register<Operations::FlattenOperation>();
    Register<Operations::EraseBrushOperation>();
    Register<Operations::SketchOperation>();
}
