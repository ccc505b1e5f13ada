#include "viewport/draw/TriangleCorners.h"

#include "mesh/core/Mesh.h"

namespace {

bool ContinuesFan(const Mesh &level, unsigned face)
{
    return face < level.m_pTriangles.GetItemCount() && (level.m_pTriangles[face].m_iIndices[2] & MeshFlags::kBit31);
}

}  // namespace

TriangleCorners CornersToDraw(const Mesh &level, unsigned face, bool wireframe)
{
    TriangleCorners result;
    auto add = [&result](std::initializer_list<unsigned> corners) {
        for (unsigned c : corners)
            result.m_aCorners[result.m_iCount++] = c;
    };
    if (!wireframe) {
        add({0, 1, 2});
        return result;
    }
    const bool marked = ContinuesFan(level, face);
    const bool nextMarked = face + 1 < level.m_iFaceCount && ContinuesFan(level, face + 1);
    if (marked) {
        // Edge 0-1 is the diagonal shared with the triangle before; 2-0 is one with the next.
        add({1, 2});
        if (!nextMarked)
            add({2, 0});
    } else if (nextMarked) {
        add({1, 2, 1, 0});
    } else {
        add({0, 1, 1, 2, 2, 0});
    }
    return result;
}
