#pragma once
// The state bits that the level code keeps in the corner words of a face record.
//   visible:  bit 31 of corner 0
//   selected: bit 31 of corner 1 (also the mark the octree unlinks by)
//   active:   the face belongs to the level's worked region; quads bit 31 of corner 2,
//             triangles bit 30 of corner 0. Only removed faces that carry it are kept
//             in the swap files. Relinking calls it the keep bit.
//   mapped:   its children are the ones shown on the next finer level; quads bit 31 of
//             corner 3, triangles bit 30 of corner 1.

#include "mesh/core/MeshRecords.h"

namespace LevelBits {

using MeshFlags::kBit30;
using MeshFlags::kBit31;

template <class Face>
inline void SetBit(Face &face, unsigned corner, uint32_t bit, bool on)
{
    if (on)
        face.m_iIndices[corner] |= bit;
    else
        face.m_iIndices[corner] &= ~bit;
}

template <class Face>
inline bool IsVisible(const Face &face) { return face.m_iIndices[0] & kBit31; }
template <class Face>
inline void SetVisible(Face &face, bool on) { SetBit(face, 0, kBit31, on); }

template <class Face>
inline bool IsSelected(const Face &face) { return face.m_iIndices[1] & kBit31; }
template <class Face>
inline void SetSelected(Face &face, bool on) { SetBit(face, 1, kBit31, on); }

template <class Face>
inline bool IsActive(const Face &face)
{
    return Face::kCorners == 4 ? face.m_iIndices[2] & kBit31 : face.m_iIndices[0] & kBit30;
}
template <class Face>
inline void SetActive(Face &face, bool on)
{
    if constexpr (Face::kCorners == 4)
        SetBit(face, 2, kBit31, on);
    else
        SetBit(face, 0, kBit30, on);
}

template <class Face>
inline bool IsMapped(const Face &face)
{
    return Face::kCorners == 4 ? face.m_iIndices[3] & kBit31 : face.m_iIndices[1] & kBit30;
}
template <class Face>
inline void SetMapped(Face &face, bool on)
{
    if constexpr (Face::kCorners == 4)
        SetBit(face, 3, kBit31, on);
    else
        SetBit(face, 1, kBit30, on);
}

template <class Face>
inline unsigned CornerVertex(const Face &face, unsigned corner)
{
    return face.m_iIndices[corner] & MeshFlags::kIndexMask;
}
template <class Face>
inline void SetCornerVertex(Face &face, unsigned corner, unsigned vertex)
{
    face.m_iIndices[corner] = (face.m_iIndices[corner] & ~MeshFlags::kIndexMask) | (vertex & MeshFlags::kIndexMask);
}

// Neighbour entries: a held neighbour is neighbour × n + slot (below 0x80000000); an open
// edge is 0xFFFFFFFF; a neighbour the level does not hold is 0x80000000 + global × n + slot.
constexpr uint32_t kOpenEdge = 0xFFFFFFFF;
constexpr uint32_t kAbsentNeighbour = 0x80000000;
inline bool IsHeldNeighbour(int32_t entry) { return entry >= 0; }

}  // namespace LevelBits
