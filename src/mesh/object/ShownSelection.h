#pragma once
// Whether a level holds a selection of the person's.

class SubdivLevel;

// Whether the level has a selected face that is shown. The faces a subdivision or a level
// step parks (hidden, their selected bit kept as the octree's unlink mark) are no selection
// of the person's: a level whose every selected face is parked has its count dropped to 0, so
// that its count answers alike from then on.
bool HasShownSelection(SubdivLevel &level);
