#pragma once
// The display toggles of the 3D view, their defaults, how they are stored with the
// settings and the scene, and the view's context-menu entries that show and flip them.
// Plain values, so that all of it is read and tested without a window.

#include <QString>

#include <cstdint>

class Stream;

struct ViewToggles {
    bool m_bGrid = true;
    bool m_bGradientBackground = true;
    bool m_bSelectionHighlight = true;  // stored flag kept for the frame drawing
    bool m_bShowMeshes = true;
    bool m_bShowOctree = false;  // also the stored flag the scene draw reads
    bool m_bShowCurves = true;
    bool m_bWireframe = false;
    bool m_bLighting = true;
    bool m_bTwoSidedLight = false;
    bool m_bSmoothShade = true;
    bool m_bUnused = false;  // stored, read by nothing
    bool m_bCulling = true;
    bool m_bTextures = true;  // not stored
    bool m_bPoints = false;
    bool m_bPointsAboveLimit = false;
    bool m_bWireOverlay = false;
    int32_t m_iWireOverlayLevel = -1;  // -1: the object's active level
    bool m_bImagePlane = true;

    // One byte per flag in a fixed order; later flags only from the versions that added
    // them, so older files keep reading. A refused read leaves the toggles as they were.
    bool Serialize(Stream &stream);

    bool operator==(const ViewToggles &) const = default;
};

// One entry of the view's context menu: its label, the toggle its check mark shows and
// the command that choosing it runs (the toggles change only through the commands).
struct ViewMenuEntry {
    const char *m_pLabel;  // null for a separator
    const char *m_pCommand;
    bool (*m_pChecked)(const ViewToggles &);
};

// The entries in menu order, separators included.
const ViewMenuEntry *ViewMenuEntries(int &count);
