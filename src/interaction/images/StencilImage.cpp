#include "interaction/images/StencilImage.h"

#include "mesh/core/Placement.h"

void StencilImage::UpdateProjection(Placement *placement)
{
    m_mObject = placement ? placement->GetFullMatrix() : General::Matrix();
}
