#include "foundation/NamedValue.h"

#include "foundation/Stream.h"

namespace General {

bool NamedValue::Serialize(Stream &stream)
{
    NamedValue copy = *this;
    stream.Serialize(copy.m_iValue);
    stream.Serialize(copy.m_sName);
    if (stream.HasError())
        return false;
    *this = copy;
    return true;
}

}  // namespace General
