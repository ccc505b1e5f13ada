#pragma once
// The preference values the frame drawing reads, as plain values. The application fills
// them from its preferences; the defaults are those of a fresh installation.

#include "foundation/math/Color.h"
#include "viewport/fill/FillSettings.h"

#include <cstdint>

struct ViewSettings {
    General::Color m_cBackground{0.5f, 0.5f, 0.5f, 1.0f};
    General::Color m_cGradient1{0.62f, 0.64f, 0.68f, 1.0f};  // top edge
    General::Color m_cGradient2{0.22f, 0.23f, 0.26f, 1.0f};  // bottom edge, also the wire overlay colour
    int m_iGridLines = 20;   // lines per direction
    float m_fGridSize = 1.0f;  // spacing in the current linear unit
    float m_fUnitScale = 1.0f;
    General::Color m_cGrid{0.35f, 0.35f, 0.35f, 1.0f};
    General::Color m_cGridAxis{0.1f, 0.1f, 0.1f, 1.0f};
    // The tints, freeze and mask colours and the level display mode the fills use too.
    FillSettings m_cFill;
    bool m_bVideoBuffers = false;  // draw levels from buffer objects
    bool m_bOctreeDrawing = false;  // draw only the faces of the octree cubes in view
    bool m_bBufferRebuild = false;
    int m_iPointStep = 1;  // point clouds draw every n-th vertex
    uint32_t m_iPointFaceLimit = 4000000;
    bool m_bVisibleFaceCount = true;
    bool m_bSelectedFaceCount = false;
    // "UseDraftRender": while the camera moves, a level of at least m_iDraftFaceLimit visible
    // faces is drawn as a point cloud of every m_iDraftPoints-th vertex.
    bool m_bDraftRender = true;
    int m_iDraftPoints = 1;
    uint32_t m_iDraftFaceLimit = 1000000;
};
