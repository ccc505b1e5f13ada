#include "gui/properties/ObjectFigures.h"

#include "mesh/object/Object.h"

#include <algorithm>

namespace GUI {

LevelFigures &LevelFigures::operator+=(const LevelFigures &other)
{
    polygons += other.polygons;
    inRam += other.inRam;
    hidden += other.hidden;
    vertices += other.vertices;
    mib += other.mib;
    return *this;
}

LevelFigures LevelFiguresOf(const SubdivLevel &level)
{
    LevelFigures figures;
    figures.polygons = level.m_iTotalFaceCount;
    figures.inRam = level.m_iFaceCount;
    figures.hidden = level.m_iHiddenFaces;
    figures.vertices = level.m_iVertexCount;
    figures.mib = double(level.GetMemorySize()) / 1048576.0;
    return figures;
}

ObjectFigures ObjectFiguresOf(Object &object)
{
    ObjectFigures figures;
    for (SubdivLevel *level = object.GetBaseLevel(); level; level = level->GetNextLevel(false))
        figures.mib += double(level->GetMemorySize()) / 1048576.0;
    // The faces of the level shown, as the view counts them. A count of hidden faces above
    // the held ones would wrap: it counts as none left.
    if (const SubdivLevel *shown = object.m_pActiveLevel ? object.m_pActiveLevel : &object)
        figures.visibleFaces = shown->m_iFaceCount - std::min(shown->m_iHiddenFaces, shown->m_iFaceCount);
    figures.highestLevel = SubdivLevel::GetLevelIndex(object.GetHighestLevel());
    figures.activeLevel = object.m_pActiveLevel ? SubdivLevel::GetLevelIndex(object.m_pActiveLevel) : 0;
    return figures;
}

}  // namespace GUI
