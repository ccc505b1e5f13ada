#include "mapping/MapOutput.h"

#include "foundation/Diagnostics.h"
#include "foundation/Timer.h"
#include "mapping/Info.h"
#include "mapping/MapBuffer.h"

#include <QCoreApplication>
#include <QFile>

#include <cmath>
#include <cstdio>

namespace MapExtraction {

namespace {

QString Tr(const char *text) { return QCoreApplication::translate("MapExtraction::Mapper", text); }

QString Suffix(int fileType)
{
    static const char *const kSuffixes[] = {".tif", ".bmp", ".png", ".jpg", ".tga"};
    return QLatin1String(fileType >= 0 && fileType < 5 ? kSuffixes[fileType] : "");
}

}  // namespace

bool MapOutput::SaveMaps(const MapBuffer *normal, const MapBuffer *displacement, unsigned newTexels)
{
    m_sError.clear();
    m_sSavedNormal.clear();
    m_sSavedDisplacement.clear();
    if (!newTexels && m_cInfo.m_aSkipEmptyMaps.GetValue())
        return true;
    Log("New texels on maps: %u\n", newTexels);
    const int fileType = m_cInfo.m_aFileType.GetValue();
    if (m_cInfo.m_aCreateNormalMap.GetValue() && normal) {
        const QString path = m_sDirectory + m_cInfo.GetMapFileName(m_cInfo.m_aNormalMapFilename.GetValue(), false);
        Log("\tsaving normal map to %s\n", qPrintable(path + QStringLiteral(".tif")));
        if (!normal->Save(StagedBase(path), false, fileType)) {
            m_sError = Tr("Can not save normal map %1 (disk full or bad filename?)").arg(path);
            Log("%s\n", qPrintable(m_sError));
            return false;
        }
        m_sSavedNormal = path + Suffix(fileType);
        Note(StagedBase(path) + Suffix(fileType), m_sSavedNormal);
    }
    if (m_cInfo.m_aCreateDisplacementMap.GetValue() && displacement && m_eWorkingDisplacementType != mapNormalAlpha) {
        const QString path = m_sDirectory +
                             m_cInfo.GetMapFileName(m_cInfo.m_aDisplacementMapFilename.GetValue(), false) +
                             m_sDisplacePostFilename;
        Log("\tsaving displacement map to %s\n", qPrintable(path + QStringLiteral(".tif")));
        // A temporary map keeps its floats in one channel for the final pass.
        const bool temporary = !m_sDisplacePostFilename.isEmpty();
        const bool saved = temporary ? displacement->Save(path, false, fileTIF)
                                     : displacement->Save(StagedBase(path), m_eDisplacementFinalType != mapBWFloat,
                                                          fileType);
        if (!saved) {
            m_sError = Tr("Can not save displacement map %1 (disk full or bad filename?)").arg(path);
            Log("%s\n", qPrintable(m_sError));
            return false;
        }
        m_sSavedDisplacement = path + Suffix(temporary ? int(fileTIF) : fileType);
        if (temporary)
            Note(m_sSavedDisplacement, QString());
        else
            Note(StagedBase(path) + Suffix(fileType), m_sSavedDisplacement);
    }
    General::Timer::Reset();
    return true;
}

bool MapOutput::IsProcessed(int u, int v)
{
    m_cInfo.m_iTileU = u;
    m_cInfo.m_iTileV = v;
    return m_cInfo.TileWanted(m_cInfo.GetMapIdentifier());
}

void MapOutput::Note(const QString &written, const QString &final)
{
    for (const RunFile &file : m_aRunFiles)
        if (file.written == written)
            return;
    m_aRunFiles.push_back({written, final});
}

bool MapOutput::CommitRun()
{
    m_sError.clear();
    std::vector<RunFile> files;
    files.swap(m_aRunFiles);
    for (const RunFile &file : files) {
        if (file.final.isEmpty() || !m_sError.isEmpty()) {
            QFile::remove(file.written);
            continue;
        }
        // rename() replaces the earlier map in one step: the name never stands empty.
        if (std::rename(QFile::encodeName(file.written).constData(), QFile::encodeName(file.final).constData()) != 0) {
            m_sError = Tr("Can not save map %1 (disk full or bad filename?)").arg(file.final);
            Log("%s\n", qPrintable(m_sError));
            QFile::remove(file.written);
        }
    }
    return m_sError.isEmpty();
}

void MapOutput::DiscardRun()
{
    for (const RunFile &file : m_aRunFiles)
        QFile::remove(file.written);
    m_aRunFiles.clear();
}

void MapOutput::NormalizeDisplacementMaps()
{
    Info &info = m_cInfo;
    if (m_eDisplacementFinalType == m_eWorkingDisplacementType || !info.m_aCreateDisplacementMap.GetValue())
        return;
    Log("Normalizing displacement maps\n");
    const unsigned width = unsigned(std::max(0, info.m_aMapWidth.GetValue()));
    const unsigned height = unsigned(std::max(0, info.m_aMapHeight.GetValue()));
    const QString displacementMask = info.m_aDisplacementMapFilename.GetValue();
    const QString normalMask = info.m_aNormalMapFilename.GetValue();
    float min = 1e8f, max = -1e9f;
    // A run of some tiles only takes the range every run of the same settings shares,
    // so the maps of a farm job's frames meet at their seams.
    if (info.m_aNormalizeToSearchDistance.GetValue() || info.BakesSomeTilesOnly()) {
        min = -0.5f * info.m_aSearchDistance.GetValue();
        max = 0.5f * info.m_aSearchDistance.GetValue();
    } else {
        for (int u = info.m_iUStart; u < info.m_iUEnd; ++u)
            for (int v = info.m_iVStart; v < info.m_iVEnd; ++v) {
                if (!IsProcessed(u, v))
                    continue;
                MapBuffer source;
                source.Allocate(width, height, MapBuffer::typeFloat, 1);
                if (!source.Load(m_sDirectory + info.GetMapFileName(displacementMask, false) + m_sDisplacePostFilename))
                    continue;
                for (unsigned y = 0; y < height; ++y)
                    for (unsigned x = 0; x < width; ++x) {
                        const float value = source.GetValue(x, y, 0);
                        // A sample that is not a number says nothing about the range.
                        if (std::isfinite(value)) {
                            min = std::min(min, value);
                            max = std::max(max, value);
                        }
                    }
            }
    }
    // No finite sample in any map: nothing to rescale, and no range to report.
    if (!(min <= max)) {
        Log("No displacement values to normalize\n");
        return;
    }
    if (info.m_aKeepZeroAsMiddleGrey.GetValue()) {
        if (max < std::fabs(min))
            max = -min;
        else
            min = -max;
    }
    info.m_fDisplacementMin = min;
    info.m_fDisplacementMax = max;
    Log("Range of displacement maps: [%f:%f]\n", double(min), double(max));

    const bool normalAlpha = m_eDisplacementFinalType == mapNormalAlpha;
    int finalType = MapBuffer::TypeOfFormat(normalAlpha ? m_eNormalType : m_eDisplacementFinalType);
    if (!normalAlpha && !TV_CHECK(!(m_eDisplacementFinalType == mapFloat || m_eDisplacementFinalType == mapBWFloat)))
        finalType = MapBuffer::typeFloat;
    if (normalAlpha && !TV_CHECK(!(m_eNormalType == mapFloat)))
        finalType = MapBuffer::typeFloat;
    for (int u = info.m_iUStart; u < info.m_iUEnd; ++u)
        for (int v = info.m_iVStart; v < info.m_iVEnd; ++v) {
            if (!IsProcessed(u, v))
                continue;
            const QString name = info.GetMapFileName(displacementMask, false);
            MapBuffer source, result;
            source.Allocate(width, height, MapBuffer::typeFloat, 1);
            result.Allocate(width, height, finalType, normalAlpha ? 4 : 1);
            if (normalAlpha) {
                const QString normalPath = m_sDirectory + info.GetMapFileName(normalMask, false);
                if (!result.Load(StagedBase(normalPath)))
                    throw General::Error(1, Tr("Cannot load normal map %1.tif").arg(normalPath));
            }
            if (!source.Load(m_sDirectory + name + m_sDisplacePostFilename))
                continue;
            const unsigned channel = normalAlpha ? 3 : 0;
            for (unsigned y = 0; y < height; ++y)
                for (unsigned x = 0; x < width; ++x)
                    result.SetValue(x, y, channel, source.GetValue(x, y, 0), min, max);
            const QString output =
                m_sDirectory + info.GetMapFileName(normalAlpha ? normalMask : displacementMask, true);
            const bool expandGrey = m_eDisplacementFinalType != map16BitBW && m_eDisplacementFinalType != mapBWFloat;
            const int fileType = info.m_aFileType.GetValue();
            if (!result.Save(StagedBase(output), expandGrey, fileType))
                throw General::Error(1, Tr("Cannot save displacement map %1.tif").arg(m_sDirectory + name));
            Note(StagedBase(output) + Suffix(fileType), output + Suffix(fileType));
            if (!QFile::remove(m_sDirectory + name + m_sDisplacePostFilename + QStringLiteral(".tif")))
                AssertFailed(__FILE__, __LINE__,
                             "QFile::remove( m_sDirectory+GetMapFileName( m_sDisplacementMask )+m_sDisplacePostFilename+\".tif\" )",
                             nullptr);
        }
    Log("Normalization finished\n");
}

}  // namespace MapExtraction
