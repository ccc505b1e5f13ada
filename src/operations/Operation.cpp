#include "operations/Operation.h"

#include "foundation/Diagnostics.h"
#include "foundation/Stream.h"

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

bool SerializeCount(Stream &stream, unsigned &count, uint64_t itemBytes)
{
    stream.Serialize(count);
    if (stream.IsStoring())
        return true;  // a failed write is the history's to report; the operation keeps its data
    if (stream.HasError() || uint64_t(count) * itemBytes > stream.BytesLeft()) {
        stream.SetError();
        return false;
    }
    return true;
}

}  // namespace Operations
