#pragma once
// Selecting whole objects with the face brush: touching an object selects (mode 0),
// toggles (1) or deselects (2) every visible face of every level of it. Every level it
// changes is a target of its own, so undo gives back every level's faces.

#include "operations/selection/SelectFaceOperation.h"

namespace Operations {

class SelectObjectOperation final : public SelectFaceOperation {
public:
    SelectObjectOperation(Brush *tool = nullptr, StrokeSegment *segment = nullptr, int mode = 0);

    bool AddPoint(PickInfo *pick, float size, float strength, const General::Vector &offset) override;
    // The whole object the face belongs to, every level of it.
    void ProcessFace(Mesh &mesh, unsigned face) override;
    // Whether the face is not yet in the mode's state; no falloff, visibility or flood test.
    bool IsFaceAffected(Mesh &mesh, unsigned face) override;
    int GetType() const override { return kSelectObject; }

private:
    Object *m_pDone = nullptr;  // the object the last ProcessFace went over
};

}  // namespace Operations
