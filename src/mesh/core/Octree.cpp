#include "mesh/core/Octree.h"

#include "foundation/Stream.h"
#include "mesh/core/Mesh.h"

#include <emmintrin.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace Octree {

using namespace OctreeLink;

namespace {

float Axis(const General::Vector &v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }
float &Axis(General::Vector &v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

// One axis of a child's box: [lo, lowerMax] for the lower half, [upperMin, hi] for the upper.
// Children tile their parent exactly unless the octree is made loose.
struct Halves {
    float lowerMax, upperMin;
};
Halves SplitAxis(float lo, float hi, float looseScale, float looseOffset)
{
    float margin = (hi - lo) * looseScale + looseOffset;
    if (looseOffset > (hi - lo) * 0.20000000298023224)
        margin = 0.0f;
    const float mid = (lo + hi) * 0.5f;
    return {mid + margin, mid - margin};
}

// Child numbers whose half on the axis is the lower one, and the upper one.
constexpr unsigned kLowerChildren[3] = {0x55, 0x33, 0x0F};
constexpr unsigned kUpperChildren[3] = {0xAA, 0xCC, 0xF0};

// Minimum bytes of one cube record, for refusing counts the file cannot hold.
uint64_t CubeRecordBytes(int version)
{
    return 8 * 4 + 4 + 2 + 2 + 4 + 4 + 4 + (version >= 4 ? 8 : 0) + 24;
}

}  // namespace

// --- OctreeCube ---------------------------------------------------------------

OctreeCube::OctreeCube(Octree *octree) : m_pOctree(octree)
{
    for (int &child : m_aChild)
        child = -1;
    m_aFirst[0] = m_aFirst[1] = kNone;
}

OctreeCube::OctreeCube(const AABB &box, Octree *octree) : OctreeCube(octree) { m_cBox = box; }

OctreeCube::OctreeCube(int parent, int childNumber, Octree *octree) : OctreeCube(octree)
{
    TV_ASSERT(parent >= 0);
    OctreeCube *pParent = octree->GetCube(parent);
    TV_ASSERT(pParent);
    TV_ASSERT(childNumber >= 0 && childNumber < 8);
    m_iParent = parent;
    if (!pParent)
        return;
    TV_ASSERT(pParent->m_aChild[childNumber & 7] < 0);
    m_iDepth = int16_t(pParent->m_iDepth + 1);
    if (m_iDepth > octree->m_iDeepest)
        octree->m_iDeepest = m_iDepth;

    const AABB &box = pParent->m_cBox;
    for (int axis = 0; axis < 3; ++axis) {
        const float lo = Axis(box.m_vMin, axis), hi = Axis(box.m_vMax, axis);
        const Halves halves = SplitAxis(lo, hi, octree->m_fLooseScale, octree->m_fLooseOffset);
        const bool upper = (childNumber >> axis) & 1;
        Axis(m_cBox.m_vMin, axis) = upper ? halves.upperMin : lo;
        Axis(m_cBox.m_vMax, axis) = upper ? hi : halves.lowerMax;
    }
}

void OctreeCube::AddFace(unsigned face, OctreeCube *old, int layer)
{
    if (old == this)
        return;
    if (old)
        old->RemoveFace(face, layer);
    Mesh &mesh = *m_pOctree->m_pMesh;
    if (layer == 0)
        m_pOctree->InvalidateFaceCopy(m_iIndex);
    else
        ++m_pOctree->m_iLayerOneFaces;
    mesh.NextInCube(face, layer) = m_aFirst[layer];
    m_aFirst[layer] = face;
    if (layer == 0)
        m_pOctree->SetCubeOf(face, m_iIndex);
}

void OctreeCube::RemoveFace(unsigned face, int layer)
{
    Mesh &mesh = *m_pOctree->m_pMesh;
    if (layer == 0)
        m_pOctree->InvalidateFaceCopy(m_iIndex);
    uint32_t *link = &m_aFirst[layer];
    while (*link != face) {
        if (*link >= kChainEnd) {
            AssertFailed(__FILE__, __LINE__,
                         mesh.m_eType == Mesh::typeTriangular
                             ? "m_pOctree->m_pMesh->GetNextTriangleInCube(i,iLayer) < 0x80000000"
                             : "m_pOctree->m_pMesh->GetNextQuadInCube(i,iLayer) < 0x80000000",
                         nullptr);
            return;
        }
        link = &mesh.NextInCube(*link, layer);
    }
    uint32_t &own = mesh.NextInCube(face, layer);
    *link = own;
    own = kNone;
    if (layer == 0)
        m_pOctree->SetCubeOf(face, -1);
    if (layer != 0 && m_pOctree->m_iLayerOneFaces)
        --m_pOctree->m_iLayerOneFaces;
}

void OctreeCube::UnlinkMarkedFaces(int layer)
{
    Mesh &mesh = *m_pOctree->m_pMesh;
    if (layer == 0)
        m_pOctree->InvalidateFaceCopy(m_iIndex);
    uint32_t *link = &m_aFirst[layer];
    while (*link < kChainEnd) {
        const unsigned face = *link;
        uint32_t *indices = mesh.WithFaces([&](auto &faces) { return faces[face].m_iIndices; });
        uint32_t &next = mesh.NextInCube(face, layer);
        if (indices[1] & MeshFlags::kBit31) {
            indices[1] &= ~MeshFlags::kBit31;
            *link = next;
            next = kUnlinked + uint32_t(GetIndex());
            if (layer == 0)
                m_pOctree->SetCubeOf(face, -1);
            if (layer != 0 && m_pOctree->m_iLayerOneFaces)
                --m_pOctree->m_iLayerOneFaces;
        } else {
            link = &next;
        }
    }
}

OctreeCube *OctreeCube::GetOrCreateChild(int childNumber)
{
    if (m_aChild[childNumber] >= 0)
        return m_pOctree->GetCube(m_aChild[childNumber]);
    OctreeCube *child = m_pOctree->AppendCube(OctreeCube(m_iIndex, childNumber, m_pOctree));
    if (!child) {
        Log(" Octreecube creation failed.\n");
        return nullptr;
    }
    m_aChild[childNumber] = child->m_iIndex;
    return child;
}

// A new root twice as large, grown toward the side where the face sticks out below.
OctreeCube *OctreeCube::GetParentOrGrow(const AABB &faceBox)
{
    if (m_iParent >= 0)
        return m_pOctree->GetCube(m_iParent);
    TV_ASSERT(m_pOctree->m_iRoot == GetIndex());
    AABB box;
    int childNumber = 0;
    for (int axis = 0; axis < 3; ++axis) {
        const float lo = Axis(m_cBox.m_vMin, axis), side = Axis(m_cBox.m_vMax, axis) - lo;
        const bool below = lo > Axis(faceBox.m_vMin, axis);
        Axis(box.m_vMin, axis) = below ? lo - side : lo;
        Axis(box.m_vMax, axis) = Axis(box.m_vMin, axis) + 2.0f * side;
        // A root that cannot grow (no extent, or past the float range) would make the climb endless.
        if (!(side > 0.0f) || !(Axis(box.m_vMax, axis) - Axis(box.m_vMin, axis) > side))
            return nullptr;
        childNumber |= int(below) << axis;
    }
    if (!box.IsFinite())
        return nullptr;
    OctreeCube *root = m_pOctree->AppendCube(OctreeCube(box, m_pOctree));
    if (!root) {
        Log(" Octreecube creation failed.\n");
        return nullptr;
    }
    root->m_aChild[childNumber] = m_iIndex;
    root->m_iForeignChildren = uint8_t(1u << childNumber);
    root->m_iDepth = int16_t(m_iDepth - 1);
    m_iParent = root->m_iIndex;
    m_pOctree->m_iRoot = root->m_iIndex;
    // The mesh's box must still hold every face: widen it by the face that made the root grow.
    Mesh &mesh = *m_pOctree->m_pMesh;
    if (!mesh.m_cAABB.IsEmpty())
        mesh.m_cAABB.Extend(faceBox);
    return root;
}

bool OctreeCube::Insert(unsigned face, OctreeCube *old, const AABB *faceBox)
{
    Octree &octree = *m_pOctree;
    AABB box;
    if (!faceBox) {
        octree.m_pMesh->AddFaceToAABB(box, face, false);
        faceBox = &box;
    }
    // A box that is not finite is inside no cube; climbing for it would grow the root forever.
    if (faceBox->IsEmpty() || !faceBox->IsFinite()) {
        Log(" Face %u has no finite box and stays out of the octree.\n", face);
        return false;
    }

    octree.KeepMarksCurrent();
    // Children without loose margins split their parent at its centre, exactly as the
    // octant test below computes it.
    const bool tight = octree.m_fLooseScale == 0.0f && octree.m_fLooseOffset == 0.0f;
    const OctreeCube *root = octree.GetRoot();
    OctreeCube *cube = this;
    for (;;) {
        if (!faceBox->IsInside(cube->m_cBox)) {
            cube = cube->GetParentOrGrow(*faceBox);
            if (!cube)
                return false;
            root = octree.GetRoot();
            continue;
        }
        if (!root || cube->m_iDepth >= root->m_iDepth + octree.m_iMaxDepth) {
            cube->AddFace(face, old, 0);
            return true;
        }
        // The octant the box lies in, unless it straddles the centre on some axis. Every
        // axis is compared without branching: where the face lies is not predictable.
        const General::Vector centre = cube->m_cBox.GetCenter();
        unsigned above = 0, below = 0, reachesCentre = 0;
        for (int axis = 0; axis < 3; ++axis) {
            const float c = Axis(centre, axis);
            above |= unsigned(Axis(faceBox->m_vMin, axis) >= c) << axis;
            below |= unsigned(Axis(faceBox->m_vMax, axis) < c) << axis;
            reachesCentre |= unsigned(Axis(faceBox->m_vMax, axis) <= c) << axis;
        }
        const bool straddles = (above | below) != 7;
        const int childNumber = int(above);
        OctreeCube *next = nullptr;
        if (!straddles) {
            OctreeCube *child = cube->GetOrCreateChild(childNumber);
            if (!child)
                return false;
            if (faceBox->IsInside(child->m_cBox))
                next = child;
        }
        if (!next) {
            // Loose children may hold a face that straddles the centre (tight ones one that
            // ends on it). The first child in child-number order that holds the box is taken;
            // of the children whose box follows from this one's, only those it fits can hold
            // it, so the others' records are not read. The box is inside this cube, so each
            // axis asks only whether it ends below the lower half's top and starts above the
            // upper half's bottom: for tight children, the centre.
            unsigned fits = 0xFF;
            for (int axis = 0; axis < 3; ++axis) {
                unsigned lower = (reachesCentre >> axis) & 1, upper = (above >> axis) & 1;
                if (!tight) {
                    const Halves halves = SplitAxis(Axis(cube->m_cBox.m_vMin, axis),
                                                    Axis(cube->m_cBox.m_vMax, axis), octree.m_fLooseScale,
                                                    octree.m_fLooseOffset);
                    lower = Axis(faceBox->m_vMax, axis) <= halves.lowerMax;
                    upper = halves.upperMin <= Axis(faceBox->m_vMin, axis);
                }
                fits &= (kLowerChildren[axis] & -lower) | (kUpperChildren[axis] & -upper);
            }
            for (unsigned candidates = fits | cube->m_iForeignChildren; candidates && !next;
                 candidates &= candidates - 1) {
                OctreeCube *child = octree.GetCube(cube->m_aChild[std::countr_zero(candidates)]);
                if (child && faceBox->IsInside(child->m_cBox))
                    next = child;
            }
        }
        if (!next) {
            cube->AddFace(face, old, 0);
            return true;
        }
        cube = next;
    }
}

// --- Octree -----------------------------------------------------------------

Octree::Octree(Mesh *mesh) : m_pMesh(mesh) {}

Octree::~Octree() { DeleteCubes(); }

void Octree::DeleteCubes()
{
    // The blocks own every cube, so cubes that a damaged tree could not reach never leak.
    m_aBlocks.clear();
    m_iCubeCount = 0;
    m_iRoot = -1;
    m_iLayerOneFaces = 0;
    m_aWalkNodes.clear();
    m_aFaceCopies.clear();
    ClearPool();
    m_aNodeOfCube.clear();
    m_iLaidOutCubes = -1;
    ResetCubeOfFace(false);  // no chains: every face is in none
    m_bMarksCurrent = false;
}

void Octree::KeepMarksCurrent()
{
    if (!m_bMarksCurrent || std::bit_cast<uint32_t>(m_fLooseScale) != m_aMarkedLoose[0] ||
        std::bit_cast<uint32_t>(m_fLooseOffset) != m_aMarkedLoose[1])
        MarkForeignChildren();
}

// A child is foreign unless its box is, bit for bit, the one the child constructor makes
// from its parent's box with the current loose scale and offset.
void Octree::MarkForeignChildren()
{
    for (int c = 0; c < m_iCubeCount; ++c) {
        OctreeCube &cube = *GetCube(c);
        cube.m_iForeignChildren = 0;
        for (int k = 0; k < 8; ++k) {
            const OctreeCube *child = GetCube(cube.m_aChild[k]);
            if (!child)
                continue;
            bool derived = true;
            for (int axis = 0; axis < 3 && derived; ++axis) {
                const float lo = Axis(cube.m_cBox.m_vMin, axis), hi = Axis(cube.m_cBox.m_vMax, axis);
                const Halves halves = SplitAxis(lo, hi, m_fLooseScale, m_fLooseOffset);
                const bool upper = (k >> axis) & 1;
                derived = Axis(child->m_cBox.m_vMin, axis) == (upper ? halves.upperMin : lo) &&
                          Axis(child->m_cBox.m_vMax, axis) == (upper ? hi : halves.lowerMax);
            }
            if (!derived)
                cube.m_iForeignChildren |= uint8_t(1u << k);
        }
    }
    m_aMarkedLoose[0] = std::bit_cast<uint32_t>(m_fLooseScale);
    m_aMarkedLoose[1] = std::bit_cast<uint32_t>(m_fLooseOffset);
    m_bMarksCurrent = true;
}

OctreeCube *Octree::AddCube(const OctreeCube &cube)
{
    // A cube made elsewhere may become a child whose box the marks do not know.
    m_bMarksCurrent = false;
    return AppendCube(cube);
}

OctreeCube *Octree::AppendCube(const OctreeCube &cube)
{
    // Chain ends carry the cube index below kChainEnd's bit; a larger index could not be named.
    const unsigned index = unsigned(m_iCubeCount);
    if (index >= 0x40000000u)
        return nullptr;
    const BlockSlot at = Locate(index);
    if (at.block >= m_aBlocks.size()) {
        try {
            m_aBlocks.push_back(std::make_unique<General::Array<OctreeCube>>("octree cubes", at.size));
        } catch (const std::bad_alloc &) {
            return nullptr;
        }
    }
    ++m_iCubeCount;
    OctreeCube *added = GetCube(int(index));
    *added = cube;
    added->m_iIndex = int(index);
    added->m_aFirst[0] = added->m_aFirst[1] = kChainEnd + index;
    return added;
}

void Octree::CreateRoot()
{
    if (m_iRoot >= 0 || !m_pMesh)
        return;
    AABB meshBox = m_pMesh->GetAABB();
    if (meshBox.IsEmpty())
        meshBox = AABB(General::Vector(0, 0, 0), General::Vector(0, 0, 0));
    if (!meshBox.IsFinite()) {
        Log(" The mesh has no finite bounding box; the octree stays without a root.\n");
        return;
    }
    const General::Vector centre = meshBox.GetCenter();
    const General::Vector side = meshBox.m_vMax - meshBox.m_vMin;
    float longest = side.x;
    if (side.y > longest)
        longest = side.y;
    if (side.z > longest)
        longest = side.z;
    float half = longest * 0.5f;
    if (half == 0.0f)
        half = 100.0f;
    AABB box;
    for (int axis = 0; axis < 3; ++axis) {
        const float c = float(Axis(centre, axis) + (longest - Axis(side, axis)) * 0.41384559869766235);
        Axis(box.m_vMin, axis) = c - half;
        Axis(box.m_vMax, axis) = c + half;
        const float widen = float((Axis(box.m_vMax, axis) - Axis(box.m_vMin, axis)) * 0.10999999940395355);
        Axis(box.m_vMin, axis) -= widen;
        Axis(box.m_vMax, axis) += widen;
    }
    OctreeCube *root = AppendCube(OctreeCube(box, this));
    if (!root) {
        Log(" Octreecube creation failed.\n");
        return;
    }
    m_iRoot = root->m_iIndex;
}

void Octree::Reset()
{
    DeleteCubes();
    m_iDeepest = 0;
    CreateRoot();
}

bool Octree::InsertFace(unsigned face, int cubeHint)
{
    if (!GetRoot())
        CreateRoot();
    OctreeCube *start = GetCube(cubeHint);
    if (!start)
        start = GetRoot();
    return start && start->Insert(face, nullptr, nullptr);
}

bool Octree::UpdateFace(unsigned face, const AABB *faceBox)
{
    if (m_iRoot < 0 || m_iRoot >= m_iCubeCount)
        CreateRoot();
    const int index = m_pMesh->FaceCube(face);
    if (OctreeCube *current = GetCube(index)) {
        // The face moved or changed even when it stays in its cube.
        InvalidateFaceCopy(index);
        return current->Insert(face, current, faceBox);
    }
    OctreeCube *root = GetRoot();
    return root && root->Insert(face, nullptr, faceBox);
}

void Octree::SetCubeOf(unsigned face, int cube)
{
    if (m_eCubeOfFace != TableState::kCurrent)
        return;
    if (face >= m_aCubeOfFace.size()) {
        try {
            m_aCubeOfFace.resize(size_t(face) + 1, -1);
        } catch (const std::bad_alloc &) {
            ResetCubeOfFace(true);
            return;
        }
    }
    m_aCubeOfFace[face] = cube;
}

void Octree::ResetCubeOfFace(bool chains)
{
    m_eCubeOfFace = chains ? TableState::kToMake : TableState::kCurrent;
    std::vector<int32_t>().swap(m_aCubeOfFace);
}

bool Octree::MakeCubeOfFace()
{
    const unsigned faceCount = m_pMesh->m_iFaceCount;
    try {
        m_aCubeOfFace.assign(faceCount, -1);
    } catch (const std::bad_alloc &) {
        ResetCubeOfFace(true);
        return false;
    }
    for (int c = 0; c < m_iCubeCount; ++c) {
        uint32_t link = GetCube(c)->m_aFirst[0];
        for (; link < kChainEnd; link = m_pMesh->NextInCube(link, 0)) {
            // A damaged chain is left to the walk that reports it; the table is not tried
            // again until the chains are rewritten.
            if (link >= faceCount || m_aCubeOfFace[link] >= 0) {
                std::vector<int32_t>().swap(m_aCubeOfFace);
                m_eCubeOfFace = TableState::kCannot;
                return false;
            }
            m_aCubeOfFace[link] = c;
        }
    }
    m_eCubeOfFace = TableState::kCurrent;
    return true;
}

// The table follows the faces' new numbers; a face gone from the chains was unlinked before.
void Octree::RemapCubeOfFace(const General::Store<unsigned int> &map, unsigned size)
{
    if (m_eCubeOfFace != TableState::kCurrent)
        return ResetCubeOfFace(true);
    std::vector<int32_t> remapped;
    try {
        remapped.assign(m_pMesh->m_iFaceCount, -1);
    } catch (const std::bad_alloc &) {
        return ResetCubeOfFace(true);
    }
    const size_t count = std::min({size_t(size), size_t(map.GetItemCount()), m_aCubeOfFace.size()});
    for (size_t f = 0; f < count; ++f) {
        if (m_aCubeOfFace[f] < 0)
            continue;
        if (map[unsigned(f)] >= remapped.size())
            return ResetCubeOfFace(true);
        remapped[map[unsigned(f)]] = m_aCubeOfFace[f];
    }
    m_aCubeOfFace.swap(remapped);
}

bool Octree::FindCubeOf(unsigned face, int &cube)
{
    if (m_eCubeOfFace == TableState::kToMake && !MakeCubeOfFace())
        return false;
    if (m_eCubeOfFace != TableState::kCurrent || face >= m_aCubeOfFace.size())
        return false;
    cube = m_aCubeOfFace[face];
    return true;
}

void Octree::Traverse(Selector &selector, FaceDrawer *drawer, int layer)
{
    if (!m_pMesh || !GetRoot())
        return;
    Mesh &mesh = *m_pMesh;
    // The stack is a plain vector (the counted stores would announce every growth to the
    // memory label), kept for the next walk (taken, so a walk started from a selector gets
    // its own), and children are pushed and fetched before their parent's faces are walked.
    std::vector<StackItem> stack = std::move(m_aStack);
    stack.clear();
    stack.reserve(64);
    stack.push_back({GetRoot(), false});
    while (!stack.empty()) {
        const StackItem item = stack.back();
        stack.pop_back();
        OctreeCube *cube = item.cube;
        bool inside = item.inside;
        if (!inside) {
            const int answer = selector.TestBox(cube->m_cBox);
            ++selector.m_iTests;
            if (answer == 1)
                continue;
            inside = answer == 0;
        }
        // Pushed in reverse so that children are visited in order 0..7.
        for (int k = 7; k >= 0; --k) {
            OctreeCube *next = GetCube(cube->m_aChild[k]);
            if (!next)
                continue;
            __builtin_prefetch(next);
            __builtin_prefetch(&next->m_cBox.m_vMax);
            stack.push_back({next, inside});
        }
        for (int l = layer; l >= 0; --l) {
            uint32_t link = cube->m_aFirst[l];
            while (link < kChainEnd) {
                const unsigned face = link;
                link = mesh.NextInCube(face, l);
                if (!drawer)
                    selector.VisitFace(mesh, face);
                else if (mesh.IsFaceVisible(face))
                    drawer->DrawFace(mesh, face);
            }
        }
    }
    m_aStack = std::move(stack);
}

void Octree::InvalidateFaceCopies()
{
    if (++m_iGeneration == 0) {
        // After the counter wraps, an old copy could look current again.
        for (CubeFaces &copy : m_aFaceCopies)
            copy.m_iGeneration = 0;
        m_iGeneration = 1;
    }
}

void Octree::InvalidateFaceCopy(int cube)
{
    // A cube not laid out yet has no copy; when it is laid out, the copy that takes it is made again.
    if (cube >= 0 && size_t(cube) < m_aNodeOfCube.size()) {
        const uint32_t node = m_aNodeOfCube[size_t(cube)];
        if (node < m_aFaceCopies.size())
            m_aFaceCopies[node].m_iGeneration = 0;
    }
}

void Octree::CheckCopiedStores()
{
    const Mesh &mesh = *m_pMesh;
    const void *vertices = mesh.m_pVertices.GetBuffer();
    const void *faces = mesh.WithFaces([](const auto &store) -> const void * { return store.GetBuffer(); });
    if (vertices == m_pCopiedVertices && faces == m_pCopiedFaces && mesh.m_iVertexCount == m_iCopiedVertexCount &&
        mesh.m_iFaceCount == m_iCopiedFaceCount)
        return;
    InvalidateFaceCopies();
    m_pCopiedVertices = vertices;
    m_pCopiedFaces = faces;
    m_iCopiedVertexCount = mesh.m_iVertexCount;
    m_iCopiedFaceCount = mesh.m_iFaceCount;
}

namespace {

constexpr uint32_t kNoNode = 0xFFFFFFFF;
// A subtree of at most this many cubes is laid out as one node with one face copy. The
// cubes of a level hold two or three faces each on average, so a copy holds about ten:
// few enough that the first pick in a region, which makes the copies it meets, stays quick.
constexpr unsigned kSubtreeCubes = 4;

}  // namespace

const CubeFaces *Octree::RemakeFaceCopy(uint32_t node)
{
    if (node >= m_aFaceCopies.size())
        return nullptr;
    CubeFaces &copy = m_aFaceCopies[node];
    if (!MakeFaceCopy(copy))
        return nullptr;
    ++m_iCopiesMade;
    copy.m_iGeneration = m_iGeneration;
    return &copy;
}

bool Octree::CopiedCubes(const CubeFaces &copy, std::vector<int> &cubes)
{
    cubes.clear();
    if (!GetCube(copy.m_iCube))
        return false;
    if (!copy.m_bSubtree) {
        cubes.push_back(copy.m_iCube);
        return true;
    }
    // Depth first, children in child-number order; a damaged tree could lead round in circles.
    // The children's records are asked for together, each visit waits on one.
    std::vector<int> &pending = m_aPendingCubes;
    pending.assign(1, copy.m_iCube);
    while (!pending.empty()) {
        const OctreeCube *cube = GetCube(pending.back());
        pending.pop_back();
        if (!cube || cubes.size() >= size_t(m_iCubeCount))
            return false;
        cubes.push_back(cube->GetIndex());
        for (int k = 7; k >= 0; --k)
            if (const OctreeCube *child = GetCube(cube->m_aChild[k])) {
                __builtin_prefetch(child);
                pending.push_back(cube->m_aChild[k]);
            }
    }
    return true;
}

void Octree::VisitChains(uint32_t node, Selector &selector)
{
    if (node >= m_aFaceCopies.size() || !CopiedCubes(m_aFaceCopies[node], m_aCubeList))
        return;
    Mesh &mesh = *m_pMesh;
    const unsigned faceCount = mesh.m_iFaceCount;
    for (const int c : m_aCubeList) {
        uint32_t link = GetCube(c)->m_aFirst[0];
        // A chain holds each face once at most: one that leaves the faces or runs longer
        // (a loop) is damaged, and its walk ends there.
        for (unsigned steps = 0; link < kChainEnd; ++steps) {
            if (link >= faceCount || steps >= faceCount) {
                Log(" The octree chain of cube %d is damaged: its walk ends at face %u\n", c, link);
                break;
            }
            const unsigned face = link;
            link = mesh.NextInCube(face, 0);
            selector.VisitFace(mesh, face);
        }
    }
}

bool Octree::MakeFaceCopy(CubeFaces &copy)
{
    Mesh &mesh = *m_pMesh;
    const unsigned faceCount = mesh.m_iFaceCount;
    if (!CopiedCubes(copy, m_aCubeList))
        return false;
    std::vector<uint32_t> &list = m_aFaceList;
    list.clear();
    const unsigned corners = mesh.Corners();
    const Vertex *vertices = mesh.m_pVertices.GetBuffer();
    const unsigned vertexCount = mesh.m_pVertices.GetItemCount();
    for (const int c : m_aCubeList) {
        for (uint32_t link = GetCube(c)->m_aFirst[0]; link < kChainEnd; link = mesh.NextInCube(link, 0)) {
            // A damaged chain is left to the chain walk, which reports it.
            if (link >= faceCount || list.size() >= faceCount)
                return false;
            list.push_back(link);
            // Each step waits on the next face's record; the corners are asked for meanwhile.
            for (unsigned k = 0; k < corners; ++k) {
                const unsigned vertex = mesh.FaceVertexIndex(link, k);
                if (vertex < vertexCount)
                    __builtin_prefetch(vertices + vertex);
            }
        }
    }
    const auto count = unsigned(list.size());
    // A block with room is kept unless it is far too large: the faces of a cube come and go during a stroke.
    if (count > copy.m_iCapacity || count * 4 < copy.m_iCapacity || corners != copy.m_iCorners) {
        ReleaseCopyBlock(copy);
        if (count) {
            const size_t bytes = CubeFaces::GetBytes(count, corners);
            void *block = TakeFromPool(bytes);
            if (!block) {
                block = ::operator new(bytes, std::nothrow);
                if (!block)
                    return false;
                copy.m_bOwned = true;
            }
            copy.m_pData = block;
            copy.m_iCapacity = count;
        }
    }
    copy.m_iCount = count;
    copy.m_iCorners = uint8_t(corners);
    if (!count)
        return true;
    const unsigned groups = copy.GetGroups();
    auto *boxes = static_cast<float *>(copy.m_pData);
    float *coordinates = boxes + size_t(groups) * 8;
    auto *faces = reinterpret_cast<uint32_t *>(coordinates + size_t(groups) * corners * 12);
    for (unsigned i = 0; i < groups * 4; ++i) {
        // Lanes past the last face repeat its group's first face, which leaves the group's
        // box as its faces make it; their face numbers are 0.
        const unsigned from = i < count ? i : i / 4 * 4;
        faces[i] = i < count ? list[i] : 0;
        float *lane = coordinates + size_t(i / 4) * corners * 12 + i % 4;
        for (unsigned c = 0; c < corners; ++c) {
            // The same corners the face test reads, bit for bit, so a test on the copy
            // decides exactly as a test on the face.
            const General::Vector &p = mesh.OriginalFaceVertex(list[from], c).m_vPosition;
            lane[c * 12] = p.x;
            lane[c * 12 + 4] = p.y;
            lane[c * 12 + 8] = p.z;
        }
    }
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    for (unsigned g = 0; g < groups; ++g) {
        const float *group = coordinates + size_t(g) * corners * 12;
        __m128 low[3], high[3];
        __m128 finite = _mm_castsi128_ps(_mm_set1_epi32(-1));
        for (int axis = 0; axis < 3; ++axis) {
            low[axis] = high[axis] = _mm_loadu_ps(group + axis * 4);
            for (unsigned c = 0; c < corners; ++c) {
                const __m128 v = _mm_loadu_ps(group + c * 12 + unsigned(axis) * 4);
                low[axis] = _mm_min_ps(low[axis], v);
                high[axis] = _mm_max_ps(high[axis], v);
                // v - v is 0 exactly when v is finite.
                finite = _mm_and_ps(finite, _mm_cmpeq_ps(_mm_sub_ps(v, v), _mm_setzero_ps()));
            }
        }
        // A corner that is not finite leaves the box unbounded: the group is always reached.
        const bool bounded = _mm_movemask_ps(finite) == 15;
        float *box = boxes + size_t(g) * 8;
        for (int axis = 0; axis < 3; ++axis) {
            alignas(16) float lows[4], highs[4];
            _mm_store_ps(lows, low[axis]);
            _mm_store_ps(highs, high[axis]);
            box[axis] = bounded ? std::min(std::min(lows[0], lows[1]), std::min(lows[2], lows[3])) : -kInfinity;
            box[3 + axis] = bounded ? std::max(std::max(highs[0], highs[1]), std::max(highs[2], highs[3])) : kInfinity;
        }
        box[6] = box[7] = 0.0f;
    }
    return true;
}

void *Octree::TakeFromPool(size_t bytes)
{
    bytes = (bytes + 15) / 16 * 16;
    if (bytes > kPoolChunk)
        return nullptr;
    if (m_aPool.empty() || kPoolChunk - m_aPool.back().used < bytes) {
        try {
            m_aPool.emplace_back();
        } catch (const std::bad_alloc &) {
            return nullptr;
        }
        m_aPool.back().memory.reset(static_cast<char *>(Platform::AllocateLargePages(kPoolChunk)));
        if (!m_aPool.back().memory) {
            m_aPool.pop_back();
            return nullptr;
        }
    }
    PoolChunk &chunk = m_aPool.back();
    char *place = chunk.memory.get() + chunk.used;
    chunk.used += bytes;
    m_iPoolTaken += bytes;
    return place;
}

void Octree::ReleaseCopyBlock(CubeFaces &copy)
{
    if (copy.m_pData && !copy.m_bOwned) {
        m_iPoolLeft += (CubeFaces::GetBytes(copy.m_iCapacity, copy.m_iCorners) + 15) / 16 * 16;
    }
    copy.FreeOwnBlock();
    copy.m_pData = nullptr;
    copy.m_iCount = copy.m_iCapacity = 0;
}

void Octree::ClearPool()
{
    for (CubeFaces &copy : m_aFaceCopies)
        if (copy.m_pData && !copy.m_bOwned) {
            copy.m_pData = nullptr;
            copy.m_iCount = copy.m_iCapacity = 0;
            copy.m_iGeneration = 0;
        }
    m_aPool.clear();
    m_iPoolTaken = m_iPoolLeft = 0;
}

const WalkNode *Octree::GetWalkNodes()
{
    // Strokes leave blocks behind in the pool as cubes gain faces; past half of it, a fresh
    // pool costs less than the room left behind.
    if (m_iPoolLeft > m_iPoolTaken / 2)
        ClearPool();
    if (m_iLaidOutCubes >= 0 && m_iLaidOutCubes < m_iCubeCount && !m_aWalkNodes.empty()) {
        // Cubes added since are laid out one by one; a tree that grew a new root, or a
        // layout gone sparse, is made afresh.
        while (m_iLaidOutCubes < m_iCubeCount && AddToWalkNodes(m_iLaidOutCubes))
            ++m_iLaidOutCubes;
        if (m_iLaidOutCubes < m_iCubeCount || m_iUnusedNodes > m_aWalkNodes.size() / 2)
            m_iLaidOutCubes = -1;
    }
    if (m_iLaidOutCubes != m_iCubeCount) {
        m_iLaidOutCubes = m_iCubeCount;
        if (!MakeWalkNodes()) {
            decltype(m_aWalkNodes)().swap(m_aWalkNodes);
            decltype(m_aFaceCopies)().swap(m_aFaceCopies);
            ClearPool();
            std::vector<uint32_t>().swap(m_aNodeOfCube);
        }
    }
    return m_aWalkNodes.empty() ? nullptr : m_aWalkNodes.data();
}

uint32_t Octree::AddWalkNode(const OctreeCube &cube, bool subtree)
{
    const auto index = uint32_t(m_aWalkNodes.size());
    WalkNode node{};
    for (int axis = 0; axis < 3; ++axis) {
        node.m_aMin[axis] = Axis(cube.m_cBox.m_vMin, axis);
        node.m_aMax[axis] = Axis(cube.m_cBox.m_vMax, axis);
    }
    m_aWalkNodes.push_back(node);
    m_aFaceCopies.emplace_back();
    m_aFaceCopies.back().m_iCube = cube.GetIndex();
    m_aFaceCopies.back().m_bSubtree = subtree;
    return index;
}

bool Octree::MakeWalkNodes()
{
    m_aWalkNodes.clear();
    m_aFaceCopies.clear();
    ClearPool();
    m_aNodeOfCube.clear();
    m_iUnusedNodes = 0;
    const OctreeCube *root = GetRoot();
    if (!root)
        return false;
    try {
        // Cubes in breadth-first order, then the number of cubes in each cube's subtree.
        std::vector<int> order;
        order.reserve(size_t(m_iCubeCount));
        order.push_back(m_iRoot);
        for (size_t i = 0; i < order.size(); ++i)
            for (int child : GetCube(order[i])->m_aChild)
                if (child >= 0) {
                    if (order.size() >= size_t(m_iCubeCount) || !GetCube(child))
                        return false;
                    order.push_back(child);
                }
        std::vector<uint32_t> sizes(size_t(m_iCubeCount), 1);
        for (size_t i = order.size(); i-- > 1;) {
            const int parent = GetCube(order[i])->m_iParent;
            if (parent < 0 || parent >= m_iCubeCount)
                return false;
            sizes[size_t(parent)] += sizes[size_t(order[i])];
        }
        m_aNodeOfCube.assign(size_t(m_iCubeCount), kNoNode);

        AddWalkNode(*root, sizes[size_t(m_iRoot)] <= kSubtreeCubes);
        // Depth first, so that a subtree's nodes stay near one another; each node's
        // children are appended together when the node is reached.
        std::vector<uint32_t> pending{0};
        while (!pending.empty()) {
            const uint32_t at = pending.back();
            pending.pop_back();
            if (m_aFaceCopies[at].m_bSubtree) {
                if (!CopiedCubes(m_aFaceCopies[at], m_aCubeList))
                    return false;
                for (const int inside : m_aCubeList)
                    m_aNodeOfCube[size_t(inside)] = at;
                continue;
            }
            const OctreeCube &cube = *GetCube(m_aFaceCopies[at].m_iCube);
            m_aNodeOfCube[size_t(cube.GetIndex())] = at;
            const auto first = uint32_t(m_aWalkNodes.size());
            unsigned count = 0;
            for (int child : cube.m_aChild)
                if (child >= 0) {
                    AddWalkNode(*GetCube(child), sizes[size_t(child)] <= kSubtreeCubes);
                    ++count;
                }
            m_aWalkNodes[at].m_iFirstChild = first;
            m_aWalkNodes[at].m_iChildCount = count;
            for (unsigned k = count; k-- > 0;)
                pending.push_back(first + k);
        }
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}

bool Octree::AddToWalkNodes(int c)
{
    const OctreeCube *cube = GetCube(c);
    const int parent = cube ? cube->m_iParent : -1;
    // A new root (the tree grew) lies above the layout: that takes a new one.
    if (parent < 0 || parent >= c || m_aNodeOfCube.size() != size_t(c))
        return false;
    const uint32_t at = m_aNodeOfCube[size_t(parent)];
    if (at >= m_aFaceCopies.size())
        return false;
    try {
        m_aNodeOfCube.push_back(kNoNode);
        if (m_aFaceCopies[at].m_bSubtree) {
            // The subtree's copy takes the new cube's faces too.
            m_aNodeOfCube[size_t(c)] = at;
            m_aFaceCopies[at].m_iGeneration = 0;
            return true;
        }
        // The parent's children move to a new group at the end, the new cube among them
        // in child-number order; the new cube starts a subtree of its own.
        const WalkNode old = m_aWalkNodes[at];
        const auto first = uint32_t(m_aWalkNodes.size());
        unsigned count = 0;
        for (int child : GetCube(parent)->m_aChild) {
            if (child < 0 || child > c)
                continue;
            if (child == c) {
                m_aNodeOfCube[size_t(c)] = AddWalkNode(*cube, true);
                ++count;
                continue;
            }
            const uint32_t from = m_aNodeOfCube[size_t(child)];
            if (from < old.m_iFirstChild || from >= old.m_iFirstChild + old.m_iChildCount ||
                m_aFaceCopies[from].m_iCube != child)
                return false;
            const auto to = uint32_t(m_aWalkNodes.size());
            const WalkNode node = m_aWalkNodes[from];
            CubeFaces copy = std::move(m_aFaceCopies[from]);
            m_aFaceCopies[from].m_iCube = -1;
            m_aWalkNodes.push_back(node);
            m_aFaceCopies.push_back(std::move(copy));
            // Every cube whose faces the moved copy holds now names its new place.
            if (!CopiedCubes(m_aFaceCopies[to], m_aCubeList))
                return false;
            for (const int inside : m_aCubeList)
                if (size_t(inside) < m_aNodeOfCube.size())
                    m_aNodeOfCube[size_t(inside)] = to;
            ++count;
        }
        if (count != old.m_iChildCount + 1)
            return false;
        m_iUnusedNodes += old.m_iChildCount;
        m_aWalkNodes[at].m_iFirstChild = first;
        m_aWalkNodes[at].m_iChildCount = count;
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}

void Octree::RemapFaces(const General::Store<unsigned int> &map, unsigned size)
{
    InvalidateFaceCopies();
    if (!GetRoot())
        return ResetCubeOfFace(true);
    Mesh &mesh = *m_pMesh;
    bool cut = false;
    for (int c = 0; c < m_iCubeCount; ++c) {
        OctreeCube *cube = GetCube(c);
        uint32_t *link = &cube->m_aFirst[0];
        while (*link < kChainEnd) {
            const uint32_t old = *link;
            if (!TV_CHECK(old < size && old < map.GetItemCount() && map[old] != kNone)) {
                // The rest of the chain cannot be followed: end it here.
                *link = kChainEnd + uint32_t(c);
                cut = true;
                break;
            }
            *link = map[old];
            if (!TV_CHECK(*link < mesh.m_iFaceCount)) {
                *link = kChainEnd + uint32_t(c);
                cut = true;
                break;
            }
            link = &mesh.NextInCube(*link, 0);
        }
    }
    // A chain cut short left faces the table would still place: it is made again from the chains.
    if (cut)
        ResetCubeOfFace(true);
    else
        RemapCubeOfFace(map, size);
}

bool Octree::Serialize(Stream &stream)
{
    const int version = stream.GetVersion();
    if (stream.IsStoring()) {
        int count = m_iCubeCount;
        stream.Serialize(m_iMaxDepth).Serialize(m_iRoot).Serialize(count);
        for (int c = 0; c < count; ++c) {
            OctreeCube &cube = *GetCube(c);
            int zero = 0;
            short depth = cube.m_iDepth;
            unsigned char reserved = 0;
            for (int &child : cube.m_aChild)
                stream.Serialize(child);
            stream.Serialize(cube.m_iParent).Serialize(depth).Serialize(reserved).Serialize(reserved);
            stream.Serialize(cube.m_iIndex).Serialize(zero).Serialize(cube.m_aFirst[0]);
            if (version >= 4)
                stream.Serialize(zero).Serialize(cube.m_aFirst[1]);
            if (version >= 3)
                cube.m_cBox.Serialize(stream);
            else
                stream.Transfer(&cube.m_cBox, 24);
        }
        if (version >= 5)
            stream.Serialize(m_iDeepest);
        return !stream.HasError();
    }

    DeleteCubes();
    int count = 0;
    stream.Serialize(m_iMaxDepth).Serialize(m_iRoot).Serialize(count);
    if (stream.HasError() || count < 0 || !stream.Expect(uint64_t(count) * CubeRecordBytes(version))) {
        m_iRoot = -1;
        stream.SetError();
        return false;
    }
    for (int c = 0; c < count && !stream.HasError(); ++c) {
        OctreeCube *cube = AddCube(OctreeCube(this));
        if (!cube) {
            stream.SetError();
            break;
        }
        int reserved = 0;
        unsigned char pad = 0;
        for (int &child : cube->m_aChild)
            stream.Serialize(child);
        stream.Serialize(cube->m_iParent).Serialize(cube->m_iDepth).Serialize(pad).Serialize(pad);
        stream.Serialize(cube->m_iIndex).Serialize(reserved).Serialize(cube->m_aFirst[0]);
        if (version >= 4)
            stream.Serialize(reserved).Serialize(cube->m_aFirst[1]);
        // No face is on layer 1 outside a stroke, and strokes are never stored.
        cube->m_aFirst[1] = kChainEnd + uint32_t(cube->m_iIndex);
        if (version >= 3) {
            if (!cube->m_cBox.Serialize(stream))
                stream.SetError();
        } else {
            stream.Transfer(&cube->m_cBox, 24);
        }
    }
    if (version >= 5)
        stream.Serialize(m_iDeepest);
    if (stream.HasError()) {
        DeleteCubes();
        return false;
    }
    // The chains came with the faces' records, past the table.
    ResetCubeOfFace(true);
    return true;
}

// The cube records must form one tree whose walks end: indices in range, each cube
// the child of at most one parent and reached at most once from the root.
bool Octree::CheckStructure(QString &why) const
{
    if (m_iMaxDepth < 0 || m_iMaxDepth > 32) {
        why = QStringLiteral("octree depth limit %1 is out of range").arg(m_iMaxDepth);
        return false;
    }
    if (m_iRoot < -1 || m_iRoot >= m_iCubeCount || (m_iRoot < 0 && m_iCubeCount > 0)) {
        why = QStringLiteral("octree root %1 is not one of its %2 cubes").arg(m_iRoot).arg(m_iCubeCount);
        return false;
    }
    for (int c = 0; c < m_iCubeCount; ++c) {
        const OctreeCube &cube = *GetCube(c);
        // Depths far from 0 could wrap around while the tree grows or deepens.
        if (cube.m_iIndex != c || !cube.m_cBox.IsFinite() || cube.m_cBox.IsEmpty() || cube.m_iDepth < -16384 ||
            cube.m_iDepth > 16384) {
            why = QStringLiteral("octree cube %1 is damaged").arg(c);
            return false;
        }
        if ((c == m_iRoot) != (cube.m_iParent < 0) || cube.m_iParent < -1 || cube.m_iParent >= m_iCubeCount) {
            why = QStringLiteral("octree cube %1 has a bad parent").arg(c);
            return false;
        }
        for (int k = 0; k < 8; ++k) {
            const int child = cube.m_aChild[k];
            if (child < 0) {
                if (child == -1)
                    continue;
            } else if (child < m_iCubeCount && child != c && GetCube(child)->m_iParent == c &&
                       GetCube(child)->m_iDepth == cube.m_iDepth + 1 &&
                       std::find(cube.m_aChild, cube.m_aChild + k, child) == cube.m_aChild + k) {
                continue;
            }
            why = QStringLiteral("octree cube %1 has a bad child").arg(c);
            return false;
        }
        const uint32_t head = cube.m_aFirst[0];
        if (head >= kChainEnd && head != kChainEnd + uint32_t(c)) {
            why = QStringLiteral("octree cube %1 has a bad chain head").arg(c);
            return false;
        }
    }
    // Every cube names its parent and each parent its children, so each cube is reached
    // at most once; walking from the root counts that every cube belongs to the tree.
    if (m_iRoot >= 0) {
        General::Store<int> stack("octree check");
        int reached = 0;
        stack.Add(m_iRoot);
        while (stack.HasItems()) {
            const int c = stack.GetLast();
            stack.SetItemCount(stack.GetItemCount() - 1, true);
            if (++reached > m_iCubeCount)
                break;
            for (int child : GetCube(c)->m_aChild)
                if (child >= 0 && stack.Add(child) < 0) {
                    why = QStringLiteral("not enough memory to check the octree");
                    return false;
                }
        }
        if (reached != m_iCubeCount) {
            why = QStringLiteral("octree cubes do not form one tree");
            return false;
        }
    }
    return true;
}

}  // namespace Octree
