#pragma once
// The faces of a mesh level that overlap one unit tile of texture space, drawn with
// that tile's texture.

#include "foundation/math/AABB.h"
#include "foundation/Containers.h"

namespace Surface {

class Texture;

struct Partition {
    // Shared with every level that uses the material's tile; null when not fetched.
    Texture *m_pTexture = nullptr;
    // (i, j, 0) to (i + 1, j + 1, 1) for tile column i and row j.
    AABB m_cRect;
    General::Store<unsigned int> m_aFaces{"unknown"};
};

}  // namespace Surface
