// Making the next level of the chain and subdividing faces into it.
#include "foundation/ShellServices.h"
#include "mesh/object/Layer3D.h"
#include "mesh/subdivision/LevelSubdivision.h"
#include "mesh/subdivision/LevelTotals.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/object/Object.h"

#include <QCoreApplication>

#include <new>

SubdivLevel *SubdivLevel::GetNextLevel(bool create)
{
    if (m_pNext || !create)
        return m_pNext;
    GetSwapFileName();
    const LevelTotals totals = LevelTotals::Next(*this);
    if (!totals.Fits()) {
        LevelTotals::ReportTooLarge(GetLevelIndex() + 1, totals);
        return nullptr;
    }
    SubdivLevel *next = new (std::nothrow) SubdivLevel;
    if (!next)
        return nullptr;
    SetNextLevel(next);
    next->m_eType = typeQuadric;
    next->m_bFull = false;
    next->m_bFacesRemoved = false;
    next->m_iTotalVertexCount = unsigned(totals.vertices);
    next->m_iTotalFaceCount = unsigned(totals.faces);
    next->m_iOpenEdges = unsigned(totals.openEdges);
    next->m_iGlobalVertexBound = unsigned(totals.bound);
    next->m_iCreatedFaces = 0;
    next->GetSwapFileName();
    // Every layer of the object gets data for the new level; the level stands even when one refuses.
    if (m_pObject) {
        for (Layer3D *layer = m_pObject->GetFirstLayer(); layer; layer = layer->GetNextInTree())
            if (!layer->CreateLevelData(next)) {
                if (MeshSwitches::s_bVerbose)
                    General::Shell().CriticalMessage(
                        QCoreApplication::translate("SubdivLevel", "Cannot create level data for all layers!"));
                break;
            }
    }
    return next;
}

SubdivLevel *SubdivLevel::GetHighestLevel()
{
    SubdivLevel *level = this;
    while (level->m_pNext)
        level = level->m_pNext;
    return level;
}

bool SubdivLevel::Subdivide(General::Store<unsigned int> &faces)
{
    if (!TV_CHECK(m_pPrev) || !TV_CHECK(m_eType == typeQuadric))
        return false;
    return LevelSubdivision(*this).Run(faces);
}
