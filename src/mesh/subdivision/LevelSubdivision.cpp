#include "mesh/subdivision/LevelSubdivision.h"

#include "foundation/Progress.h"
#include "foundation/ShellServices.h"
#include "foundation/Threads.h"
#include "mesh/subdivision/LevelTotals.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/levels/SubdivLevel.h"
#include "platform/WriteAhead.h"

#include <algorithm>
#include <functional>

using ChildLayout::kNone;

namespace {

// Maps in a new block of the level before it is written, in pieces over the processors
// that the writing will use: mapping it on one thread would hold the others up.
void PrepareInPieces(void *block, size_t bytes)
{
    constexpr size_t kPiece = Platform::kWriteAheadMinimum * 2;
    General::ParallelFor((bytes + kPiece - 1) / kPiece, 0, 1, [&](uint64_t a, uint64_t b) {
        const size_t from = size_t(a) * kPiece;
        const size_t to = std::min<size_t>(bytes, size_t(b) * kPiece);
        Platform::PrepareForWriting(static_cast<char *>(block) + from, to - from);
    });
}

}  // namespace

LevelSubdivision::LevelSubdivision(SubdivLevel &level)
    : L(level), P(*level.m_pPrev), m_shape{level.m_pPrev->m_eType == Mesh::typeQuadric ? 4u : 3u}
{
}

unsigned LevelSubdivision::ParentGlobal(unsigned face) const
{
    if (P.m_bFull || face >= P.m_aFaceMap.GetItemCount())
        return face;
    return unsigned(P.m_aFaceMap[face].second);
}

unsigned LevelSubdivision::ParentVertexGlobal(unsigned vertex) const
{
    return vertex < P.m_aVertexMap.GetItemCount() ? unsigned(P.m_aVertexMap[vertex].second) : vertex;
}

bool LevelSubdivision::Run(General::Store<unsigned int> &faces)
{
    const bool polygons = P.m_aGenericFaces.HasItems();
    if (!polygons) {
        // Lists come sorted and unique more often than not; one pass finds that.
        if (std::adjacent_find(faces.begin(), faces.end(), std::greater_equal<unsigned>()) != faces.end())
            faces.RemoveDuplicates();
        unsigned kept = faces.GetItemCount();
        while (kept && faces[kept - 1] >= P.m_iFaceCount)
            --kept;
        if (!TV_CHECK(kept == faces.GetItemCount()))
            faces.SetItemCount(kept, true);
        if (!faces.HasItems())
            return true;
    } else if (!TV_CHECK(L.m_iFaceCount == 0)) {
        // Polygons are split all at once, into an empty level.
        return false;
    }

    // A level that was not made by GetNextLevel takes the totals it would have had.
    const LevelTotals expected = LevelTotals::Next(P);
    if (!L.m_iTotalFaceCount || polygons) {
        L.m_iTotalFaceCount = unsigned(std::min<uint64_t>(expected.faces, 0xFFFFFFFFu));
        L.m_iTotalVertexCount = unsigned(std::min<uint64_t>(expected.vertices, 0xFFFFFFFFu));
        L.m_iGlobalVertexBound = unsigned(std::min<uint64_t>(expected.bound, 0xFFFFFFFFu));
    }
    const uint64_t created = polygons ? expected.faces : uint64_t(faces.GetItemCount()) * m_shape.k;
    LevelTotals held;
    held.faces = std::max<uint64_t>(L.m_iTotalFaceCount, uint64_t(L.m_iFaceCount) + created);
    held.vertices = L.m_iTotalVertexCount;
    held.bound = L.m_iGlobalVertexBound;
    if (!expected.Fits() || !held.Fits()) {
        LevelTotals::ReportTooLarge(L.GetLevelIndex(), expected.Fits() ? held : expected);
        return false;
    }

    if (MeshSwitches::s_bVerbose)
        Log(" New faces: %d\n", int(created));
    General::Progress().Start(QStringLiteral("subdividing..."), 10, 10);
    Snapshot();
    bool ok;
    if (polygons)
        ok = Polygons();
    else if (L.m_iFaceCount == 0 && L.m_iVertexCount == 0 && P.m_bFull && faces.GetItemCount() == P.m_iFaceCount &&
             created == L.m_iTotalFaceCount)
        ok = P.WithFaces([&](const auto &parents) { return Whole(parents); });
    else
        ok = P.WithFaces([&](const auto &parents) { return Listed(parents, faces); });
    if (!ok)
        return false;
    ok = Finish(faces, unsigned(created));
    General::Progress().End();
    return ok;
}

Quad LevelSubdivision::BlankQuad()
{
    Quad blank{};
    blank.m_iOctree = 0xFFFFFFFFu;
    blank.m_iStamp = 0;
    for (unsigned c = 0; c < 4; ++c) {
        blank.m_iIndices[c] = MeshFlags::kBlankCorner;
        blank.m_iAdjacent[c] = -1;
        blank.m_iTCI[c] = int32_t(MeshFlags::kNoTC);
    }
    return blank;
}

bool LevelSubdivision::GrowFaces(unsigned count, bool blank)
{
    const unsigned first = L.m_iFaceCount;
    if (!L.m_pQuads.SetItemCount(first + count, true)) {
        Log(" Cannot allocate created face array.\n");
        return false;
    }
    PrepareInPieces(L.m_pQuads.GetBuffer() + first, size_t(count) * sizeof(Quad));
    if (blank)
        std::fill(L.m_pQuads.begin() + first, L.m_pQuads.end(), BlankQuad());
    General::Progress().Advance();
    return true;
}

bool LevelSubdivision::Finish(const General::Store<unsigned int> &faces, unsigned created)
{
    const unsigned first = m_state.faces;
    const bool makeTCs = P.m_iTCCount && (L.m_iTCCount || MeshSwitches::s_bCreateTCs);
    if (makeTCs) {
        // A level without coordinates has them all made again, old faces too.
        const unsigned from = L.m_iTCCount ? first : 0;
        if (from < first) {
            if (!m_aOldTCI.SetItemCount(first * 4, false))
                return Fail();
            for (unsigned f = 0; f < first; ++f)
                for (unsigned c = 0; c < 4; ++c)
                    m_aOldTCI[f * 4 + c] = L.m_pQuads[f].m_iTCI[c];
        }
        for (unsigned f = from; f < first + created; ++f)
            for (int32_t &tci : L.m_pQuads[f].m_iTCI)
                tci = int32_t(MeshFlags::kNoTC);
    }
    L.m_iCreatedFaces += created;
    L.m_iFaceCount = first + created;
    L.m_bPartitionsBuilt = false;
    L.m_bAdjacencyValid = true;

    // The store is sized before the coordinates are made, so that a refusal here is undone
    // as simply as any before it.
    if (!L.m_aCCPositions.SetItemCount(m_iNext, true)) {
        Log("Cannot allocate CC pos array\n");
        return Fail();
    }
    if (m_iNext > m_state.cc)
        PrepareInPieces(L.m_aCCPositions.GetBuffer() + m_state.cc,
                          size_t(m_iNext - m_state.cc) * sizeof(General::Vector));
    L.m_iNewVertexCount = m_iNext;
    General::Progress().Advance();

    const bool pendingTCs = first && uint32_t(L.m_pQuads[first - 1].m_iTCI[0]) == MeshFlags::kNoTC;
    if (makeTCs && !pendingTCs && !L.UpdateTCs(faces, first))
        return Fail();

    // The existing vertices keep their detail as offsets from the positions to come.
    L.MakeRelative();
    L.m_aFaceMap.Sort(General::Map::kByFirst);
    return true;
}

void LevelSubdivision::Snapshot()
{
    m_state.faces = L.m_iFaceCount;
    m_state.quads = L.m_pQuads.GetItemCount();
    m_state.faceMap = L.m_aFaceMap.GetItemCount();
    m_state.vertexMap = L.m_aVertexMap.GetItemCount();
    m_state.faceMapMode = L.m_aFaceMap.GetSortMode();
    m_state.vertexMapMode = L.m_aVertexMap.GetSortMode();
    m_state.cc = L.m_aCCPositions.GetItemCount();
    m_state.tcCount = L.m_iTCCount;
    m_state.tcs = L.m_pTCs.GetItemCount();
    m_state.created = L.m_iCreatedFaces;
    m_state.newVertices = L.m_iNewVertexCount;
    m_state.totalFaces = L.m_iTotalFaceCount;
    m_state.totalVertices = L.m_iTotalVertexCount;
    m_state.bound = L.m_iGlobalVertexBound;
    m_state.openEdges = L.m_iOpenEdges;
    m_state.full = L.m_bFull;
    m_state.facesRemoved = L.m_bFacesRemoved;
    m_state.adjacencyValid = L.m_bAdjacencyValid;
    m_state.partitionsBuilt = L.m_bPartitionsBuilt;
    m_iNext = L.m_iVertexCount;
}

void LevelSubdivision::Restore()
{
    for (const General::IntPair &word : m_aResolved)
        L.m_pQuads[unsigned(word.first) / 4].m_iAdjacent[unsigned(word.first) % 4] = word.second;
    m_aResolved.Clear();
    for (unsigned i = 0; i < m_aOldTCI.GetItemCount(); ++i)
        L.m_pQuads[i / 4].m_iTCI[i % 4] = m_aOldTCI[i];
    m_aOldTCI.Clear();
    L.m_pQuads.SetItemCount(m_state.quads, true);
    // The pairs added carry the new local indices, so they sort behind the old ones.
    auto truncate = [](General::Map &map, unsigned count, int mode) {
        if (map.GetItemCount() == count)
            return;
        map.Sort(General::Map::kByFirst);
        map.SetItemCount(count, true);
        if (mode != General::Map::kUnsorted)
            map.Sort(mode);
    };
    truncate(L.m_aFaceMap, m_state.faceMap, m_state.faceMapMode);
    truncate(L.m_aVertexMap, m_state.vertexMap, m_state.vertexMapMode);
    L.m_aCCPositions.SetItemCount(m_state.cc, true);
    L.m_iTCCount = m_state.tcCount;
    L.m_pTCs.SetItemCount(m_state.tcs, true);
    L.m_iFaceCount = m_state.faces;
    L.m_iCreatedFaces = m_state.created;
    L.m_iNewVertexCount = m_state.newVertices;
    L.m_iTotalFaceCount = m_state.totalFaces;
    L.m_iTotalVertexCount = m_state.totalVertices;
    L.m_iGlobalVertexBound = m_state.bound;
    L.m_iOpenEdges = m_state.openEdges;
    L.m_bFull = m_state.full;
    L.m_bFacesRemoved = m_state.facesRemoved;
    L.m_bAdjacencyValid = m_state.adjacencyValid;
    L.m_bPartitionsBuilt = m_state.partitionsBuilt;
}

bool LevelSubdivision::Fail()
{
    Restore();
    General::Progress().End();
    return false;
}
