#include "mesh/levels/SubdivLevel.h"

#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/levels/LevelSwapFiles.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/core/Octree.h"

#include <QFile>

#include <algorithm>
#include <new>

using namespace LevelBits;


namespace {
General::Node *CreateLevels(int count) { return SubdivLevel::Create(count); }
}  // namespace

constinit General::TypeInfo SubdivLevel::s_typeInfo{&Mesh::s_typeInfo, "SubdivLevel", &CreateLevels};


SubdivLevel::SubdivLevel() = default;

SubdivLevel::SubdivLevel(unsigned faceCount, unsigned vertexCount, unsigned tcCount, unsigned unused, bool quads)
    : Mesh(faceCount, vertexCount, unused, tcCount, quads)
{
    m_iCreatedFaces = faceCount;
    m_iTotalFaceCount = faceCount;
    m_iTotalVertexCount = vertexCount;
}

SubdivLevel::~SubdivLevel()
{
    // Finer levels go first: each layer keeps its level data newest level first, and a
    // layer must not keep data that points at a level that is gone.
    delete m_pNext;
    m_pNext = nullptr;
    if (m_pObject && m_pPrev)  // level 0 is the object itself; its layers free their own data
        DropLayerData();
    if (!m_sSwapBase.isEmpty()) {
        for (int kind = 0; kind < LevelSwapFiles::kKindCount; ++kind)
            QFile::remove(LevelSwapFiles::Path(m_sSwapBase, LevelSwapFiles::Kind(kind)));
        LevelSwapFiles::ReleaseBase(m_sSwapBase);
    }
    // Whole-level swaps that were never reloaded are of no use once the level is gone.
    if (!m_sFaceSwapFile.isEmpty())
        QFile::remove(m_sFaceSwapFile);
    if (!m_sVertexSwapFile.isEmpty())
        QFile::remove(m_sVertexSwapFile);
}

SubdivLevel *SubdivLevel::Create(int count)
{
    return static_cast<SubdivLevel *>(General::CreateNodes<SubdivLevel>(count));
}

QString SubdivLevel::GetName() const
{
    return QStringLiteral("%1 (level: %2, faces: %3)").arg(GetObjectName()).arg(GetLevelIndex()).arg(m_iFaceCount);
}

QString SubdivLevel::GetObjectName() const { return GetBaseLevel()->m_sName; }

uint64_t SubdivLevel::GetMemorySize() const
{
    return Mesh::GetMemorySize() + uint64_t(m_aCCPositions.GetItemCount()) * 12 +
           uint64_t(m_aFaceMap.GetItemCount()) * 8 + uint64_t(m_aVertexMap.GetItemCount()) * 8;
}

Object *SubdivLevel::GetObject()
{
    TV_ASSERT(m_pObject);
    return m_pObject;
}

Placement *SubdivLevel::GetPlacement()
{
    SubdivLevel *base = GetBaseLevel();
    return base == this ? Mesh::GetPlacement() : base->GetPlacement();
}

// --- the chain -----------------------------------------------------------------------

SubdivLevel *SubdivLevel::GetBaseLevel()
{
    return const_cast<SubdivLevel *>(static_cast<const SubdivLevel *>(this)->GetBaseLevel());
}

const SubdivLevel *SubdivLevel::GetBaseLevel() const
{
    const SubdivLevel *level = this;
    while (level->m_pPrev)
        level = level->m_pPrev;
    return level;
}

int SubdivLevel::GetLevelIndex(const SubdivLevel *level)
{
    if (!level)
        return -1;
    int index = 0;
    for (const SubdivLevel *l = level->m_pPrev; l; l = l->m_pPrev)
        ++index;
    return index;
}

void SubdivLevel::SetNextLevel(SubdivLevel *next)
{
    if (next == m_pNext)
        return;
    delete m_pNext;
    m_pNext = next;
    if (next) {
        next->m_pPrev = this;
        next->m_pObject = m_pObject;
    }
}

// --- absolute and relative positions --------------------------------------------------

void SubdivLevel::MakeAbsolute()
{
    if (m_bAbsolute)
        return;
    TV_ASSERT(m_pPrev);
    const unsigned n = std::min({m_iVertexCount, m_pVertices.GetItemCount(), m_aCCPositions.GetItemCount()});
    TV_ASSERT(n == m_iVertexCount || !m_pPrev);
    Vertex *vertices = m_pVertices.GetBuffer();
    const General::Vector *cc = m_aCCPositions.GetBuffer();
    for (unsigned i = 0; i < n; ++i)
        vertices[i].m_vPosition += cc[i];
    m_bAbsolute = true;
    if (m_pOctree)
        m_pOctree->InvalidateFaceCopies();
}

void SubdivLevel::MakeRelative()
{
    if (!m_bAbsolute || !m_pPrev)
        return;
    const unsigned n = std::min({m_iVertexCount, m_pVertices.GetItemCount(), m_aCCPositions.GetItemCount()});
    TV_ASSERT(n == m_iVertexCount);
    Vertex *vertices = m_pVertices.GetBuffer();
    const General::Vector *cc = m_aCCPositions.GetBuffer();
    for (unsigned i = 0; i < n; ++i)
        vertices[i].m_vPosition -= cc[i];
    m_bAbsolute = false;
    if (m_pOctree)
        m_pOctree->InvalidateFaceCopies();
}

bool SubdivLevel::AddNewVertices()
{
    if (m_iNewVertexCount <= m_iVertexCount)
        return true;
    const unsigned held = std::min(m_iVertexCount, m_pVertices.GetItemCount());
    if (!m_pVertices.SetItemCount(m_iNewVertexCount, true))
        return false;
    m_iVertexCount = m_iNewVertexCount;
    Vertex *vertices = m_pVertices.GetBuffer();
    if (m_bAbsolute || !m_pPrev || m_aCCPositions.GetItemCount() < m_iVertexCount) {
        std::fill(vertices + held, vertices + m_iVertexCount, Vertex{});
        return true;
    }
    // What MakeAbsolute makes of a blank vertex, without writing it blank first: the sum
    // with zero is kept, so that a negative zero comes out as MakeAbsolute gives it.
    const General::Vector *cc = m_aCCPositions.GetBuffer();
    for (unsigned i = 0; i < held; ++i)
        vertices[i].m_vPosition += cc[i];
    Vertex blank{};
    for (unsigned i = held; i < m_iVertexCount; ++i) {
        blank.m_vPosition = General::Vector(0, 0, 0) + cc[i];
        vertices[i] = blank;
    }
    m_bAbsolute = true;
    if (m_pOctree)
        m_pOctree->InvalidateFaceCopies();
    return true;
}

// --- index maps ---------------------------------------------------------------------

int SubdivLevel::FindInVertexMap(unsigned global)
{
    const unsigned count = m_aVertexMap.GetItemCount();
    while (m_iVertexMapCursor < count && unsigned(m_aVertexMap[m_iVertexMapCursor].second) < global)
        ++m_iVertexMapCursor;
    if (m_iVertexMapCursor < count && unsigned(m_aVertexMap[m_iVertexMapCursor].second) == global)
        return m_aVertexMap[m_iVertexMapCursor].first;
    return -1;
}

void SubdivLevel::ResetVertexMapCursor()
{
    m_aVertexMap.Sort(General::Map::kBySecond);
    m_iVertexMapCursor = 0;
}

void SubdivLevel::MapFaceListToGlobal(General::Store<unsigned int> &list)
{
    if (!m_aFaceMap.HasItems())
        return;
    m_aFaceMap.Sort(General::Map::kByFirst);
    const unsigned held = std::min(m_iFaceCount, m_aFaceMap.GetItemCount());
    for (unsigned &entry : list)
        entry = entry < held ? unsigned(m_aFaceMap[entry].second) : 0xFFFFFFFFu;
}

void SubdivLevel::MapFaceListToLocal(General::Store<unsigned int> &list)
{
    if (!list.HasItems() || !m_aFaceMap.HasItems())
        return;
    m_aFaceMap.Sort(General::Map::kBySecond);
    for (unsigned &entry : list) {
        const General::IntPair key{0, int(entry)};
        const General::IntPair *found = entry == 0xFFFFFFFFu ? nullptr : m_aFaceMap.Find(&key);
        entry = found ? unsigned(found->first) : 0xFFFFFFFFu;
    }
}

bool SubdivLevel::MakePartial()
{
    if (!m_bFull)
        return true;
    if (!SetIdentityFaceMap())
        return false;
    m_bFull = false;
    return true;
}

bool SubdivLevel::SetIdentityFaceMap()
{
    General::Map map(0, "unknown map");
    if (!map.SetItemCount(m_iFaceCount, false))
        return false;
    for (unsigned i = 0; i < m_iFaceCount; ++i)
        map[i] = {int(i), int(i)};
    map.MarkUnsorted();
    m_aFaceMap = std::move(map);
    return true;
}

void SubdivLevel::BuildChildTables(unsigned sides, General::FileArray<unsigned int> &faces,
                                   General::FileArray<unsigned int> &vertices)
{
    if (!TV_CHECK(m_pPrev))
        return;
    SubdivLevel &prev = *m_pPrev;
    if (m_bFull && prev.m_bFull) {
        faces.Release();
        return;
    }
    const unsigned prevFaces = prev.m_iFaceCount;
    if (!TV_CHECK(faces.GetSize() >= uint64_t(prevFaces) * sides && vertices.GetSize() >= prev.m_iVertexCount))
        return;
    prev.m_aFaceMap.Sort(General::Map::kByFirst);
    m_aFaceMap.Sort(General::Map::kBySecond);
    for (unsigned f = 0; f < prevFaces; ++f) {
        const unsigned g = prev.m_bFull ? f : unsigned(prev.m_aFaceMap[f].second);
        for (unsigned c = 0; c < sides; ++c) {
            const unsigned child = g * sides + c;
            unsigned local = 0xFFFFFFFFu;
            if (m_bFull) {
                local = child < m_iFaceCount ? child : 0xFFFFFFFFu;
            } else {
                const General::IntPair key{0, int(child)};
                if (const General::IntPair *found = m_aFaceMap.Find(&key))
                    local = unsigned(found->first);
            }
            faces.Set(f * sides + c, local);
        }
    }

    // A parent corner sits in one child, at one of the child's corners: quad corner c in
    // child {0, 1, 3, 2}[c] at its corner c, triangle corner c in child c at its corner {0, 1, 3}[c].
    static constexpr unsigned kQuadChild[4] = {0, 1, 3, 2};
    static constexpr unsigned kTriangleCorner[3] = {0, 1, 3};
    vertices.Fill(0xFFFFFFFFu);
    vertices.SetSingleItemAccess();
    const unsigned corners = prev.Corners();
    for (unsigned f = 0; f < prevFaces; ++f) {
        for (unsigned c = 0; c < corners && c < sides; ++c) {
            const unsigned childNumber = corners == 4 ? kQuadChild[c] : c;
            const unsigned childCorner = corners == 4 ? c : kTriangleCorner[c];
            const unsigned child = faces.Get(f * sides + childNumber);
            if (child == 0xFFFFFFFFu || child >= m_iFaceCount)
                continue;
            vertices.Set(prev.FaceVertexIndex(f, c), FaceVertexIndex(child, childCorner));
        }
    }
    faces.SetSingleItemAccess();
}

// --- carrying sculpted changes down ------------------------------------------------------

void SubdivLevel::PropagateToLowerLevel()
{
    if (!m_pPrev)
        return;
    SubdivLevel &prev = *m_pPrev;
    m_aVertexMap.Sort(General::Map::kByFirst);
    prev.m_aVertexMap.Sort(General::Map::kBySecond);
    prev.m_iPropagatedCount = 0;
    for (const General::IntPair &pair : m_aVertexMap) {
        const unsigned v = unsigned(pair.first), g = unsigned(pair.second);
        if (g >= prev.m_iGlobalVertexBound || v >= m_iVertexCount || v >= m_aCCPositions.GetItemCount())
            continue;
        const Vertex &vertex = m_pVertices[v];
        const General::Vector &cc = m_aCCPositions[v];
        if (vertex.m_vPosition == cc)
            continue;
        if (uint32_t(vertex.m_iStrokeID) < m_iPropagationStamp || uint32_t(vertex.m_iStrokeID) >= m_iStamp)
            continue;
        if ((vertex.m_vPosition - cc).Length() < 0.00001f)
            continue;
        const General::IntPair key{0, int(g)};
        const General::IntPair *found = prev.m_aVertexMap.Find(&key);
        TV_ASSERT(found);
        if (!found || unsigned(found->first) >= prev.m_iVertexCount)
            continue;
        Vertex &below = prev.m_pVertices[unsigned(found->first)];
        below.m_vPosition = vertex.m_vPosition;
        below.m_iStrokeID = int32_t(prev.m_iPropagationStamp);
        ++prev.m_iPropagatedCount;
    }
    if (prev.m_pOctree)
        prev.m_pOctree->InvalidateFaceCopies();
    m_iPropagationStamp = m_iStamp;
    if (prev.m_iStamp == prev.m_iPropagationStamp)
        ++prev.m_iStamp;
}

// --- face states -------------------------------------------------------------------

void SubdivLevel::FreezeLocalBorder()
{
    if (MeshSwitches::s_bVerbose)
        Log(" Freezing local border on level %d\n", GetLevelIndex());
    for (Vertex &vertex : m_pVertices)
        vertex.m_cFreeze = 0;
    m_iFrozenVertices = 0;
    if (m_eType != typeQuadric || !MeshSwitches::s_bFreezeBorder)
        return;
    const unsigned faceCount = std::min(m_iFaceCount, m_pQuads.GetItemCount());
    for (unsigned f = 0; f < faceCount; ++f) {
        const Quad &quad = m_pQuads[f];
        for (unsigned e = 0; e < 4; ++e) {
            const uint32_t entry = uint32_t(quad.m_iAdjacent[e]);
            if (entry == kOpenEdge)
                continue;
            // A neighbour the level holds, shown and in the worked region, is no border.
            if (entry < kAbsentNeighbour && entry / 4 < faceCount) {
                const Quad &neighbour = m_pQuads[entry / 4];
                if (IsVisible(neighbour) && IsActive(neighbour))
                    continue;
            }
            const unsigned vertex = CornerVertex(quad, e);
            if (vertex < m_pVertices.GetItemCount() && m_pVertices[vertex].m_cFreeze != 255) {
                m_pVertices[vertex].m_cFreeze = 255;
                ++m_iFrozenVertices;
            }
        }
    }
}

bool SubdivLevel::RelinkFaces(unsigned firstNew, bool mark)
{
    CalculateNormals(false);
    if (!m_pOctree)
        return false;
    if (!m_pOctree->GetRoot())
        m_pOctree->CreateRoot();
    return WithFaces([&](auto &faces) {
        const unsigned count = std::min(m_iFaceCount, faces.GetItemCount());
        for (unsigned f = 0; f < std::min(firstNew, count); ++f) {
            const uint32_t word = faces[f].m_iOctree;
            if (IsActive(faces[f]) && word >= OctreeLink::kUnlinked && word != OctreeLink::kNone &&
                !m_pOctree->InsertFace(f, int(word + 0x40000000u)))
                return false;
        }
        for (unsigned f = firstNew; f < count; ++f) {
            auto &face = faces[f];
            if (IsActive(face)) {
                const uint32_t word = face.m_iOctree;
                const int hint = word >= OctreeLink::kUnlinked && word != OctreeLink::kNone ? int(word + 0x40000000u) : -1;
                // A word that names no cube is stale: the face is in no chain yet.
                if (hint < 0)
                    face.m_iOctree = OctreeLink::kNone;
                if (!m_pOctree->InsertFace(f, hint))
                    return false;
                SetVisible(face, true);
            } else {
                if (!IsVisible(face))
                    SetMapped(face, false);
                SetActive(face, true);
                SetVisible(face, false);
            }
            SetSelected(face, false);
        }
        m_aFaceIndexTable.Clear();
        m_iHiddenFaces = 0;
        m_bPartitionsBuilt = false;
        const bool markVisible = mark || m_eType != typeQuadric;
        for (unsigned f = 0; f < count; ++f) {
            if (!IsVisible(faces[f])) {
                ++m_iHiddenFaces;
                continue;
            }
            if (m_aFaceIndexTable.Add(int(f)) < 0)
                return false;
            if (markVisible)
                SetMapped(faces[f], true);
        }
        return true;
    });
}

void SubdivLevel::HideFaces(const General::Store<unsigned int> &list)
{
    WithFaces([&](auto &faces) {
        const unsigned count = std::min(m_iFaceCount, faces.GetItemCount());
        const bool all = !list.HasItems();
        if (list.GetItemCount() < count)
            for (unsigned f = 0; f < count; ++f)
                SetSelected(faces[f], false);
        const unsigned listed = all ? count : list.GetItemCount();
        for (unsigned i = 0; i < listed; ++i) {
            const unsigned f = all ? i : list[i];
            if (f >= count)
                continue;
            SetSelected(faces[f], true);
            SetVisible(faces[f], false);
        }
    });
    m_bPartitionsBuilt = false;
}

void SubdivLevel::MarkFaceList(const General::Store<unsigned int> &list)
{
    HideFaces(list);
    WithFaces([&](auto &faces) {
        const unsigned count = std::min(m_iFaceCount, faces.GetItemCount());
        const bool all = !list.HasItems();
        const unsigned listed = all ? count : list.GetItemCount();
        for (unsigned i = 0; i < listed && m_pOctree; ++i) {
            const unsigned f = all ? i : list[i];
            if (f >= count || faces[f].m_iOctree >= OctreeLink::kUnlinked)
                continue;
            if (Octree::OctreeCube *cube = m_pOctree->GetCube(FaceCube(f)))
                cube->UnlinkMarkedFaces(0);
        }
    });
    m_iSelectedFaces = 0;
}

bool SubdivLevel::RebuildVisibleFaces()
{
    // The tile partitions list visible faces by index: they are made again when drawn.
    m_bPartitionsBuilt = false;
    m_aFaceIndexTable.Clear();
    m_iHiddenFaces = 0;
    return WithFaces([&](auto &faces) {
        const unsigned count = std::min(m_iFaceCount, faces.GetItemCount());
        for (unsigned f = 0; f < count; ++f) {
            if (!IsVisible(faces[f]))
                ++m_iHiddenFaces;
            else if (m_aFaceIndexTable.Add(int(f)) < 0)
                return false;
        }
        return true;
    });
}
