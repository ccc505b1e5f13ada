#pragma once
// Fills the arrays of one video buffer while a flood walks the faces of a mesh: each
// face it accepts adds its new vertices (colour, and texture coordinates when asked),
// and its triangles, or the lines of its edges in wireframe. A face whose new
// vertices would take the buffer past 65,536 vertices is refused and left for a
// later buffer.

#include "foundation/math/Color.h"
#include "foundation/Containers.h"
#include "mesh/buffers/BufferObject.h"
#include "mesh/core/FaceVisitor.h"

class BufferCreator : public FaceVisitor {
public:
    BufferCreator(bool wireframe, bool texCoords);

    // Counts back to 0 and the vertex index store released, for the next buffer.
    void Reset();
    // The colours faces are drawn in: unselected and selected faces, the colour a
    // face's freeze amount blends towards, and whether vertex masks darken them.
    void SetColors(const General::Color &unselected, const General::Color &selected, const General::Color &highlight,
                   bool applyMask);

    void ProcessFace(Mesh &, unsigned) override {}
    // Adds the face to the current buffer; false when it is not taken.
    bool IsFaceAffected(Mesh &mesh, unsigned face) override;

    unsigned m_iBase = 0;            // vertex table entries at or above it belong to the current buffer
    unsigned m_iVertexCount = 0;     // in the current buffer
    unsigned m_iPrimitiveCount = 0;  // in the current buffer
    unsigned m_iThreshold = 0;       // faces stamped at or above it are taken already
    General::Store<unsigned int> m_aVertexIndices{"unknown"};
    General::Store<BufferObject::AVertex> m_aAttributes{"buffercreator attribute vertices"};
    General::Store<BufferObject::TCVertex> m_aTCVertices{"unknown"};
    General::Store<unsigned short> m_aIndices{"buffercreator indices"};
    bool m_bWireframe;
    bool m_bTexCoords;
    General::Store<unsigned int> m_aNewVertices{"buffercreator new vertices"};  // per mesh vertex: base + buffer index
    int m_iPartition = -1;                                                      // -1: faces of every partition

private:
    template <class Face>
    bool AddFace(Mesh &mesh, unsigned face, const Face &record);
    // Room for `vertices` more vertices and `indices` more indices; false when memory is refused.
    bool MakeRoom(unsigned vertices, unsigned indices);
    uint32_t CornerColor(const Mesh &mesh, unsigned vertex, const General::Color &faceColor) const;
    void AddLine(unsigned a, unsigned b);

    General::Color m_cUnselected{0.8f, 0.8f, 0.8f, 1.0f};
    General::Color m_cSelected{0.8f, 0.8f, 0.8f, 1.0f};
    General::Color m_cHighlight{0.8f, 0.8f, 0.8f, 1.0f};
    bool m_bApplyMask = false;
};
