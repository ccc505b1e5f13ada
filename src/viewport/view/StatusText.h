#pragma once
// The polygon counts of the status bar: the visible and selected faces of every level
// of every object in the scene.

#include <QString>

#include <cstdint>

class Scene;

struct FaceTotals {
    uint64_t m_iVisible = 0;
    uint64_t m_iSelected = 0;
};

FaceTotals CountSceneFaces(const Scene &scene);
// "Visible polys: %1" and/or "  Selected polys: %1"; empty when neither is shown.
QString StatusText(const FaceTotals &totals, bool showVisible, bool showSelected);
