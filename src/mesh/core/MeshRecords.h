#pragma once
// The records of a mesh. Vertices, faces and texture coordinates are written to
// scene files as raw memory images, so their layouts below are a file format:
// every field keeps its width and offset (little-endian).

#include "foundation/math/Vector.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>

// Flag bits of the corner words; the vertex index is the low 30 bits.
namespace MeshFlags {
constexpr uint32_t kIndexMask = 0x3FFFFFFF;
constexpr uint32_t kBit31 = 0x80000000;  // corner 0: visible; corner 1: selected; triangle corner 2: continues a fan
constexpr uint32_t kBit30 = 0x40000000;  // per-face marks of the operations and the level code
constexpr uint32_t kNoTC = 0x80000000;   // texture index not assigned yet
constexpr uint32_t kBlankCorner = 0xC0000000;
}  // namespace MeshFlags

// Octree link words of a face (word 0 of its record).
namespace OctreeLink {
constexpr uint32_t kChainEnd = 0x80000000;  // + cube index: last face of that cube's chain
constexpr uint32_t kUnlinked = 0xC0000000;  // + cube index: taken out of that cube
constexpr uint32_t kNone = 0xFFFFFFFF;      // in no cube
}  // namespace OctreeLink

// Normals are kept as three signed 16-bit values, component × 32767, truncated.
// Rounding in the normalisation of tiny vectors can pass 1; such values are clamped.
inline int16_t PackNormalComponent(float value)
{
    if (!(value > -1.0f))
        return value == value ? -32767 : 0;
    return value < 1.0f ? int16_t(value * 32767.0f) : int16_t(32767);
}
inline void PackNormal(const General::Vector &n, int16_t *packed)
{
    packed[0] = PackNormalComponent(n.x);
    packed[1] = PackNormalComponent(n.y);
    packed[2] = PackNormalComponent(n.z);
}
inline General::Vector UnpackNormal(const int16_t *packed)
{
    return General::Vector::FromShortNormal(packed[0], packed[1], packed[2]);
}

struct Vertex {
    General::Vector m_vPosition;
    // Stamp of the last stroke that touched the vertex; while the vertex has a
    // restore entry it holds that entry's index instead.
    int32_t m_iStrokeID;
    // While the normal updater holds the vertex, its first four bytes carry the updater's entry.
    int16_t m_aNormal[3];
    uint8_t m_cFreeze;  // 0 or 255
    uint8_t m_cMask;    // read as value / 255

    // Mask byte from a value of 0 to 1; out-of-range values (from a damaged layer or a brush
    // overshoot) are held to the range and NaN counts as 0, since converting them is undefined.
    void SetMask(float value)
    {
        m_cMask = !(value > 0.0f) ? 0 : value >= 1.0f ? 255 : uint8_t(value * 255.0f);
    }
};

struct TC {
    float u, v;
};

// Quad slot k is the edge from corner k to k + 1; an adjacency entry is
// neighbour × 4 + the neighbour's slot, -1 for an open edge. A record fills one cache
// line exactly when the store starts on a line, so a walk waits for one line per face.
struct alignas(64) Quad {
    static constexpr unsigned kCorners = 4;
    static constexpr unsigned SlotFrom(unsigned corner) { return corner; }
    static constexpr unsigned SlotStart(unsigned slot) { return slot; }

    uint32_t m_iOctree;
    uint32_t m_iStamp;  // equals the mesh's stamp once a walk has reached the face
    int16_t m_aNormal[3];
    uint16_t m_iFreeze;
    uint32_t m_iIndices[4];
    int32_t m_iAdjacent[4];
    int32_t m_iTCI[4];
};

// Triangle slot k is the edge opposite corner k (from corner k + 1 to k + 2).
struct Triangle {
    static constexpr unsigned kCorners = 3;
    static constexpr unsigned SlotFrom(unsigned corner) { return (corner + 2) % 3; }
    static constexpr unsigned SlotStart(unsigned slot) { return (slot + 1) % 3; }

    uint32_t m_iOctree;
    uint32_t m_iStamp;
    int16_t m_aNormal[3];
    uint16_t m_iFreeze;
    uint32_t m_iIndices[3];
    int32_t m_iAdjacent[3];
    int32_t m_iTCI[3];
    uint32_t m_iReserved;  // not used by the mesh code; carried as it is
};

// The pre-stroke copy of a vertex touched by the current stroke.
struct StoredVertexInfo {
    Vertex m_cVertex;
    float m_fAmount;  // applied amount of the stroke, 0 at the first edit
    uint32_t m_iVertexIndex;
    int32_t m_aLayerData[2];  // filled by the layer code
};

struct ModifiedVertexInfo {
    uint32_t m_aWords[4];  // filled and read by the sculpt operations
};

// A face whose octree links are held aside during a stroke; the face's own link
// word holds the index of this record meanwhile.
struct ModifiedFaceInfo {
    uint32_t m_iFaceIndex;
    uint32_t m_aLink[2];  // octree layer 0 and layer 1
};

struct SelectedFaceInfo {
    uint32_t m_iFaceIndex;
    uint32_t m_iValue;
};

struct FaceVisibilityInfo {
    uint32_t m_iFaceIndex;
    uint32_t m_iValue;
};

struct MaskedFaceInfo {
    uint32_t m_iFaceIndex;
    uint16_t m_iValue;  // the face's earlier freeze value
};

static_assert(sizeof(Vertex) == 24 && offsetof(Vertex, m_iStrokeID) == 12 && offsetof(Vertex, m_aNormal) == 16 &&
              offsetof(Vertex, m_cFreeze) == 22 && offsetof(Vertex, m_cMask) == 23);
static_assert(sizeof(TC) == 8);
static_assert(sizeof(Triangle) == 56 && offsetof(Triangle, m_aNormal) == 8 && offsetof(Triangle, m_iFreeze) == 14 &&
              offsetof(Triangle, m_iIndices) == 16 && offsetof(Triangle, m_iAdjacent) == 28 &&
              offsetof(Triangle, m_iTCI) == 40 && offsetof(Triangle, m_iReserved) == 52);
static_assert(sizeof(Quad) == 64 && alignof(Quad) == 64 && offsetof(Quad, m_iIndices) == 16 && offsetof(Quad, m_iAdjacent) == 32 &&
              offsetof(Quad, m_iTCI) == 48);
static_assert(sizeof(ModifiedFaceInfo) == 12);
static_assert(std::is_trivially_copyable_v<Vertex> && std::is_trivially_copyable_v<Triangle> &&
              std::is_trivially_copyable_v<Quad> && std::is_trivially_copyable_v<StoredVertexInfo>);
