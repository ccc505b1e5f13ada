#include "mesh/subdivision/LevelTotals.h"

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/levels/SubdivLevel.h"
#include "mesh/subdivision/PolygonNeighbours.h"

#include <QCoreApplication>

LevelTotals LevelTotals::Next(const SubdivLevel &level)
{
    LevelTotals next;
    const uint64_t T = level.m_iTotalFaceCount ? level.m_iTotalFaceCount : level.m_iFaceCount;
    const uint64_t V = level.m_iTotalVertexCount ? level.m_iTotalVertexCount : level.m_iVertexCount;
    const uint64_t B = level.m_iGlobalVertexBound ? level.m_iGlobalVertexBound : V;
    if (level.m_aGenericFaces.HasItems()) {
        // One quad per polygon corner; the numbering is dense: vertices, centres, edge points.
        // Open edges as the split sees them, so that the totals match what it makes.
        uint64_t corners = 0, open = 0;
        const unsigned polygons = level.m_aGenericFaces.GetItemCount();
        const PolygonNeighbours neighbours(level);
        for (unsigned i = 0; i < polygons; ++i) {
            const unsigned n = level.m_aGenericFaces[i].m_aVertices.GetItemCount();
            corners += n;
            for (unsigned c = 0, h = 0, hs = 0; c < n; ++c)
                open += !neighbours.Across(i, c, h, hs);
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
