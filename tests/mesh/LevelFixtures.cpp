#include "LevelFixtures.h"

#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/core/Octree.h"

#include <array>
#include <map>

namespace LevelFixtures {

namespace {

Quad BlankQuad()
{
    Quad q{};
    q.m_iOctree = OctreeLink::kNone;
    for (unsigned c = 0; c < 4; ++c) {
        q.m_iIndices[c] = 0;
        q.m_iAdjacent[c] = -1;
        q.m_iTCI[c] = int32_t(MeshFlags::kNoTC);
    }
    LevelBits::SetVisible(q, true);
    LevelBits::SetActive(q, true);
    return q;
}

}  // namespace

std::unique_ptr<SubdivLevel> MakeCube(unsigned n, bool octree)
{
    std::map<std::array<int, 3>, unsigned> index;
    std::vector<General::Vector> positions;
    auto vertex = [&](std::array<int, 3> p) {
        auto [it, fresh] = index.emplace(p, unsigned(positions.size()));
        if (fresh)
            positions.emplace_back(float(p[0]), float(p[1]), float(p[2]));
        return it->second;
    };
    // Per side: the fixed axis and value, and the two running axes ordered so that u × v points out.
    struct Side {
        int fixed, value, u, v;
    };
    const int N = int(n);
    const Side sides[6] = {{0, N, 1, 2}, {0, 0, 2, 1}, {1, N, 2, 0}, {1, 0, 0, 2}, {2, N, 0, 1}, {2, 0, 1, 0}};
    std::vector<std::array<unsigned, 4>> faces;
    for (const Side &s : sides)
        for (int a = 0; a < N; ++a)
            for (int b = 0; b < N; ++b) {
                auto at = [&](int du, int dv) {
                    std::array<int, 3> p{};
                    p[s.fixed] = s.value;
                    p[s.u] = a + du;
                    p[s.v] = b + dv;
                    return vertex(p);
                };
                faces.push_back({at(0, 0), at(1, 0), at(1, 1), at(0, 1)});
            }
    auto level = std::make_unique<SubdivLevel>(unsigned(faces.size()), unsigned(positions.size()), 0, 0, true);
    for (unsigned v = 0; v < positions.size(); ++v) {
        Vertex &vx = level->m_pVertices[v];
        vx = Vertex{};
        vx.m_vPosition = positions[v];
    }
    for (unsigned f = 0; f < faces.size(); ++f) {
        Quad q = BlankQuad();
        for (unsigned c = 0; c < 4; ++c)
            LevelBits::SetCornerVertex(q, c, faces[f][c]);
        level->m_pQuads[f] = q;
    }
    level->CalculateAdjacency();
    level->CalculateNormals(false);
    if (octree)
        level->BuildOctree();
    return level;
}

SubdivLevel &AddSplitLevel(SubdivLevel &parent)
{
    const unsigned T = parent.m_iFaceCount, B = parent.m_iVertexCount;
    auto level = new SubdivLevel(T * 4, 0, 0, 0, true);
    std::vector<General::Vector> positions;
    std::vector<unsigned> globals;
    std::map<unsigned, unsigned> localOf;  // global -> local
    auto vertex = [&](unsigned global, const General::Vector &p) {
        auto [it, fresh] = localOf.emplace(global, unsigned(positions.size()));
        if (fresh) {
            positions.push_back(p);
            globals.push_back(global);
        }
        return it->second;
    };
    for (unsigned v = 0; v < B; ++v)
        vertex(v, parent.m_pVertices[v].m_vPosition);
    for (unsigned g = 0; g < T; ++g) {
        const Quad &p = parent.m_pQuads[g];
        General::Vector V[4], centre(0, 0, 0);
        unsigned corner[4], edge[4];
        for (unsigned c = 0; c < 4; ++c) {
            corner[c] = LevelBits::CornerVertex(p, c);
            V[c] = parent.m_pVertices[corner[c]].m_vPosition;
            centre += V[c] * 0.25f;
        }
        const unsigned face = vertex(B + g, centre);
        for (unsigned e = 0; e < 4; ++e) {
            unsigned key = g * 4 + e;
            if (p.m_iAdjacent[e] >= 0)
                key = std::min(key, unsigned(p.m_iAdjacent[e]));
            edge[e] = vertex(B + T + key, (V[e] + V[(e + 1) % 4]) * 0.5f);
        }
        const unsigned layout[4][4] = {{corner[0], edge[0], face, edge[3]},
                                       {edge[0], corner[1], edge[1], face},
                                       {edge[3], face, edge[2], corner[3]},
                                       {face, edge[1], corner[2], edge[2]}};
        for (unsigned c = 0; c < 4; ++c) {
            Quad q = BlankQuad();
            for (unsigned k = 0; k < 4; ++k)
                LevelBits::SetCornerVertex(q, k, layout[c][k]);
            level->m_pQuads[g * 4 + c] = q;
        }
    }
    level->m_iVertexCount = level->m_iTotalVertexCount = unsigned(positions.size());
    level->m_pVertices.SetItemCount(unsigned(positions.size()), false);
    level->m_aCCPositions.SetItemCount(unsigned(positions.size()), false);
    level->m_aVertexMap.SetItemCount(unsigned(positions.size()), false);
    for (unsigned v = 0; v < positions.size(); ++v) {
        level->m_pVertices[v] = Vertex{};
        level->m_pVertices[v].m_vPosition = positions[v];
        level->m_aCCPositions[v] = positions[v];
        level->m_aVertexMap[v] = {int(v), int(globals[v])};
    }
    level->m_aVertexMap.MarkUnsorted();
    level->m_iGlobalVertexBound = B + T + 4 * T;
    level->m_bAbsolute = true;
    level->CalculateAdjacency();
    level->CalculateNormals(false);
    parent.SetNextLevel(level);
    return *level;
}

void MarkVertices(SubdivLevel &level)
{
    for (unsigned v = 0; v < level.m_iVertexCount; ++v) {
        level.m_pVertices[v].m_iStrokeID = int32_t(1000 + v);
        level.m_pVertices[v].m_cMask = uint8_t(v % 251 + 1);
        level.m_pVertices[v].m_cFreeze = v % 2 ? 255 : 0;
    }
}

}  // namespace LevelFixtures
