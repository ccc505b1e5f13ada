#pragma once
// Averages the pre-stroke vertex normals under the brush, weighted by the falloff: the
// "Averaged Normal" direction of a stroke.

#include "operations/brushes/VertexOperation.h"

namespace Operations {

class NormalAverager : public VertexOperation {
public:
    // Collects at once, from `startFace` outward, the vertices the segment reaches.
    NormalAverager(Mesh *mesh, Brush *tool, StrokeSegment *segment, unsigned startFace);

    void ProcessVertex(Mesh &mesh, unsigned face, unsigned vertex, float weight) override;

    // The weighted sum; the caller normalises it.
    const General::Vector &GetNormal() const { return m_vNormal; }
    float GetWeightSum() const { return m_fWeight; }

private:
    General::Vector m_vNormal{0, 0, 0};
    float m_fWeight = 0.0f;
};

}  // namespace Operations
