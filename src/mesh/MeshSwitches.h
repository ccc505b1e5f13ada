#pragma once
// Program-wide switches that steer the mesh model without being passed along.

struct MeshSwitches {
    // Gates step logs and some message boxes; off while map extraction runs.
    static inline bool s_bVerbose = true;
    // Raised when a stroke's restore buffer cannot grow; a face walk that sees it stops and clears it.
    static inline bool s_bOutOfMemory = false;
};
