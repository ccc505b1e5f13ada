#pragma once
// The fill table: 64 fills made from one template on six flags, so that the per-face
// loop of each carries no test for a feature that is off. Bit n of an entry's index:
//   0 smooth      vertex normals instead of the face normal (and texture coordinates
//                 when the material has a texture and the mesh has coordinates)
//   1 colours     one colour per face in the colour array
//   2 hidden      faces whose visible bit is clear are left out
//   3 table       face numbers come from the mesh's face index table
//   4 culling     triangles facing away from the camera are left out (quads never)
//   5 partitions  texture coordinates for every vertex written
// Skipped faces move the following ones up; the buffer's vertex count says how many
// vertices were written. A fill reads the mesh and writes only the buffer.

#include <array>

class FillBuffer;
struct FillSettings;

namespace FillVariants {

using Function = void (*)(FillBuffer &, const FillSettings &);

const std::array<Function, 64> &Table();

}  // namespace FillVariants
