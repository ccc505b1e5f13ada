#include "mesh/core/PickInfo.h"
#include "operations/brushes/BrushServices.h"
#include "operations/brushes/VertexBrushes.h"
#include "scene/volume/Volume.h"

#include <cmath>

namespace Operations {

bool SketchOperation::AddPoint(PickInfo *pick, float, float, const General::Vector &)
{
    General::Volume *volume = BrushServices::Get().GetSketchVolume();
    if (!pick || !volume)
        return false;
    const General::Vector p = pick->m_vPosition;
    General::Volume cells;
    for (int x = int(std::trunc(p.x - 5.0f)); float(x) < p.x + 5.0f; ++x)
        for (int y = int(std::trunc(p.y - 5.0f)); float(y) < p.y + 5.0f; ++y)
            cells.AddInterval(x, y, int(std::trunc(p.z - 5.0f)), 10);
    volume->Merge(cells);
    const float size = volume->m_fCellSize;
    m_cDirty.Extend(volume->m_vOrigin + General::Vector(volume->m_fMinX, volume->m_fMinY, volume->m_fMinZ) * size);
    m_cDirty.Extend(volume->m_vOrigin + General::Vector(volume->m_fMaxX, volume->m_fMaxY, volume->m_fMaxZ) * size);
    return true;
}

}  // namespace Operations
