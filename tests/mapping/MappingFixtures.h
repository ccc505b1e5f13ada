#pragma once
// Levels for the map extraction tests: one quad per texture rectangle, the box of the
// positions given separately.
#include "mapping/Mapper.h"
#include "mesh/levels/SubdivLevel.h"
#include "support/MeshFixtures.h"

#include <QDir>

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

// Both maps as floats, `size` texels a side, named <prefix>_normal_%i and
// <prefix>_disp_%i in `folder`; object-space normals, the hit nearest the low surface,
// no bleeding. The caller sets the low and the high mesh first: choosing a high mesh
// resets the search distance.
inline void ConfigureFloatBake(MapExtraction::Mapper &mapper, const QDir &folder, const QString &prefix, int size,
                               float search)
{
    mapper.m_aMapWidth.SetValue(size, true);
    mapper.m_aMapHeight.SetValue(size, true);
    mapper.m_aSearchDistance.SetValue(search, true);
    mapper.m_aRayCenter.SetValue(2, true);
    mapper.m_aNormalMapFormat.SetValue(2, true);
    mapper.m_aDisplacementMapFormat.SetValue(MapExtraction::mapBWFloat, true);
    mapper.m_aNormalMapSpace.SetValue(0, true);
    mapper.m_aEdgeBleeding.SetValue(0, true);
    mapper.m_aCreateNormalMap.SetValue(true, true);
    mapper.m_aCreateDisplacementMap.SetValue(true, true);
    mapper.m_aNormalMapFilename.SetValue(folder.filePath(prefix + QStringLiteral("_normal_%i")), true);
    mapper.m_aDisplacementMapFilename.SetValue(folder.filePath(prefix + QStringLiteral("_disp_%i")), true);
}

}  // namespace fixtures
