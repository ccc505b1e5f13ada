#pragma once
// The sculpt brushes: each turns a vertex and its weight into a displacement through the
// vertex edit steps. They share the amount's inputs and the direction table of
// VertexOperation and differ in the amount's law and in what they move toward.

#include "mesh/core/AdjacentVertexEnumerator.h"
#include "mesh/core/PickInfo.h"
#include "operations/brushes/VertexOperation.h"

#include <memory>
#include <vector>

namespace Operations {

// Pulls along the direction; repeated dabs approach the full strength geometrically.
class SoftBrushOperation : public VertexOperation {
public:
    SoftBrushOperation(Brush *tool, StrokeSegment *segment, int mode);
    // Ends the companion without ending the stroke's buffers, which this operation holds.
    ~SoftBrushOperation() override;

    // A spaced-dab tool skips samples closer to the last one than its spacing; each dab it
    // makes is replayed, a little wider and in the inverse mode, through the companion.
    // Any other connected tool weighs a sample that continues the stroke by
    // min(1, step / size), so a slow stroke lays down no more than a fast one.
    bool AddPoint(PickInfo *pick, float size, float strength, const General::Vector &offset) override;
    void BeginWalk(Mesh &mesh) override;
    void ProcessVertex(Mesh &mesh, unsigned face, unsigned vertex, float weight) override;
    int GetType() const override { return kSoftBrush; }

    // The spaced-dab stroke's second brush (null without one).
    const SoftBrushOperation *GetCompanion() const { return m_pCompanion.get(); }
    // The step factor of the last accepted sample.
    float GetStepScale() const { return m_fStepScale; }

    // The companion's radius against the dab's.
    static constexpr float kCompanionWidening = 1.04f;

private:
    // A spaced dab waiting to be replayed through the companion.
    struct Dab {
        PickInfo m_cPick;
        float m_fSize;
        float m_fStrength;
        General::Vector m_vOffset;
    };
    // The dabs not yet replayed, shared by all soft brushes (one stroke runs at a time).
    static std::vector<Dab> &PendingDabs();
    void CreateCompanion();
    void DropCompanion();
    void ReplayDabs();

    std::unique_ptr<Brush> m_pCompanionTool;
    std::unique_ptr<StrokeSegment> m_pCompanionSegment;
    std::unique_ptr<SoftBrushOperation> m_pCompanion;
    float m_fStepScale = 1.0f;
    // Fixed through a walk: the step factor the amount is scaled by, and the rate's divisor.
    float m_fWalkStep = 1.0f;
    float m_fRateDivisor = 1.0f;
};

// Raises each vertex to the highest target any sample of the stroke gave it, never further.
class HardBrushOperation : public VertexOperation {
public:
    using VertexOperation::VertexOperation;
    void ProcessVertex(Mesh &mesh, unsigned face, unsigned vertex, float weight) override;
    int GetType() const override { return kHardBrush; }
};

// Draws the vertices toward the stroke; nothing in a flood.
class PinchOperation : public VertexOperation {
public:
    using VertexOperation::VertexOperation;
    void ProcessVertex(Mesh &mesh, unsigned face, unsigned vertex, float weight) override;
    int GetType() const override { return kPinch; }
};

// Moves each vertex toward the mean of its neighbours (of their layer offsets on a layer).
class SmoothOperation : public VertexOperation, public AdjacentVertexEnumerator {
public:
    using VertexOperation::VertexOperation;
    void ProcessVertex(Mesh &mesh, unsigned face, unsigned vertex, float weight) override;
    void OnAdjacentVertex(Mesh &mesh, unsigned vertex, unsigned face) override;
    int GetType() const override { return kSmooth; }

private:
    bool UsesLayer() const;
    General::Vector m_vSum{0, 0, 0};
};

// Moves the vertices toward a plane fitted under the brush, one plane per stroke side.
class FlattenOperation : public VertexOperation, public AdjacentVertexEnumerator {
public:
    // Gathers the vertices under the brush into the list of one side.
    class Collector : public VertexOperation {
    public:
        Collector(FlattenOperation &owner, Brush *tool, StrokeSegment *segment);
        void ProcessVertex(Mesh &mesh, unsigned face, unsigned vertex, float weight) override;

    private:
        FlattenOperation &m_owner;
    };

    using VertexOperation::VertexOperation;
    void PrepareSample(PickInfo *pick) override;
    void ProcessVertex(Mesh &mesh, unsigned face, unsigned vertex, float weight) override;
    void OnAdjacentVertex(Mesh &, unsigned, unsigned) override {}
    int GetType() const override { return kFlatten; }

    const General::Vector &GetPlaneNormal(int side) const { return m_aNormal[side]; }
    float GetPlaneOffset(int side) const { return m_aPlace[side]; }

private:
    // Fits the side's plane to its listed vertices; an empty list keeps the plane it had.
    void FitPlane(Mesh &mesh);

    int m_iPickID = 1;
    General::Vector m_aNormal[2] = {{0, 0, 0}, {0, 0, 0}};
    float m_aPlace[2] = {0, 0};
    General::Store<unsigned int> m_aVertices[2] = {General::Store<unsigned int>("flatten vertices"),
                                                   General::Store<unsigned int>("flatten vertices")};
};

// A layer weight before (or, once swapped, after) a weight brush changed it.
struct MaskRestoreInfo {
    int32_t m_iGlobalVertexIndex;
    float m_fWeight;
};
static_assert(sizeof(MaskRestoreInfo) == 8, "weights are 8-byte records in the undo history");

// Exchanges each stored weight with the layer's, moving the vertex (unless `move` is
// false: its position comes back from elsewhere) so that it stays at its base position
// plus strength × offset × weight; the weight byte follows. Sorts `weights`.
void SwapLayerWeights(Mesh &mesh, LayerLevel &layer, General::Store<MaskRestoreInfo> &weights, bool move = true);

// Takes the active layer's offsets back and raises its weights, so that repeated passes
// leave the layer's shape at the vertices and their full weight.
class EraseBrushOperation : public VertexOperation {
public:
    using VertexOperation::VertexOperation;
    void ProcessVertex(Mesh &mesh, unsigned face, unsigned vertex, float weight) override;
    // The vertex payload, then the weights before the stroke.
    void Serialize(Stream &stream) override;
    bool Execute() override;
    int GetType() const override { return kEraseBrush; }

private:
    General::Store<MaskRestoreInfo> m_aData{"erase mask operation"};
};

// Paints the active layer's weights: adds in stroke modes other than 0, removes in mode 0,
// optionally pulled toward the mean of the neighbours' weights.
class PaintLayerMaskOperation : public VertexOperation, public AdjacentVertexEnumerator {
public:
    PaintLayerMaskOperation(Brush *tool, StrokeSegment *segment, int mode);
    // A sample on an object without an active layer has no weights to paint: it is refused
    // and the status line says a mask needs a layer.
    bool AddPoint(PickInfo *pick, float size, float strength, const General::Vector &offset) override;
    void ProcessVertex(Mesh &mesh, unsigned face, unsigned vertex, float weight) override;
    void OnAdjacentVertex(Mesh &mesh, unsigned vertex, unsigned face) override;
    // The mesh's packed id, the weights before the stroke, the layer's index.
    void Serialize(Stream &stream) override;
    bool Execute() override;
    int GetType() const override { return kPaintLayerMask; }

private:
    General::Store<MaskRestoreInfo> m_aData{"paint layer mask operation"};
    Mesh *m_pMesh = nullptr;
    int m_iLayerIndex = -1;
    float m_fNeighbourSum = 0.0f;
};

// Fills cells of the interface's sketch volume around each sample; moves no vertex.
class SketchOperation : public VertexOperation {
public:
    using VertexOperation::VertexOperation;
    bool AddPoint(PickInfo *pick, float size, float strength, const General::Vector &offset) override;
    int GetType() const override { return kSketch; }
};

}  // namespace Operations
