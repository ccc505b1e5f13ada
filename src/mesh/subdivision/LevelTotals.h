#pragma once
// The totals of the level that subdividing a level gives: its faces, vertices, global
// vertex bound and open edges, computed in 64 bits so that a mesh too large to number
// is refused instead of wrapping.

#include <cstdint>

class SubdivLevel;

struct LevelTotals {
    // Global faces and vertices of a level stay within 2^29: pending neighbour entries keep
    // a global face × 4 in 31 bits, and corner words a global vertex in 29 bits while
    // faces are restored.
    static constexpr uint64_t kMaxGlobal = uint64_t(1) << 29;

    uint64_t faces = 0;
    uint64_t vertices = 0;
    uint64_t bound = 0;      // global vertex indices of the level lie below it
    uint64_t openEdges = 0;

    // The full level made from `level` (k children per face, or one per polygon corner).
    static LevelTotals Next(const SubdivLevel &level);
    bool Fits() const { return faces <= kMaxGlobal && vertices <= kMaxGlobal && bound <= kMaxGlobal; }
    // Logs the refusal and, when the verbose switch is on, shows it.
    static void ReportTooLarge(int levelIndex, const LevelTotals &totals);
};
