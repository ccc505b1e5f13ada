#pragma once
// A brush that acts per vertex: each sample collects the vertices under the brush from
// the picked face, weighs each against the stroke segment and hands it to the kernel
// (ProcessVertex of the brush). Every edit goes through BeginVertexEdit and then one of
// SetVertexPosition or MoveVertex, which keep the stroke's restore record and, on a
// layer, the layer's offsets. The same class is the undo data of every vertex brush.

#include "mesh/core/FaceVisitor.h"
#include "mesh/object/VertexChanges.h"
#include "operations/brushes/BrushOperation.h"
#include "operations/brushes/StrokeSegment.h"

struct StoredVertexInfo;

namespace Operations {

class VertexOperation : public BrushOperation, public VertexVisitor, public VertexChanges {
public:
    VertexOperation(Brush *tool, StrokeSegment *segment, int mode);
    // Undo data for an edit of `mesh` made outside a stroke: no tool, no segment.
    VertexOperation(Mesh *mesh, LayerLevel *layerLevel);

    bool AddPoint(PickInfo *pick, float size, float strength, const General::Vector &offset) override;
    bool Flood(Mesh *mesh, bool fromCamera) override;

    // The base kernel: notes the stroke segment the vertex belongs to. Kernels call it first.
    void ProcessVertex(Mesh &mesh, unsigned face, unsigned vertex, float weight) override;
    float GetWeight(Mesh &mesh, unsigned face, unsigned vertex) override;
    // Takes the falloff's measure from the segment as the sample left it. A kernel with
    // constants of its own takes them in its override and calls this one.
    void BeginWalk(Mesh &mesh) override;
    // Called once per accepted sample before the vertices are collected.
    virtual void PrepareSample(PickInfo *) {}

    // A change record for the last target (its vertex's value before the edit).
    void AddVertexChange(unsigned vertex, const General::Vector &value) override;

    // Per target: packed mesh id, layer index, segments, vertex change records.
    void Serialize(Stream &stream) override;
    // Right after the live stroke: nothing to do. Replayed from the history: exchanges the
    // held values with the mesh's, so the next call restores what this one replaced.
    bool Execute() override;
    int GetType() const override { return kVertex; }

protected:
    General::Vector SampleDirection(PickInfo *pick, float size) override;

    // The vertex's restore record of this stroke, made at its first edit; null when it
    // cannot be had.
    StoredVertexInfo *BeginVertexEdit(Mesh &mesh, unsigned vertex);
    // Both refuse (and report) a place that is not finite; a move also refuses a change
    // beyond 1e8 in any component.
    bool SetVertexPosition(Mesh &mesh, unsigned vertex, unsigned face, const General::Vector &position);
    bool MoveVertex(Mesh &mesh, unsigned vertex, unsigned face, const General::Vector &change);

    // --- what every kernel computes the same way ---------------------------------------
    // The pressure at the vertex: 1 in a flood, else interpolated along the segment.
    float StrokeStrength() const;
    // (1 - face freeze / 255) × (1 - vertex mask / 255).
    static float FreezeAndMask(Mesh &mesh, unsigned face, unsigned vertex);
    // The direction of the tool's mode at the vertex (its pre-stroke normal in a flood).
    General::Vector Direction(Mesh &mesh, unsigned vertex, const StoredVertexInfo *record) const;
    // The local strength, negated in stroke mode 2.
    float SignedLocalStrength() const
    {
        TV_ASSERT(m_fLocalStrength != 0.0f);
        return m_iMode == 2 ? -m_fLocalStrength : m_fLocalStrength;
    }
    // The amount a kernel keeps per vertex and stroke; a shared dummy without a record.
    float &Amount(StoredVertexInfo *record);
    // The stencil's value at the vertex when a stencil is on, times the stamp's when
    // `withStamp`, a stamp is on and this is a stroke; 1 without either. Both are read at
    // the vertex's place before the stroke, as its weight is.
    float ImageFactor(Mesh &mesh, unsigned vertex, bool withStamp) const;

    int m_iCurrentSegment = -1;
    StoredVertexInfo *m_pSVI = nullptr;

private:
    StrokeSegment::Measure m_cMeasure{};
    // Whether the object's matrix moves points: the identity is not applied to each vertex.
    bool m_bPlaced = true;
    // Whether the stencil and the stamp shape this walk (read once per walk).
    bool m_bStencil = false;
    bool m_bStamp = false;

    // Collects the vertices from `face`, then recomputes the normals around them.
    void CollectAndUpdate(Mesh &mesh, unsigned face);
    bool ReadTargets(Stream &stream);
};

}  // namespace Operations
