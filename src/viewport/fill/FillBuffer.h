#pragma once
// One of the two vertex-array sets through which the view streams a mesh level to
// OpenGL. A chunk of at most 16,000 faces is written as four parallel arrays (vertex k
// of every array belongs together) ready for one glDrawArrays call. The fill records how
// many vertices it wrote and as which primitive, and the draw covers exactly those: the
// slots behind them may hold an earlier chunk.

#include "foundation/Containers.h"
#include "foundation/math/Vector.h"
#include "mesh/core/MeshRecords.h"

#include <cstdint>

class Mesh;
struct FillSettings;

class FillBuffer {
public:
    static constexpr unsigned kMaxFaces = 16000;
    static constexpr unsigned kMaxVertices = 64000;
    static constexpr unsigned kMaxEdges = kMaxVertices / 2;

    enum Primitive { primitiveQuads, primitiveTriangles, primitiveLines };

    // Three signed 16-bit components, 32767 = 1.0 (GL_SHORT normals).
    struct Normal {
        int16_t x, y, z;
        bool operator==(const Normal &) const = default;
    };

    // The arrays are made once here; throws std::bad_alloc when memory is refused.
    FillBuffer();
    FillBuffer(const FillBuffer &) = delete;
    FillBuffer &operator=(const FillBuffer &) = delete;

    // Starts a new draw of `mesh`: the chunk before the first one.
    void Prime(Mesh *mesh, bool smooth);
    // Makes this buffer's chunk the one after `other`'s, moving on to the next partition
    // at the end of one; the number of faces in it, 0 when the mesh is done. Also decides
    // whether the chunk is coloured.
    unsigned NextChunk(const FillBuffer &other, const FillSettings &settings);
    // The six-bit entry of the fill table for this buffer's chunk.
    unsigned FillIndex(const FillSettings &settings) const;
    // Writes the chunk through the fill table.
    void Fill(const FillSettings &settings);
    // Draws what the last fill wrote with one glDrawArrays call from client arrays (the
    // colours when the chunk is coloured, the texture coordinates and the partition's
    // texture when it has them); returns the number of faces or lines drawn.
    unsigned Draw() const;

    // The number of faces of a partition in the chunking's face order.
    static unsigned PartitionFaceCount(const Mesh &mesh, int partition);
    // A triangle level whose polygons are stored as triangle fans draws its wireframe
    // as polygon outlines, written as lines by the fill.
    static bool WritesLines(const Mesh &mesh, const FillSettings &settings);

    // --- the arrays (kMaxVertices each) -------------------------------------------
    General::Array<General::Vector> m_aPositions;
    General::Array<Normal> m_aNormals;
    General::Array<uint32_t> m_aColors;  // R in the lowest byte (R first in memory), then G, B, A
    General::Array<TC> m_aTexCoords;

    // --- what was written -------------------------------------------------------
    unsigned m_iVertexCount = 0;  // vertices written by the last fill; the draw covers these
    Primitive m_ePrimitive = primitiveQuads;
    bool m_bHasTexCoords = false;  // the texture-coordinate array holds this chunk's coordinates

    // --- the chunk ----------------------------------------------------------------
    bool m_bSmooth = false;      // vertex normals (set) or face normals (clear)
    bool m_bColorsUsed = false;  // the colour array is written and drawn
    Mesh *m_pMesh = nullptr;
    int32_t m_iFirstFace = 0;
    int32_t m_iEndFace = 0;  // one past the last; a line fill may end the chunk earlier
    int32_t m_iEdgeCount = 0;
    int32_t m_iPartition = 0;
};
