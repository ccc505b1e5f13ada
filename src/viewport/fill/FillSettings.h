#pragma once
// What a fill takes from the 3D view and the preferences, as plain values, so that the
// fills run and are tested without a view, a camera or a preferences object.

#include "foundation/math/Color.h"
#include "foundation/math/Vector.h"

struct FillSettings {
    enum InactiveLevels { inactiveNone = 0, inactiveHide = 1, inactiveShade = 2 };

    // --- the view's toggles ---------------------------------------------------
    bool m_bSmoothShade = false;  // vertex normals instead of face normals
    bool m_bWireframe = false;
    bool m_bCulling = false;  // back-facing triangles are left out
    // The camera's position in the mesh's own space, for culling.
    General::Vector m_vCameraPosition{0.0f, 0.0f, 0.0f};

    // --- preferences ------------------------------------------------------------
    General::Color m_cSelection{0.94f, 0.94f, 0.48f, 0.7f};
    General::Color m_cFrozen{0.7f, 0.5f, 0.7f, 0.7f};
    General::Color m_cLocked{0.7f, 0.7f, 0.7f, 0.7f};
    General::Color m_cInactiveLevel{0.05f, 0.43f, 0.7f, 0.7f};
    General::Color m_cLayerMask{0.6836f, 0.332f, 0.332f, 1.0f};
    int m_iInactiveLevels = inactiveNone;
    bool m_bShowFrozenVertices = false;
    bool m_bShowLayerMask = false;  // the active layer's weights shown in the layer-mask colour
};
