#pragma once
// Selecting faces, undoable. A stroke selects, deselects or toggles the faces under the
// brush; the selection commands (select all, in a rectangle, a set, grow, border) build
// the same operation with AddTarget and AddFace and run it as one action. The wanted and,
// once applied, the former states live in each target mesh's "mesh selected faces" store;
// Execute swaps them with the faces', so the same call undoes and redoes.

#include "operations/selection/FaceBrushOperation.h"

#include <functional>

namespace Operations {

class SelectFaceOperation : public FaceBrushOperation {
public:
    // Mode 0 selects, 1 toggles, 2 deselects. Strokes act on locked objects too.
    SelectFaceOperation(Brush *tool = nullptr, StrokeSegment *segment = nullptr, int mode = 0);

    // A new last target for the mesh: its change store is emptied and its faces lose the
    // stroke mark.
    void AddTarget(Mesh *mesh);
    // The state the next Execute gives the face of a target (negative: the last one).
    void AddFace(unsigned face, bool selected, int target = -1);
    // The index of the mesh's target, made when the mesh is not one yet.
    int GetTargetIndex(Mesh *mesh);
    // Records every visible unselected face that shares an edge with a selected one.
    void GrowSelection(Mesh *mesh);
    // Records every visible unselected face with an open edge.
    void SelectBorderEdge(Mesh *mesh);

    bool AddPoint(PickInfo *pick, float size, float strength, const General::Vector &offset) override;
    bool Flood(Mesh *mesh, bool fromCamera) override;
    void ProcessFace(Mesh &mesh, unsigned face) override;
    bool IsFaceAffected(Mesh &mesh, unsigned face) override;

    void Serialize(Stream &stream) override;
    // Right after a stroke: nothing (the faces are changed already). Otherwise swaps the
    // recorded states with the faces' and brings the counts and the object selection in step.
    bool Execute() override;
    int GetType() const override { return kSelectFace; }

protected:
    // A new target for the mesh holding every visible unselected face with an edge whose
    // neighbour word passes the test, to be selected.
    void AddFacesWithEdge(Mesh *mesh, const std::function<bool(int32_t)> &edge);
    // The state the mode gives a face whose state is `old`.
    bool WantedState(bool old, bool marked) const;
    // Gives the face the state, recording the old one and marking it; false when the face
    // is hidden or already in that state.
    bool ChangeFace(Mesh &mesh, unsigned face, bool wanted);
    // Tells the interface to select the mesh's object when all its faces are selected.
    static void FollowObject(Mesh *mesh);
};

}  // namespace Operations
