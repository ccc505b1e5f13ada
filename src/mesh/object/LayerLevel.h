#pragma once
// A sculpt layer's offsets on one subdivision level: a sparse list of per-vertex
// records sorted by the level's global vertex id. A record is addressed by a signed
// index: i >= 0 is entry i of m_aData, a negative i entry ~i of m_aNewData (records a
// stroke added that are not merged yet).

#include "foundation/Containers.h"
#include "foundation/math/Vector.h"

#include <cstdint>
#include <type_traits>

class Layer3D;
class Stream;
class SubdivLevel;

class LayerLevel {
public:
    struct VertexData {
        General::Vector m_vOffset;
        float m_fWeight;               // mask weight, 1.0 when made
        int32_t m_iGlobalVertexIndex;  // -1 for an unused record
    };

    LayerLevel(SubdivLevel *level, Layer3D *layer, float strength);
    LayerLevel(const LayerLevel &) = delete;
    LayerLevel &operator=(const LayerLevel &) = delete;

    // The record of a signed index; null (reported) when out of range.
    VertexData *GetVertexData(int index);
    // The record of local vertex `vertex`: its index, or -1 when absent. With `add` an
    // absent vertex gets a new record (zero offset, weight 1) in m_aNewData and the result
    // is its negative index.
    int FindVertex(unsigned vertex, bool add);
    // Stores a record's offset and moves the mesh vertex by the change × weight × strength;
    // returns the former offset.
    General::Vector SetOffset(unsigned meshVertex, int index, const General::Vector &offset);
    // Fills an empty record; the records around it must stay in ascending order.
    void SetVertex(unsigned index, int globalIndex, float weight);
    // n unused records (weight 1, id -1); false when they cannot be held.
    bool SetVertexCount(unsigned count);
    // Merges the new records into the sorted list; negative indices are invalid afterwards.
    bool Extend();
    // Per vertex of the level in global-id order: (local vertex, record index or -1).
    bool MapVertices(General::Store<General::IntPair> &table);
    // Moves every vertex that has a record by offset × weight × factor.
    void ApplyToMesh(float factor);
    // Mask byte of each vertex: its record's weight × 255, 255 without a record.
    void ApplyWeightsToMask();

    // The stored record in the stream's direction; false when it could not be transferred
    // or does not hold together.
    bool Serialize(Stream &stream);

    LayerLevel *m_pNext = nullptr;
    SubdivLevel *m_pLevel;
    Layer3D *m_pLayer;
    float m_fStrength;
    General::Store<VertexData> m_aData{"layer data"};
    General::Store<VertexData> m_aNewData{"temporary layer data"};
    uint32_t m_iVertexCount = 0;

private:
    // The level's (local, global) vertex pairs sorted by global id; false when the level has none.
    General::Map *SortedVertexMap();
};

static_assert(sizeof(LayerLevel::VertexData) == 20 && std::is_trivially_copyable_v<LayerLevel::VertexData>,
              "layer records are 20-byte memory images in files");
