#pragma once
// Which corners a triangle of a level sends in immediate mode. Filled: its three
// corners. In wireframe: edges as corner pairs, where the triangles of a polygon stored
// as a fan leave out their shared diagonals. A triangle whose corner 2 carries the fan
// mark continues the polygon of the triangle before it.

class Mesh;

struct TriangleCorners {
    unsigned m_aCorners[6];
    unsigned m_iCount = 0;
};

TriangleCorners CornersToDraw(const Mesh &level, unsigned face, bool wireframe);
