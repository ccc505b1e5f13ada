// The displacement run: tiles, maps, samples at the vertices, and the new layer.
#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "mapping/displacement/DisplaceOperation.h"
#include "mapping/displacement/DisplaceRecord.h"
#include "mapping/displacement/FloatMap.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/MeshHost.h"
#include "operations/selection/SelectionHost.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>

namespace Displacement {

namespace {

QString Tr(const char *text) { return QCoreApplication::translate("Displacement::DisplaceOperation", text); }

// The grey-image mode that reads a channel item from `file`: a sample index for 16 and
// 32-bit TIFFs, a byte of the 8-bit colour otherwise; kGrayNone for "None".
int ChannelMode(int channel, const QString &file, int bits)
{
    static const int kEightBit[] = {2, 1, 0, 3};  // red, green, blue, alpha
    if (channel < 0 || channel >= DisplaceOperation::kNone)
        return 7;
    const bool tiff = QFileInfo(file).suffix().compare(QLatin1String("tif"), Qt::CaseInsensitive) == 0;
    return tiff && bits >= 16 ? channel : kEightBit[channel];
}

// Keeps the run flag and the global subdivision switches for the duration of a run.
struct RunScope {
    RunScope(bool &running, bool smooth) : m_rRunning(running)
    {
        m_rRunning = true;
        MeshSwitches::s_bCreateTCs = true;
        MeshSwitches::s_bSmoothTCs = smooth;
    }
    ~RunScope()
    {
        m_rRunning = false;
        MeshSwitches::s_bCreateTCs = m_bCreate;
        MeshSwitches::s_bSmoothTCs = m_bSmooth;
        General::Shell().ProgressEnd();
    }
    bool &m_rRunning;
    bool m_bCreate = MeshSwitches::s_bCreateTCs, m_bSmooth = MeshSwitches::s_bSmoothTCs;
};

}  // namespace

SubdivLevel *DisplaceOperation::PrepareLevel(Object &object)
{
    if (object.LevelCount() == 1) {
        for (int step = 0; step < m_aDisplaceToLevel.GetValue(); ++step)
            if (!object.Subdivide())
                throw General::Error(1, Tr("Subdivision operation for the object is failed"));
    }
    return object.m_pActiveLevel ? object.m_pActiveLevel : &object;
}

void DisplaceOperation::Run()
{
    Object *object = m_aTargetMesh.GetValue();
    if (!object)
        throw General::Error(1, Tr("No target specified"));
    RunScope scope(m_bRunning, m_aSmoothTCs.GetValue());
    SubdivLevel *level = PrepareLevel(*object);
    if (!level->m_iTCCount || !level->m_pTCs.GetItemCount())
        throw General::Error(2, Tr("Target mesh has no texture coordinates"));
    Log("Displacement operation on %s\n", qPrintable(level->GetName()));
    std::vector<Vertex> before(level->m_pVertices.begin(), level->m_pVertices.begin() + level->m_iVertexCount);

    const unsigned faces = level->m_iFaceCount, corners = level->Corners();
    const unsigned tcCount = std::min(level->m_iTCCount, level->m_pTCs.GetItemCount());
    const uint64_t total = uint64_t(faces) * m_aTiles.size();
    const uint64_t step = std::max<uint64_t>(1, total / 50);
    uint64_t threshold = step;
    General::Shell().ProgressStart(QStringLiteral("applying maps..."), total);
    std::vector<uint8_t> marked(level->m_iVertexCount, 0);
    std::vector<VertexInfo> records;
    const int range = std::max(1, m_aURange.GetValue());
    const float minimum = m_aDisplacementMinimum.GetValue(), maximum = m_aDisplacementMaximum.GetValue();
    for (size_t tileIndex = 0; tileIndex < m_aTiles.size(); ++tileIndex) {
        const Tile tile = m_aTiles[tileIndex];
        const int64_t offset = int64_t(tile.m_iNumber) - m_aInitialTile.GetValue();
        const int x = int(offset % range) + m_iOffsetX, y = int(offset / range) + m_iOffsetY;
        Log("Displacing tile %d\n", int(tile.m_iNumber));
        FloatMap map, mask;
        if (!tile.m_bExcluded) {
            const QString mapFile = ExpandMask(m_aDisplacementMap.GetValue(), tile.m_iNumber, x, y);
            Log("\tLoading %s for dislacement map", qPrintable(mapFile));
            if (!map.Load(mapFile, ChannelMode(m_aDisplacementChannel.GetValue(), mapFile, TiffBitsPerSample(mapFile)))) {
                Log(" - map not found, skipping\n");
                continue;
            }
            Log(" - OK\n");
            const QString maskFile = ExpandMask(m_aMaskMap.GetValue(), tile.m_iNumber, x, y);
            Log("\tLoading %s for mask map", qPrintable(maskFile));
            const int maskMode = ChannelMode(m_aMaskChannel.GetValue(), maskFile, TiffBitsPerSample(maskFile));
            Log(maskMode != 7 && mask.Load(maskFile, maskMode) ? " - OK\n" : " - not found\n");
        }
        const size_t recordsBefore = records.size();
        level->WithFaces([&](const auto &faceRecords) {
            for (unsigned f = 0; f < faces; ++f) {
                const uint64_t position = uint64_t(faces) * tileIndex + f;
                if (position > threshold) {
                    threshold += step;
                    General::Shell().ProgressSet(position);
                    General::Shell().ProcessEvents();
                    // The events may have taken the target away.
                    if (m_aTargetMesh.GetValue() != object)
                        throw General::Error(1, Tr("The target mesh was removed during the operation"));
                }
                for (unsigned c = 0; c < corners; ++c) {
                    const unsigned v = faceRecords[f].m_iIndices[c] & 0x3FFFFFFFu;
                    const unsigned t = unsigned(faceRecords[f].m_iTCI[c]) & 0x3FFFFFFFu;
                    if (t >= tcCount) {
                        AssertFailed("MeshDisplace", 456, "!(iTCIndex >= pM->m_iTCCount)", nullptr);
                        continue;
                    }
                    if (v >= marked.size() || marked[v])
                        continue;
                    const float u = level->m_pTCs[t].u - float(x), w = 1.0f - (level->m_pTCs[t].v - float(y));
                    if (!(u >= 0.0f && u <= 1.0f && w >= 0.0f && w <= 1.0f))
                        continue;
                    marked[v] = 1;
                    if (tile.m_bExcluded)
                        continue;
                    float d = map.Sample(u, w);
                    if (!m_bFloatMap)
                        d = minimum + d * (maximum - minimum);
                    const float m = mask.IsEmpty() ? 1.0f : mask.Sample(u, w);
                    if (d == 0.0f)
                        continue;
                    records.push_back(VertexInfo{v, v, m, d, 1});
                }
            }
        });
        if (!tile.m_bExcluded)
            Log("\tProcessed %d vertices\n", int(records.size() - recordsBefore));
    }

    Layer3D *last = object->GetFirstLayer();
    while (last && last->m_pNext)
        last = last->m_pNext;
    Layer3D *layer = object->CreateLayer(last, nullptr);
    if (!layer)
        throw General::Error(1, Tr("Unable to create new layer"));
    layer->SetName(QStringLiteral("Displacement"));
    if (!layer->LockToLevel(level)) {
        object->DestroyLayer(layer);
        throw General::Error(1, Tr("Unable to lock layer to subdiv level"));
    }
    LayerLevel *data = layer->GetLevel(level);
    if (!data) {
        object->DestroyLayer(layer);
        throw General::Error(1, Tr("Unable to get layer for subdiv level"));
    }
    for (const VertexInfo &record : records) {
        const int index = data->FindVertex(record.m_iVertex, true);
        LayerLevel::VertexData *vertex = data->GetVertexData(index);
        if (!vertex) {
            Log("\tOut of memory\n");
            continue;
        }
        vertex->m_fWeight = record.m_fMask;
        const int16_t *n = level->m_pVertices[record.m_iVertex].m_aNormal;
        const General::Vector normal(float(n[0]) / 32767.0f, float(n[1]) / 32767.0f, float(n[2]) / 32767.0f);
        data->SetOffset(record.m_iVertex, index, normal * record.m_fDisplacement);
    }
    if (!data->Extend()) {
        object->DestroyLayer(layer);
        std::copy(before.begin(), before.end(), level->m_pVertices.begin());
        throw General::Error(1, Tr("Unable to create vertices in the layer"));
    }
    level->CalculateNormals(false);
    level->m_bRecreateBuffers = true;
    m_pLastRecord = std::make_unique<DisplaceRecord>(object, level, std::move(before));
    m_pLastRecord->TakeLayer(layer);
    Operations::SelectionHost::Get().RecordAction(*m_pLastRecord);
    MeshHost::Get().RefreshLayerList();
}

}  // namespace Displacement
