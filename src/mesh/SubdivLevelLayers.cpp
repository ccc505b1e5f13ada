// A level's side of the sculpt layers: applying a layer's offsets to every vertex of the
// level, held or swapped out.
#include "foundation/Diagnostics.h"
#include "mesh/LayerLevel.h"
#include "mesh/LevelSwapFiles.h"
#include "mesh/SubdivLevel.h"

#include <QFile>

#include <cstring>

namespace {

// Adds the offsets to the vertex records of the level's swap file, in place, and gives
// every swapped vertex the propagation stamp. False when the index cannot be held.
bool ApplyToSwappedVertices(SubdivLevel &level, LayerLevel &data, float factor)
{
    const QString base = level.m_sSwapBase;
    if (base.isEmpty() || QFile(LevelSwapFiles::Path(base, LevelSwapFiles::kVertexIndex)).size() <= 0)
        return true;
    const unsigned recordSize = level.m_pPrev ? LevelSwapFiles::kVertexRecordWithCC : LevelSwapFiles::kVertexRecord;
    SwapRecordFile vertices;
    if (!vertices.Open(LevelSwapFiles::Path(base, LevelSwapFiles::kVertices), "r+b", recordSize))
        return true;
    General::Map pairs(0, "unknown map");
    if (!LevelSwapFiles::ReadIndex(LevelSwapFiles::Path(base, LevelSwapFiles::kVertexIndex),
                                   vertices.GetRecordCount(), pairs))
        return false;

    const unsigned records = std::min(data.m_iVertexCount, data.m_aData.GetItemCount());
    unsigned r = 0;
    unsigned char bytes[LevelSwapFiles::kVertexRecordWithCC];
    for (const General::IntPair &pair : pairs) {
        if (!vertices.Read(unsigned(pair.second), bytes))
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
        if (!vertices.Write(unsigned(pair.second), bytes))
            break;
    }
    if (!vertices.Close() || vertices.HasError())
        Log("Layer offsets could not be written to all swapped vertices of %s\n",
            QFile::encodeName(base).constData());
    return true;
}

}  // namespace

void SubdivLevel::ApplyLayer(LayerLevel *layerLevel, float factor)
{
    if (!TV_CHECK(layerLevel))
        return;
    m_aVertexMap.Sort(General::Map::kByFirst);
    if (!ApplyToSwappedVertices(*this, *layerLevel, factor))
        return;
    layerLevel->ApplyToMesh(factor);
    CalculateNormals(true);
    m_bRecreateBuffers = true;
    if (m_iStamp == m_iPropagationStamp)
        ++m_iStamp;
}
