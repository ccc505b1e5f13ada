#pragma once
// The road of one brush sample: a brush operation accepts or refuses a sample, keeps the
// meshes the stroke touched (its targets) and advances the stroke segment. The vertex
// and face brushes below it act on what lies under the brush.

#include "foundation/math/AABB.h"
#include "foundation/Containers.h"
#include "foundation/math/Matrix.h"
#include "mesh/core/FaceVisitor.h"
#include "operations/Operation.h"
#include "operations/normals/NormalHistory.h"

#include <memory>
#include <vector>

class Brush;
class LayerLevel;
class Mesh;
class Object;
class PickInfo;

namespace Operations {

class StrokeSegment;

// One disconnected piece of a stroke on a target: where it last touched the mesh.
struct SegmentInfo {
    int32_t m_iSide;         // the sample's side, at least 0
    int32_t m_iVertexIndex;  // -1 until known
    int32_t m_iFaceIndex;
};
static_assert(sizeof(SegmentInfo) == 12, "segments are 12-byte records in the undo history");

// A vertex's value before (or, once swapped, after) the stroke: its position, or its
// offset in the target's layer.
struct VertexChangeRecord {
    int32_t m_iVertexIndex;
    General::Vector m_vValue;
};
static_assert(sizeof(VertexChangeRecord) == 16, "vertex changes are 16-byte records in the undo history");

// A mesh the stroke touched.
struct TargetInfo {
    TargetInfo(Mesh *mesh, LayerLevel *layerLevel);

    Mesh *m_pMesh;
    LayerLevel *m_pLayerLevel;
    General::Store<SegmentInfo> m_aSegments{"targetinfo segments"};
    General::Store<VertexChangeRecord> m_aChanges{"vertex operation changes"};
    // On a layer: the position of each changed vertex, in the order of m_aChanges, so that
    // an undo gives back the bits instead of subtracting the offsets.
    General::Store<General::Vector> m_aPositions{"vertex operation positions"};
    NormalHistory m_cNormals;
    uint32_t m_iStamp;
};

class BrushOperation : public Operation {
public:
    BrushOperation(Brush *tool, StrokeSegment *segment, int mode);
    // Ends the stroke's restore and modified-face buffers of every target mesh.
    ~BrushOperation() override;

    // One sample of a stroke; false when it is refused (locked object, pressure fall,
    // no stroke segment).
    virtual bool AddPoint(PickInfo *pick, float size, float strength, const General::Vector &offset);
    // The tool over a whole mesh; false when the mesh's object is locked (nothing is made).
    virtual bool Flood(Mesh *mesh, bool fromCamera);

    // The object a mesh level belongs to; null for a bare mesh.
    static Object *OwnerOf(Mesh *mesh);
    // The active layer's data for the mesh level; null when its object has no active layer.
    static LayerLevel *ActiveLayerLevel(Mesh *mesh);

    const std::vector<std::unique_ptr<TargetInfo>> &GetTargets() const { return m_aTargets; }
    const AABB &GetDirtyBox() const { return m_cDirty; }

    // A live stroke: the tool it reads and the segment it advances, which it then owns.
    void SetStroke(Brush *tool, std::unique_ptr<StrokeSegment> segment);
    StrokeSegment *GetSegment() const { return m_pSegment; }
    int GetMode() const { return m_iMode; }
    void SetMode(int mode) { m_iMode = mode; }
    // Whether a sample must hit a mesh (not so for the move, face-selection and freeze brushes).
    bool NeedsHit() const { return m_bFlagA; }
    // Whether it works on whatever level is picked (the face-selection and freeze brushes).
    bool WorksOnAnyLevel() const { return m_bFlagB; }
    // Whether it changes the active sculpt layer (not the mask brush nor the face brushes).
    bool SculptsLayer() const { return m_bLayerLockCheck; }

    bool m_bFlagA = true;
    bool m_bFlagB = false;
    bool m_bObjectLockCheck = true;
    bool m_bLayerLockCheck = true;

protected:
    // The direction the stroke segment carries with a sample (an averaged normal, or zero).
    virtual General::Vector SampleDirection(PickInfo *, float) { return General::Vector(0, 0, 0); }
    TargetInfo &AppendTarget(Mesh *mesh, LayerLevel *layerLevel);
    // The object's placement matrix into m_mObject; identity for a bare mesh.
    void CopyObjectMatrix(Mesh *mesh);
    // The tool strength in the mesh's own units.
    void ComputeLocalStrength(Mesh *mesh);
    // The tool's falloff curve at 1 - weight (linear without a sampled curve).
    float FalloffSample(float weight) const;

    StrokeSegment *m_pSegment;
    std::unique_ptr<StrokeSegment> m_pOwnedSegment;
    Brush *m_pTool;
    AABB m_cDirty;
    std::vector<std::unique_ptr<TargetInfo>> m_aTargets;
    int m_iMode;
    TargetInfo *m_pTarget = nullptr;
    LayerLevel *m_pLayerLevel = nullptr;
    bool m_bFlood = false;
    bool m_bCameraFlood = false;
    General::Vector m_vCamera{0, 0, 0};  // the camera in the flooded mesh's space
    General::Matrix m_mObject;
    float m_fLocalStrength = 0.0f;
};

// A brush that acts per face (selection, freeze and the walks that need faces only).
class FaceOperation : public BrushOperation, public FaceVisitor {
public:
    FaceOperation(Brush *tool, StrokeSegment *segment, int mode);

    bool AddPoint(PickInfo *pick, float size, float strength, const General::Vector &offset) override;
    bool Flood(Mesh *mesh, bool fromCamera) override;

    void ProcessFace(Mesh &, unsigned) override {}
    bool IsFaceAffected(Mesh &, unsigned) override { return false; }
};

}  // namespace Operations
