#include "operations/Operation.h"

#include "foundation/Diagnostics.h"

namespace Operations {

bool Operation::Execute()
{
    if (!m_bChanged)
        return false;
    m_bChanged = false;
    return true;
}

int Operation::GetType() const
{
    TV_ASSERT(false);
    return 0;
}

}  // namespace Operations
