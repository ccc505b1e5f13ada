#include "mesh/subdivision/LevelTotals.h"

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/levels/SubdivLevel.h"

#include <QCoreApplication>

LevelTotals LevelTotals::Next(const SubdivLevel &level)
{
    LevelTotals next;
    const uint64_t T = level.m_iTotalFaceCount ? level.m_iTotalFaceCount : level.m_iFaceCount;
    const uint64_t V = level.m_iTotalVertexCount ? level.m_iTotalVertexCount : level.m_iVertexCount;
    const uint64_t B = level.m_iGlobalVertexBound ? level.m_iGlobalVertexBound : V;
    if (level.m_aGenericFaces.HasItems()) {
        // One quad per polygon corner; the numbering is dense: vertices, centres, edge points.
        uint64_t corners = 0, open = 0;
        const unsigned polygons = level.m_aGenericFaces.GetItemCount();
        for (const GenericFace &polygon : level.m_aGenericFaces) {
            corners += polygon.m_aVertices.GetItemCount();
            for (unsigned entry : polygon.m_aNeighbours)
                open += entry / 16 >= polygons;
        }
        next.faces = corners;
        next.vertices = V + polygons + (corners + open) / 2;
        next.bound = next.vertices;
        next.openEdges = 2 * open;
        return next;
    }
    const uint64_t k = level.m_eType == Mesh::typeQuadric ? 4 : 3;
    const uint64_t open = std::min<uint64_t>(level.m_iOpenEdges, k * T);
    next.faces = k * T;
    next.vertices = (k * T - open) / 2 + V + open + T;
    next.bound = next.faces + B + T;
    next.openEdges = 2 * open;
    return next;
}

void LevelTotals::ReportTooLarge(int levelIndex, const LevelTotals &totals)
{
    const QString text =
        QCoreApplication::translate("SubdivLevel",
                                    "Level %1 cannot be made: it would have %2 faces and %3 vertices, numbered up "
                                    "to %4, and a level can number at most %5.")
            .arg(levelIndex)
            .arg(totals.faces)
            .arg(totals.vertices)
            .arg(totals.bound)
            .arg(kMaxGlobal);
    Log("%s\n", text.toUtf8().constData());
    if (MeshSwitches::s_bVerbose)
        General::Shell().CriticalMessage(text);
}
