#pragma once
// One hit of the picker. The scene's picker fills it; the mesh mirrors it for
// symmetric brushing. It names the picked mesh, so it lives with the mesh.

#include "foundation/math/Vector.h"

#include <cstdint>

class Mesh;

class PickInfo {
public:
    PickInfo() = default;

    // The mirrored pick, computed by the picked mesh.
    PickInfo &GetSymmetric(PickInfo &result) const;
    // The hit point in the picked mesh's own space (m_vPosition is in world space);
    // the zero vector when the pick has no mesh.
    General::Vector GetWorldPosition() const;
    // The corner of this pick's face nearest to this pick's hit point (the first of
    // equals); its texture-coordinate index goes to `tcIndex` when given. -1 without a
    // mesh or a valid face.
    int GetNearestVertex(int *tcIndex = nullptr) const;
    // The hit carried onto the surface `level` subdivisions finer than the picked quad
    // mesh (a triangle mesh: the hit with blended corner normals); cached per level.
    const General::Vector &GetPositionAtLevel(int level);
    const General::Vector &GetNormalAtLevel(int level);
    void UpdateLevelFrame();

    int32_t m_iFace = -1;
    General::Vector m_vPosition{0, 0, 0};  // world space
    General::Vector m_vNormal{0, 0, 0};    // the mesh's own space
    General::Vector m_vLevelPosition{0, 0, 0};
    General::Vector m_vLevelNormal{0, 0, 0};
    float m_fDistance = 1.0f;  // along the pick segment, 0 at its start
    int32_t m_iIndex2 = -1;
    int32_t m_iTag = 0;
    int32_t m_iHalf = 0;
    int32_t m_iLevel = -1;
    bool m_bFrozen = false;
    Mesh *m_pMesh = nullptr;
    int32_t m_aUser[2] = {0, 0};
};
