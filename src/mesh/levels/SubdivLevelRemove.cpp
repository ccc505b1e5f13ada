// Taking faces out of a level into its partial-level swap files.
//
// Everything that can fail is done before the level changes: the swap files are opened
// first, the removed faces and vertices are written and the new stores are made, and
// only then are the index files appended and the level's stores replaced. A removal
// that fails therefore leaves the level with all its faces and vertices.
#include "foundation/Progress.h"
#include "foundation/ShellServices.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/levels/LevelSwapFiles.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/core/Octree.h"
#include "mesh/levels/SubdivLevel.h"

#include <QFileInfo>

#include <cstring>
#include <utility>
#include <vector>

using namespace LevelBits;

namespace {

constexpr unsigned kNone = 0xFFFFFFFFu;

// Index files are appended last; this puts them back when a later step fails.
class IndexAppend {
public:
    explicit IndexAppend(const QString &path) : m_sPath(path), m_iSize(QFileInfo(path).size()) {}
    bool Append(const General::Store<General::IntPair> &pairs)
    {
        m_bDone = LevelSwapFiles::AppendIndex(m_sPath, pairs);
        return m_bDone;
    }
    void Undo()
    {
        if (m_bDone)
            QFile::resize(m_sPath, m_iSize);
    }

private:
    QString m_sPath;
    qint64 m_iSize;
    bool m_bDone = false;
};

template <class Face>
class Removal {
public:
    static constexpr unsigned kSides = Face::kCorners;

    Removal(SubdivLevel &level, General::Store<Face> &faces) : L(level), m_faces(faces) {}

    bool Run(const General::Store<unsigned int> &list, bool all, unsigned n, bool updateView);

private:
    unsigned FaceGlobal(unsigned f) const
    {
        return !L.m_bFull && f < L.m_aFaceMap.GetItemCount() ? unsigned(L.m_aFaceMap[f].second) : f;
    }
    unsigned VertexGlobal(unsigned v) const
    {
        return v < L.m_aVertexMap.GetItemCount() ? unsigned(L.m_aVertexMap[v].second) : v;
    }
    // Record number of a global index: its old record, or the next one at the end of the file.
    static bool RecordFor(unsigned global, General::Map &index, SwapRecordFile &file,
                          General::Store<General::IntPair> &added, unsigned &record)
    {
        const General::IntPair key{int(global), 0};
        if (const General::IntPair *found = index.Find(&key)) {
            record = unsigned(found->second);
            return true;
        }
        record = file.GetRecordCount();
        return added.Add({int(global), int(record)}) >= 0;
    }
    bool WriteRemovedFaces();
    bool WriteRemovedVertices();
    bool MarkListed(const General::Store<unsigned int> &list);
    void UnmarkListed();
    // Before the commit a failure puts back all it changed: the hidden and selected bits, the
    // octree chains, the selection count and the full state.
    bool Fail()
    {
        UnmarkListed();
        // Records written for the abandoned removal are named by no index: cut them off so
        // that failed tries do not grow the files (on a full disk, each try would fail sooner).
        m_faceFile.Close();
        m_vertexFile.Close();
        m_markFile.Close();
        for (const auto &[path, size] : m_aRecordFileSizes)
            if (QFileInfo(path).size() > size)
                QFile::resize(path, size);
        if (m_bMadePartial) {
            L.m_aFaceMap.Clear();
            L.m_bFull = true;
        }
        // The vertices come back into the room the operation's own stores leave.
        m_vi.Clear();
        m_fi.Clear();
        m_faceIndex.Clear();
        m_vertexIndex.Clear();
        m_newFaces.Clear();
        m_newVertices.Clear();
        m_kept.Clear();
        m_faceMap.Clear();
        m_vertexMap.Clear();
        m_ccPositions.Clear();
        L.ReloadVertices();
        General::Progress().End();
        return false;
    }

    // The words that hiding the listed faces changes, as they were.
    struct Marks {
        uint32_t visibleWord, selectedWord, octree;
    };

    SubdivLevel &L;
    General::Store<Face> &m_faces;
    unsigned m_iOldFaces = 0, m_iOldVertices = 0, m_iKeptVertices = 0;
    General::Store<unsigned int> m_vi{"subdiv removefaces vi"};
    General::Store<unsigned int> m_fi{"subdiv removefaces fi"};
    SwapRecordFile m_faceFile, m_vertexFile, m_markFile;
    General::Map m_faceIndex{0, "unknown map"}, m_vertexIndex{0, "unknown map"};
    General::Store<General::IntPair> m_newFaces{"subdiv removefaces newindices"};
    General::Store<General::IntPair> m_newVertices{"subdiv removefaces newindices"};
    General::Store<Marks> m_marks{"subdiv removefaces marks"};
    std::vector<std::pair<QString, qint64>> m_aRecordFileSizes;  // the record files as they were
    // What replaces the level's stores at the commit.
    General::Store<Face> m_kept{kSides == 4 ? "subdiv removefaces quads" : "subdiv removefaces triangles"};
    General::Map m_faceMap{0, "unknown map"}, m_vertexMap{0, "unknown map"};
    General::Store<General::Vector> m_ccPositions{"subdiv removefaces ccpositions"};
    unsigned m_iOldSelected = 0;
    bool m_bMarked = false, m_bMadePartial = false;
};

template <class Face>
bool Removal<Face>::MarkListed(const General::Store<unsigned int> &list)
{
    // Hiding changes every face's selected bit and the octree chains: keep what is needed to undo it.
    if (!m_marks.SetItemCount(m_iOldFaces, false))
        return false;
    for (unsigned f = 0; f < m_iOldFaces; ++f)
        m_marks[f] = {m_faces[f].m_iIndices[0], m_faces[f].m_iIndices[1], m_faces[f].m_iOctree};
    m_iOldSelected = L.m_iSelectedFaces;
    L.MarkFaceList(list);
    m_bMarked = true;
    return true;
}

template <class Face>
void Removal<Face>::UnmarkListed()
{
    if (!m_bMarked)
        return;
    m_bMarked = false;
    for (unsigned f = 0; f < m_iOldFaces; ++f) {
        Face &face = m_faces[f];
        const Marks &was = m_marks[f];
        const uint32_t word = face.m_iOctree;
        // A face the hiding took out of its cube goes back into the same cube's chain.
        if (was.octree < OctreeLink::kUnlinked && word >= OctreeLink::kUnlinked && word != OctreeLink::kNone &&
            L.m_pOctree) {
            if (Octree::OctreeCube *cube = L.m_pOctree->GetCube(int(word - OctreeLink::kUnlinked)))
                cube->AddFace(f, nullptr, 0);
        }
        face.m_iIndices[0] = was.visibleWord;
        face.m_iIndices[1] = was.selectedWord;
    }
    L.m_iSelectedFaces = m_iOldSelected;
    m_marks.Clear();
}

template <class Face>
bool Removal<Face>::WriteRemovedFaces()
{
    L.m_aFaceMap.Sort(General::Map::kByFirst);
    L.m_aVertexMap.Sort(General::Map::kByFirst);
    for (unsigned f = 0; f < m_iOldFaces; ++f) {
        if (m_fi.HasItems() && m_fi[f] != kNone)
            continue;
        Face record = m_faces[f];
        // Removed faces outside the worked region are not kept.
        if (!IsActive(record))
            continue;
        for (unsigned c = 0; c < kSides; ++c)
            SetCornerVertex(record, c, VertexGlobal(CornerVertex(record, c)));
        for (int32_t &entry : record.m_iAdjacent)
            if (IsHeldNeighbour(entry))
                entry = int32_t(kAbsentNeighbour + FaceGlobal(unsigned(entry) / kSides) * kSides + unsigned(entry) % kSides);
        unsigned r = 0;
        if (!RecordFor(FaceGlobal(f), m_faceIndex, m_faceFile, m_newFaces, r) || !m_faceFile.Write(r, &record))
            return false;
    }
    return true;
}

template <class Face>
bool Removal<Face>::WriteRemovedVertices()
{
    // The vertices were swapped out to make room for the new face store: read the removed
    // ones from there rather than bringing all back before the faces are replaced.
    SwapRecordFile swapped;
    const bool inMemory = L.m_pVertices.GetItemCount() >= m_iOldVertices;
    if (!inMemory && !swapped.Open(L.m_sVertexSwapFile, "rb", sizeof(Vertex)))
        return false;
    const bool withCC = L.m_pPrev != nullptr;
    const bool relative = withCC && L.m_bAbsolute;
    for (unsigned v = 0; v < m_iOldVertices; ++v) {
        if (m_vi.HasItems() && m_vi[v] != kNone)
            continue;
        Vertex vertex;
        if (inMemory)
            vertex = L.m_pVertices[v];
        else if (!swapped.Read(v, &vertex))
            return false;
        const General::Vector cc =
            v < L.m_aCCPositions.GetItemCount() ? L.m_aCCPositions[v] : General::Vector(0, 0, 0);
        const General::Vector position = relative ? vertex.m_vPosition - cc : vertex.m_vPosition;
        unsigned char bytes[LevelSwapFiles::kVertexRecordWithCC];
        std::memcpy(bytes, &position, 12);
        std::memcpy(bytes + 12, &vertex.m_iStrokeID, 4);
        if (withCC)
            std::memcpy(bytes + 16, &cc, 12);
        const unsigned char marks[2] = {vertex.m_cFreeze, vertex.m_cMask};
        unsigned r = 0;
        if (!RecordFor(VertexGlobal(v), m_vertexIndex, m_vertexFile, m_newVertices, r) ||
            !m_vertexFile.Write(r, bytes) || !m_markFile.Write(r, marks))
            return false;
    }
    return true;
}

template <class Face>
bool Removal<Face>::Run(const General::Store<unsigned int> &list, bool all, unsigned n, bool updateView)
{
    General::ProgressMeter &progress = General::Progress();
    progress.Start(QStringLiteral("removing..."), 14, 14);
    if (MeshSwitches::s_bVerbose)
        Log("Removing %u faces from level %d\n", n, L.GetLevelIndex());
    m_iOldFaces = L.m_iFaceCount;
    m_iOldVertices = std::min(L.m_iVertexCount, L.m_pVertices.GetItemCount());
    if (!L.m_sVertexSwapFile.isEmpty())
        m_iOldVertices = L.m_iVertexCount;
    const bool partialResult = n < L.m_iTotalFaceCount;

    // The swap files, before anything changes.
    const QString base = L.GetSwapFileName();
    const unsigned vertexRecord = L.m_pPrev ? LevelSwapFiles::kVertexRecordWithCC : LevelSwapFiles::kVertexRecord;
    for (LevelSwapFiles::Kind kind : {LevelSwapFiles::kFaces, LevelSwapFiles::kVertices, LevelSwapFiles::kVertexMarks}) {
        const QString path = LevelSwapFiles::Path(base, kind);
        m_aRecordFileSizes.emplace_back(path, QFileInfo(path).size());
    }
    if (!m_faceFile.Open(LevelSwapFiles::Path(base, LevelSwapFiles::kFaces), "r+b", sizeof(Face)) ||
        !m_vertexFile.Open(LevelSwapFiles::Path(base, LevelSwapFiles::kVertices), "r+b", vertexRecord) ||
        !m_markFile.Open(LevelSwapFiles::Path(base, LevelSwapFiles::kVertexMarks), "r+b", 2)) {
        Log(" Cannot use the swap files of level %d\n", L.GetLevelIndex());
        return Fail();
    }
    if (!LevelSwapFiles::ReadIndex(LevelSwapFiles::Path(base, LevelSwapFiles::kFaceIndex),
                                   m_faceFile.GetRecordCount(), m_faceIndex) ||
        !LevelSwapFiles::ReadIndex(LevelSwapFiles::Path(base, LevelSwapFiles::kVertexIndex),
                                   m_vertexFile.GetRecordCount(), m_vertexIndex))
        return Fail();
    progress.Advance();

    if (L.m_bFull && n > 0 && partialResult) {
        if (!L.MakePartial())
            return Fail();
        m_bMadePartial = true;
    }
    if (partialResult && (!m_vi.SetItemCount(m_iOldVertices, false) || !m_fi.SetItemCount(m_iOldFaces, false))) {
        Log(" Not enough memory for remove!\n");
        return Fail();
    }
    progress.Advance();

    if (updateView && !MarkListed(list)) {
        Log(" Not enough memory for remove!\n");
        return Fail();
    }
    L.SaveVerticesToDisk();
    progress.Advance();

    General::Store<Face> &kept = m_kept;
    if (!kept.SetItemCount(m_iOldFaces - n, false)) {
        Log(" Cannot allocate remaining face array.\n");
        return Fail();
    }
    progress.Advance();

    // Compaction of the faces: kept faces and their vertices are numbered in order of first use.
    if (partialResult) {
        m_vi.Fill(kNone);
        m_fi.Fill(kNone);
        L.m_aFaceMap.Sort(General::Map::kByFirst);
        if (!all) {
            unsigned cursor = 0, iFC = 0;
            for (unsigned f = 0; f < m_iOldFaces; ++f) {
                if (cursor < list.GetItemCount() && list[cursor] == f) {
                    ++cursor;
                    continue;
                }
                Face face = m_faces[f];
                for (unsigned c = 0; c < kSides; ++c) {
                    const unsigned v = CornerVertex(face, c);
                    if (!TV_CHECK(v < m_iOldVertices))
                        continue;
                    if (m_vi[v] == kNone)
                        m_vi[v] = m_iKeptVertices++;
                    SetCornerVertex(face, c, m_vi[v]);
                }
                TV_ASSERT(iFC < m_iOldFaces - list.GetItemCount());
                m_fi[f] = iFC;
                kept[iFC++] = face;
            }
        }
        for (Face &face : kept)
            for (int32_t &entry : face.m_iAdjacent) {
                if (!IsHeldNeighbour(entry))
                    continue;
                const unsigned f = unsigned(entry) / kSides, e = unsigned(entry) % kSides;
                entry = f < m_iOldFaces && m_fi[f] != kNone ? int32_t(m_fi[f] * kSides + e)
                                                             : int32_t(kAbsentNeighbour + FaceGlobal(f) * kSides + e);
            }
    } else {
        m_fi.Clear();
    }
    progress.Advance();

    if (!WriteRemovedFaces())
        return Fail();
    progress.Advance();
    if (!WriteRemovedVertices())
        return Fail();
    progress.Advance();

    // New maps and Catmull-Clark store, made before the level changes.
    General::Map &faceMap = m_faceMap, &vertexMap = m_vertexMap;
    General::Store<General::Vector> &ccPositions = m_ccPositions;
    if (partialResult) {
        if (!faceMap.SetItemCount(m_iOldFaces - n, false) || !vertexMap.Reserve(m_iKeptVertices, false) ||
            (L.m_pPrev && !ccPositions.SetItemCount(m_iKeptVertices, false)))
            return Fail();
        for (unsigned f = 0; f < m_iOldFaces; ++f)
            if (m_fi[f] != kNone)
                faceMap[m_fi[f]] = {int(m_fi[f]), int(FaceGlobal(f))};
        faceMap.MarkUnsorted();
    } else if (!m_fi.SetItemCount(m_iOldFaces, false)) {
        return Fail();
    } else {
        m_fi.Fill(kNone);
    }

    // Commit: the records are on disk; the index files name them, then the level changes.
    if (!m_faceFile.Close() || !m_vertexFile.Close() || !m_markFile.Close())
        return Fail();
    IndexAppend faceIndex(LevelSwapFiles::Path(base, LevelSwapFiles::kFaceIndex));
    IndexAppend vertexIndex(LevelSwapFiles::Path(base, LevelSwapFiles::kVertexIndex));
    if (!faceIndex.Append(m_newFaces) || !vertexIndex.Append(m_newVertices)) {
        faceIndex.Undo();
        return Fail();
    }
    m_faces.Take(kept);
    m_bMarked = m_bMadePartial = false;
    m_marks.Clear();
    progress.Advance();

    if (partialResult)
        L.m_aFaceMap = std::move(faceMap);
    else
        L.m_aFaceMap.Clear();
    progress.Advance();

    L.m_iFaceCount = m_iOldFaces - n;
    if (updateView && L.m_pOctree)
        L.m_pOctree->RemapFaces(m_fi, m_iOldFaces);
    m_fi.Clear();
    progress.Advance();

    if (!L.ReloadVertices()) {
        General::Progress().End();
        return false;
    }
    L.MakeRelative();
    progress.Advance();

    // Compaction of the vertices.
    if (partialResult) {
        L.m_aVertexMap.Sort(General::Map::kByFirst);
        for (unsigned v = 0; v < m_iOldVertices; ++v)
            if (m_vi[v] != kNone) {
                vertexMap.Add({int(m_vi[v]), int(VertexGlobal(v))});
                if (L.m_pPrev && v < L.m_aCCPositions.GetItemCount())
                    ccPositions[m_vi[v]] = L.m_aCCPositions[v];
            }
        General::Store<Vertex> vertices("subdiv removefaces vertices");
        if (vertices.SetItemCount(m_iKeptVertices, false)) {
            for (unsigned v = 0; v < m_iOldVertices; ++v)
                if (m_vi[v] != kNone)
                    vertices[m_vi[v]] = L.m_pVertices[v];
            L.m_pVertices.Take(vertices);
        } else {
            // No room for a second array: park the vertices in a file and shrink the store.
            Log(" Cannot allocate remaining vertex array.\n");
            std::FILE *park = std::tmpfile();
            if (!park || std::fwrite(L.m_pVertices.begin(), sizeof(Vertex), m_iOldVertices, park) != m_iOldVertices) {
                if (park)
                    std::fclose(park);
                General::Progress().End();
                return false;
            }
            Log("  Temporary disk swap used.\n");
            L.m_pVertices.Clear();
            bool ok = L.m_pVertices.SetItemCount(m_iKeptVertices, false);
            for (unsigned v = 0; ok && v < m_iOldVertices; ++v)
                if (m_vi[v] != kNone)
                    ok = fseeko(park, off_t(v) * off_t(sizeof(Vertex)), SEEK_SET) == 0 &&
                         std::fread(&L.m_pVertices[m_vi[v]], sizeof(Vertex), 1, park) == 1;
            std::fclose(park);
            if (!ok) {
                General::Progress().End();
                return false;
            }
        }
        if (L.m_pPrev)
            L.m_aCCPositions.Take(ccPositions);
        L.m_aVertexMap = std::move(vertexMap);
        L.m_bFull = false;
    } else {
        L.m_aCCPositions.Clear();
        L.m_aVertexMap.Clear();
        L.m_pVertices.SetItemCount(0, false);
    }
    L.m_iVertexCount = m_iKeptVertices;
    m_vi.Clear();
    progress.Advance();

    if (L.m_pPrev)
        L.MakeAbsolute();
    L.RebuildVisibleFaces();
    progress.Advance();
    return true;
}

}  // namespace

bool SubdivLevel::RemoveFaces(General::Store<unsigned int> &list, bool updateView, int)
{
    TV_ASSERT(m_bAbsolute || !m_pPrev);
    if (!m_iFaceCount)
        return true;
    if (m_aGenericFaces.HasItems() || (m_pPrev && m_pPrev->m_aGenericFaces.HasItems()) ||
        (m_iPolygonCount && m_iPolygonCount != m_iTotalFaceCount)) {
        General::Shell().SetStatusMessage(
            QStringLiteral("Faces cannot be removed on level0 and level1 of an n-sided mesh."), 2);
        return false;
    }
    bool all = !list.HasItems() || list.GetItemCount() == m_iFaceCount;
    if (!all) {
        // The walk needs the faces once each, ascending; entries naming no face are dropped.
        list.RemoveDuplicates();
        while (list.HasItems() && list.GetLast() >= m_iFaceCount)
            list.SetItemCount(list.GetItemCount() - 1, true);
        if (!list.HasItems())
            return true;
        all = list.GetItemCount() == m_iFaceCount;
    }
    const unsigned n = all ? m_iFaceCount : list.GetItemCount();
    TV_ASSERT(m_iFaceCount >= n);
    const bool done = WithFaces([&](auto &faces) {
        using Face = std::remove_reference_t<decltype(faces[0])>;
        return Removal<Face>(*this, faces).Run(list, all, n, updateView);
    });
    if (!done)
        return false;

    // While levels live on disk, a level none of whose faces is both active and mapped goes whole.
    if (MeshSwitches::s_bLevelsOnDisk && m_iFaceCount) {
        General::Store<unsigned int> idle("subdiv removefaces idle");
        WithFaces([&](auto &faces) {
            for (unsigned f = 0; f < m_iFaceCount; ++f)
                if (!(IsActive(faces[f]) && IsMapped(faces[f])))
                    idle.Add(f);
        });
        if (idle.GetItemCount() == m_iFaceCount && !RemoveFaces(idle, true))
            return false;
    }
    if (!m_iFaceCount && MeshSwitches::s_bResetEmptyOctree && m_pOctree)
        m_pOctree->Reset();
    m_bFacesRemoved = true;
    General::Progress().End();
    return true;
}
