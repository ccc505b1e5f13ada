// Swapping a level's faces or vertices out to temporary files and back, and the names
// of its partial-level swap files.
#include "foundation/ShellServices.h"
#include "mesh/levels/LevelSwapFiles.h"
#include "mesh/object/MeshHost.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/levels/SubdivLevel.h"
#include "foundation/TempFileNames.h"

#include <QFile>

namespace {

// Writes `count` records of a store to a new unique temporary file; the name, or empty
// when the file could not be made or written whole (it is then removed).
template <class T>
QString WriteToTempFile(const General::Store<T> &store, unsigned count)
{
    const QString name = General::NewTempFile(QStringLiteral("tmp"));
    std::FILE *file = name.isEmpty() ? nullptr : std::fopen(QFile::encodeName(name).constData(), "w+b");
    bool ok = file != nullptr && count <= store.GetItemCount();
    if (ok && count)
        ok = std::fwrite(store.begin(), sizeof(T), count, file) == count;
    if (file)
        ok = std::fclose(file) == 0 && ok;
    if (ok)
        return name;
    if (!name.isEmpty())
        QFile::remove(name);
    if (MeshSwitches::s_bVerbose)
        General::Shell().CriticalMessage(QStringLiteral("Cannot write temp files"));
    Log("Cannot write temp files\n");
    return QString();
}

// Reads `count` records back into a store sized to them; false (the store emptied) when
// the file is missing or short.
template <class T>
bool ReadFromTempFile(const QString &name, General::Store<T> &store, unsigned count)
{
    std::FILE *file = std::fopen(QFile::encodeName(name).constData(), "rb");
    bool ok = file != nullptr;
    if (ok && count)
        ok = std::fread(store.begin(), sizeof(T), count, file) == count;
    if (file)
        std::fclose(file);
    if (!ok) {
        Log("Cannot read swap file %s\n", QFile::encodeName(name).constData());
        store.Clear();
    }
    return ok;
}

}  // namespace

bool SubdivLevel::SaveFacesToDisk()
{
    if (!m_sFaceSwapFile.isEmpty())
        return true;
    return WithFaces([&](auto &faces) {
        if (!faces.HasItems())
            return true;
        m_sFaceSwapFile = WriteToTempFile(faces, m_iFaceCount);
        if (m_sFaceSwapFile.isEmpty())
            return false;
        faces.Clear();
        return true;
    });
}

bool SubdivLevel::SaveVerticesToDisk()
{
    if (!m_pVertices.HasItems() || !m_sVertexSwapFile.isEmpty())
        return true;
    m_sVertexSwapFile = WriteToTempFile(m_pVertices, m_iVertexCount);
    if (m_sVertexSwapFile.isEmpty())
        return false;
    m_pVertices.Clear();
    return true;
}

bool SubdivLevel::ReloadVertices()
{
    if (m_sVertexSwapFile.isEmpty() || m_pVertices.HasItems())
        return true;
    if (!m_pVertices.SetItemCount(m_iVertexCount, false)) {
        Log(" Cannot reload vertices.\n");
        return false;
    }
    // A file that cannot be read leaves the level swapped out, file and name kept.
    if (!ReadFromTempFile(m_sVertexSwapFile, m_pVertices, m_iVertexCount))
        return false;
    QFile::remove(m_sVertexSwapFile);
    m_sVertexSwapFile.clear();
    return true;
}

bool SubdivLevel::ReloadFaces()
{
    if (m_sFaceSwapFile.isEmpty())
        return true;
    return WithFaces([&](auto &faces) {
        if (faces.HasItems())
            return true;
        if (!faces.SetItemCount(m_iFaceCount, false)) {
            Log(" Cannot reload faces.\n");
            return false;
        }
        if (!ReadFromTempFile(m_sFaceSwapFile, faces, m_iFaceCount))
            return false;
        QFile::remove(m_sFaceSwapFile);
        m_sFaceSwapFile.clear();
        return true;
    });
}

bool SubdivLevel::MakeSwapFiles()
{
    if (!m_sSwapBase.isEmpty())
        return false;
    // The scene's packed id names the files; without a scene, levels are numbered -1 and
    // kept apart by the uniqueness of their swap file names.
    const int id = MeshHost::Get().GetMeshId(this);
    m_sSwapBase = LevelSwapFiles::ClaimBase(General::Shell().TempFolder() + QStringLiteral("/tmp") + QString::number(id));
    for (int kind = 0; kind < LevelSwapFiles::kKindCount; ++kind) {
        const QString path = LevelSwapFiles::Path(m_sSwapBase, LevelSwapFiles::Kind(kind));
        std::FILE *file = std::fopen(QFile::encodeName(path).constData(), "w+b");
        if (!file) {
            Log("Cannot create swap file %s\n", QFile::encodeName(path).constData());
            if (kind == 0)
                return false;
            continue;
        }
        std::fclose(file);
    }
    return true;
}

QString SubdivLevel::GetSwapFileName()
{
    if (!MakeSwapFiles())
        return m_sSwapBase;
    if (m_iTotalFaceCount && m_iTotalVertexCount && m_iGlobalVertexBound)
        return m_sSwapBase;
    m_iTotalVertexCount = m_iGlobalVertexBound = m_iVertexCount;
    m_iTotalFaceCount = m_iFaceCount;
    m_bAbsolute = true;
    if (!m_aVertexMap.HasItems() && m_aVertexMap.SetItemCount(m_iVertexCount, false)) {
        for (unsigned i = 0; i < m_iVertexCount; ++i)
            m_aVertexMap[i] = {int(i), int(i)};
        m_aVertexMap.MarkUnsorted();
    }
    if (!m_bFull && !m_aFaceMap.HasItems() && m_aFaceMap.SetItemCount(m_iFaceCount, false)) {
        for (unsigned i = 0; i < m_iFaceCount; ++i)
            m_aFaceMap[i] = {int(i), int(i)};
        m_aFaceMap.MarkUnsorted();
    }
    return m_sSwapBase;
}
