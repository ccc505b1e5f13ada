#include "interaction/undo/OperationFactory.h"

#include "foundation/Diagnostics.h"
#include "interaction/Interface.h"
#include "operations/Operation.h"

#include <array>
#include <new>

namespace {
constexpr int kLastType = Operations::kDisplace;

bool BuildsNothing(int type) { return type >= Operations::kTranslateTool && type <= Operations::kScaleTool; }

std::array<OperationMaker, kLastType + 1> &Makers()
{
    static std::array<OperationMaker, kLastType + 1> makers;
    return makers;
}
}  // namespace

bool SetOperationMaker(int type, OperationMaker maker)
{
    if (type < 1 || type > kLastType || BuildsNothing(type))
        return false;
    Makers()[size_t(type)] = std::move(maker);
    return true;
}

std::unique_ptr<Operations::Operation> Interface::CreateBrushOperation(int type)
{
    // The transform tools record no operation of their own.
    if (BuildsNothing(type))
        return nullptr;
    if (type < 1 || type > kLastType) {
        AssertFailed("Interface", 241, "false", nullptr);
        return nullptr;
    }
    // The bulge tool's strokes are soft brush operations.
    const OperationMaker &maker = Makers()[size_t(type == Operations::kBulge ? Operations::kSoftBrush : type)];
    if (!maker) {
        Log("No operation class is registered for type %d\n", type);
        return nullptr;
    }
    try {
        return maker();
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}
