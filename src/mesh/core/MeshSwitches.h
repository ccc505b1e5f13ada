#pragma once
// Program-wide switches that steer the mesh model without being passed along.

struct MeshSwitches {
    // Gates step logs and some message boxes; off while map extraction runs.
    static inline bool s_bVerbose = true;
    // Raised when a stroke's restore buffer cannot grow; a face walk that sees it stops and clears it.
    static inline bool s_bOutOfMemory = false;
    // On while the current object's levels live on disk: removal then swaps out a level with no worked faces left.
    static inline bool s_bLevelsOnDisk = false;
    // A level that lost all its faces gets a fresh octree (copied from the preferences).
    static inline bool s_bResetEmptyOctree = false;
    // Texture coordinates are made for new levels (set by displacement and map extraction, cleared by level export).
    static inline bool s_bCreateTCs = false;
    // New texture coordinates are smoothed.
    static inline bool s_bSmoothTCs = false;
    // The preference that lets a partial level freeze the border of its worked region.
    static inline bool s_bFreezeBorder = true;
    // New levels take Catmull-Clark positions; off, they keep the plain split (midpoints and centres).
    static inline bool s_bSmoothPositions = true;
};
