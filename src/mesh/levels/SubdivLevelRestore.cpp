// Bringing faces back from a level's partial-level swap files.
//
// Everything that can fail is done before the level changes: the records are read into
// work stores and the level's stores are grown first. A restoration that fails therefore
// leaves the level as it was. A face one of whose vertices is neither on the level nor
// in the vertex swap file is not brought back: it stays in the caller's list.
#include "foundation/Progress.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/levels/LevelSwapFiles.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/levels/SubdivLevel.h"

#include <cstring>

using namespace LevelBits;

namespace {

constexpr unsigned kRestored = 0x7FFFFFFF;

const General::IntPair *FindFirst(General::Map &map, unsigned key)
{
    const General::IntPair probe{int(key), 0};
    return map.Find(&probe);
}

const General::IntPair *FindSecond(General::Map &map, unsigned key)
{
    const General::IntPair probe{0, int(key)};
    return map.Find(&probe);
}

// Grows a store to `count` items, keeping its items. When memory for the old and the new
// buffer together is refused, the items are parked in an anonymous file while the store
// is made anew. False (the store as it was) when that fails too.
template <class T>
bool GrowKeeping(General::Store<T> &store, unsigned count, const char *message)
{
    if (store.SetItemCount(count, true))
        return true;
    Log("%s", message);
    const unsigned held = store.GetItemCount();
    std::FILE *park = held ? std::tmpfile() : nullptr;
    if (!park)
        return false;
    bool ok = std::fwrite(store.begin(), sizeof(T), held, park) == held;
    if (ok) {
        store.Clear();
        ok = store.SetItemCount(count, false);
        if (!ok)
            store.SetItemCount(held, false);
        std::rewind(park);
        const bool back = std::fread(store.begin(), sizeof(T), held, park) == held;
        ok = ok && back;
        Log(ok ? "  Temporary disk swap succeeded.\n" : "  Temporary disk swap failed.\n");
    }
    std::fclose(park);
    return ok;
}

template <class Face>
class Restoration {
public:
    static constexpr unsigned kSides = Face::kCorners;

    Restoration(SubdivLevel &level, General::Store<Face> &faces) : L(level), m_faces(faces) {}

    bool Run(General::Store<unsigned int> &list, bool relink, bool all, const General::Store<bool> *firstMarks,
             bool markHidden);

private:
    unsigned Requested(unsigned j) const { return m_bListed ? (*m_pList)[j] : j; }
    bool ReadFaces(const QString &base);
    bool Plausible(Face &face) const;
    bool ReadVertices(const QString &base);
    bool Grow();
    void Commit(const General::Store<bool> *firstMarks, bool relink);
    bool End(bool result)
    {
        General::Progress().End();
        return result;
    }

    SubdivLevel &L;
    General::Store<Face> &m_faces;
    General::Store<unsigned int> *m_pList = nullptr;
    bool m_bListed = false;   // the list names the faces (else global faces 0, 1, ...)
    bool m_bCallers = false;  // the list is the caller's: restored entries leave it
    bool m_bMadePartial = false;
    unsigned m_iCount = 0;  // faces asked for
    unsigned m_iOldFaces = 0, m_iOldVertices = 0;
    General::Map m_faceIndex{0, "unknown map"}, m_vertexIndex{0, "unknown map"};
    // The faces found, in list order: the list entry, its global face and the record read.
    General::Store<unsigned int> m_aEntries{"subdiv restorefaces entries"};
    General::Store<Face> m_aIncoming{"subdiv restorefaces faces"};
    // Global vertices to bring back, ascending, and their records.
    General::Store<unsigned int> m_aVertexList{"subdiv restorefaces vertexlist"};
    General::Store<Vertex> m_aVertices{"subdiv restorefaces vertices"};
    General::Store<General::Vector> m_aCC{"subdiv restorefaces ccpositions"};
};

template <class Face>
bool Restoration<Face>::ReadFaces(const QString &base)
{
    SwapRecordFile file;
    if (!file.Open(LevelSwapFiles::Path(base, LevelSwapFiles::kFaces), "rb", sizeof(Face)))
        return false;
    if (!LevelSwapFiles::ReadIndex(LevelSwapFiles::Path(base, LevelSwapFiles::kFaceIndex), file.GetRecordCount(),
                                   m_faceIndex))
        return false;
    for (unsigned j = 0; j < m_iCount; ++j) {
        const General::IntPair *found = FindFirst(m_faceIndex, Requested(j));
        if (!found)
            continue;
        Face face;
        if (!file.Read(unsigned(found->second), &face))
            return false;
        if (!Plausible(face)) {
            Log(" Face %u cannot be restored: its record does not fit the level\n", Requested(j));
            continue;
        }
        if (m_aEntries.Add(j) < 0 || m_aIncoming.Add(face) < 0)
            return false;
    }
    return true;
}

template <class Face>
bool Restoration<Face>::Plausible(Face &face) const
{
    // Records are written with global vertices and with every neighbour as absent or open;
    // anything else (a damaged file that came in with a scene) is not taken as it stands.
    const unsigned bound = L.m_iGlobalVertexBound ? L.m_iGlobalVertexBound : L.m_iTotalVertexCount;
    for (unsigned c = 0; c < kSides; ++c)
        if (CornerVertex(face, c) >= bound)
            return false;
    for (int32_t &entry : face.m_iAdjacent)
        if (entry != -1 && (uint32_t(entry) < kAbsentNeighbour ||
                            (uint32_t(entry) - kAbsentNeighbour) / kSides >= L.m_iTotalFaceCount))
            entry = -1;
    return true;
}

template <class Face>
bool Restoration<Face>::ReadVertices(const QString &base)
{
    // The vertices the incoming faces need that the level does not hold.
    L.m_aVertexMap.Sort(General::Map::kBySecond);
    for (const Face &face : m_aIncoming)
        for (unsigned c = 0; c < kSides; ++c) {
            const unsigned global = CornerVertex(face, c);
            if (!FindSecond(L.m_aVertexMap, global) && m_aVertexList.Add(global) < 0)
                return false;
        }
    m_aVertexList.RemoveDuplicates();
    if (!m_aVertexList.HasItems())
        return true;

    const bool withCC = L.m_pPrev != nullptr;
    SwapRecordFile file, marks;
    if (!file.Open(LevelSwapFiles::Path(base, LevelSwapFiles::kVertices), "rb",
                   withCC ? LevelSwapFiles::kVertexRecordWithCC : LevelSwapFiles::kVertexRecord))
        return false;
    marks.Open(LevelSwapFiles::Path(base, LevelSwapFiles::kVertexMarks), "rb", 2);
    if (!LevelSwapFiles::ReadIndex(LevelSwapFiles::Path(base, LevelSwapFiles::kVertexIndex), file.GetRecordCount(),
                                   m_vertexIndex))
        return false;

    // A face with a vertex that has no record stays out.
    unsigned kept = 0;
    for (unsigned i = 0; i < m_aIncoming.GetItemCount(); ++i) {
        bool whole = true;
        for (unsigned c = 0; c < kSides && whole; ++c) {
            const unsigned global = CornerVertex(m_aIncoming[i], c);
            whole = FindSecond(L.m_aVertexMap, global) || FindFirst(m_vertexIndex, global);
            if (!whole)
                Log(" Face %u cannot be restored: vertex %u has no record\n", Requested(m_aEntries[i]), global);
        }
        if (whole) {
            m_aIncoming[kept] = m_aIncoming[i];
            m_aEntries[kept++] = m_aEntries[i];
        }
    }
    m_aIncoming.SetItemCount(kept, true);
    m_aEntries.SetItemCount(kept, true);
    unsigned recorded = 0;
    for (unsigned global : m_aVertexList)
        if (FindFirst(m_vertexIndex, global))
            m_aVertexList[recorded++] = global;
    m_aVertexList.SetItemCount(recorded, true);

    if (!m_aVertices.SetItemCount(recorded, false) || (withCC && !m_aCC.SetItemCount(recorded, false)))
        return false;
    for (unsigned i = 0; i < recorded; ++i) {
        const unsigned record = unsigned(FindFirst(m_vertexIndex, m_aVertexList[i])->second);
        unsigned char bytes[LevelSwapFiles::kVertexRecordWithCC];
        if (!file.Read(record, bytes))
            return false;
        Vertex vertex{};
        std::memcpy(&vertex.m_vPosition, bytes, 12);
        std::memcpy(&vertex.m_iStrokeID, bytes + 12, 4);
        unsigned char mark[2];
        if (marks.IsOpen() && marks.Read(record, mark)) {
            vertex.m_cFreeze = mark[0];
            vertex.m_cMask = mark[1];
        }
        m_aVertices[i] = vertex;
        if (withCC)
            std::memcpy(&m_aCC[i], bytes + 16, 12);
    }
    return true;
}

template <class Face>
bool Restoration<Face>::Grow()
{
    const unsigned faces = m_iOldFaces + m_aIncoming.GetItemCount();
    const unsigned vertices = m_iOldVertices + m_aVertexList.GetItemCount();
    auto undo = [&]() {
        if (m_bMadePartial) {
            L.m_aFaceMap.Clear();
            L.m_bFull = true;
        }
        m_faces.SetItemCount(m_iOldFaces, true);
        L.m_pVertices.SetItemCount(m_iOldVertices, true);
        if (L.m_pPrev)
            L.m_aCCPositions.SetItemCount(m_iOldVertices, true);
        return false;
    };
    // Faces come back in list order: unless they all do, the level pairs local and global indices.
    if (L.m_bFull && m_iCount < L.m_iTotalFaceCount) {
        if (!L.MakePartial())
            return false;
        m_bMadePartial = true;
    }
    if (!GrowKeeping(m_faces, faces, " Cannot allocate restored face array.\n"))
        return undo();
    if (!GrowKeeping(L.m_pVertices, vertices, " Cannot allocate vertex array.\n"))
        return undo();
    if (L.m_pPrev && !L.m_aCCPositions.SetItemCount(vertices, true))
        return undo();
    const bool partial = !L.m_bFull;
    if ((partial && !L.m_aFaceMap.Reserve(L.m_aFaceMap.GetItemCount() + m_aIncoming.GetItemCount(), true)) ||
        !L.m_aVertexMap.Reserve(L.m_aVertexMap.GetItemCount() + m_aVertexList.GetItemCount(), true))
        return undo();
    return true;
}

template <class Face>
void Restoration<Face>::Commit(const General::Store<bool> *firstMarks, bool relink)
{
    L.MakeRelative();
    const unsigned n = kSides;
    // Faces, in list order, after the ones the level holds.
    for (unsigned i = 0; i < m_aIncoming.GetItemCount(); ++i) {
        Face face = m_aIncoming[i];
        const unsigned j = m_aEntries[i];
        face.m_iStamp = 0;
        SetSelected(face, false);
        if (relink && firstMarks && j < firstMarks->GetItemCount())
            SetActive(face, (*firstMarks)[j]);
        m_faces[m_iOldFaces + i] = face;
        if (!L.m_bFull)
            L.m_aFaceMap.Add({int(m_iOldFaces + i), int(Requested(j))});
        if (m_bCallers)
            (*m_pList)[j] = kRestored;
    }
    General::Progress().Advance();

    // Neighbours that were absent and are now held.
    L.m_aFaceMap.Sort(General::Map::kBySecond);
    const unsigned faceCount = m_iOldFaces + m_aIncoming.GetItemCount();
    for (unsigned f = 0; f < faceCount; ++f)
        for (int32_t &entry : m_faces[f].m_iAdjacent) {
            if (entry == -1 || uint32_t(entry) < kAbsentNeighbour)
                continue;
            const uint32_t value = uint32_t(entry) - kAbsentNeighbour;
            if (L.m_bFull) {
                entry = int32_t(value);
            } else if (const General::IntPair *found = FindSecond(L.m_aFaceMap, value / n)) {
                entry = int32_t(unsigned(found->first) * n + value % n);
            }
        }
    General::Progress().Advance();

    // Vertices, in ascending global order after the ones the level holds.
    for (unsigned i = 0; i < m_aVertexList.GetItemCount(); ++i) {
        L.m_aVertexMap.Add({int(m_iOldVertices + i), int(m_aVertexList[i])});
        L.m_pVertices[m_iOldVertices + i] = m_aVertices[i];
        if (L.m_pPrev)
            L.m_aCCPositions[m_iOldVertices + i] = m_aCC[i];
    }
    L.m_aVertexMap.Sort(General::Map::kBySecond);
    for (unsigned f = m_iOldFaces; f < faceCount; ++f)
        for (unsigned c = 0; c < n; ++c) {
            const General::IntPair *found = FindSecond(L.m_aVertexMap, CornerVertex(m_faces[f], c));
            TV_ASSERT(found);  // every vertex was found or read
            SetCornerVertex(m_faces[f], c, found ? unsigned(found->first) : 0);
        }
    General::Progress().Advance();

    L.m_iFaceCount = faceCount;
    L.m_iVertexCount = m_iOldVertices + m_aVertexList.GetItemCount();
    L.m_bPartitionsBuilt = false;
    L.m_bRecreateBuffers = true;
    L.MakeAbsolute();
    L.m_aSymmetry.Clear();
}

template <class Face>
bool Restoration<Face>::Run(General::Store<unsigned int> &list, bool relink, bool all,
                            const General::Store<bool> *firstMarks, bool markHidden)
{
    m_pList = &list;
    m_iOldFaces = std::min(L.m_iFaceCount, m_faces.GetItemCount());
    m_iOldVertices = std::min(L.m_iVertexCount, L.m_pVertices.GetItemCount());
    if (all && L.m_bFull)
        all = false;
    if (all) {
        // Every global face the level lacks.
        list.SetItemCount(0, true);
        L.m_aFaceMap.Sort(General::Map::kBySecond);
        unsigned cursor = 0;
        for (unsigned g = 0; g < L.m_iTotalFaceCount; ++g) {
            while (cursor < L.m_aFaceMap.GetItemCount() && unsigned(L.m_aFaceMap[cursor].second) < g)
                ++cursor;
            if ((cursor >= L.m_aFaceMap.GetItemCount() || unsigned(L.m_aFaceMap[cursor].second) != g) &&
                list.Add(g) < 0)
                return false;
        }
    }
    m_bListed = list.HasItems() || all;
    m_bCallers = list.HasItems() && !all;
    m_iCount = m_bListed ? list.GetItemCount() : L.m_iTotalFaceCount;

    General::ProgressMeter &progress = General::Progress();
    progress.Start(QStringLiteral("restoring..."), 12, 12);
    if (MeshSwitches::s_bVerbose)
        Log("Restoring %d faces to level %d\n", int(m_iCount), L.GetLevelIndex());
    const QString base = L.GetSwapFileName();
    if (!ReadFaces(base))
        return End(false);
    progress.Advance();
    if (!m_aIncoming.HasItems())
        return End(true);
    if (!ReadVertices(base))
        return End(false);
    progress.Advance();
    if (!m_aIncoming.HasItems())
        return End(true);
    if (!Grow())
        return End(false);
    progress.Advance();

    Commit(firstMarks, relink);
    TV_ASSERT(L.m_iFaceCount <= L.m_iTotalFaceCount && L.m_iVertexCount <= L.m_iTotalVertexCount);
    if (MeshSwitches::s_bVerbose)
        Log(" Restored: %d faces, %d vertices\n", int(m_aIncoming.GetItemCount()), int(m_aVertexList.GetItemCount()));
    // The caller's list keeps, sorted, the faces that had no record.
    if (m_bCallers) {
        std::sort(list.begin(), list.end(), [](unsigned a, unsigned b) { return int(a) < int(b); });
        list.SetItemCount(list.GetItemCount() - m_aIncoming.GetItemCount(), true);
    }
    if (relink && !L.RelinkFaces(m_iOldFaces, markHidden))
        return End(false);
    return End(true);
}

}  // namespace

bool SubdivLevel::RestoreFaces(General::Store<unsigned int> &globals, bool relink, bool all,
                               const General::Store<bool> *firstMarks, bool markHidden)
{
    if (m_iFaceCount == m_iTotalFaceCount || m_aGenericFaces.HasItems() ||
        (m_pPrev && m_pPrev->m_aGenericFaces.HasItems()))
        return true;
    return WithFaces([&](auto &faces) {
        using Face = std::remove_reference_t<decltype(faces[0])>;
        return Restoration<Face>(*this, faces).Run(globals, relink, all, firstMarks, markHidden);
    });
}
