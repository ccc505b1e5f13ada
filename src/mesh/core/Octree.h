#pragma once
// The octree of a mesh level: axis-aligned cubes in one flat, index-addressed store.
// Faces are not copied into the cubes; each cube holds the head of a chain that runs
// through the link words of the mesh's face records (see Mesh::NextInCube), and the
// end of every chain names its cube, so a face's cube is found by walking its chain.
// The tree and its stream form are part of the mesh's own data (the mesh record
// embeds it), which is why it lives with the mesh; the selectors that search it
// belong to the scene.

#include "foundation/AABB.h"
#include "foundation/Containers.h"
#include "mesh/core/MeshRecords.h"

#include <QString>

#include <bit>
#include <memory>
#include <vector>

class Mesh;
class Stream;

namespace Octree {

class Octree;

// A derived copy of the layer-0 faces of one cube: their numbers and, side by side, the
// boxes of their pre-stroke corners. A search that tests many faces sweeps these arrays
// instead of following the chain from face record to face record, where each link must
// arrive before the next face is known. Made again when the cube's faces change or move;
// never stored.
class CubeFaces {
public:
    unsigned GetCount() const { return m_iCount; }
    const uint32_t *GetFaces() const { return m_pFaces; }
    // Lower and upper bounds on each axis, one array of GetCount() values each;
    // all NaN for a face with a corner that is not a number, so no bound rejects it.
    const float *GetMin(int axis) const { return m_pBounds + size_t(axis) * m_iCount; }
    const float *GetMax(int axis) const { return m_pBounds + size_t(axis + 3) * m_iCount; }

private:
    friend class Octree;
    struct Free {
        void operator()(void *block) const { ::operator delete(block); }
    };
    std::unique_ptr<void, Free> m_pBlock;
    const uint32_t *m_pFaces = nullptr;
    const float *m_pBounds = nullptr;
    unsigned m_iCount = 0;
    unsigned m_iCapacity = 0;  // faces the block has room for
    uint32_t m_iGeneration = 0;  // the tree's generation it was made in; 0: never made
};

// A visitor that searches the tree.
class Selector {
public:
    virtual ~Selector() = default;
    // 1: skip the cube and its subtree; 0: the cube is wholly inside (test nothing
    // below it); any other value: visit its faces and test its children.
    virtual int TestBox(const AABB &box) = 0;
    virtual void VisitFace(Mesh &mesh, unsigned face) = 0;
    // Visits a cube's layer-0 faces from its copy, in chain order; only called for
    // selectors that set m_bUseCubeFaces.
    virtual void VisitCubeFaces(Mesh &mesh, const CubeFaces &faces);

    // Whether the traversal hands over the cubes' face copies (made on first use and
    // kept while the faces stay put): worth it for searches repeated on every mouse move.
    bool m_bUseCubeFaces = false;

    int m_iTests = 0;    // counted by the traversal, one per TestBox
    int m_iVisited = 0;  // counted by selectors that want it
};

// Draws faces during a direct traversal (the view's immediate drawing).
class FaceDrawer {
public:
    virtual void DrawFace(Mesh &mesh, unsigned face) = 0;

protected:
    ~FaceDrawer() = default;
};

class OctreeCube {
public:
    explicit OctreeCube(Octree *octree = nullptr);
    OctreeCube(const AABB &box, Octree *octree);
    // A child of cube `parent`, child number `childNumber` = x + 2y + 4z (bit set: upper half).
    OctreeCube(int parent, int childNumber, Octree *octree);

    // Moves the face from `old` (when given) to the head of this cube's chain of that layer.
    void AddFace(unsigned face, OctreeCube *old, int layer);
    // Unlinks the face from this cube's chain of that layer; its link becomes 0xFFFFFFFF.
    void RemoveFace(unsigned face, int layer);
    // Takes every selected face out of the chain (bit cleared, link 0xC0000000 + index).
    void UnlinkMarkedFaces(int layer);
    // Inserts the face starting at this cube, climbing (and growing the root) when the
    // face is not inside. False when a needed cube cannot be made or the face's box is not finite.
    bool Insert(unsigned face, OctreeCube *old, const AABB *faceBox);
    int GetIndex() const { return m_iIndex; }

    int m_aChild[8];
    int m_iParent = -1;
    int16_t m_iDepth = 0;
    uint32_t m_aFirst[2];
    AABB m_cBox;
    int m_iIndex = -1;
    Octree *m_pOctree = nullptr;

private:
    OctreeCube *GetOrCreateChild(int childNumber);
    OctreeCube *GetParentOrGrow(const AABB &faceBox);
};

class Octree {
public:
    explicit Octree(Mesh *mesh);
    ~Octree();
    Octree(const Octree &) = delete;
    Octree &operator=(const Octree &) = delete;

    // Makes the root from the mesh's bounding box when there is none.
    void CreateRoot();
    // Deletes every cube and makes a new root from the mesh's box.
    void Reset();
    // Inserts starting at the hinted cube (or the root); false on failure.
    bool InsertFace(unsigned face, int cubeHint);
    // Inserts a face that moved or changed, climbing only as far as needed from its current cube.
    bool UpdateFace(unsigned face);
    // Marks every cube's face copy out of date: the pre-stroke corners of faces changed
    // in ways the tree does not see (a stroke ended, positions were rewritten).
    void InvalidateFaceCopies();
    // Marks one cube's face copy out of date.
    void InvalidateFaceCopy(int cube);
    // The cube's current face copy, made again when out of date; null when memory is
    // refused or the chain is damaged (the caller then walks the chain).
    const CubeFaces *GetCubeFaces(const OctreeCube &cube);
    // Visits the cubes the selector accepts. With a drawer, the visible faces are drawn
    // instead of being handed to the selector. Layers from `layer` down to 0 are walked.
    void Traverse(Selector &selector, FaceDrawer *drawer, int layer);
    // Rewrites every layer-0 chain after the mesh renumbered its faces: map[old] = new,
    // 0xFFFFFFFF for a face that is gone; size = the old face count.
    void RemapFaces(const General::Store<unsigned int> &map, unsigned size);
    // Writes, or reads into this (empty) tree. False on a short or corrupt record.
    bool Serialize(Stream &stream);
    // Checks a tree read from a file against the faces whose layer-0 link words
    // `linkOf(face)` yields: indices in range, the cubes form one tree, every chain
    // ends in its own cube and holds each face once, no face claims a chain it is not on.
    template <class LinkOf>
    bool CheckLinks(unsigned faceCount, LinkOf linkOf, QString &why) const;

    OctreeCube *GetCube(int index) const
    {
        if (index < 0 || index >= m_iCubeCount)
            return nullptr;
        const BlockSlot at = Locate(unsigned(index));
        return m_aBlocks[at.block]->GetBuffer() + at.offset;
    }
    OctreeCube *GetRoot() const { return GetCube(m_iRoot); }
    // Appends a copy of the cube (its index and chain ends set); null when memory is refused.
    OctreeCube *AddCube(const OctreeCube &cube);
    int GetCubeCount() const { return m_iCubeCount; }

    Mesh *m_pMesh;
    int m_iMaxDepth = 10;
    int m_iCubeCount = 0;
    int m_iRoot = -1;
    int16_t m_iDeepest = 0;
    float m_fLooseScale = 0.0f;
    float m_fLooseOffset = 0.0f;
    QString m_sName = QStringLiteral("unknown");

private:
    // Cubes live in blocks that never move, so a cube's address follows from its index: a
    // walk of the tree fetches each cube straight away instead of first missing in a large
    // table of pointers. Blocks double from 16 cubes, so small trees stay small, up to
    // 16384 cubes, so a large tree wastes little.
    static constexpr unsigned kFirstBlock = 16;
    static constexpr unsigned kDoublingBlocks = 11;
    static constexpr unsigned kLargeBlock = kFirstBlock << (kDoublingBlocks - 1);
    static constexpr unsigned kDoublingEnd = kFirstBlock * ((1u << kDoublingBlocks) - 1);
    struct BlockSlot {
        size_t block;
        unsigned offset;
        unsigned size;  // cubes the block holds
    };
    static BlockSlot Locate(unsigned index)
    {
        if (index >= kDoublingEnd)
            return {kDoublingBlocks + (index - kDoublingEnd) / kLargeBlock, (index - kDoublingEnd) % kLargeBlock,
                    kLargeBlock};
        const unsigned block = unsigned(std::bit_width(index / kFirstBlock + 1)) - 1;
        return {block, index - kFirstBlock * ((1u << block) - 1), kFirstBlock << block};
    }
    std::vector<std::unique_ptr<General::Array<OctreeCube>>> m_aBlocks;

    // The traversal's stack, kept between walks so that a pick allocates nothing.
    struct StackItem {
        OctreeCube *cube;
        bool inside;
    };
    std::vector<StackItem> m_aStack;

    // Face copies by cube index; a copy is current when its generation is this one.
    std::vector<CubeFaces> m_aCubeFaces;
    uint32_t m_iGeneration = 1;
    // The mesh stores the copies were made from: when they move or change size (a level
    // read back, stores replaced), every copy is out of date.
    const void *m_pCopiedVertices = nullptr;
    const void *m_pCopiedFaces = nullptr;
    unsigned m_iCopiedVertexCount = 0;
    unsigned m_iCopiedFaceCount = 0;
    void CheckCopiedStores();
    bool MakeCubeFaces(const OctreeCube &cube, CubeFaces &copy);

    void DeleteCubes();
    bool CheckStructure(QString &why) const;
};

template <class LinkOf>
bool Octree::CheckLinks(unsigned faceCount, LinkOf linkOf, QString &why) const
{
    using namespace OctreeLink;
    if (!CheckStructure(why))
        return false;
    General::Store<unsigned char> seen("octree check faces");
    if (!seen.SetItemCount(faceCount, false)) {
        why = QStringLiteral("not enough memory to check the octree");
        return false;
    }
    seen.Fill(0);
    for (int c = 0; c < m_iCubeCount; ++c) {
        const OctreeCube &cube = *GetCube(c);
        uint32_t link = cube.m_aFirst[0];
        while (link < kChainEnd) {
            if (link >= faceCount || seen[link]) {
                why = QStringLiteral("octree chain of cube %1 is broken at face %2").arg(c).arg(link);
                return false;
            }
            seen[link] = 1;
            link = linkOf(link);
        }
        if (link != kChainEnd + uint32_t(c)) {
            why = QStringLiteral("octree chain of cube %1 ends in another cube").arg(c);
            return false;
        }
    }
    for (unsigned f = 0; f < faceCount; ++f) {
        if (!seen[f] && linkOf(f) < kUnlinked) {
            why = QStringLiteral("face %1 has an octree link but is in no cube").arg(f);
            return false;
        }
    }
    return true;
}

}  // namespace Octree
