#pragma once
// What the fills take from a level's object: the material's colour and texture, the
// locked flag, whether the level is the one being edited and whether the active layer
// has data on it. A bare mesh (no object) draws as the active level of an unlocked,
// untextured white material.

#include "foundation/math/Color.h"

class Mesh;

struct FillLook {
    General::Color m_cDiffuse{1.0f, 1.0f, 1.0f, 1.0f};
    bool m_bTextured = false;  // the material names a texture
    bool m_bLocked = false;
    bool m_bActiveLevel = true;
    bool m_bActiveLayerLevel = false;  // the active layer has data on this level

    static FillLook Of(Mesh &mesh);
};
