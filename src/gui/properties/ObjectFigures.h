#pragma once
// The statistics the object panels and the object list show, read from the levels.

#include <cstdint>

class Object;
class SubdivLevel;

namespace GUI {

struct LevelFigures {
    uint64_t polygons = 0;  // the level's total face count
    uint64_t inRam = 0;     // faces held in memory
    uint64_t hidden = 0;
    uint64_t vertices = 0;
    double mib = 0.0;       // memory estimate in MiB

    LevelFigures &operator+=(const LevelFigures &other);
};

LevelFigures LevelFiguresOf(const SubdivLevel &level);

// The memory of every level of the object from its base level up; the faces of the level shown.
struct ObjectFigures {
    uint64_t visibleFaces = 0;  // the shown level's faces held minus its hidden faces
    double mib = 0.0;
    int highestLevel = 0;
    int activeLevel = 0;
};

ObjectFigures ObjectFiguresOf(Object &object);

}  // namespace GUI
