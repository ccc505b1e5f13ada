#pragma once
// Levels for the map extraction tests: one quad per texture rectangle, the box of the
// positions given separately.
#include "mesh/levels/SubdivLevel.h"
#include "support/MeshFixtures.h"

#include <memory>
#include <vector>

namespace fixtures {

struct UVQuad {
    float u0, v0, u1, v1;
};

// Quads whose texture coordinates span the given rectangles; the positions span the
// box from the origin to `size`.
inline std::unique_ptr<SubdivLevel> LevelWithUVs(const std::vector<UVQuad> &rects,
                                                 General::Vector size = General::Vector(1, 1, 1))
{
    std::vector<General::Vector> positions;
    std::vector<std::array<unsigned, 4>> quads;
    std::vector<TC> tcs;
    for (const UVQuad &r : rects) {
        const unsigned base = unsigned(positions.size());
        positions.push_back(General::Vector(0, 0, 0));
        positions.push_back(General::Vector(size.x, 0, 0));
        positions.push_back(General::Vector(size.x, size.y, size.z));
        positions.push_back(General::Vector(0, size.y, size.z));
        tcs.push_back(TC{r.u0, r.v0});
        tcs.push_back(TC{r.u1, r.v0});
        tcs.push_back(TC{r.u1, r.v1});
        tcs.push_back(TC{r.u0, r.v1});
        quads.push_back({base, base + 1, base + 2, base + 3});
    }
    auto level = MakeQuads<SubdivLevel>(positions, quads);
    level->m_iTCCount = unsigned(tcs.size());
    level->m_pTCs.SetItemCount(level->m_iTCCount, false);
    for (unsigned i = 0; i < tcs.size(); ++i)
        level->m_pTCs[i] = tcs[i];
    return level;
}

}  // namespace fixtures
