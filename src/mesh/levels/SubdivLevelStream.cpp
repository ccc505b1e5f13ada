// The level record of scene files and single-level files.
//
//   total faces, total vertices (4 each), swap base name (stream string), absolute (1),
//   the mesh record, then with the stream's level-chain flag: a next-level byte and the
//   next level's whole record; then by version: full (1), sculpted-below (1),
//   propagation stamp (4), global vertex bound (4), the Catmull-Clark positions and the
//   four embedded swap files "v", "vi", "f", "fi", created-face count (4), an obsolete
//   vector array (written empty), faces-removed (1), propagated count (4), the face map
//   and the vertex map.
#include "foundation/ShellServices.h"
#include "foundation/Stream.h"
#include "mesh/levels/LevelSwapFiles.h"
#include "mesh/levels/SubdivLevel.h"

#include <QFile>

#include <memory>

namespace {

// Deeper chains than this are no real object: a file that claims one is corrupt.
constexpr int kMaxChainDepth = 64;

// A map: count, then (from version 102) each pair and the sort mode; before 102 the sort
// mode came first. The stored mode is not trusted: a loaded map counts as unsorted.
bool SerializeMap(Stream &s, General::Map &map)
{
    unsigned count = map.GetItemCount();
    int mode = map.GetSortMode();
    s.Serialize(count);
    if (s.GetVersion() < 102)
        s.Serialize(mode);
    if (!s.IsStoring()) {
        if (s.HasError() || !s.Expect(uint64_t(count) * 8) || !map.SetItemCount(count, false)) {
            s.SetError();
            map.Clear();
            return false;
        }
        map.MarkUnsorted();
    }
    if (count)
        s.Transfer(map.begin(), uint64_t(count) * 8);
    if (s.GetVersion() >= 102)
        s.Serialize(mode);
    return !s.HasError();
}

// Reads and drops `count` items of `size` bytes.
bool Skip(Stream &s, uint64_t bytes) { return s.Expect(bytes) && s.Seek(s.Tell() + bytes); }

// Every pair names a held item and an index below the total.
bool MapFits(const General::Map &map, unsigned held, unsigned total)
{
    if (!map.HasItems())
        return true;
    if (map.GetItemCount() != held)
        return false;
    for (const General::IntPair &pair : map)
        if (pair.first < 0 || unsigned(pair.first) >= held || pair.second < 0 || unsigned(pair.second) >= total)
            return false;
    return true;
}

}  // namespace

bool SubdivLevel::Serialize(Stream &stream) { return SerializeFields(stream, 0); }

bool SubdivLevel::SerializeFields(Stream &s, int depth)
{
    const bool storing = s.IsStoring();
    const int v = storing ? Stream::kCurrentVersion : s.GetVersion();
    auto refuse = [&](const char *why) {
        Log("Level record refused: %s\n", why);
        s.SetError();
        return false;
    };

    s.Serialize(m_iTotalFaceCount).Serialize(m_iTotalVertexCount);
    if (storing) {
        s << m_sSwapBase;
    } else {
        QString base;
        s >> base;
        // With the chain the level is new and makes its own files. A single level read back
        // keeps its files, and only names that are swap files of the temporary folder are taken.
        const QString folder = General::Shell().TempFolder() + QStringLiteral("/tmp");
        const bool plausible = base.startsWith(folder) && !base.mid(folder.size()).contains(QLatin1Char('/'));
        if (!s.GetLevelChain() && plausible && base != m_sSwapBase) {
            if (!m_sSwapBase.isEmpty())
                LevelSwapFiles::ReleaseBase(m_sSwapBase);
            m_sSwapBase = LevelSwapFiles::ClaimBase(base);
        }
    }
    s.Serialize(m_bAbsolute);
    if (!Mesh::Serialize(s) || s.HasError())
        return false;

    if (s.GetLevelChain()) {
        unsigned char next = m_pNext ? 1 : 0;
        s.Serialize(next);
        if (storing) {
            if (m_pNext && !m_pNext->SerializeFields(s, depth + 1))
                return false;
        } else if (next) {
            if (depth + 1 >= kMaxChainDepth)
                return refuse("too many levels");
            auto level = std::make_unique<SubdivLevel>();
            level->m_pPrev = this;
            level->m_pObject = m_pObject;
            if (!level->SerializeFields(s, depth + 1))
                return false;
            SetNextLevel(level.release());
        } else {
            SetNextLevel(nullptr);
        }
        if (s.HasError())
            return false;
    }

    if (v >= 36) {
        s.Serialize(m_bFull).Serialize(m_bSculptedBelow).Serialize(m_iPropagationStamp).Serialize(m_iGlobalVertexBound);
        if (v < 62) {
            if (!Skip(s, 12))
                return refuse("short record");
        } else {
            if (v < 102) {
                if (storing)
                    TV_ASSERT(!storing);
                unsigned count = m_aCCPositions.GetItemCount();
                s.Serialize(count);
                if (!storing && (s.HasError() || !s.Expect(uint64_t(count) * 12) ||
                                 !m_aCCPositions.SetItemCount(count, false)))
                    return refuse("Catmull-Clark positions");
                if (count)
                    s.Transfer(m_aCCPositions.begin(), uint64_t(count) * 12);
            } else if (!s.SerializeArray(m_aCCPositions)) {
                return refuse("Catmull-Clark positions");
            }
            // The swap files go with the level. A level that never made them stores them empty.
            if (!storing && m_sSwapBase.isEmpty())
                MakeSwapFiles();
            for (LevelSwapFiles::Kind kind : LevelSwapFiles::kStored) {
                const QString path = m_sSwapBase.isEmpty() ? QString() : LevelSwapFiles::Path(m_sSwapBase, kind);
                if (storing) {
                    // A swap file that exists holds faces or vertices found nowhere else: one that
                    // cannot be embedded whole (unreadable, over 4 GiB, cut short) fails the save
                    // rather than being written empty or truncated.
                    if (!s.WriteFile(path) && !path.isEmpty() && QFile::exists(path)) {
                        Log("Swap file %s could not be embedded in the level record\n",
                            QFile::encodeName(path).constData());
                        s.SetError();
                        return false;
                    }
                } else {
                    s.ReadFile(path);
                }
                if (s.HasError())
                    return refuse("embedded swap file");
            }
        }
    }
    if (v >= 50)
        s.Serialize(m_iCreatedFaces);
    if (v >= 55) {
        General::Store<General::Vector> obsolete("subdiv obsolete");
        if (v < 102) {
            unsigned count = 0;
            s.Serialize(count);
            if (!Skip(s, uint64_t(count) * 12))
                return refuse("short record");
        } else if (!s.SerializeArray(obsolete)) {
            return refuse("short record");
        }
    }
    if (v >= 59)
        s.Serialize(m_bFacesRemoved);
    if (v >= 61)
        s.Serialize(m_iPropagatedCount);
    if (v >= 62 && (!SerializeMap(s, m_aFaceMap) || !SerializeMap(s, m_aVertexMap)))
        return refuse("index maps");
    if (s.HasError())
        return false;
    if (!storing) {
        if (!MapFits(m_aFaceMap, m_iFaceCount, std::max(m_iTotalFaceCount, m_iFaceCount)) ||
            !MapFits(m_aVertexMap, m_iVertexCount, 0x40000000u)) {
            m_aFaceMap.Clear();
            m_aVertexMap.Clear();
            return refuse("index maps that do not fit the level");
        }
        m_iVertexMapCursor = 0;
    }
    return true;
}

bool SubdivLevel::SaveLevelFile(const QString &fileName)
{
    // Written next to the target and renamed over it only whole: a failed save leaves no
    // half file behind that a later load could take for the level.
    const QString partial = fileName + QStringLiteral(".part");
    bool ok = false;
    {
        Stream stream(partial, true);
        stream.SetLevelChain(false);
        ok = stream.IsOpen() && Serialize(stream) && stream.Flush();
    }
    if (ok) {
        QFile::remove(fileName);
        ok = QFile::rename(partial, fileName);
    }
    if (!ok) {
        QFile::remove(partial);
        Log("Cannot write level file %s\n", QFile::encodeName(fileName).constData());
    }
    return ok;
}

bool SubdivLevel::LoadLevelFile(const QString &fileName)
{
    bool ok = false;
    try {
        Stream stream(fileName, false);
        stream.SetLevelChain(false);
        ok = stream.IsOpen() && Serialize(stream) && !stream.HasError();
    } catch (const General::Error &error) {
        Log("%s\n", error.GetMessage().toLocal8Bit().constData());
    }
    // The file is the only copy of what it holds until it was read whole.
    if (ok)
        QFile::remove(fileName);
    else
        Log("Cannot read level file %s\n", QFile::encodeName(fileName).constData());
    return ok;
}
