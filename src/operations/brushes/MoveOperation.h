#pragma once
// The grab brush: the first sample on a mesh catches the vertices under the brush, each
// with a fixed weight, and every later sample sets each caught vertex to where it was
// caught plus its weight times the pointer's displacement since the stroke began. With
// symmetry on, a mirrored second side receives the mirrored displacement, and a vertex
// caught by both sides of one mesh blends the two.

#include "foundation/Containers.h"
#include "foundation/math/Matrix.h"
#include "operations/brushes/VertexOperation.h"

#include <unordered_map>

namespace Operations {

class MoveOperation : public VertexOperation {
public:
    // One caught vertex.
    struct AffectedVertex {
        uint32_t m_iVertex;
        uint32_t m_iFace;              // the face it was caught through
        float m_fWeight;               // the larger weight when both sides caught it
        float m_fWeightDifference;     // -1 when one side caught it, else |the sides' difference|
        General::Vector m_vStart;      // its position when caught
        int32_t m_iSide;               // the side that gave the weight: 0 primary, 1 mirrored
    };

    MoveOperation(Brush *tool = nullptr, StrokeSegment *segment = nullptr, int mode = 0);
    // Merges a layer's new records into its sorted ones.
    ~MoveOperation() override;

    // Catches on the first pick of each side; moves on every other sample, with or without a pick.
    bool AddPoint(PickInfo *pick, float size, float strength, const General::Vector &offset) override;
    void ProcessVertex(Mesh &mesh, unsigned face, unsigned vertex, float falloff) override;
    // 1 - (world distance from the catching hit) / tool size, unclamped; 0 on a hidden face.
    float GetWeight(Mesh &mesh, unsigned face, unsigned vertex) override;
    // Both sides of one mesh are stored as one target.
    void Serialize(Stream &stream) override;
    int GetType() const override { return kMove; }

    const General::Store<AffectedVertex> &GetCaught() const { return m_aVertices; }
    const General::Matrix &GetSymmetryMatrix() const { return m_mSymmetry; }

private:
    bool Catch(PickInfo &pick, int index);
    bool MoveCaught();
    General::Vector PointerDisplacement() const;
    void SetSymmetryMatrix(Mesh &mesh, unsigned face);
    void RequestRedraw(const AABB &world);

    General::Store<AffectedVertex> m_aVertices{"moveoperation vertices"};
    // Which record holds a vertex. Kept here rather than in the vertex records, whose
    // normal words the normal updater uses for its own bookkeeping.
    std::unordered_map<uint32_t, uint32_t> m_aRecordOf;
    Mesh *m_pMoveMesh = nullptr;
    int m_iCurrentTarget = 0;
    bool m_bAnchored = false;
    General::Vector m_vAnchor{0, 0, 0};
    General::Vector m_vHit{0, 0, 0};
    float m_fAnchorDepth = 0.0f;
    float m_fStartX = 0.0f, m_fStartY = 0.0f;
    General::Vector m_vPickNormal{0, 0, 0};
    float m_fScale = 0.0f;
    General::Matrix m_mSymmetry;
};

}  // namespace Operations
