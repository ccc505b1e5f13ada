// Tiles of texture space and the map file names made for them.
#include "foundation/Diagnostics.h"
#include "mapping/Info.h"

#include <QCoreApplication>

#include <cfloat>
#include <cmath>

namespace MapExtraction {

namespace {

QString Tr(const char *text) { return QCoreApplication::translate("MapExtraction::Info", text); }

// Coordinates beyond this many tiles are damage, not a layout: their tile numbers would
// not fit the identifiers.
constexpr float kLargestCoordinate = 1.0e6f;

}  // namespace

void Info::CheckLowResMesh()
{
    SubdivLevel *low = m_aLowMesh.GetValue();
    if (!low)
        throw General::Error(1, Tr("Lowres mesh is not specified"));
    const unsigned tcCount = std::min(low->m_iTCCount, low->m_pTCs.GetItemCount());
    float minU = FLT_MAX, minV = FLT_MAX, maxU = -FLT_MAX, maxV = -FLT_MAX;
    for (unsigned i = 0; i < tcCount; ++i) {
        const TC &tc = low->m_pTCs[i];
        if (!(std::fabs(tc.u) <= kLargestCoordinate && std::fabs(tc.v) <= kLargestCoordinate))
            throw General::Error(1, Tr("Texture coordinates are invalid"));
        minU = std::min(minU, tc.u);
        maxU = std::max(maxU, tc.u);
        minV = std::min(minV, tc.v);
        maxV = std::max(maxV, tc.v);
    }
    // No coordinates at all span nothing.
    if (!tcCount)
        throw General::Error(1, Tr("Texture coordinates are invalid"));
    m_iUEnd = int(std::ceil(maxU));
    m_iVEnd = int(std::ceil(maxV));
    m_iUStart = std::min(0, int(std::floor(minU)));
    m_iVStart = std::min(0, int(std::floor(minV)));
    if (maxU - minU < FLT_EPSILON || maxV - minV < FLT_EPSILON)
        throw General::Error(1, Tr("Texture coordinates are invalid"));
    if (m_aURange.GetValue() < m_iUEnd - m_iUStart)
        m_aURange.SetValue(m_iUEnd - m_iUStart, true);

    const unsigned corners = low->Corners();
    unsigned bad = 0;
    low->WithFaces([&](const auto &faces) {
        const unsigned faceCount = std::min(low->m_iFaceCount, faces.GetItemCount());
        for (unsigned f = 0; f < faceCount; ++f)
            for (unsigned c = 0; c < corners; ++c) {
                // A negative index is as far outside the coordinates as a large one.
                const int32_t index = faces[f].m_iTCI[c];
                if (index < 0 || unsigned(index) >= tcCount) {
                    ++bad;
                    break;
                }
            }
    });
    if (bad)
        throw General::Error(1, Tr("Invalid texture coordinates on lowresh mesh"));
}

int Info::GetMapIdentifier() const
{
    return (m_iTileV - m_iVStart) * m_aURange.GetValue() + (m_iTileU - m_iUStart) + m_aUStart.GetValue();
}

bool Info::TileWanted(int identifier) const
{
    if (identifier < m_iFirstTile || identifier > m_iLastTile)
        return false;
    return m_aProcessMultipleTiles.GetValue() || identifier == m_aUStart.GetValue();
}

QList<int> Info::MeshTileIdentifiers() const
{
    QList<int> identifiers;
    const int range = m_aURange.GetValue(), start = m_aUStart.GetValue();
    for (int v = m_iVStart; v < m_iVEnd; ++v)
        for (int u = m_iUStart; u < m_iUEnd; ++u) {
            const int identifier = (v - m_iVStart) * range + (u - m_iUStart) + start;
            if (m_aProcessMultipleTiles.GetValue() || identifier == start)
                identifiers.append(identifier);
        }
    return identifiers;
}

QString Info::GetMapFileName(const QString &mask, bool withRange) const
{
    QString name = mask;
    name.replace(QLatin1String("%u"), QString::number(m_iUEnd - m_iUStart));
    name.replace(QLatin1String("%v"), QString::number(m_iVEnd - m_iVStart));
    name.replace(QLatin1String("%i"), QString::asprintf("%04d", GetMapIdentifier()));
    name.replace(QLatin1String("%x"), QString::number(m_iTileU));
    name.replace(QLatin1String("%y"), QString::number(m_iTileV));
    name.replace(QLatin1String("%g"), withRange ? QString::number(double(m_fDisplacementMin), 'g', 6) : QString());
    name.replace(QLatin1String("%f"), withRange ? QString::number(double(m_fDisplacementMax), 'g', 6) : QString());
    return name;
}

}  // namespace MapExtraction
