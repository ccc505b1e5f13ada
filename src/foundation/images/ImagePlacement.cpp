#include "foundation/images/ImagePlacement.h"

#include "foundation/Stream.h"

namespace General {

void ImagePlacement::SetFileName(const QString &name)
{
    if (!name.isEmpty())
        m_sFileName = name;
}

bool ImagePlacement::Serialize(Stream &stream)
{
    ImagePlacement copy = *this;
    for (float *value : {&copy.m_fRotation, &copy.m_fOffsetX, &copy.m_fOffsetY, &copy.m_fScale, &copy.m_fAspect})
        stream.Serialize(*value);
    stream.Serialize(copy.m_sFileName);
    if (stream.HasError())
        return false;
    *this = copy;
    return true;
}

}  // namespace General
