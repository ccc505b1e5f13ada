#include "operations/selection/SelectionHost.h"

#include "operations/Operation.h"

namespace Operations {

bool SelectionHost::RunAction(Operation &operation) { return operation.Execute(); }

}  // namespace Operations
