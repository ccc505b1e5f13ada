#pragma once
// What the face selection and freeze brushes share: per target a kept count, the stroke
// mark on corner 2 of a face, the changed-region box in world space, and one record
// layout for their undo data (targets, each with its count, segments and change store).

#include "operations/brushes/BrushOperation.h"

#include <vector>

namespace Operations {

class FaceBrushOperation : public FaceOperation {
public:
    FaceBrushOperation(Brush *tool, StrokeSegment *segment, int mode);

    // The index of the mesh's target; -1 when it is none.
    int FindTarget(const Mesh *mesh) const;

    // The stroke mark: the face was changed by the current stroke.
    static bool IsMarked(const Mesh &mesh, unsigned face);
    static void SetMark(Mesh &mesh, unsigned face);
    static void ClearMarks(Mesh &mesh);
    // The mean of the face's corners in the mesh's space.
    static General::Vector FaceCentre(const Mesh &mesh, unsigned face);

protected:
    // The falloff of the stroke at the face's centre (placed by the object matrix).
    float FalloffAtFace(const Mesh &mesh, unsigned face);
    // The changed-region box, from the mesh's space into the world's.
    void DirtyBoxToWorld(Mesh *mesh);
    // Target count; per target the packed mesh id, its integer, its segments and the
    // mesh's change records (8 bytes each). Reading checks every target before it takes
    // any: a mesh the scene lacks, a face or segment past the mesh, or a short record is
    // refused with the stream's error flag set and changes nothing.
    template <class Record>
    void SerializeTargets(Stream &stream, General::Store<Record> Mesh::*changes);

    unsigned m_iTestedCorners = 0;     // corners of the face last tested; 0 before the first
    std::vector<int32_t> m_aIntegers;  // per target, a count kept when it became one
};

}  // namespace Operations
