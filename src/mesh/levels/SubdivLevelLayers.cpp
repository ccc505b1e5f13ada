// A level's side of the sculpt layers: applying a layer's offsets to every vertex of the
// level, held or swapped out.
#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "mesh/object/LayerLevel.h"
#include "mesh/levels/LevelSwapFiles.h"
#include "mesh/levels/SubdivLevel.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <cstring>

namespace {

// Adds the offsets to the vertex records of the level's swap file and gives every swapped
// vertex the propagation stamp. The records are changed in a copy of the file, which
// replaces it only once it is complete: the swap file is the only copy of those vertices.
// False (nothing changed) when the index cannot be held or the copy cannot be made whole.
bool ApplyToSwappedVertices(SubdivLevel &level, LayerLevel &data, float factor)
{
    const QString base = level.m_sSwapBase;
    if (base.isEmpty() || QFile(LevelSwapFiles::Path(base, LevelSwapFiles::kVertexIndex)).size() <= 0)
        return true;
    const QString path = LevelSwapFiles::Path(base, LevelSwapFiles::kVertices);
    const QString copy = path + QStringLiteral(".new");
    const unsigned recordSize = level.m_pPrev ? LevelSwapFiles::kVertexRecordWithCC : LevelSwapFiles::kVertexRecord;
    const unsigned recordCount = unsigned(QFile(path).size() / recordSize);
    General::Map pairs(0, "unknown map");
    if (!LevelSwapFiles::ReadIndex(LevelSwapFiles::Path(base, LevelSwapFiles::kVertexIndex), recordCount, pairs))
        return false;
    QFile::remove(copy);
    SwapRecordFile vertices;
    bool ok = QFile::copy(path, copy) && vertices.Open(copy, "r+b", recordSize);
    const unsigned records = std::min(data.m_iVertexCount, data.m_aData.GetItemCount());
    unsigned r = 0;
    unsigned char bytes[LevelSwapFiles::kVertexRecordWithCC];
    for (unsigned i = 0; ok && i < pairs.GetItemCount(); ++i) {
        const General::IntPair &pair = pairs[i];
        ok = vertices.Read(unsigned(pair.second), bytes);
        if (!ok)
            break;
        General::Vector position;
        std::memcpy(&position, bytes, sizeof(position));
        while (r < records && data.m_aData[r].m_iGlobalVertexIndex < pair.first)
            ++r;
        if (r < records && data.m_aData[r].m_iGlobalVertexIndex == pair.first) {
            const LayerLevel::VertexData &record = data.m_aData[r];
            position += record.m_vOffset * (record.m_fWeight * factor);
        }
        const int32_t stamp = int32_t(level.m_iPropagationStamp);
        std::memcpy(bytes, &position, sizeof(position));
        std::memcpy(bytes + sizeof(position), &stamp, sizeof(stamp));
        ok = vertices.Write(unsigned(pair.second), bytes);
    }
    ok = vertices.Close() && ok;
    ok = ok && std::rename(QFile::encodeName(copy).constData(), QFile::encodeName(path).constData()) == 0;
    if (!ok) {
        QFile::remove(copy);
        Log("Layer offsets could not be written to the swapped vertices of %s\n", QFile::encodeName(base).constData());
    }
    return ok;
}

}  // namespace

void SubdivLevel::ApplyLayer(LayerLevel *layerLevel, float factor)
{
    if (!TV_CHECK(layerLevel))
        return;
    m_aVertexMap.Sort(General::Map::kByFirst);
    if (!ApplyToSwappedVertices(*this, *layerLevel, factor)) {
        // Applied in memory only, the layer would leave the swapped vertices behind.
        General::Shell().SetStatusMessage(
            QCoreApplication::translate("SubdivLevel", "The layer could not be applied: its swap files cannot be written."),
            2);
        return;
    }
    layerLevel->ApplyToMesh(factor);
    CalculateNormals(true);
    m_bRecreateBuffers = true;
    if (m_iStamp == m_iPropagationStamp)
        ++m_iStamp;
}
