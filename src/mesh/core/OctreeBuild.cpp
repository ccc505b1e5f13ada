// Filling an empty octree with every face of its mesh. Inserted one by one, each face walks
// from the root down cube by cube; that walk depends only on the face's box and the boxes of
// the cubes, which follow from the root's, so it is worked out for all faces at once on all
// processors. What depends on the order (which cubes exist yet, so the cubes' numbers, the
// chains' order, a face that may go into a child made by an earlier face) is then replayed
// face by face in order, each face starting from the part of its walk it shares with the
// previous one.
#include "foundation/Progress.h"
#include "foundation/Threads.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/Octree.h"

#include <atomic>
#include <bit>
#include <new>

namespace Octree {

using namespace OctreeLink;

namespace {

// Per face: 0 when it is placed by UpdateFace itself (its box is not finite, not inside the
// root, or names a vertex that does not exist); otherwise a leading 1 followed by the child
// numbers of its walk, three bits each, and kOpenEnd when the cube it ends in must look
// among its children made so far.
constexpr uint32_t kOpenEnd = 0x80000000u;
constexpr int kMostLevels = 10;  // 31 bits of walk

unsigned WalkLength(uint32_t walk) { return unsigned(std::bit_width(walk) - 1) / 3; }

// The levels two walks share from the root.
unsigned SharedLevels(uint32_t a, unsigned aLength, uint32_t b, unsigned bLength)
{
    const unsigned shorter = std::min(aLength, bLength);
    const uint32_t differ = (a >> 3 * (aLength - shorter)) ^ (b >> 3 * (bLength - shorter));
    return shorter - unsigned(std::bit_width(differ) + 2) / 3;
}

// The face's box as Mesh::AddFaceToAABB makes it, or false where that would report a fault.
template <class Faces>
bool FaceBox(const Faces &faces, unsigned face, const Vertex *vertices, unsigned vertexCount, AABB &box)
{
    for (uint32_t index : faces[face].m_iIndices) {
        const unsigned v = index & MeshFlags::kIndexMask;
        if (v >= vertexCount)
            return false;
        box.Extend(vertices[v].m_vPosition);
    }
    if (box.IsEmpty() || !box.IsFinite())
        return false;
    const General::Vector side = box.m_vMax - box.m_vMin;
    return side.x < 100000000 && side.y < 100000000 && side.z < 100000000;
}

// The walk an insertion from the root takes (see OctreeCube::Insert) in a tree whose every
// child box follows from its parent's.
uint32_t Walk(const AABB &face, AABB cube, int maxDepth, float looseScale, float looseOffset)
{
    uint32_t walk = 1;
    for (int level = 0; level < maxDepth; ++level) {
        // As AABB::GetCenter computes it.
        const General::Vector centre((cube.m_vMin.x + cube.m_vMax.x) * 0.5f, (cube.m_vMin.y + cube.m_vMax.y) * 0.5f,
                                     (cube.m_vMin.z + cube.m_vMax.z) * 0.5f);
        const unsigned above = unsigned(face.m_vMin.x >= centre.x) | unsigned(face.m_vMin.y >= centre.y) << 1 |
                               unsigned(face.m_vMin.z >= centre.z) << 2;
        const unsigned below = unsigned(face.m_vMax.x < centre.x) | unsigned(face.m_vMax.y < centre.y) << 1 |
                 unsigned(face.m_vMax.z < centre.z) << 2;
        if ((above | below) == 7) {
            const AABB child = OctreeCube::ChildBox(cube, int(above), looseScale, looseOffset);
            if (face.IsInside(child)) {
                walk = walk << 3 | above;
                cube = child;
                continue;
            }
            return walk | kOpenEnd;
        }
        // A face across the centre stays here unless a child made by then holds it.
        for (int k = 0; k < 8; ++k)
            if (face.IsInside(OctreeCube::ChildBox(cube, k, looseScale, looseOffset)))
                return walk | kOpenEnd;
        return walk;
    }
    return walk;
}

}  // namespace

void Octree::UpdateAllFaces(General::ProgressMeter &meter)
{
    if (m_pMesh && InsertAllFaces(meter))
        return;
    const unsigned faceCount = m_pMesh ? m_pMesh->m_iFaceCount : 0;
    for (unsigned face = 0; face < faceCount; ++face) {
        UpdateFace(face);
        meter.Advance();
    }
}

bool Octree::InsertAllFaces(General::ProgressMeter &meter)
{
    Mesh &mesh = *m_pMesh;
    if (m_iRoot < 0 || m_iRoot >= m_iCubeCount)
        CreateRoot();
    OctreeCube *root = GetRoot();
    if (!root || m_iCubeCount != 1 || m_iLayerOneFaces || m_iMaxDepth < 0 || m_iMaxDepth > kMostLevels ||
        root->m_aFirst[0] != kChainEnd + uint32_t(m_iRoot) || m_eCubeOfFace != TableState::kCurrent ||
        !m_aCubeOfFace.empty())
        return false;
    // What the first insertion does before it places its face.
    KeepMarksCurrent();
    if (root->m_iForeignChildren)
        return false;

    const unsigned faceCount = mesh.m_iFaceCount;
    General::Store<uint32_t> walks("octree build walks");
    if (!walks.SetItemCount(faceCount, false))
        return false;
    try {
        m_aCubeOfFace.reserve(faceCount);
    } catch (const std::bad_alloc &) {
    }
    const AABB rootBox = root->m_cBox;
    const unsigned vertexCount = std::min(mesh.m_iVertexCount, mesh.m_pVertices.GetItemCount());
    const Vertex *vertices = mesh.m_pVertices.GetBuffer();
    std::atomic<bool> linked{false};
    const bool counted = mesh.WithFaces([&](const auto &faces) {
        if (faces.GetItemCount() < faceCount)
            return false;
        uint32_t *walk = walks.GetBuffer();
        General::ParallelFor(faceCount, 0, 16384, [&](uint64_t begin, uint64_t end) {
            for (unsigned f = unsigned(begin); f < end; ++f) {
                if (faces[f].m_iOctree != kNone)
                    linked.store(true, std::memory_order_relaxed);
                AABB box;
                walk[f] = FaceBox(faces, f, vertices, vertexCount, box) && box.IsInside(rootBox)
                              ? Walk(box, rootBox, m_iMaxDepth, m_fLooseScale, m_fLooseOffset)
                              : 0;
            }
        });
        return true;
    });
    // A face already in a chain is moved out of it by UpdateFace.
    if (!counted || linked.load())
        return false;

    OctreeCube *path[kMostLevels + 1] = {root};
    uint32_t pathWalk = 1;
    unsigned pathLength = 0;
    const int rootIndex = m_iRoot;
    for (unsigned f = 0; f < faceCount; ++f) {
        const uint32_t walk = walks[f];
        if (walk == 0) {
            UpdateFace(f);
            meter.Advance();
            // A grown root moves every walk: the rest goes face by face.
            if (m_iRoot != rootIndex) {
                for (++f; f < faceCount; ++f) {
                    UpdateFace(f);
                    meter.Advance();
                }
                break;
            }
            continue;
        }
        const uint32_t levels = walk & ~kOpenEnd;
        const unsigned length = WalkLength(levels);
        unsigned level = SharedLevels(pathWalk, pathLength, levels, length);
        for (; level < length; ++level) {
            OctreeCube *child = path[level]->GetOrCreateChild(int(levels >> 3 * (length - 1 - level)) & 7);
            if (!child)
                break;
            path[level + 1] = child;
        }
        pathWalk = levels >> 3 * (length - level);
        pathLength = level;
        if (level < length)
            ;  // a cube could not be made: as face by face, the face stays out
        else if (walk & kOpenEnd)
            path[length]->Insert(f, nullptr, nullptr);
        else
            path[length]->AddFace(f, nullptr, 0);
        meter.Advance();
    }
    return true;
}

}  // namespace Octree
