#pragma once
// The commands of the "Layers" window on one object, without the window: each layer
// change is a LayerOperation recorded on the undo stack, the first of a command as a new
// user action and the rest as its continuation, so one undo takes a whole command back.
// Refusals go to the status bar, failures to a message box, through the shell.

#include <QString>

class Layer3D;
class Object;
class SubdivLevel;
namespace Operations {
class LayerOperation;
}

namespace GUI::LayerCommands {

// Executes and records `operation`; `first` starts a new user action. False (nothing
// recorded) when the operation failed.
bool Run(Operations::LayerOperation &operation, bool first);

// A new layer directly above `selected` (at the bottom with the base row, null), selected.
Layer3D *AddLayer(Object &object, Layer3D *selected);
// Clears the selection, then deletes the layer.
void DeleteLayer(Object &object, Layer3D *layer);
// A copy directly above `layer`, selected; null when none was made.
Layer3D *DuplicateLayer(Object &object, Layer3D *layer);
// Folds every layer into the mesh, bottom-most first; with no layers only the select-none step.
void Flatten(Object &object);
// Merges every visible layer bound to the active layer's level into the active layer. A
// merge that fails takes the whole command back and says why; false then.
bool MergeVisible(Object &object);
// Makes the active layer the one mirror and flip write into.
void SetSymmetryTarget(Object &object);
// Moves `layer` (with its sub-layers) among the children of `parent` (the top-level
// layers when null) to row `row`, counted from the top among the other layers of that list;
// a row past them puts it at the bottom. One undoable action; false when refused.
bool MoveLayer(Object &object, Layer3D *layer, Layer3D *parent, int row);
// The list position (from the head, the bottom-most layer) that row `row` means.
int ListPositionOfRow(const Object &object, const Layer3D *layer, const Layer3D *parent, int row);

// "Show Mask": the active layers' weights are written into the masks of every object.
void ShowLayerWeights();

// --- symmetry --------------------------------------------------------------------------
// The finest existing level with a shown face; null when there is none.
SubdivLevel *SymmetryLevel(Object &object);
// The side the selected faces of the level lie on (0: bit 31 set in the symmetry map, 1:
// clear); -1 when no face is selected, -2 when faces on both sides are.
int SelectedSide(const SubdivLevel &level);
// Copies the side with the selected faces onto the other (mirror) or exchanges both sides
// (flip) in the symmetry target layer, else the active layer's data; axis 0 X, 1 Y, 2 Z, 3 tangent.
void Mirror(Object *object, int axis);
void Flip(Object *object, int axis);

}  // namespace GUI::LayerCommands
