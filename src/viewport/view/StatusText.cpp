#include "viewport/view/StatusText.h"

#include "mesh/levels/SubdivLevel.h"
#include "mesh/object/Object.h"
#include "scene/Scene.h"

FaceTotals CountSceneFaces(const Scene &scene)
{
    FaceTotals totals;
    for (int i = 0, n = scene.GetObjectCount(); i < n; ++i) {
        Object *object = scene.GetObject(i);
        for (SubdivLevel *level = object ? object->GetBaseLevel() : nullptr; level; level = level->GetNextLevel(false)) {
            // A hidden count past the face count (a damaged record) must not wrap the total.
            if (level->m_iFaceCount > level->m_iHiddenFaces)
                totals.m_iVisible += level->m_iFaceCount - level->m_iHiddenFaces;
            totals.m_iSelected += level->m_iSelectedFaces;
        }
    }
    return totals;
}

QString StatusText(const FaceTotals &totals, bool showVisible, bool showSelected)
{
    QString text;
    if (showVisible)
        text = QStringLiteral("Visible polys: %1").arg(totals.m_iVisible);
    if (showSelected)
        text += QStringLiteral("  Selected polys: %1").arg(totals.m_iSelected);
    return text;
}
