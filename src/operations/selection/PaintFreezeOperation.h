#pragma once
// Painting the per-face freeze level (0 to 255) that the vertex brushes yield to, undoable.
// Mode 2 unfreezes, any other mode freezes. Each target keeps the mesh's frozen-face count
// from before the stroke or flood and the mesh's "mesh masked faces" store keeps every
// changed face's earlier freeze field; Execute swaps both with the mesh's.

#include "operations/selection/FaceBrushOperation.h"

namespace Operations {

class PaintFreezeOperation final : public FaceBrushOperation {
public:
    PaintFreezeOperation(Brush *tool = nullptr, StrokeSegment *segment = nullptr, int mode = 0);

    // A new last target for a command that fills the mesh's "mesh masked faces" store with
    // (face, new freeze field) itself: the store is emptied, and `frozen` is the mesh's
    // frozen-face count once the entries are applied.
    void AddTarget(Mesh *mesh, uint32_t frozen);

    // Refused (false, nothing changes) on a locked object, as strokes are.
    bool AddPoint(PickInfo *pick, float size, float strength, const General::Vector &offset) override;
    // Every visible face reached from face 0 at the full amount; refused on a locked object.
    bool Flood(Mesh *mesh, bool fromCamera) override;
    void ProcessFace(Mesh &mesh, unsigned face) override;
    bool IsFaceAffected(Mesh &mesh, unsigned face) override;

    void Serialize(Stream &stream) override;
    // Right after a stroke: nothing. Otherwise swaps freeze fields and frozen counts.
    bool Execute() override;
    int GetType() const override { return kPaintFreeze; }

private:
    // The mesh's store and marks become this operation's, with its frozen count kept.
    void TakeMesh(Mesh &mesh);

    float m_fFalloff = 0.0f;  // of the face last tested
};

}  // namespace Operations
