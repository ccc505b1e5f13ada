#pragma once
// The octree of a mesh level: axis-aligned cubes in one flat, index-addressed store.
// Faces are not copied into the cubes; each cube holds the head of a chain that runs
// through the link words of the mesh's face records (see Mesh::NextInCube), and the
// end of every chain names its cube, so a face's cube can be found by walking its chain
// (a derived per-face table answers the same without the walk).
// The tree and its stream form are part of the mesh's own data (the mesh record
// embeds it), which is why it lives with the mesh; the selectors that search it
// belong to the scene.

#include "foundation/math/AABB.h"
#include "foundation/Containers.h"
#include "platform/LargePages.h"
#include "mesh/core/MeshRecords.h"

#include <QString>

#include <bit>
#include <memory>
#include <vector>

class Mesh;
class Stream;
namespace General {
class ProgressMeter;
}

namespace Octree {

class Octree;

// One axis of a child's box: [lo, lowerMax] for the lower half, [upperMin, hi] for the upper.
// Children tile their parent exactly unless the octree is made loose.
struct Halves {
    float lowerMax, upperMin;
};
inline Halves SplitAxis(float lo, float hi, float looseScale, float looseOffset)
{
    float margin = (hi - lo) * looseScale + looseOffset;
    if (looseOffset > (hi - lo) * 0.20000000298023224)
        margin = 0.0f;
    const float mid = (lo + hi) * 0.5f;
    return {mid + margin, mid - margin};
}

// A derived copy of layer-0 faces: their numbers and the pre-stroke corner positions.
// A search that tests many faces sweeps these arrays instead of following the chain
// from face record to face record and from there to the vertices, where each fetch
// must arrive before the next address is known. It copies one cube's faces, or for a
// small subtree the faces of all its cubes, cube by cube in walk order (a cube, then its
// children in child-number order). Made again when those faces change or move; never stored.
// Faces come in groups of four (the last one filled out with lanes a search drops): first
// the box of every group, then the corners of every group, one coordinate of one corner
// of its four faces at a time, then the face numbers. A search tests the group boxes four
// at a time and reads the corners of the groups it reaches only.
class CubeFaces {
public:
    unsigned GetCount() const { return m_iCount; }
    // 3 or 4, as the mesh's faces have.
    unsigned GetCorners() const { return m_iCorners; }
    unsigned GetGroups() const { return (m_iCount + 3) / 4; }
    // The box of the group's faces: minimum x, y, z, maximum x, y, z and two unused words
    // (a walk node's layout). Unbounded when a corner is not finite.
    const float *GetGroupBox(unsigned group) const { return Data() + size_t(group) * 8; }
    // One coordinate of one corner of the group's four faces.
    const float *GetGroupCorner(unsigned group, unsigned corner, int axis) const
    {
        return Data() + size_t(GetGroups()) * 8 + ((size_t(group) * m_iCorners + corner) * 3 + size_t(axis)) * 4;
    }
    float GetCorner(unsigned face, unsigned corner, int axis) const
    {
        return GetGroupCorner(face / 4, corner, axis)[face % 4];
    }
    // GetGroups() * 4 entries, those past GetCount() 0.
    const uint32_t *GetFaces() const
    {
        return reinterpret_cast<const uint32_t *>(Data() + size_t(GetGroups()) * (8 + size_t(m_iCorners) * 12));
    }
    // Bytes of the arrays for that many faces.
    static size_t GetBytes(unsigned count, unsigned corners)
    {
        return size_t((count + 3) / 4) * (8 + size_t(corners) * 12 + 4) * sizeof(float);
    }
    // The cube copied, with every cube below it when GetsSubtree().
    int GetCube() const { return m_iCube; }
    bool GetsSubtree() const { return m_bSubtree; }

    CubeFaces() = default;
    CubeFaces(CubeFaces &&other) noexcept { *this = std::move(other); }
    CubeFaces &operator=(CubeFaces &&other) noexcept
    {
        if (this != &other) {
            FreeOwnBlock();
            m_pData = other.m_pData;
            m_iCount = other.m_iCount;
            m_iCapacity = other.m_iCapacity;
            m_iGeneration = other.m_iGeneration;
            m_iCube = other.m_iCube;
            m_iCorners = other.m_iCorners;
            m_bSubtree = other.m_bSubtree;
            m_bOwned = other.m_bOwned;
            other.m_pData = nullptr;
            other.m_bOwned = false;
        }
        return *this;
    }
    ~CubeFaces() { FreeOwnBlock(); }

private:
    friend class Octree;
    const float *Data() const { return static_cast<const float *>(m_pData); }
    void FreeOwnBlock()
    {
        if (m_bOwned)
            ::operator delete(m_pData);
        m_bOwned = false;
    }
    // 32 bytes, so that two records share a cache line: a walk reads one per node it
    // reaches and asks for those of a node's children together.
    void *m_pData = nullptr;     // the block in use: from the heap when m_bOwned, else a place in the tree's copy pool
    unsigned m_iCount = 0;
    unsigned m_iCapacity = 0;    // faces the block has room for
    uint32_t m_iGeneration = 0;  // the tree's generation it was made in; 0: out of date
    int m_iCube = -1;            // -1: the node is no longer used
    uint8_t m_iCorners = 4;
    bool m_bSubtree = false;
    bool m_bOwned = false;
};
static_assert(sizeof(CubeFaces) == 32);

// One node of the walk layout: a derived, compact copy of the tree's shape that a walk
// repeated on every mouse move reads instead of the cube records. The children of a
// node lie side by side in child-number order, so a parent's children are tested from
// a few neighbouring cache lines. Small subtrees end in one node whose face copy holds
// all their faces: fewer levels to descend, each a wait on memory. Each node has a face
// copy of the same index, so the copy records of a node's children lie side by side too.
// Kept up to date as cubes are added; never stored.
struct WalkNode {
    float m_aMin[3];
    float m_aMax[3];
    uint32_t m_iFirstChild;  // node index of the first child
    uint32_t m_iChildCount;
};

// A visitor that searches the tree.
class Selector {
public:
    virtual ~Selector() = default;
    // 1: skip the cube and its subtree; 0: the cube is wholly inside (test nothing
    // below it); any other value: visit its faces and test its children.
    virtual int TestBox(const AABB &box) = 0;
    virtual void VisitFace(Mesh &mesh, unsigned face) = 0;

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
    // The box of child `childNumber` of a cube with box `parent`: every child is made by it.
    static AABB ChildBox(const AABB &parent, int childNumber, float looseScale, float looseOffset)
    {
        const float lo[3] = {parent.m_vMin.x, parent.m_vMin.y, parent.m_vMin.z};
        const float hi[3] = {parent.m_vMax.x, parent.m_vMax.y, parent.m_vMax.z};
        float min[3], max[3];
        for (int axis = 0; axis < 3; ++axis) {
            const Halves halves = SplitAxis(lo[axis], hi[axis], looseScale, looseOffset);
            const bool upper = (childNumber >> axis) & 1;
            min[axis] = upper ? halves.upperMin : lo[axis];
            max[axis] = upper ? hi[axis] : halves.lowerMax;
        }
        return AABB(General::Vector(min[0], min[1], min[2]), General::Vector(max[0], max[1], max[2]));
    }

    int m_aChild[8];
    int m_iParent = -1;
    int16_t m_iDepth = 0;
    // Derived, never stored: the children whose box may not follow from this cube's box
    // by the tree's loose scale and offset (an old root taken in when the tree grew, boxes
    // read back or made with other settings). Placing a face reads these children's
    // records and those of the children its box fits, not every child's.
    uint8_t m_iForeignChildren = 0;
    uint32_t m_aFirst[2];
    AABB m_cBox;
    int m_iIndex = -1;
    Octree *m_pOctree = nullptr;

private:
    friend class Octree;
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
    // Inserts a face that moved or changed, climbing only as far as needed from its current
    // cube. `faceBox`, when given, is the face's box as Mesh::AddFaceToAABB makes it.
    bool UpdateFace(unsigned face, const AABB *faceBox = nullptr);
    // UpdateFace for faces 0 to the mesh's face count in that order, advancing the meter once
    // per face. A tree that holds no face yet, given faces in no chain, gets the cubes, chains
    // and log that face by face gives, with the placement worked out on all processors.
    void UpdateAllFaces(General::ProgressMeter &meter);
    // The cube whose layer-0 chain holds the face, from a per-face table instead of a walk
    // to the chain's end; false when the table cannot be had (memory, a damaged chain).
    bool FindCubeOf(unsigned face, int &cube);
    // Marks every face copy out of date: the pre-stroke corners of faces changed in ways
    // the tree does not see (a stroke ended, positions were rewritten).
    void InvalidateFaceCopies();
    // Marks the face copy that holds the cube's faces out of date.
    void InvalidateFaceCopy(int cube);
    // Checks that the face copies were made from the mesh's current stores (call once before a walk).
    void CheckCopiedStores();
    // The walk layout, node 0 being the root; brought up to date with the cubes. Null
    // when there is no root or memory is refused (the caller then uses Traverse).
    const WalkNode *GetWalkNodes();
    // The current copy of the node's faces, made again when out of date; null when memory
    // is refused or a chain is damaged (the caller then uses VisitChains).
    const CubeFaces *GetFaceCopy(uint32_t node)
    {
        // A current copy is the common case of a walk's every node: inline.
        if (node < m_aFaceCopies.size() && m_aFaceCopies[node].m_iGeneration == m_iGeneration)
            return &m_aFaceCopies[node];
        return RemakeFaceCopy(node);
    }
    // Hands the faces the node's copy holds, in the same order, from the chains themselves.
    void VisitChains(uint32_t node, Selector &selector);
    // Asks for the copy records of `count` nodes from `first` ahead of their use.
    void PrefetchFaceCopies(uint32_t first, unsigned count) const
    {
        if (size_t(first) + count <= m_aFaceCopies.size())
            for (size_t line = 0; line < count * sizeof(CubeFaces); line += 64)
                __builtin_prefetch(reinterpret_cast<const char *>(&m_aFaceCopies[first]) + line);
    }
    // Asks for the faces of the node's copy ahead of their use (once its record has arrived).
    // A copy without faces is skipped: a prefetch of address 0 costs a full page-table walk.
    void PrefetchCopiedFaces(uint32_t node) const
    {
        if (node < m_aFaceCopies.size())
            if (const void *block = m_aFaceCopies[node].m_pData)
                __builtin_prefetch(block);
    }
    // Face copies made since the tree was made: a pick that made some paid for them.
    uint64_t GetCopiesMade() const { return m_iCopiesMade; }
    // Faces on layer 1 chains (a stroke's moved faces); walks over the layout need none.
    unsigned GetLayerOneFaces() const { return m_iLayerOneFaces; }
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
    // A cube's box is set before it is linked into the tree and never changed after.
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

    // The walk layout with a face copy for each node; m_aNodeOfCube gives for each cube
    // the node whose copy holds its faces. Cubes from m_iLaidOutCubes on are not in it yet.
    std::vector<WalkNode, Platform::LargePageAllocator<WalkNode>> m_aWalkNodes;
    std::vector<CubeFaces, Platform::LargePageAllocator<CubeFaces>> m_aFaceCopies;
    std::vector<uint32_t> m_aNodeOfCube;
    int m_iLaidOutCubes = -1;  // -1: to be made afresh
    size_t m_iUnusedNodes = 0;  // left behind by children groups that moved
    bool MakeWalkNodes();
    bool AddToWalkNodes(int cube);
    uint32_t AddWalkNode(const OctreeCube &cube, bool subtree);
    // The cubes a copy holds, in walk order; false on a damaged tree.
    bool CopiedCubes(const CubeFaces &copy, std::vector<int> &cubes);
    std::vector<int> m_aCubeList;
    std::vector<int> m_aPendingCubes;
    std::vector<uint32_t> m_aFaceList;

    // A copy is current when its generation is this one.
    uint32_t m_iGeneration = 1;
    uint64_t m_iCopiesMade = 0;
    // The mesh stores the copies were made from: when they move or change size (a level
    // read back, stores replaced), every copy is out of date.
    const void *m_pCopiedVertices = nullptr;
    const void *m_pCopiedFaces = nullptr;
    unsigned m_iCopiedVertexCount = 0;
    unsigned m_iCopiedFaceCount = 0;
    bool MakeFaceCopy(CubeFaces &copy);
    const CubeFaces *RemakeFaceCopy(uint32_t node);

    // The copy pool: copies' blocks side by side in large chunks, so that a walk reads
    // them from few pages. A block that outgrows its place is left behind; when half of
    // what was handed out is left behind, every copy is made again in a fresh pool.
    struct PoolChunk {
        struct Free {
            void operator()(char *chunk) const { Platform::FreeLargePages(chunk, kPoolChunk); }
        };
        std::unique_ptr<char, Free> memory;
        size_t used = 0;
    };
    static constexpr size_t kPoolChunk = size_t(4) << 20;
    std::vector<PoolChunk> m_aPool;
    size_t m_iPoolTaken = 0;  // bytes handed out from the pool
    size_t m_iPoolLeft = 0;   // of those, bytes of blocks left behind
    // A place for a block of that many bytes; null when it does not fit a chunk or memory is refused.
    void *TakeFromPool(size_t bytes);
    // Gives up the copy's block (its place in the pool is left behind).
    void ReleaseCopyBlock(CubeFaces &copy);
    // Drops the pool and every copy's place in it; the copies are made again when next asked for.
    void ClearPool();

    unsigned m_iLayerOneFaces = 0;
    friend class OctreeCube;

    // The loose scale and offset (as bits, so that any value compares) the cubes'
    // foreign-children marks were worked out for; they are worked out again over the whole
    // tree when these change or cubes came from elsewhere.
    uint32_t m_aMarkedLoose[2] = {0, 0};
    bool m_bMarksCurrent = true;
    OctreeCube *AppendCube(const OctreeCube &cube);
    void KeepMarksCurrent();
    void MarkForeignChildren();

    // Derived, never stored: per face, the cube whose layer-0 chain holds it (-1: none; a face
    // past the end is in no chain). It starts with the empty tree and every link and unlink of
    // a chain keeps it in step, so a tree built face by face has it at no extra pass; a tree
    // read back makes it from its chains when first asked.
    enum class TableState { kCurrent, kToMake, kCannot };
    std::vector<int32_t> m_aCubeOfFace;
    TableState m_eCubeOfFace = TableState::kCurrent;
    void SetCubeOf(unsigned face, int cube);
    // Empties the table; `chains` says whether the chains hold faces it no longer knows.
    void ResetCubeOfFace(bool chains);
    bool MakeCubeOfFace();
    void RemapCubeOfFace(const General::Store<unsigned int> &map, unsigned size);

    // UpdateAllFaces on an empty tree; false (nothing done) when the tree or a face does not allow it.
    bool InsertAllFaces(General::ProgressMeter &meter);

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
