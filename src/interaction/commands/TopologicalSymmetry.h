#pragma once
// "Set symmetry": the symmetry map of an object's level from two selected faces (or, on
// a level of split polygons, two selected polygons) on either side of its topological
// axis. The outcome goes to the status bar.

class Scene;

// The first object whose active level has exactly two selected faces or polygons
// decides; a level above level 1 is refused. Returns whether a map was made.
bool SetTopologicalSymmetry(Scene &scene);

// Every object of the scene whose level 0 has exactly two selected faces: its first
// selected face is tried with the other. The number of symmetry maps made.
int CountTopologicalAxes(Scene &scene);
