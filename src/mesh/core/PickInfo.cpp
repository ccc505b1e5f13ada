#include "mesh/core/PickInfo.h"

#include "mesh/core/Mesh.h"

#include <cmath>

using General::Vector;

namespace {

// The 4 × 4 control points around a quad, row by row; the quad is the centre cell.
struct Grid {
    Vector g[16];
    bool filled[16] = {};

    Vector &At(int row, int column) { return g[4 * row + column]; }
    const Vector &At(int row, int column) const { return g[4 * row + column]; }
};

// How deep the gathering may reach for each entry: the centre from the quad itself, the
// border from its neighbours and the corners from the neighbours' neighbours.
constexpr int kAllowance[16] = {2, 1, 1, 2, 1, 0, 0, 1, 1, 0, 0, 1, 2, 1, 1, 2};

// Places quad `quad` with its corner `first` at the top-left of block `block` (corners
// going round the block clockwise in grid order), then its neighbours around it.
void Gather(Mesh &mesh, Grid &grid, unsigned quad, int first, int block, int depth)
{
    const int positions[4] = {block, block + 1, block + 5, block + 4};
    bool wrote = false;
    for (int k = 0; k < 4; ++k) {
        const int at = positions[k];
        if (grid.filled[at] || kAllowance[at] < depth)
            continue;
        grid.g[at] = mesh.QuadVertex(quad, unsigned(first + k) % 4).m_vPosition;
        grid.filled[at] = true;
        wrote = true;
    }
    if (!wrote)
        return;
    // Across the block's top, right, bottom and left edges.
    const int next[4] = {block - 4, block + 1, block + 4, block - 1};
    for (int edge = 0; edge < 4; ++edge) {
        const int target = next[edge];
        if (target < 0 || target >= 11 || target == 3 || target == 7)
            continue;
        const int32_t adjacent = mesh.m_pQuads[quad].m_iAdjacent[(first + edge) % 4];
        if (adjacent < 0 || uint32_t(adjacent) / 4 >= mesh.m_iFaceCount)
            continue;
        const int slot = adjacent % 4;
        // The neighbour's shared edge is the opposite side of its block.
        Gather(mesh, grid, uint32_t(adjacent) / 4, (slot - edge + 2 + 8) % 4, target, depth + 1);
    }
}

// Border entries still missing are extrapolated from the next two inward: g = 2q - r.
void Reflect(Grid &grid)
{
    static constexpr int kPairs[24][2] = {
        {1, 4},  {2, 4},  {13, -4}, {14, -4}, {4, 1},  {8, 1},  {7, -1}, {11, -1},  // edges, inward
        {0, 1},  {0, 4},  {3, -1},  {3, 4},   {12, 1}, {12, -4}, {15, -1}, {15, -4},  // corners
        {1, 1},  {2, -1}, {13, 1},  {14, -1}, {4, 4},  {8, -4}, {7, 4},  {11, -4},  // edges, along the border
    };
    for (const auto &pair : kPairs) {
        const int entry = pair[0], step = pair[1];
        const int q = entry + step, r = entry + 2 * step;
        if (grid.filled[entry] || !grid.filled[q] || !grid.filled[r])
            continue;
        grid.g[entry] = grid.g[q] * 2.0f - grid.g[r];
        grid.filled[entry] = true;
    }
}

// One Catmull-Clark step of a regular patch toward (u, v): the quadrant's 4 × 4 points.
void Refine(Grid &grid, float &u, float &v)
{
    const int rowBit = v >= 0.5f ? 1 : 0;
    const int columnBit = u >= 0.5f ? 1 : 0;
    const Grid &p = grid;
    // The refined points in a 7 × 7 layout: (2i, 2j) vertex points, (2i+1, 2j+1) face
    // points, the others edge points; rows and columns 1 to 5 can be made.
    Vector fine[7][7];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            fine[2 * r + 1][2 * c + 1] = (p.At(r, c) + p.At(r, c + 1) + p.At(r + 1, c) + p.At(r + 1, c + 1)) * 0.25f;
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            fine[2 * (r + 1)][2 * c + 1] = (p.At(r + 1, c) + p.At(r + 1, c + 1)) * 0.375f +
                                           (p.At(r, c) + p.At(r, c + 1) + p.At(r + 2, c) + p.At(r + 2, c + 1)) * 0.0625f;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 2; ++c)
            fine[2 * r + 1][2 * (c + 1)] = (p.At(r, c + 1) + p.At(r + 1, c + 1)) * 0.375f +
                                           (p.At(r, c) + p.At(r, c + 2) + p.At(r + 1, c) + p.At(r + 1, c + 2)) * 0.0625f;
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c) {
            const int i = r + 1, j = c + 1;
            fine[2 * i][2 * j] = p.At(i, j) * 0.5625f +
                                 (p.At(i - 1, j) + p.At(i + 1, j) + p.At(i, j - 1) + p.At(i, j + 1)) * 0.09375f +
                                 (p.At(i - 1, j - 1) + p.At(i - 1, j + 1) + p.At(i + 1, j - 1) + p.At(i + 1, j + 1)) *
                                     0.015625f;
        }
    Grid child;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            child.At(r, c) = fine[1 + rowBit + r][1 + columnBit + c];
    for (bool &f : child.filled)
        f = true;
    grid = child;
    u = 2.0f * u - float(columnBit);
    v = 2.0f * v - float(rowBit);
}

// The corner normal of a grid point: the cells around it, each H × normalise(V).
Vector CornerNormal(const Grid &grid, int row, int column)
{
    Vector sum(0, 0, 0);
    for (int r = row - 1; r <= row; ++r)
        for (int c = column - 1; c <= column; ++c) {
            const Vector &c00 = grid.At(r, c), &c01 = grid.At(r, c + 1);
            const Vector &c10 = grid.At(r + 1, c), &c11 = grid.At(r + 1, c + 1);
            if (c00 == c01 || c01 == c11 || c11 == c10 || c10 == c00)
                continue;  // a collapsed cell has no direction
            const Vector h = (c01 - c00) + (c11 - c10);
            const Vector vertical = (c10 - c00) + (c11 - c01);
            sum += h.Cross(vertical.Normalized());
        }
    return sum;
}

Vector ShortNormal(const Vertex &vertex)
{
    return Vector(float(vertex.m_aNormal[0]), float(vertex.m_aNormal[1]), float(vertex.m_aNormal[2])) *
           (1.0f / 32767.0f);
}

}  // namespace

int PickInfo::GetNearestVertex(int *tcIndex) const
{
    if (!m_pMesh || m_iFace < 0 || uint32_t(m_iFace) >= m_pMesh->m_iFaceCount)
        return -1;
    Mesh &mesh = *m_pMesh;
    const unsigned face = unsigned(m_iFace);
    const Vector hit = GetWorldPosition();
    int best = -1;
    unsigned bestCorner = 0;
    float bestDistance = 9999999.0f;
    for (unsigned c = 0; c < mesh.Corners(); ++c) {
        const unsigned v = mesh.FaceVertexIndex(face, c);
        if (v >= mesh.m_iVertexCount)
            continue;
        const float distance = (mesh.m_pVertices[v].m_vPosition - hit).Length();
        if (best < 0 || distance < bestDistance) {
            best = int(v);
            bestCorner = c;
            bestDistance = distance;
        }
    }
    if (best >= 0 && tcIndex)
        *tcIndex = mesh.WithFaces([&](const auto &faces) { return int(faces[face].m_iTCI[bestCorner]); });
    return best;
}

const Vector &PickInfo::GetPositionAtLevel(int level)
{
    if (level != m_iLevel) {
        m_iLevel = level;
        UpdateLevelFrame();
    }
    return m_vLevelPosition;
}

const Vector &PickInfo::GetNormalAtLevel(int level)
{
    if (level != m_iLevel) {
        m_iLevel = level;
        UpdateLevelFrame();
    }
    return m_vLevelNormal;
}

void PickInfo::UpdateLevelFrame()
{
    m_vLevelPosition = m_vLevelNormal = Vector(0, 0, 0);
    if (!m_pMesh || m_iFace < 0 || uint32_t(m_iFace) >= m_pMesh->m_iFaceCount)
        return;
    Mesh &mesh = *m_pMesh;
    const unsigned face = unsigned(m_iFace);
    const bool triangles = mesh.m_eType == Mesh::typeTriangular;
    // Corners K0, K1, K2 span the hit triangle.
    static constexpr unsigned kTriangle[3] = {0, 2, 1};
    static constexpr unsigned kQuad[2][3] = {{1, 0, 3}, {3, 2, 1}};
    const unsigned *k = triangles ? kTriangle : kQuad[m_iHalf ? 1 : 0];
    const Vertex &k0 = triangles ? mesh.TriangleVertex(face, k[0]) : mesh.QuadVertex(face, k[0]);
    const Vertex &k1 = triangles ? mesh.TriangleVertex(face, k[1]) : mesh.QuadVertex(face, k[1]);
    const Vertex &k2 = triangles ? mesh.TriangleVertex(face, k[2]) : mesh.QuadVertex(face, k[2]);
    const Vector p = GetWorldPosition();
    Vector ab = p - k0.m_vPosition;
    ab.SolveInBasis(k1.m_vPosition - k0.m_vPosition, k2.m_vPosition - k0.m_vPosition);
    const float a = ab.x, b = ab.y, c = 1.0f - a - b;
    if (triangles) {
        m_vLevelPosition = p;
        m_vLevelNormal = ShortNormal(k1) * a + ShortNormal(k2) * b + ShortNormal(k0) * c;
        return;
    }
    float u = m_iHalf ? 1.0f - c : c;
    float v = m_iHalf ? 1.0f - b : b;
    Grid grid;
    Gather(mesh, grid, face, 0, 5, 0);
    Reflect(grid);
    for (int step = 0; step < m_iLevel; ++step)
        Refine(grid, u, v);
    const Vector &g11 = grid.At(1, 1), &g12 = grid.At(1, 2), &g21 = grid.At(2, 1), &g22 = grid.At(2, 2);
    m_vLevelPosition = v >= u ? g11 + (g21 - g11) * v + (g22 - g21) * u : g11 + (g12 - g11) * u + (g22 - g12) * v;
    const Vector n11 = CornerNormal(grid, 1, 1), n12 = CornerNormal(grid, 1, 2);
    const Vector n21 = CornerNormal(grid, 2, 1), n22 = CornerNormal(grid, 2, 2);
    const Vector top = n11 * (1.0f - u) + n12 * u;
    const Vector bottom = n21 * (1.0f - u) + n22 * u;
    m_vLevelNormal = (top * (1.0f - v) + bottom * v).Normalized();
}
