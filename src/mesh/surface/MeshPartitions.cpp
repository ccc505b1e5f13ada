// Splitting a mesh level into partitions, one per texture tile its visible faces cover.
#include "foundation/Diagnostics.h"
#include "foundation/Progress.h"
#include "foundation/ShellServices.h"
#include "mesh/surface/Material.h"
#include "mesh/core/Mesh.h"
#include "mesh/object/Object.h"
#include "mesh/surface/Texture.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace {

// More tiles than this are no texture layout but stray coordinates, and would load a
// texture per tile.
constexpr double kMaxPartitions = 65536;
// Tile corners beyond this are no longer exact in the floats of a tile's box.
constexpr double kMaxTileCoordinate = 1 << 24;

QString Tr(const char *text) { return QCoreApplication::translate("Mesh", text); }

General::Error OutOfMemory() { return General::Error(1, Tr("Out of memory when building mesh partitions")); }

void Report(const QString &text)
{
    Log("%s\n", text.toLocal8Bit().constData());
    General::Shell().SetStatusMessage(text, 2);
}

struct ProgressScope {
    bool m_bStarted = false;
    ~ProgressScope()
    {
        if (m_bStarted)
            General::Progress().End();
    }
};

}  // namespace

void Mesh::BuildPartitions(bool force, Surface::Material *material)
{
    if (!force && m_bPartitionsBuilt)
        return;
    const unsigned n = Corners();
    m_bRecreateBuffers = true;
    m_aPartitions.Clear();
    m_aFacePartition.Clear();
    if (!material || material->GetTilePattern(0).isEmpty()) {
        m_bPartitionsBuilt = true;
        return;
    }

    ProgressScope progress;
    int columns = 0, rows = 0, firstColumn = 0, firstRow = 0;
    try {
        AABB extent;
        bool finite = true;
        for (unsigned face = 0; face < m_iFaceCount; ++face) {
            if (!IsFaceVisible(face))
                continue;
            for (unsigned k = 0; k < n; ++k) {
                const TC &tc = GetFaceTC(face, k);
                finite = finite && std::isfinite(tc.u) && std::isfinite(tc.v);
                extent.Extend(General::Vector(tc.u, tc.v, 0.0f));
            }
        }
        if (!extent.IsEmpty()) {
            const double i0 = std::floor(double(extent.m_vMin.x)), i1 = std::ceil(double(extent.m_vMax.x));
            const double j0 = std::floor(double(extent.m_vMin.y)), j1 = std::ceil(double(extent.m_vMax.y));
            const double tiles = (i1 - i0) * (j1 - j0);
            // Stray coordinates (far off, or not numbers) would ask for more tiles than a
            // face's partition byte can name, or than memory holds.
            const bool bounded = finite && tiles <= kMaxPartitions && std::fabs(i0) <= kMaxTileCoordinate &&
                                 std::fabs(i1) <= kMaxTileCoordinate && std::fabs(j0) <= kMaxTileCoordinate &&
                                 std::fabs(j1) <= kMaxTileCoordinate;
            if (!bounded) {
                Report(Tr("Texture coordinates that are not finite or cover more than %1 tiles (u %2 to %3, v %4 "
                          "to %5): the level is drawn without textures")
                           .arg(kMaxPartitions)
                           .arg(double(extent.m_vMin.x))
                           .arg(double(extent.m_vMax.x))
                           .arg(double(extent.m_vMin.y))
                           .arg(double(extent.m_vMax.y)));
                m_bPartitionsBuilt = true;
                return;
            }
            columns = int(i1 - i0);
            rows = int(j1 - j0);
            firstColumn = int(i0);
            firstRow = int(j0);
            for (int i = int(i0); i < int(i1); ++i) {
                for (int j = int(j0); j < int(j1); ++j) {
                    Surface::Partition partition;
                    partition.m_cRect = AABB(General::Vector(float(i), float(j), 0.0f),
                                             General::Vector(float(i + 1), float(j + 1), 1.0f));
                    if (m_aPartitions.Add(std::move(partition)) < 0)
                        throw OutOfMemory();
                }
            }
            if (material->m_aURange.GetValue() < int(i1))
                material->m_aURange.SetValue(int(i1), true);
        }

        const unsigned count = m_aPartitions.GetItemCount();
        General::Progress().Start(QStringLiteral("loading textures..."), count, 25);
        progress.m_bStarted = true;
        const bool hadTextures = material->GetTextureCount(0) > 0;
        for (Surface::Partition &partition : m_aPartitions) {
            partition.m_pTexture = material->GetTexture(partition.m_cRect, 0);
            if (!hadTextures)
                General::Progress().Advance();
        }
        m_bPartitionsBuilt = true;
        m_aFacePartition.Clear();
        if (count <= 1)
            return;

        if (!m_aFacePartition.SetItemCount(m_iFaceCount, false))
            throw OutOfMemory();
        for (unsigned face = 0; face < m_iFaceCount; ++face) {
            m_aFacePartition[face] = 0;
            if (!IsFaceVisible(face))
                continue;
            AABB box;
            for (unsigned k = 0; k < n; ++k) {
                const TC &tc = GetFaceTC(face, k);
                box.Extend(General::Vector(tc.u, tc.v, 0.0f));
            }
            // Depth, so that the strict overlap test can succeed against a tile's box.
            box.Extend(General::Vector(box.m_vMin.x, box.m_vMin.y, 0.5f));
            // Only the tiles under the face's box can overlap it: partition k is column
            // k / rows and row k % rows, so walking columns, then rows, keeps k ascending.
            const int iFrom = std::max(firstColumn, int(std::floor(box.m_vMin.x))),
                      iTo = std::min(firstColumn + columns - 1, int(std::floor(box.m_vMax.x)));
            const int jFrom = std::max(firstRow, int(std::floor(box.m_vMin.y))),
                      jTo = std::min(firstRow + rows - 1, int(std::floor(box.m_vMax.y)));
            for (int i = iFrom; i <= iTo; ++i)
                for (int j = jFrom; j <= jTo; ++j) {
                    const unsigned k = unsigned(i - firstColumn) * unsigned(rows) + unsigned(j - firstRow);
                    if (!box.Intersects(m_aPartitions[k].m_cRect))
                        continue;
                    if (m_aPartitions[k].m_aFaces.Add(face) < 0)
                        throw OutOfMemory();
                    m_aFacePartition[face] = k;
                }
        }
    } catch (const General::Error &error) {
        Report(Tr("Mesh partitions not built: %1").arg(error.GetMessage()));
        m_bPartitionsBuilt = true;
    }
}

void Mesh::BuildPartitions(bool force)
{
    Object *object = GetObject();
    BuildPartitions(force, object ? object->GetMaterial() : nullptr);
}
